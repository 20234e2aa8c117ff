#include "records/RegularFile.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace tarvo::records {

namespace {

QString notRegular() {
  return QCoreApplication::translate("RegularFile", "not a regular file");
}

}  // namespace

QString irregularFileReason(const QString& path) {
  const QFileInfo info(path);
  // A dangling link is nothing yet, as far as opening for writing goes; open() says the
  // rest.
  if (!info.exists()) return {};
  return info.isFile() ? QString() : notRegular();
}

bool openRegularFile(QFile& file, QIODevice::OpenMode mode, QString* error) {
  QString why = irregularFileReason(file.fileName());
  if (why.isEmpty() && !file.open(mode)) why = file.errorString();
  // The handle itself: what was opened may not be what was looked at.
  if (why.isEmpty() && file.isSequential()) {
    file.close();
    why = notRegular();
  }
  if (error) *error = why;
  return why.isEmpty();
}

}  // namespace tarvo::records
