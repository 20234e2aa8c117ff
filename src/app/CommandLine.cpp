#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "app/startup.h"
#include "records/SettingsPath.h"

namespace tarvo {
namespace {

// Options QApplication reads itself; accepted here so that they reach it.
const char* const kQtValueOptions[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
    "style",       "stylesheet",         "qmljsdebugger"};
const char* const kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

CommandLine failure(const QString& text) {
  CommandLine line;
  line.action = CommandLine::Action::Error;
  line.text = text;
  return line;
}

}  // namespace

QString versionLine() {
  return QStringLiteral("Tarvolink %1.%2.%3")
      .arg(TARVO_VERSION_MAJOR)
      .arg(TARVO_VERSION_MINOR)
      .arg(TARVO_VERSION_PATCH);
}

CommandLine parseCommandLine(const QStringList& args) {
  QCommandLineParser parser;
  // "-platform xcb" is one option with a value, as Qt's own options are written.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(
      QStringLiteral("Tarvolink, a client for the remote configuration of a distributed "
                     "control system through a Tarvo configuration server."));
  // Not addHelpOption(): its --help-all would promise Qt's options, which this early
  // reading of the command line does not know.
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Displays this help."));
  parser.addOption(help);
  const QCommandLineOption version = parser.addVersionOption();
  const QCommandLineOption settings(
      QStringLiteral("settings"),
      QStringLiteral("Read and write the server list in FILE instead of TarvoIp.txt beside "
                     "the program or in the user's configuration folder."),
      QStringLiteral("FILE"));
  const QCommandLineOption connect(
      QStringLiteral("connect"),
      QStringLiteral("Connect to this server at start, instead of the one the settings "
                     "select, for this run only; nothing is written. PORT defaults to 1582; "
                     "write an IPv6 address as [ADDR]:PORT."),
      QStringLiteral("HOST[:PORT]"));
  parser.addOptions({settings, connect});
  for (const char* name : kQtValueOptions) {
    QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
  for (const char* name : kQtFlagOptions) {
    QCommandLineOption option(QString::fromLatin1(name));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }

  if (!parser.parse(args)) return failure(parser.errorText());
  CommandLine line;
  if (parser.isSet(help)) {
    line.action = CommandLine::Action::Help;
    line.text = parser.helpText();
    return line;
  }
  if (parser.isSet(version)) {
    line.action = CommandLine::Action::Version;
    line.text = versionLine() + QLatin1Char('\n');
    return line;
  }
  if (!parser.positionalArguments().isEmpty())
    return failure(
        QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));
  if (parser.isSet(settings)) {
    line.settingsFile = parser.value(settings);
    if (line.settingsFile.isEmpty())
      return failure(QStringLiteral("--settings needs a file name."));
  }
  if (parser.isSet(connect)) {
    const QString text = parser.value(connect);
    const ServerAddress address = parseServerAddress(text.toStdString());
    if (!address.ok())
      return failure(
          QStringLiteral("--connect %1: %2.").arg(text, QString::fromStdString(address.error)));
    // Hosts go on the wire as single-byte text.
    if (text.toLatin1() != text.toUtf8())
      return failure(QStringLiteral("--connect %1: the host must be plain ASCII text.").arg(text));
    line.connectHost = QString::fromStdString(address.host);
    line.connectPort = address.port;
  }
  return line;
}

QString settingsFilePath(const QString& given) {
  return records::settingsFilePath(given);
}

}  // namespace tarvo
