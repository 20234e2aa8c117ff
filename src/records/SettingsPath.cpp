#include "records/SettingsPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "records/settings_location.h"

namespace tarvo::records {

QString settingsFilePath(const QString& given) {
  SettingsSituation situation;
  if (!given.isEmpty()) situation.given = QFileInfo(given).absoluteFilePath().toStdString();
  const QString programDir = QCoreApplication::applicationDirPath();
  situation.programDir = programDir.toStdString();
  QDir dir(programDir);
  situation.fileBesideProgram = QFileInfo::exists(dir.filePath(QString::fromLatin1(
      kSettingsFileName.data(), static_cast<qsizetype>(kSettingsFileName.size()))));
  situation.installed =
      QFileInfo::exists(dir.filePath(QStringLiteral("../share/applications/tarvolink.desktop")));
  if (situation.given.empty() && !situation.fileBesideProgram && !situation.installed) {
    // Permission bits do not tell on every platform: try it.
    QTemporaryFile probe(dir.filePath(QStringLiteral(".tarvolink-XXXXXX")));
    situation.programDirWritable = probe.open();
  }
  situation.configDir =
      QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString();
  return QString::fromStdString(chooseSettingsLocation(situation).path);
}

}  // namespace tarvo::records
