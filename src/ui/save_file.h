#pragma once
// Saving what a window shows to a file the user picks.
#include <QByteArray>
#include <QString>
#include <optional>
#include <string_view>

namespace tarvo {

class Prompter;

// Asks through `prompter` where to save, then writes `content` there whole: a failed write
// leaves any file of that name as it was and is said in a box titled `title`. Returns the
// path written, or nullopt when the user cancelled or the write failed.
std::optional<QString> saveToChosenFile(Prompter& prompter, const QString& title,
                                        const QString& filter, const QString& suggestedName,
                                        const QByteArray& content);

// CSV text made of wire (Latin-1) texts, as a spreadsheet reads it: UTF-8, starting with a
// byte-order mark, without which some spreadsheets take the file for their own 8-bit code.
QByteArray csvFileBytes(std::string_view latin1Csv);
inline QString csvFilter() {
  return QStringLiteral("CSV files (*.csv);;All files (*)");
}

// `name` made fit for a file name: the characters that some file systems refuse (a block
// name's colon among them) become "_".
QString fileNamePart(QString name);

}  // namespace tarvo
