// What an installed program adds: its command line, the settings file it names in the
// options window, a server given for one run, the status panels as a screen reader hears
// them.
#include <QAccessible>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "app/CommandLine.h"
#include "app/LinkController.h"
#include "app/frmOptions.h"
#include "link/Connection.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::test;
using Action = CommandLine::Action;

namespace {

QStringList argsOf(std::initializer_list<const char*> args) {
  QStringList list{QStringLiteral("tarvolink")};
  for (const char* a : args) list << QString::fromUtf8(a);
  return list;
}

CommandLine parse(std::initializer_list<const char*> args) {
  return parseCommandLine(argsOf(args));
}

QByteArray readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(CommandLineTest, RunsWithWhatItIsGiven) {
  struct Case {
    std::initializer_list<const char*> args;
    const char* settings;
    const char* host;
    int port;
  };
  const Case cases[] = {
      {{}, "", "", 0},
      {{"--settings", "/tmp/t.txt"}, "/tmp/t.txt", "", 0},
      {{"--settings=rel.txt", "--connect", "aw51b:1600"}, "rel.txt", "aw51b", 1600},
      {{"--connect", "[::1]:2000"}, "", "::1", 2000},
      {{"--connect=plant"}, "", "plant", 1582},
      // Qt's own window options go through to QApplication.
      {{"-platform", "offscreen", "-style", "fusion", "-reverse"}, "", "", 0},
  };
  for (const Case& c : cases) {
    const CommandLine line = parse(c.args);
    const QString shown = argsOf(c.args).join(u' ');
    ASSERT_EQ(line.action, Action::Run) << shown.toStdString() << ": " << line.text.toStdString();
    EXPECT_EQ(line.exitCode(), 0);
    EXPECT_EQ(line.settingsFile, QString::fromUtf8(c.settings)) << shown.toStdString();
    EXPECT_EQ(line.connectHost, QString::fromUtf8(c.host)) << shown.toStdString();
    EXPECT_EQ(line.connectPort, c.port) << shown.toStdString();
  }
}

TEST(CommandLineTest, HelpAndVersionAnswerAndMistakesFailWithCodeTwo) {
  const CommandLine help = parse({"--help"});
  EXPECT_EQ(help.action, Action::Help);
  EXPECT_EQ(help.exitCode(), 0);
  for (const char* option : {"--settings <FILE>", "--connect <HOST[:PORT]>", "--version"})
    EXPECT_TRUE(help.text.contains(QLatin1String(option))) << option;
  EXPECT_FALSE(help.text.contains(QLatin1String("platform")));  // Qt's options stay hidden
  EXPECT_FALSE(help.text.contains(QLatin1String("help-all")));
  EXPECT_EQ(parse({"-h"}).action, Action::Help);

  for (const char* v : {"--version", "-v"}) {
    const CommandLine version = parse({v});
    EXPECT_EQ(version.action, Action::Version) << v;
    EXPECT_EQ(version.text, QStringLiteral("Tarvolink %1.%2.%3\n")
                                .arg(TARVO_VERSION_MAJOR)
                                .arg(TARVO_VERSION_MINOR)
                                .arg(TARVO_VERSION_PATCH));
  }

  struct Bad {
    std::initializer_list<const char*> args;
    const char* mentions;
  };
  const Bad bad[] = {
      {{"--bogus"}, "bogus"},         {{"stray"}, "stray"},
      {{"--settings"}, "settings"},   {{"--connect", "host:99999"}, "65535"},
      {{"--connect", ""}, "connect"}, {{"--connect", "h\xc3\xa9te"}, "ASCII"},
  };
  for (const Bad& b : bad) {
    const QStringList list = argsOf(b.args);
    const CommandLine line = parseCommandLine(list);
    EXPECT_EQ(line.action, Action::Error) << list.join(u' ').toStdString();
    EXPECT_EQ(line.exitCode(), 2);
    EXPECT_TRUE(line.text.contains(QString::fromUtf8(b.mentions)))
        << list.join(u' ').toStdString() << " -> " << line.text.toStdString();
  }
}

TEST(CommandLineTest, AGivenSettingsFileIsTakenFromTheCurrentFolder) {
  const QString path = settingsFilePath(QStringLiteral("some/where/mine.txt"));
  EXPECT_EQ(path, QDir::current().absoluteFilePath(QStringLiteral("some/where/mine.txt")));
  EXPECT_TRUE(settingsFilePath(QString()).endsWith(QLatin1String("/TarvoIp.txt")));
}

class Installed : public ClientFixture {};

TEST_F(Installed, OptionsWindowNamesItsFileAndTheFirstApplyMakesTheFolder) {
  const QString path = dir.filePath(QStringLiteral("config/Tarvolink/TarvoIp.txt"));
  frmOptions dialog(path, prompter);
  EXPECT_EQ(dialog.SettingsPathLBL->text(),
            QStringLiteral("Settings file: ") + QDir::toNativeSeparators(path));
  EXPECT_EQ(dialog.SettingsPathLBL->toolTip(), QDir::toNativeSeparators(path));
  dialog.Option1[1]->click();
  dialog.HostIP_TB[1]->setText(QStringLiteral("plant"));
  ASSERT_TRUE(dialog.apply());
  EXPECT_TRUE(prompter.shown.isEmpty());
  EXPECT_TRUE(readFile(path).startsWith(" 0  1 \r\n\"\",\"\"\r\n\"plant\",\"\"\r\n"));
}

TEST_F(Installed, AServerGivenForTheRunIsConnectedAtStartAndNothingIsWritten) {
  // The file selects a server that is not there and asks for no connection at start.
  writeSettings(settingsPath(), QStringLiteral("127.0.0.1"), QStringLiteral("1"), 0, 4);
  const QByteArray before = readFile(settingsPath());
  client = std::make_unique<Client>(prompter, settingsPath());
  client->linkController().setServerOverride(QStringLiteral("127.0.0.1"), server.port());
  client->start();
  ASSERT_TRUE(server.waitForClient());
  ASSERT_TRUE(server.waitForCommands(3));
  EXPECT_EQ(server.commands.mid(0, 3), QStringList({"GETVERSION", "GETCPS", "GETCMPS"}));
  EXPECT_EQ(form().panelText(1), "Host: 127.0.0.1");
  EXPECT_EQ(client->linkController().portNum(), server.port());
  EXPECT_EQ(readFile(settingsPath()), before);
  EXPECT_TRUE(prompter.shown.isEmpty());

  // Settings the user saves take over from the command line's server.
  action("serverMP")->trigger();
  frmOptions* dialog = client->linkController().optionsDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(client->linkController().hasServerOverride());
  dialog->cmdOK->click();
  EXPECT_FALSE(client->linkController().hasServerOverride());
}

TEST_F(Installed, StatusPanelsAreReadByTheirTextAndDescribedByTheirPlace) {
  startClient();
  for (int i = 1; i <= 3; ++i) {
    auto* panel = ui<QLabel>(QStringLiteral("StatusPanel%1").arg(i).toLatin1().constData());
    ASSERT_NE(panel, nullptr);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(panel);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Description), QStringLiteral("Status panel %1").arg(i));
  }
  form().updStatBar(QStringLiteral("Getting Parameters"), 3);
  const auto name = [this](const char* panel) {
    return QAccessible::queryAccessibleInterface(ui<QLabel>(panel))->text(QAccessible::Name);
  };
  EXPECT_EQ(name("StatusPanel1"), "Host: None");
  EXPECT_EQ(name("StatusPanel2"), "CP: None");
  EXPECT_EQ(name("StatusPanel3"), "Getting Parameters");
}
