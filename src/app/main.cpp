#include <QApplication>
#include <QDir>

#include "app/Client.h"
#include "ui/Prompter.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarvolink"));
  QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                          .arg(TARVO_VERSION_MAJOR)
                                          .arg(TARVO_VERSION_MINOR)
                                          .arg(TARVO_VERSION_PATCH));
  // The settings file lives beside the program.
  const QString settings =
      QDir(QApplication::applicationDirPath()).filePath(QStringLiteral("TarvoIp.txt"));
  tarvo::DialogPrompter prompter;
  tarvo::Client client(prompter, settings);
  client.start();
  return QApplication::exec();
}
