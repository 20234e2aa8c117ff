#pragma once
// The change journal of one connection: a JournalTracker fed from the connection's hooks,
// writing every event to a JournalFile.
#include <QObject>
#include <QString>

#include "records/JournalFile.h"
#include "records/journal_tracker.h"

namespace tarvo::link {
class Connection;
}

namespace tarvo::records {


class ChangeJournal : public QObject {
  Q_OBJECT

 public:
  explicit ChangeJournal(QObject* parent = nullptr);

  // Follows every command sent and line received on `connection`, and its end.
  void watch(link::Connection& connection);
  // The server the next events name.
  void setServer(const QString& host, quint16 port);

  JournalTracker& tracker() { return tracker_; }
  JournalFile& file() { return file_; }

  // The name of the user working, as the system gives it ("" when it gives none).
  static QString userName();

 signals:
  // The journal could not be written (said once; work goes on).
  void failed(const QString& reason);

 private:
  JournalFile file_;
  JournalTracker tracker_;
};

}  // namespace tarvo::records
