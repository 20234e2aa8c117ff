#pragma once
// The change journal on disk: one file per month in the user's data folder, one JSON line
// per event, each line handed to the system before append() returns, so a crash of the
// program loses nothing already written.
#include <QFile>
#include <QObject>
#include <QString>
#include <cstdint>

#include "records/journal.h"

namespace tarvo::records {

class JournalFile : public QObject {
  Q_OBJECT

 public:
  // The user's data folder of this program (QStandardPaths::AppDataLocation).
  static QString defaultFolder();

  explicit JournalFile(QString folder = defaultFolder(), QObject* parent = nullptr);

  void setFolder(const QString& folder);
  const QString& folder() const { return folder_; }
  // The file an event at `timeMs` goes to.
  QString pathFor(std::int64_t timeMs) const;

  // Appends one line. On failure returns false, and the first failure of this writer is
  // also reported through failed(); later events are still tried.
  bool append(const JournalEvent& event);

  bool hasFailed() const { return failed_; }
  const QString& lastError() const { return lastError_; }

 signals:
  void failed(const QString& reason);

 private:
  bool fail(const QString& reason);

  QString folder_;
  QFile file_;
  bool failed_ = false;
  QString lastError_;
};

}  // namespace tarvo::records
