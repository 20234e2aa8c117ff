#include <QApplication>
#include <QIcon>
#include <cstdio>

#include "app/Client.h"
#include "app/CommandLine.h"
#include "app/LinkController.h"
#include "ui/Prompter.h"

namespace {

void nameTheProgram() {
  QCoreApplication::setApplicationName(QStringLiteral("Tarvolink"));
  QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                              .arg(TARVO_VERSION_MAJOR)
                                              .arg(TARVO_VERSION_MINOR)
                                              .arg(TARVO_VERSION_PATCH));
}

}  // namespace

int main(int argc, char* argv[]) {
  // The command line is read without a window system, so that --help, --version and a
  // mistake are answered on a machine with no display too.
  tarvo::CommandLine commandLine;
  {
    QCoreApplication probe(argc, argv);
    nameTheProgram();
    commandLine = tarvo::parseCommandLine(QCoreApplication::arguments());
  }
  switch (commandLine.action) {
    case tarvo::CommandLine::Action::Run: break;
    case tarvo::CommandLine::Action::Help:
    case tarvo::CommandLine::Action::Version:
      std::fputs(commandLine.text.toLocal8Bit().constData(), stdout);
      return commandLine.exitCode();
    case tarvo::CommandLine::Action::Error:
      std::fprintf(stderr, "tarvolink: %s\nTry 'tarvolink --help' for the options.\n",
                   commandLine.text.toLocal8Bit().constData());
      return commandLine.exitCode();
  }

  QApplication app(argc, argv);
  nameTheProgram();
  QGuiApplication::setDesktopFileName(QStringLiteral("tarvolink"));
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/tarvolink-%1.png").arg(size), QSize(size, size));
  QApplication::setWindowIcon(icon);

  tarvo::DialogPrompter prompter;
  tarvo::Client client(prompter, tarvo::settingsFilePath(commandLine.settingsFile));
  if (!commandLine.connectHost.isEmpty())
    client.linkController().setServerOverride(commandLine.connectHost, commandLine.connectPort);
  client.start();
  return QApplication::exec();
}
