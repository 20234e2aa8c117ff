// The main window's life against a recording fake server: start-up, connect, version check,
// connection errors, leaving, the lists, the options dialog and the About box; and what an
// installed program adds: its command line, and a server given for one run.
#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "app/CommandLine.h"
#include "app/LinkController.h"
#include "app/frmOptions.h"
#include "link/Connection.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::test;
using Action = CommandLine::Action;

namespace {

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class Spine : public ClientFixture {
 protected:
  LinkController& link() { return client->linkController(); }
  QComboBox* cpList() { return ui<QComboBox>("CPListCBO"); }
  bool connected() { return client->connection().state() == link::Connection::Connected; }
  frmOptions* openOptions() {
    if (!client) startClient();
    EXPECT_TRUE(waitUntil([this] { return !link().optionsDialog(); }));
    action("serverMP")->trigger();
    return link().optionsDialog();
  }
};

TEST_F(Spine, StartsUnconnectedWithEverySessionControlHiddenAndLeavesSilently) {
  startClient();
  auto& f = form();
  EXPECT_EQ(panels(), "Host: None|CP: None|");
  EXPECT_EQ(shown(), "SessionNewMP");
  EXPECT_EQ(enabledButtons(), "");
  EXPECT_TRUE(link().watchdog().isActive() && link().watchdog().interval() == 30000);
  // Always on Top starts on and toggles the window and the tick together.
  for (bool onTop : {true, false, true}) {
    EXPECT_EQ(action("AlwaysOnTopMP")->isChecked(), onTop);
    EXPECT_EQ(f.isAlwaysOnTop(), onTop);
    action("AlwaysOnTopMP")->trigger();
  }
  // The About box, with the server's version not yet known.
  action("About")->trigger();
  EXPECT_TRUE(prompter.boxes().startsWith(
      "About....|Tarvolink\rClient Version:  0.95.1\rServer Version: ?.?.?\r\r"));
  EXPECT_EQ(prompter.shown.value(0).icon, Prompter::Icon::None);
  // No auto-connect in the settings, and leaving while not connected sends nothing.
  f.close();
  EXPECT_TRUE(sent({}));
  EXPECT_FALSE(server.hasClient());
}

TEST_F(Spine, ConnectSendsVersionCpsAndCompoundsThenTheVersionIsCheckedAndTheWatchdogTicks) {
  startClient();
  action("SessionNewMP")->trigger();
  EXPECT_TRUE(sent({"GETVERSION", "GETCPS", "GETCMPS"}));
  EXPECT_EQ(panels(), "Host: 127.0.0.1|CP: None|");
  EXPECT_EQ(shown(), "SessionCloseMP xrefMP");
  ASSERT_TRUE(waitUntil([this] { return connected(); }));
  action("SessionNewMP")->trigger();  // hidden now: does nothing
  EXPECT_TRUE(sent({}));

  reply({"VERSION0.95.1"});
  EXPECT_TRUE(prompter.shown.isEmpty());
  action("About")->trigger();
  EXPECT_TRUE(prompter.shown.last().text.contains("Server Version: 0.95.1\r"));
  reply({"VERSION 0.95.1"});
  ASSERT_EQ(prompter.shown.size(), 2);
  EXPECT_TRUE(prompter.showed(1, "Version Mismatch",
                              "The version of this program does not match the server's version.\r\r"
                              "This program is version: 0.95.1\r"
                              "The Server is version:  0.95.1\r\r"
                              "The program will continue, but unexpected results may occur!\r"
                              "Use at your own risk.",
                              Prompter::Icon::Exclamation));
  EXPECT_TRUE(connected());

  link().watchdog().setInterval(20);
  link().watchdog().start();
  ASSERT_TRUE(server.waitForCommands(2));
  EXPECT_EQ(server.commands.mid(0, 2), QStringList({"WATCHDOG", "WATCHDOG"}));
}

TEST_F(Spine, TheSettingsFileDecidesAutoConnectAndARefusedConnectionLeavesNewAvailable) {
  // Port 0 means the default port, and no connecting at start.
  writeSettings(settingsPath(), QStringLiteral("127.0.0.1"), QStringLiteral("0"), 1);
  startClient();
  EXPECT_EQ(link().portNum(), 1582);
  EXPECT_EQ(link().autoConn(), 0);
  client->connection().close();
  client.reset();
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  const quint16 port = probe.serverPort();
  probe.close();
  writeSettings(settingsPath(), QStringLiteral("127.0.0.1"), QString::number(port), 1);
  startClient();  // connects at start, and is refused
  ASSERT_TRUE(waitUntil([this] { return !prompter.shown.isEmpty(); }));
  EXPECT_TRUE(prompter.showed(0, QStringLiteral("Host: 127.0.0.1:%1").arg(port),
                              "Can not connect to server!\r", Prompter::Icon::Exclamation));
  EXPECT_EQ(client->connection().state(), link::Connection::Closed);
  EXPECT_EQ(shown(), "SessionNewMP");
}

TEST_F(Spine, ExitWhileConnectedSendsCloseAndDisconnects) {
  connectClient();
  action("SessionExitMP")->trigger();
  EXPECT_TRUE(sent({"CLOSEICC"}));
  EXPECT_TRUE(server.waitForDisconnect());
  EXPECT_EQ(client->connection().state(), link::Connection::Closed);
}

TEST_F(Spine, ListsFillInArrivalOrderShowTogetherAndRefetchFromEmpty) {
  connectClient();
  reply({"CLRCPLST", "CPLST    CP6001  first", "CPLSTxxxxCP6002", "DNCPLST"});
  EXPECT_EQ(panels(), "Host: 127.0.0.1|CP: None|Getting CP/Vol Names");
  // Columns 6 to 9 never reach the row.
  EXPECT_EQ(cpList()->itemText(0) + u'|' + cpList()->itemText(1), "CP6001  first|CP6002");
  EXPECT_EQ(shown(), "SessionCloseMP xrefMP");

  reply({"CLRCMPLST", "CMPLST      BOILER       CP6001", "CMPLST", "DNCMPLST"});
  QComboBox* compounds = ui<QComboBox>("CmpCBO");
  ASSERT_EQ(compounds->count(), 2);
  EXPECT_EQ(compounds->itemText(0) + u'|' + compounds->itemText(1), "BOILER       CP6001|");
  EXPECT_EQ(panels(), "Host: 127.0.0.1|CP: None|");
  EXPECT_EQ(shown(), "SessionCloseMP xrefMP CPFRM CPListCBO OrLBL CmpCBO");

  // A refetch starts from empty.
  reply({"CLRCPLST", "CPLST    CP9000", "DNCPLST"});
  EXPECT_EQ(cpList()->count(), 1);
}

TEST_F(Spine, ServerClosingDisablesCrossReferenceOnlyAndLeavesNoPartialLineForTheNext) {
  connectClient();
  server.sendRaw("VERSI");
  settle();
  server.dropClient();
  ASSERT_TRUE(waitUntil([this] { return !action("xrefMP")->isEnabled(); }));
  EXPECT_EQ(client->connection().state(), link::Connection::Closing);
  EXPECT_EQ(shown(), "SessionCloseMP");
  EXPECT_TRUE(prompter.shown.isEmpty());
  action("SessionCloseMP")->trigger();
  connectClient();
  reply({"VERSION0.95.1"});
  EXPECT_TRUE(prompter.shown.isEmpty());
  EXPECT_EQ(link().serverVersion(), "0.95.1");
}

TEST_F(Spine, ShortcutsOfHiddenMenusDoNothingThoseOfShownOnesWork) {
  connectClient();
  form().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
  // Connected, no session: the List and CP Utilities menus are hidden.
  for (const QKeySequence& keys : {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_B),
                                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U)})
    QTest::keySequence(&form(), keys);
  EXPECT_TRUE(sent({}));
  EXPECT_FALSE(action("ShowEcbsMP")->isChecked());
  EXPECT_TRUE(prompter.shown.isEmpty());
  EXPECT_TRUE(form().isEnabled());
  // With a session's tree shown they work again.
  openSessionWithTree({});
  QTest::keySequence(&form(), QKeySequence(Qt::Key_F5));
  EXPECT_TRUE(sent({"GETBLKS 0 CP6001"}));
}

