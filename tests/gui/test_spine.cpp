// The main window's life against a recording fake server: start-up, connect, version check,
// connection errors, leaving, the lists, the options dialog and the About box.
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "app/LinkController.h"
#include "app/frmOptions.h"
#include "browser/Form1.h"
#include "link/Connection.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::test;

namespace {

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint16 closedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  const quint16 port = probe.serverPort();
  probe.close();
  return port;
}

}  // namespace

class Spine : public ClientFixture {};

TEST_F(Spine, StartsUnconnectedWithEverySessionControlHiddenAndLeavesSilently) {
  startClient();
  auto& f = form();
  EXPECT_EQ(f.windowTitle(), "Windows Based Tarvolink");
  EXPECT_EQ(f.panelText(1), "Host: None");
  EXPECT_EQ(f.panelText(2), "CP: None");
  EXPECT_EQ(f.panelText(3), "");
  EXPECT_TRUE(action("SessionNewMP")->isVisible());
  EXPECT_FALSE(action("SessionCloseMP")->isVisible());
  EXPECT_FALSE(action("xrefMP")->isEnabled());
  EXPECT_FALSE(ui<QMenu>("ListMenu")->menuAction()->isVisible());
  EXPECT_FALSE(ui<QMenu>("CPUtilitiesMenu")->menuAction()->isVisible());
  EXPECT_FALSE(ui<QGroupBox>("CPFRM")->isVisible());
  EXPECT_FALSE(ui<QGroupBox>("CBFRM")->isVisible());
  for (QPushButton* b : blockButtons())
    EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
  EXPECT_TRUE(action("AlwaysOnTopMP")->isChecked());
  EXPECT_TRUE(f.isAlwaysOnTop());
  EXPECT_FALSE(server.hasClient());  // no auto-connect in the settings
  EXPECT_EQ(client->linkController().watchdog().interval(), 30000);
  EXPECT_TRUE(client->linkController().watchdog().isActive());
  // Always on Top toggles the window and the tick together.
  for (bool onTop : {false, true}) {
    action("AlwaysOnTopMP")->trigger();
    EXPECT_EQ(action("AlwaysOnTopMP")->isChecked(), onTop);
    EXPECT_EQ(f.isAlwaysOnTop(), onTop);
  }
  // Leaving while not connected sends nothing.
  f.close();
  settle();
  EXPECT_FALSE(server.hasClient());
  EXPECT_TRUE(server.commands.isEmpty());
}

TEST_F(Spine, ConnectSendsVersionCpsAndCompoundsInOrderThenNewDoesNothingAndTheWatchdogTicks) {
  startClient();
  action("SessionNewMP")->trigger();
  EXPECT_TRUE(sent({"GETVERSION", "GETCPS", "GETCMPS"}));
  EXPECT_EQ(server.badFrames, 0);
  EXPECT_EQ(form().panelText(1), "Host: 127.0.0.1");
  EXPECT_FALSE(action("SessionNewMP")->isVisible());
  EXPECT_TRUE(action("SessionCloseMP")->isVisible());
  EXPECT_TRUE(action("xrefMP")->isEnabled());
  ASSERT_TRUE(
      waitUntil([this] { return client->connection().state() == link::Connection::Connected; }));
  action("SessionNewMP")->trigger();
  settle();
  EXPECT_EQ(server.commands.size(), 3);
  EXPECT_EQ(client->connection().state(), link::Connection::Connected);
  // The watchdog's ticks each send a frame.
  client->linkController().watchdog().setInterval(20);
  client->linkController().watchdog().start();
  ASSERT_TRUE(server.waitForCommands(5));
  EXPECT_EQ(server.commands.mid(3, 2), QStringList({"WATCHDOG", "WATCHDOG"}));
}

TEST_F(Spine, AutoConnectAtStart) {
  writeSettings(settingsPath(), QStringLiteral("127.0.0.1"), QString::number(server.port()), 1);
  startClient();
  ASSERT_TRUE(server.waitForCommands(3));
  EXPECT_EQ(server.commands.first(), "GETVERSION");
}

