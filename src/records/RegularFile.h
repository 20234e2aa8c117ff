#pragma once
// The files the programs keep for themselves (the change journal, the settings file) are
// opened only when they are plain files. A FIFO in their place would block the open, or
// the reads, for ever; a device or a folder is no file to keep settings or a journal in.
#include <QFile>
#include <QString>

namespace tarvo::records {

// Why `path` must not be opened: "" when it names a regular file (or a link to one) or
// nothing at all, else a short reason ("not a regular file").
QString irregularFileReason(const QString& path);

// Opens `file` (its name set) in `mode` when irregularFileReason() has nothing against its
// path, and keeps it open only when the handle opened is a regular file too. False with
// the reason in `error` otherwise, the file closed.
//
// The type is looked at before the open, since opening a FIFO is what blocks. Replacing
// the file by a FIFO between the look and the open can still block; that needs the right
// to write the file's folder, which is the user's own (or the administrator's), and Qt has
// no open that never waits.
bool openRegularFile(QFile& file, QIODevice::OpenMode mode, QString* error = nullptr);

}  // namespace tarvo::records