TEST_F(Spine, EveryControlHasAnAccessibleNameAndTheStatusPanelsAreReadByTheirText) {
  startClient();
  int checked = 0;
  for (QWidget* w : form().findChildren<QWidget*>()) {
    if (!(qobject_cast<QPushButton*>(w) || qobject_cast<QComboBox*>(w) ||
          qobject_cast<QTreeWidget*>(w) || qobject_cast<QGroupBox*>(w)))
      continue;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    ASSERT_NE(iface, nullptr);
    EXPECT_FALSE(iface->text(QAccessible::Name).isEmpty()) << w->objectName().toStdString();
    ++checked;
  }
  EXPECT_GE(checked, 15);
  // Each panel's text is its name, and its place goes in the description.
  form().updStatBar(QStringLiteral("Getting Parameters"), 3);
  QStringList heard;
  for (const char* panel : {"StatusPanel1", "StatusPanel2", "StatusPanel3"}) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(ui<QLabel>(panel));
    ASSERT_NE(iface, nullptr);
    heard << iface->text(QAccessible::Name) + " - " + iface->text(QAccessible::Description);
  }
  EXPECT_EQ(heard.join(u'|'),
            "Host: None - Status panel 1|CP: None - Status panel 2|"
            "Getting Parameters - Status panel 3");
}

// What --help and --version print is checked on the built program (tests/cli).
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

