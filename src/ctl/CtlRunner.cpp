#include "ctl/CtlRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHostInfo>
#include <QTcpSocket>
#include <QTimer>
#include <optional>

#include "ctl/conversation.h"
#include "ctl/ctl_output.h"
#include "link/Connection.h"
#include "records/ChangeJournal.h"
#include "records/JournalFile.h"
#include "records/RegularFile.h"
#include "records/SettingsPath.h"
#include "records/settings_file.h"

namespace tarvo::ctl {

namespace {

// How much of the CSV file is read at a time.
constexpr qint64 kCsvPiece = 64 * 1024;

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

// The options first; what they leave open from `fallback` (the server a journaled change
// was made on), else from the settings file, by the client's rules.
Server resolveServer(const Options& o, const std::optional<Server>& fallback = std::nullopt) {
  if (fallback && !o.host && !o.port) return *fallback;
  records::ServerChoice choice;
  if (!o.host || !o.port) {
    // The file the client would use, found by the client's rule.
    QFile file(records::settingsFilePath(o.settingsPath ? fromUtf8(*o.settingsPath) : QString()));
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

CtlRunner::CtlRunner(Options options, QIODevice& out, QIODevice& err)
    : options_(std::move(options)), out_(out), err_(err) {}

void CtlRunner::print(QIODevice& to, std::string_view latin1Text) {
  // JSON is plain ASCII already; plain columns go out in the terminal's encoding.
  to.write(QString::fromLatin1(latin1Text.data(), static_cast<qsizetype>(latin1Text.size()))
               .toLocal8Bit());
}

void CtlRunner::error(const QString& text) {
  err_.write((QStringLiteral("tarvoctl: ") + text + QLatin1Char('\n')).toLocal8Bit());
}

// The CSV file read as a stream, up to its byte bound, whatever it is: a regular file, a
// FIFO, a device. Errors are printed; nothing when the file cannot be used.
std::optional<Plan> CtlRunner::readCsv() {
  QFile file(fromUtf8(options_.csvPath));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
    error(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
    return std::nullopt;
  }
  CsvPlanReader reader;
  std::vector<char> piece(static_cast<std::size_t>(kCsvPiece));
  for (;;) {
    const qint64 n = file.read(piece.data(), kCsvPiece);
    if (n < 0) {
      error(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
      return std::nullopt;
    }
    if (n == 0 || !reader.feed(std::string_view(piece.data(), static_cast<std::size_t>(n)))) break;
  }
  Plan plan = reader.finish();
  if (plan.errors.empty()) return plan;
  for (const std::string& e : plan.errors)
    error(file.fileName() + QStringLiteral(": ") + fromLatin1(e));
  return std::nullopt;
}

// The whole configuration file, up to the bound apply reads to.
std::optional<records::ConfigFile> CtlRunner::readConfigFile() {
  QFile file(fromUtf8(options_.csvPath));
  if (!file.open(QIODevice::ReadOnly)) {
    error(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
    return std::nullopt;
  }
  const QByteArray bytes = file.read(static_cast<qint64>(kMaxCsvBytes) + 1);
  if (bytes.size() > static_cast<qsizetype>(kMaxCsvBytes)) {
    error(QStringLiteral("%1: larger than %2 bytes").arg(file.fileName()).arg(kMaxCsvBytes));
    return std::nullopt;
  }
  records::ConfigFile config = records::parseConfigFile(
      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  if (config.errors.empty() && config.rows.empty())
    config.errors.push_back("no rows of block, parameter and value in the file");
  if (config.errors.empty()) return config;
  for (const std::string& e : config.errors)
    error(file.fileName() + QStringLiteral(": ") + fromLatin1(e));
  return std::nullopt;
}

// The journal's files that may hold the changes named: each time's month, and the months
// a day either side, for a change made at a month's end.
std::optional<RevertRun> CtlRunner::readJournal() {
  const QString folder =
      options_.journalDir ? fromUtf8(*options_.journalDir) : records::JournalFile::defaultFolder();
  std::vector<std::string> names;
  constexpr std::int64_t kDay = 24 * 3600 * 1000;
  for (const std::int64_t t : options_.eventTimes)
    for (const std::int64_t at : {t - kDay, t, t + kDay})
      if (const std::string n = records::journalFileName(at);
          std::find(names.begin(), names.end(), n) == names.end())
        names.push_back(n);
  std::vector<records::JournalEvent> events;
  for (const std::string& name : names) {
    QFile file(QDir(folder).filePath(fromLatin1(name)));
    if (!file.exists()) continue;
    if (!records::openRegularFile(file, QIODevice::ReadOnly)) {
      error(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
      return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    records::parseJournalText(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), events);
  }
  RevertRun run(std::move(events), options_.eventTimes);
  for (const std::string& e : run.errors())
    error(fromLatin1(e) + QStringLiteral(" in ") + QDir::toNativeSeparators(folder));
  if (!run.errors().empty()) return std::nullopt;
  return run;
}

int CtlRunner::run() {
  Plan plan;
  std::optional<records::ConfigFile> config;
  std::optional<RevertRun> revert;
  std::optional<Server> journaledServer;
  if (options_.command == Command::Set) {
    for (const Assignment& a : options_.assignments) plan.add(options_.block, a.param, a.value);
  } else if (options_.command == Command::Apply) {
    std::optional<Plan> read = readCsv();
    if (!read) return kExitUsage;
    plan = std::move(*read);
  } else if (options_.command == Command::Diff) {
    config = readConfigFile();
    if (!config) return kExitUsage;
    // Only the compounds the file covers can differ from it; only they are read.
    for (const std::string& block : config->blocks) {
      const std::string compound(records::compoundOf(block));
      if (std::find(options_.compounds.begin(), options_.compounds.end(), compound) ==
          options_.compounds.end())
        options_.compounds.push_back(compound);
    }
  } else if (options_.command == Command::Revert) {
    revert = readJournal();
    if (!revert) return kExitUsage;
    if (revert->cp().empty()) {
      error(QStringLiteral("the changes named were made outside a session on a CP"));
      return kExitUsage;
    }
    options_.cp = revert->cp();
    plan = revert->plan();
    if (!revert->serverHost().empty() && revert->serverPort() > 0)
      journaledServer =
          Server{fromUtf8(revert->serverHost()), static_cast<quint16>(revert->serverPort())};
  }

  Job job = jobFor(options_, std::move(plan), QHostInfo::localHostName().toLatin1().toStdString());
  records::ChangeJournal journal;
  if (revert) {
    const bool dryRun = options_.dryRun;
    job.decide = [&revert, &journal, dryRun](std::size_t block, const records::LiveBlock& live) {
      RevertDecision d = dryRun ? revert->decideAsJournaled(block) : revert->decide(block, live);
      if (!d.values.empty()) journal.tracker().expectRevert(live.name, d.note);
      return d;
    };
  }
  // Every change named refused before anything is read: nothing to send.
  if (revert && job.plan.blockCount() == 0) {
    const Outcome none(job.plan);
    const auto lines = revert->report(job.plan, none);
    print(out_, formatRevertReport(options_.cp, lines, options_.json));
    return RevertRun::exitCode(lines);
  }
  if (options_.dryRun) {
    std::string frames;
    Conversation::plannedCommands(std::move(job), [&](std::string&& command) {
      frames += formatFrames({std::move(command)});
      if (frames.size() >= 64 * 1024) print(out_, std::exchange(frames, {}));
    });
    print(out_, frames);
    return kExitOk;
  }

  const Server server = resolveServer(options_, journaledServer);
  link::Connection connection;
  if (options_.journalDir) journal.file().setFolder(fromUtf8(*options_.journalDir));
  journal.watch(connection);
  journal.setServer(server.host, server.port);
  QObject::connect(&journal, &records::ChangeJournal::failed, &journal, [this](const QString& why) {
    error(QStringLiteral("the change journal can not be written (%1); going on").arg(why));
  });

  Conversation conversation(std::move(job));
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
    if (conversation.finished()) end();
  };
  QObject::connect(&connection, &link::Connection::connected, &loop, [&] {
    connected = true;
    // Requests go out back to back; none may wait for the one before to be acknowledged.
    connection.socket()->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    timer.start();
    send(conversation.start());
  });
  QObject::connect(&connection, &link::Connection::lineReceived, &loop, [&](std::string_view line) {
    const std::vector<std::string> next = conversation.lineReceived(line);
    // The deadline is for the answers waited for: only a line of one of them moves it.
    if (conversation.progressed()) timer.start();
    send(next);
  });
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
  const Writer write = [this](std::string_view piece) { print(out_, piece); };
  for (const std::string& p : conversation.readProblems()) error(fromLatin1(p));
  if (revert) {
    const auto lines = revert->report(conversation.plan(), conversation.outcome());
    print(out_, formatRevertReport(options_.cp, lines, options_.json));
    if (!conversation.failure().empty()) error(fromLatin1(conversation.failure()));
    return std::max(RevertRun::exitCode(lines),
                    conversation.failure().empty() ? kExitOk : conversation.exitCode());
  }
  if (options_.command == Command::Dump || options_.command == Command::Diff) {
    if (!conversation.failure().empty()) {
      error(fromLatin1(conversation.failure()));
      // For diff, 1 says "they differ": a failure is never that.
      const int code = conversation.exitCode();
      return options_.command == Command::Diff && code == kExitRefused ? kExitConnection : code;
    }
    if (options_.command == Command::Dump) {
      // UTF-8 (CSV) or plain ASCII (JSON): written as it is.
      writeDump(conversation.blocksRead(), options_.json, [this](std::string_view piece) {
        out_.write(piece.data(), static_cast<qint64>(piece.size()));
      });
      return conversation.exitCode();
    }
    const auto diffs = records::compareConfig(*config, conversation.blocksRead());
    print(out_, formatDiff(options_.cp, diffs, options_.json));
    return diffs.empty() && conversation.readProblems().empty() ? kExitOk : kExitRefused;
  }
  if (options_.command == Command::Set || options_.command == Command::Apply) {
    writeReport(options_.cp, conversation.plan(), conversation.outcome(), options_.json, write);
  } else if (conversation.failure().empty()) {
    writeTable(conversation.columns(), conversation.rows(), options_.json, write);
  }
  if (!conversation.failure().empty()) error(fromLatin1(conversation.failure()));
  const int code = conversation.exitCode();
  if (code == kExitRefused && conversation.failure().empty()) {
    error(QStringLiteral("the server refused the changes of %1 of %2 blocks")
              .arg(conversation.outcome().count(BlockResult::Error))
              .arg(conversation.plan().blockCount()));
  }
  return code;
}

}  // namespace tarvo::ctl
