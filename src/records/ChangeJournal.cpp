#include "records/ChangeJournal.h"

#include <QHostInfo>

#include "link/Connection.h"

namespace tarvo::records {

namespace {

std::string toStd(const QString& s) {
  return s.toUtf8().toStdString();
}

}  // namespace

ChangeJournal::ChangeJournal(QObject* parent)
    : QObject(parent),
      file_(JournalFile::defaultFolder(), this),
      tracker_([this](const JournalEvent& e) { file_.append(e); }) {
  connect(&file_, &JournalFile::failed, this, &ChangeJournal::failed);
  JournalContext context;
  context.user = toStd(userName());
  context.host = toStd(QHostInfo::localHostName());
  tracker_.setContext(std::move(context));
}

QString ChangeJournal::userName() {
  for (const char* name : {"USERNAME", "USER", "LOGNAME"}) {
    const QString user = qEnvironmentVariable(name);
    if (!user.isEmpty()) return user;
  }
  return {};
}

void ChangeJournal::watch(link::Connection& connection) {
  connect(&connection, &link::Connection::commandSent, this,
          [this](std::string_view command) { tracker_.commandSent(command); });
  connect(&connection, &link::Connection::lineReceived, this,
          [this](std::string_view line) { tracker_.lineReceived(line); });
  connect(&connection, &link::Connection::linkLost, this, [this] { tracker_.connectionEnded(); });
}

void ChangeJournal::setServer(const QString& host, quint16 port) {
  JournalContext context = tracker_.context();
  context.serverHost = toStd(host);
  context.serverPort = port;
  tracker_.setContext(std::move(context));
}

}  // namespace tarvo::records
