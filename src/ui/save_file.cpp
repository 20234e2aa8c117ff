#include "ui/save_file.h"

#include <QSaveFile>

#include "link/Wire.h"
#include "ui/Prompter.h"
#include "ui/ui_helpers.h"

namespace tarvo {

std::optional<QString> saveToChosenFile(Prompter& prompter, const QString& title,
                                        const QString& filter, const QString& suggestedName,
                                        const QByteArray& content) {
  std::optional<QString> path = prompter.saveFileName(title, filter, suggestedName);
  if (!path) return std::nullopt;
  QSaveFile file(*path);
  if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit())
    return path;
  prompter.inform(Prompter::Icon::Exclamation, title,
                  QStringLiteral("The file can not be written:\r") + *path + QStringLiteral(": ") +
                      file.errorString());
  return std::nullopt;
}

QByteArray csvFileBytes(std::string_view latin1Csv) {
  return QByteArrayLiteral("\xEF\xBB\xBF") + link::fromWire(latin1Csv).toUtf8();
}

QString fileNamePart(QString name) {
  for (QChar& c : name)
    if (c < u' ' || QStringView(u"<>:\"/\\|?*").contains(c)) c = u'_';
  return name;
}

}  // namespace tarvo
