#include "ctl/CtlRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHostInfo>
#include <QTimer>
#include <optional>

#include "ctl/conversation.h"
#include "ctl/ctl_output.h"
#include "records/ChangeJournal.h"
#include "link/Connection.h"
#include "records/RegularFile.h"
#include "records/settings_file.h"

namespace tarvo::ctl {

namespace {

// A CSV file larger than this is not read: far beyond the row limit of a plan.
constexpr qint64 kMaxCsvBytes = 64 * 1024 * 1024;

QString fromUtf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString fromLatin1(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

struct Server {
  QString host;
  quint16 port = records::kDefaultPort;
};

// The options first; what they leave open from the settings file, by the client's rules.
Server resolveServer(const Options& o) {
  records::ServerChoice choice;
  if (!o.host || !o.port) {
    QFile file(o.settingsPath ? fromUtf8(*o.settingsPath) : defaultSettingsPath());
    if (records::openRegularFile(file, QIODevice::ReadOnly)) {
      const QByteArray bytes = file.read(64 * 1024);
      choice = records::chooseServer(records::parseSettings(
          std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))));
    }
  }
  Server s;
  s.host = o.host ? fromUtf8(*o.host) : fromLatin1(choice.host);
  if (s.host.isEmpty()) s.host = fromLatin1(std::string(records::kDefaultHost));
  s.port = o.port ? *o.port : (choice.port != 0 ? choice.port : records::kDefaultPort);
  return s;
}

}  // namespace

QString defaultSettingsPath() {
  return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("TarvoIp.txt"));
}

CtlRunner::CtlRunner(Options options, QIODevice& out, QIODevice& err)
    : options_(std::move(options)), out_(out), err_(err) {}

void CtlRunner::print(QIODevice& to, const std::string& latin1Text) {
  // JSON is plain ASCII already; plain columns go out in the terminal's encoding.
  to.write(fromLatin1(latin1Text).toLocal8Bit());
}

void CtlRunner::error(const QString& text) {
  err_.write((QStringLiteral("tarvoctl: ") + text + QLatin1Char('\n')).toLocal8Bit());
}

int CtlRunner::run() {
  std::vector<BlockEdit> edits;
  if (options_.command == Command::Set) {
    edits.push_back(BlockEdit{options_.block, options_.assignments});
  } else if (options_.command == Command::Apply) {
    QFile file(fromUtf8(options_.csvPath));
    if (!file.open(QIODevice::ReadOnly)) {
      error(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
      return kExitUsage;
    }
    if (file.size() > kMaxCsvBytes) {
      error(QStringLiteral("%1: larger than %2 bytes").arg(file.fileName()).arg(kMaxCsvBytes));
      return kExitUsage;
    }
    const QByteArray bytes = file.readAll();
    std::string problem;
    const std::string text = decodeCsvBytes(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), problem);
    Plan plan = problem.empty() ? planFromCsv(text) : Plan{{}, {problem}};
    if (!plan.errors.empty()) {
      for (const std::string& e : plan.errors)
        error(file.fileName() + QStringLiteral(": ") + fromLatin1(e));
      return kExitUsage;
    }
    edits = std::move(plan.blocks);
  }

  const Job job =
      jobFor(options_, std::move(edits), QHostInfo::localHostName().toLatin1().toStdString());
  if (options_.dryRun) {
    print(out_, formatFrames(Conversation::plannedCommands(job)));
    return kExitOk;
  }

  const Server server = resolveServer(options_);
  link::Connection connection;
  records::ChangeJournal journal;
  if (options_.journalDir) journal.file().setFolder(fromUtf8(*options_.journalDir));
  journal.watch(connection);
  journal.setServer(server.host, server.port);
  QObject::connect(&journal, &records::ChangeJournal::failed, &journal, [this](const QString& why) {
    error(QStringLiteral("the change journal can not be written (%1); going on").arg(why));
  });

  Conversation conversation(job);
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setInterval(options_.timeoutSeconds * 1000);
  bool connected = false;
  bool done = false;
  std::optional<QString> connectFailure;
  auto end = [&] {
    done = true;
    loop.quit();
  };

  auto send = [&](const std::vector<std::string>& commands) {
    for (const std::string& c : commands) connection.sendRawData(std::string_view(c));
    timer.start();
    if (conversation.finished()) end();
  };
  QObject::connect(&connection, &link::Connection::connected, &loop, [&] {
    connected = true;
    send(conversation.start());
  });
  QObject::connect(&connection, &link::Connection::lineReceived, &loop,
                   [&](std::string_view line) { send(conversation.lineReceived(line)); });
  QObject::connect(&connection, &link::Connection::failed, &loop, [&](const QString& why) {
    if (!connected) connectFailure = why;
    conversation.connectionLost();
    end();
  });
  QObject::connect(&connection, &link::Connection::closedByPeer, &loop, [&] {
    conversation.connectionLost();
    end();
  });
  QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
    if (!connected)
      connectFailure = QStringLiteral("no connection within %1 s").arg(options_.timeoutSeconds);
    else
      send(conversation.timedOut(options_.timeoutSeconds));
    end();
  });

  timer.start();
  connection.connectToHost(server.host, server.port);
  // A failure reported at once would have quit a loop not yet running.
  if (!done) loop.exec();
  timer.stop();
  connection.close();

  if (connectFailure) {
    error(QStringLiteral("can not connect to %1:%2: %3")
              .arg(server.host)
              .arg(server.port)
              .arg(*connectFailure));
    return kExitConnection;
  }
  if (options_.command == Command::Set || options_.command == Command::Apply) {
    print(out_, formatReport(options_.cp, conversation.reports(), options_.json));
  } else if (conversation.failure().empty()) {
    print(out_, formatTable(conversation.columns(), conversation.rows(), options_.json));
  }
  if (!conversation.failure().empty()) error(fromLatin1(conversation.failure()));
  const int code = conversation.exitCode();
  if (code == kExitRefused && conversation.failure().empty()) {
    int refused = 0;
    for (const BlockReport& r : conversation.reports()) refused += r.result == BlockResult::Error;
    error(QStringLiteral("the server refused the changes of %1 of %2 blocks")
              .arg(refused)
              .arg(conversation.reports().size()));
  }
  return code;
}

}  // namespace tarvo::ctl
