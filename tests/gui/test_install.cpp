// What an installed program adds: its command line, and a server given for one run.
#include <QDir>
#include <QFile>

#include "app/CommandLine.h"
#include "app/LinkController.h"
#include "app/frmOptions.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::test;
using Action = CommandLine::Action;

TEST(CommandLineTest, EachLineGivesItsActionAndWhatItNames) {
  struct Case {
    std::initializer_list<const char*> args;
    Action action;
    const char* says;  // settings file|host|port to run with, or what the text holds
  };
  const Case cases[] = {
      {{}, Action::Run, "||0"},
      {{"--settings=rel.txt", "--connect", "aw51b:1600"}, Action::Run, "rel.txt|aw51b|1600"},
      {{"--connect=plant"}, Action::Run, "|plant|1582"},
      // Qt's own window options go through to QApplication.
      {{"-platform", "offscreen", "-style", "fusion", "-reverse"}, Action::Run, "||0"},
      {{"-h"}, Action::Help, "--connect <HOST[:PORT]>"},
      {{"-v"}, Action::Version, "Tarvolink "},
      {{"--settings"}, Action::Error, "settings"},
      {{"--connect", "h\xc3\xa9te"}, Action::Error, "ASCII"},
  };
  for (const Case& c : cases) {
    QStringList args{QStringLiteral("tarvolink")};
    for (const char* a : c.args) args << QString::fromUtf8(a);
    SCOPED_TRACE(args.join(u' ').toStdString());
    const CommandLine line = parseCommandLine(args);
    EXPECT_EQ(line.action, c.action) << line.text.toStdString();
    if (c.action == Action::Run)
      EXPECT_EQ(
          line.settingsFile + u'|' + line.connectHost + u'|' + QString::number(line.connectPort),
          QString::fromUtf8(c.says));
    else
      EXPECT_TRUE(line.text.contains(QString::fromUtf8(c.says))) << line.text.toStdString();
  }
  // Qt's options stay out of the help.
  EXPECT_FALSE(parseCommandLine({"tarvolink", "--help"}).text.contains(QLatin1String("platform")));
}

TEST(CommandLineTest, AGivenSettingsFileIsTakenFromTheCurrentFolder) {
  const QString path = settingsFilePath(QStringLiteral("some/where/mine.txt"));
  EXPECT_EQ(path, QDir::current().absoluteFilePath(QStringLiteral("some/where/mine.txt")));
  EXPECT_TRUE(settingsFilePath(QString()).endsWith(QLatin1String("/TarvoIp.txt")));
}

class Installed : public ClientFixture {};

TEST_F(Installed, AServerGivenForTheRunIsConnectedAtStartAndNothingIsWritten) {
  // The file selects a server that is not there and asks for no connection at start.
  writeSettings(settingsPath(), QStringLiteral("127.0.0.1"), QStringLiteral("1"), 0, 4);
  QFile file(settingsPath());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray before = file.readAll();
  file.close();
  client = std::make_unique<Client>(prompter, settingsPath());
  client->linkController().setServerOverride(QStringLiteral("127.0.0.1"), server.port());
  client->start();
  ASSERT_TRUE(server.waitForClient());
  EXPECT_TRUE(sent({"GETVERSION", "GETCPS", "GETCMPS"}));
  EXPECT_EQ(form().panelText(1), "Host: 127.0.0.1");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), before);
  EXPECT_TRUE(prompter.shown.isEmpty());

  // Settings the user saves take over from the command line's server.
  action("serverMP")->trigger();
  frmOptions* dialog = client->linkController().optionsDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(client->linkController().hasServerOverride());
  dialog->cmdOK->click();
  EXPECT_FALSE(client->linkController().hasServerOverride());
}