TEST_F(Spine, MatchingVersionShowsNothingAndAnyDifferenceShowsTheMismatchBox) {
  connectClient();
  reply({"VERSION0.95.1"});
  EXPECT_TRUE(prompter.shown.isEmpty());
  EXPECT_EQ(client->linkController().serverVersion(), "0.95.1");

  reply({"VERSION 0.95.1"});
  ASSERT_EQ(prompter.shown.size(), 1);
  EXPECT_TRUE(prompter.showed(0, "Version Mismatch",
                              "The version of this program does not match the server's version.\r\r"
                              "This program is version: 0.95.1\r"
                              "The Server is version:  0.95.1\r\r"
                              "The program will continue, but unexpected results may occur!\r"
                              "Use at your own risk.",
                              Prompter::Icon::Exclamation));
  EXPECT_EQ(client->connection().state(), link::Connection::Connected);
}

TEST_F(Spine, RefusedConnectionShowsTheBoxAndLeavesNewAvailable) {
  const quint16 port = closedPort();
  writeSettings(settingsPath(), QStringLiteral("127.0.0.1"), QString::number(port));
  startClient();
  action("SessionNewMP")->trigger();
  ASSERT_TRUE(waitUntil([this] { return !prompter.shown.isEmpty(); }));
  EXPECT_TRUE(prompter.showed(0, QStringLiteral("Host: 127.0.0.1:%1").arg(port),
                              "Can not connect to server!\r", Prompter::Icon::Exclamation));
  EXPECT_EQ(client->connection().state(), link::Connection::Closed);
  EXPECT_TRUE(action("SessionNewMP")->isVisible());
}

TEST_F(Spine, PortZeroInTheFileConnectsToTheDefaultPortAndClearsAutoConnect) {
  writeSettings(settingsPath(), QStringLiteral("127.0.0.1"), QStringLiteral("0"), 1);
  startClient();
  EXPECT_EQ(client->linkController().portNum(), 1582);
  EXPECT_EQ(client->linkController().autoConn(), 0);
  EXPECT_EQ(client->linkController().hostIp(), "127.0.0.1");
  client->connection().close();
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
  auto& f = form();
  EXPECT_EQ(f.panelText(3), "Getting CP/Vol Names");
  ASSERT_EQ(ui<QComboBox>("CPListCBO")->count(), 2);
  EXPECT_EQ(ui<QComboBox>("CPListCBO")->itemText(0), "CP6001  first");
  EXPECT_EQ(ui<QComboBox>("CPListCBO")->itemText(1),
            "CP6002");  // columns 6 to 9 never reach the row
  EXPECT_FALSE(ui<QGroupBox>("CPFRM")->isVisible());

  reply({"CLRCMPLST", "CMPLST      BOILER       CP6001", "CMPLST", "DNCMPLST"});
  ASSERT_EQ(ui<QComboBox>("CmpCBO")->count(), 2);
  EXPECT_EQ(ui<QComboBox>("CmpCBO")->itemText(0), "BOILER       CP6001");
  EXPECT_EQ(ui<QComboBox>("CmpCBO")->itemText(1), "");
  EXPECT_EQ(f.panelText(3), "");
  EXPECT_TRUE(ui<QGroupBox>("CPFRM")->isVisible());
  EXPECT_TRUE(ui<QComboBox>("CPListCBO")->isVisible());
  EXPECT_TRUE(ui<QComboBox>("CmpCBO")->isVisible());
  EXPECT_TRUE(ui<QLabel>("OrLBL")->isVisible());

  // A refetch starts from empty.
  reply({"CLRCPLST", "CPLST    CP6003", "DNCPLST"});
  EXPECT_EQ(ui<QComboBox>("CPListCBO")->count(), 1);
  // Thousands of lines in one arrival are each processed once, in order.
  QStringList lines{"CLRCPLST"};
  for (int i = 0; i < 2500; ++i)
    lines << QStringLiteral("CPLST    CP%1").arg(i, 4, 10, QLatin1Char('0'));
  lines << "DNCPLST";
  reply(lines);
  ASSERT_EQ(ui<QComboBox>("CPListCBO")->count(), 2500);
  for (int i = 0; i < 2500; i += 499)
    EXPECT_EQ(ui<QComboBox>("CPListCBO")->itemText(i),
              QStringLiteral("CP%1").arg(i, 4, 10, QLatin1Char('0')));
  EXPECT_EQ(ui<QComboBox>("CPListCBO")->itemText(2499), "CP2499");
}

