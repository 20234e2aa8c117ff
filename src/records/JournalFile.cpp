#include "records/JournalFile.h"

#include <QDir>
#include <QStandardPaths>

#include "records/RegularFile.h"

namespace tarvo::records {

QString JournalFile::defaultFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

JournalFile::JournalFile(QString folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder)) {}

void JournalFile::setFolder(const QString& folder) {
  file_.close();
  folder_ = folder;
}

QString JournalFile::pathFor(std::int64_t timeMs) const {
  return QDir(folder_).filePath(QString::fromLatin1(journalFileName(timeMs)));
}

bool JournalFile::fail(const QString& reason) {
  lastError_ = reason;
  if (!failed_) {
    failed_ = true;
    emit failed(reason);
  }
  return false;
}

bool JournalFile::append(const JournalEvent& event) {
  if (folder_.isEmpty()) return fail(tr("no folder for the change journal"));
  const QString path = pathFor(event.timeMs);
  if (!file_.isOpen() || file_.fileName() != path) {
    file_.close();
    if (!QDir().mkpath(folder_)) return fail(tr("can not create the folder %1").arg(folder_));
    file_.setFileName(path);
    // Unbuffered: every line is one write to the system. Appending lets the client and
    // tarvoctl add to the same file.
    QString why;
    if (!openRegularFile(file_, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                         &why))
      return fail(tr("%1: %2").arg(path, why));
  }
  std::string line = formatJournalLine(event);
  line += '\n';
  const auto size = static_cast<qint64>(line.size());
  if (file_.write(line.data(), size) != size) {
    const QString reason = tr("%1: %2").arg(path, file_.errorString());
    file_.close();
    return fail(reason);
  }
  return true;
}

}  // namespace tarvo::records
