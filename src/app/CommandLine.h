#pragma once
// The program's command line, read before any window exists, and where its settings file
// lives.
#include <QString>
#include <QStringList>

namespace tarvo {

struct CommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  QString text;          // the help text, the version line or what was wrong
  QString settingsFile;  // --settings FILE; empty when not given
  QString connectHost;   // --connect HOST[:PORT]; empty when not given
  quint16 connectPort = 0;

  // 0 for a run, help or the version; 2 for a command line that could not be used.
  int exitCode() const { return action == Action::Error ? 2 : 0; }
};

// `args` as QCoreApplication::arguments() gives them, the program first. Qt's own window
// options (-platform, -style, ...) are let through for QApplication to take.
CommandLine parseCommandLine(const QStringList& args);

// "Tarvolink 0.95.1"
QString versionLine();

// The settings file this run uses: `given` (--settings) when not empty, else beside the
// program or in the user's configuration folder; see chooseSettingsLocation.
QString settingsFilePath(const QString& given);

}  // namespace tarvo