TEST_F(Spine, ServerClosingDisablesCrossReferenceOnlyAndLeavesNoPartialLineForTheNext) {
  connectClient();
  server.sendRaw("VERSI");
  settle();
  server.dropClient();
  ASSERT_TRUE(waitUntil([this] { return !action("xrefMP")->isEnabled(); }));
  EXPECT_EQ(client->connection().state(), link::Connection::Closing);
  EXPECT_TRUE(action("SessionCloseMP")->isVisible());
  EXPECT_TRUE(prompter.shown.isEmpty());
  action("SessionCloseMP")->trigger();
  connectClient();
  reply({"VERSION0.95.1"});
  EXPECT_TRUE(prompter.shown.isEmpty());
  EXPECT_EQ(client->linkController().serverVersion(), "0.95.1");
}

TEST_F(Spine, LinesArrivingWhileABoxIsOpenRunAfterTheCurrentLine) {
  connectClient();
  int rowsWhileOpen = -1;
  prompter.setWhileOpen([&] {
    // The box's own event loop delivers more data now; none of it may run yet.
    server.sendLines({"CPLST    LATE01", "DNCPLST"});
    waitUntil([] { return false; }, 100);
    rowsWhileOpen = ui<QComboBox>("CPListCBO")->count();
  });
  reply({"CLRCPLST", "VERSIONother", "CPLST    SAME01"});
  ASSERT_TRUE(waitUntil([this] { return ui<QComboBox>("CPListCBO")->count() == 2; }));
  EXPECT_EQ(rowsWhileOpen, 0);
  EXPECT_EQ(ui<QComboBox>("CPListCBO")->itemText(0), "SAME01");
  EXPECT_EQ(ui<QComboBox>("CPListCBO")->itemText(1), "LATE01");
}

TEST_F(Spine, ShortcutsOfHiddenMenusDoNothingThoseOfShownOnesWork) {
  connectClient();
  form().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
  // Connected, no session: the List and CP Utilities menus are hidden.
  for (const QKeySequence& keys : {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_B),
                                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U)})
    QTest::keySequence(&form(), keys);
  settle();
  EXPECT_TRUE(server.commands.isEmpty()) << server.commands.join(u'|').toStdString();
  EXPECT_FALSE(action("ShowEcbsMP")->isChecked());
  EXPECT_TRUE(prompter.shown.isEmpty());
  EXPECT_TRUE(form().isEnabled());
  QTest::keySequence(&form(), QKeySequence(Qt::Key_F1));
  ASSERT_EQ(prompter.shown.size(), 1);
  EXPECT_EQ(prompter.shown[0].title, "About....");
  // With a session's tree shown they work again.
  openSessionWithTree({});
  server.commands.clear();
  QTest::keySequence(&form(), QKeySequence(Qt::Key_F5));
  EXPECT_TRUE(sent({"GETBLKS 0 CP6001"}));
}

TEST_F(Spine, AboutShowsBothVersionsWithCarriageReturnsOnly) {
  startClient();
  action("About")->trigger();
  ASSERT_EQ(prompter.shown.size(), 1);
  const ShownBox& box = prompter.shown[0];
  EXPECT_EQ(box.title, "About....");
  EXPECT_EQ(box.icon, Prompter::Icon::None);
  EXPECT_TRUE(box.text.startsWith("Tarvolink\rClient Version:  0.95.1\rServer Version: ?.?.?\r\r"));
  EXPECT_FALSE(box.text.contains(QLatin1Char('\n')));
  EXPECT_FALSE(box.text.endsWith(QLatin1Char('\r')));

  connectClient();
  reply({"VERSION0.95.1"});
  action("About")->trigger();
  EXPECT_TRUE(prompter.shown.last().text.contains("Server Version: 0.95.1\r"));
}