TEST_F(Spine, AServerGivenForTheRunIsConnectedAtStartAndNothingIsWritten) {
  // The file selects a server that is not there and asks for no connection at start.
  writeSettings(settingsPath(), QStringLiteral("127.0.0.1"), QStringLiteral("1"), 0, 4);
  const QByteArray before = readFile(settingsPath());
  client = std::make_unique<Client>(prompter, settingsPath());
  link().setServerOverride(QStringLiteral("127.0.0.1"), server.port());
  client->start();
  ASSERT_TRUE(server.waitForClient());
  EXPECT_TRUE(sent({"GETVERSION", "GETCPS", "GETCMPS"}));
  EXPECT_EQ(form().panelText(1), "Host: 127.0.0.1");
  EXPECT_EQ(readFile(settingsPath()), before);
  EXPECT_TRUE(prompter.shown.isEmpty());

  // Settings the user saves take over from the command line's server.
  action("serverMP")->trigger();
  frmOptions* dialog = link().optionsDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(link().hasServerOverride());
  inside<QPushButton>(dialog, "cmdOK")->click();
  EXPECT_FALSE(link().hasServerOverride());
}

TEST_F(Spine, OptionsHideTheWindowCancelWritesNothingAndTheNextConnectUsesWhatIsApplied) {
  writeSettings(settingsPath(), QStringLiteral("plant-host"), QStringLiteral("1600"), 0, 2);
  const QByteArray before = readFile(settingsPath());
  startClient();
  form().show();
  frmOptions* dialog = openOptions();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(form().isVisible());
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(inside<QLineEdit>(dialog, ("HostIP_TB_" + std::to_string(2)).c_str())->text() + u':' +
                inside<QLineEdit>(dialog, ("PortNumTB_" + std::to_string(2)).c_str())->text(),
            "plant-host:1600");
  EXPECT_TRUE(inside<QRadioButton>(dialog, ("Option1_" + std::to_string(2)).c_str())->isChecked());
  EXPECT_FALSE(inside<QCheckBox>(dialog, "AutoConnCB")->isChecked());
  inside<QRadioButton>(dialog, ("Option1_" + std::to_string(3)).c_str())->click();
  inside<QLineEdit>(dialog, ("HostIP_TB_" + std::to_string(3)).c_str())
      ->setText(QStringLiteral("elsewhere"));
  inside<QPushButton>(dialog, "cmdCancel")->click();
  EXPECT_EQ(readFile(settingsPath()), before);
  EXPECT_TRUE(form().isVisible());

  dialog = openOptions();
  inside<QRadioButton>(dialog, ("Option1_" + std::to_string(3)).c_str())->click();
  inside<QLineEdit>(dialog, ("HostIP_TB_" + std::to_string(3)).c_str())
      ->setText(QStringLiteral("127.0.0.1"));
  inside<QLineEdit>(dialog, ("PortNumTB_" + std::to_string(3)).c_str())
      ->setText(QString::number(server.port()));
  inside<QCheckBox>(dialog, "AutoConnCB")->setChecked(true);
  inside<QPushButton>(dialog, "cmdApply")->click();
  EXPECT_TRUE(dialog->isVisible());
  const QByteArray text = readFile(settingsPath());
  EXPECT_TRUE(text.startsWith(" 1  3 \r\n")) << text.toStdString();
  inside<QPushButton>(dialog, "cmdOK")->click();
  EXPECT_TRUE(form().isVisible());
  action("SessionNewMP")->trigger();
  EXPECT_TRUE(sent({"GETVERSION", "GETCPS", "GETCMPS"}));
}

TEST_F(Spine, ANewOptionsFileStartsEmptyItsFolderIsMadeAndAnUnwritableOneIsReported) {
  const QString path = dir.filePath(QStringLiteral("config/Tarvolink/TarvoIp.txt"));
  frmOptions dialog(path, prompter);
  EXPECT_EQ(inside<QLabel>(&dialog, "SettingsPathLBL")->text(),
            "Settings file: " + QDir::toNativeSeparators(path));
  EXPECT_EQ(inside<QLabel>(&dialog, "SettingsPathLBL")->toolTip(), QDir::toNativeSeparators(path));
  inside<QRadioButton>(&dialog, "Option1_1")->click();
  inside<QLineEdit>(&dialog, "HostIP_TB_1")->setText(QStringLiteral("plant"));
  ASSERT_TRUE(dialog.apply());
  EXPECT_TRUE(readFile(path).startsWith(" 0  1 \r\n\"\",\"\"\r\n\"plant\",\"\"\r\n"));
  EXPECT_TRUE(prompter.shown.isEmpty());

  // A file stands where the folder would have to be made.
  QFile standIn(dir.filePath(QStringLiteral("no-such-folder")));
  ASSERT_TRUE(standIn.open(QIODevice::WriteOnly));
  standIn.close();
  frmOptions other(dir.filePath(QStringLiteral("no-such-folder/TarvoIp.txt")), prompter);
  other.show();
  inside<QPushButton>(&other, "cmdOK")->click();
  EXPECT_TRUE(prompter.boxes().startsWith("Options|")) << prompter.boxes().toStdString();
  EXPECT_TRUE(prompter.boxes().contains("no-such-folder"));
  EXPECT_TRUE(other.isVisible());
}