TEST_F(Spine, EveryControlOfTheMainWindowHasAnAccessibleName) {
  startClient();
  ui<QGroupBox>("CPFRM")->show();
  ui<QGroupBox>("CBFRM")->show();
  const auto widgets = form().findChildren<QWidget*>();
  int checked = 0;
  for (QWidget* w : widgets) {
    if (!(qobject_cast<QPushButton*>(w) || qobject_cast<QComboBox*>(w) ||
          qobject_cast<QTreeWidget*>(w) || qobject_cast<QGroupBox*>(w)))
      continue;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    ASSERT_NE(iface, nullptr);
    EXPECT_FALSE(iface->text(QAccessible::Name).isEmpty()) << w->objectName().toStdString();
    ++checked;
  }
  EXPECT_GE(checked, 15);
}

class Options : public ClientFixture {
 protected:
  frmOptions* open() {
    if (!client) startClient();
    action("serverMP")->trigger();
    return client->linkController().optionsDialog();
  }
};

TEST_F(Options, OpeningHidesTheMainWindowShowsTheFileRowsAndCancelWritesNothing) {
  writeSettings(settingsPath(), QStringLiteral("plant-host"), QStringLiteral("1600"), 1, 2);
  const QByteArray before = readFile(settingsPath());
  startClient();
  form().show();
  auto* dialog = open();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(form().isVisible());
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->windowTitle(), "Options");
  EXPECT_EQ(dialog->HostIP_TB[2]->text(), "plant-host");
  EXPECT_EQ(dialog->PortNumTB[2]->text(), "1600");
  EXPECT_TRUE(dialog->Option1[2]->isChecked());
  EXPECT_TRUE(dialog->AutoConnCB->isChecked());
  dialog->Option1[3]->click();
  dialog->HostIP_TB[3]->setText(QStringLiteral("elsewhere"));
  dialog->cmdCancel->click();
  EXPECT_EQ(readFile(settingsPath()), before);
  EXPECT_TRUE(form().isVisible());
}

TEST_F(Options, ApplyWritesTheFileAndTheNextConnectUsesTheChosenRow) {
  auto* dialog = open();
  dialog->Option1[3]->click();
  dialog->HostIP_TB[3]->setText(QStringLiteral("127.0.0.1"));
  dialog->PortNumTB[3]->setText(QString::number(server.port()));
  dialog->AutoConnCB->setChecked(true);
  dialog->cmdApply->click();
  EXPECT_TRUE(dialog->isVisible());
  const QByteArray text = readFile(settingsPath());
  EXPECT_TRUE(text.startsWith(" 1  3 \r\n")) << text.toStdString();
  dialog->cmdOK->click();
  EXPECT_TRUE(form().isVisible());
  action("SessionNewMP")->trigger();
  ASSERT_TRUE(server.waitForCommands(3));
  EXPECT_EQ(client->linkController().portNum(), server.port());
}

TEST_F(Options, NoFileGivesTenEmptyRowsWithNothingSelected) {
  QFile::remove(settingsPath());
  auto* dialog = open();
  for (int i = 0; i < 10; ++i) {
    EXPECT_TRUE(dialog->HostIP_TB[static_cast<std::size_t>(i)]->text().isEmpty());
    EXPECT_FALSE(dialog->Option1[static_cast<std::size_t>(i)]->isChecked());
  }
  EXPECT_FALSE(dialog->AutoConnCB->isChecked());
  dialog->close();
}

TEST_F(Options, UnwritableFileIsReportedAndTheDialogStaysOpen) {
  startClient();
  // A file stands where the folder would have to be made.
  QFile standIn(dir.filePath(QStringLiteral("no-such-folder")));
  ASSERT_TRUE(standIn.open(QIODevice::WriteOnly));
  standIn.close();
  const QString blocked = dir.filePath(QStringLiteral("no-such-folder/TarvoIp.txt"));
  frmOptions dialog(blocked, prompter);
  dialog.show();
  dialog.cmdOK->click();
  ASSERT_EQ(prompter.shown.size(), 1);
  EXPECT_EQ(prompter.shown[0].title, "Options");
  EXPECT_TRUE(prompter.shown[0].text.contains(QStringLiteral("no-such-folder")));
  EXPECT_TRUE(dialog.isVisible());
}
