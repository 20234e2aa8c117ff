#pragma once
// A client on a fake server: a settings file in a temporary folder that points at the
// fake server, a scripted prompter, and helpers to connect and feed reply lines.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <memory>

#include "app/Client.h"
#include "browser/Form1.h"
#include "support/BlockLines.h"
#include "support/FakeServer.h"
#include "support/ScriptedPrompter.h"

// Readable failures when texts differ.
inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}

namespace tarvo::test {

// A reply line built by the block-line helpers, as the client reads it (one byte a character).
inline QString q(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// The ten block buttons in their on-screen order (top row, then bottom row).
inline constexpr const char* kBlockButtons[] = {"EditPB",     "PastePB",  "AddPB",  "MoveToPB",
                                                "XrefPB",     "EditSeq",  "CopyPB", "DelPB",
                                                "MoveFromPB", "PLBEditPB"};

// Writes a settings file selecting entry `selected`, whose host and port are given.
void writeSettings(const QString& path, const QString& host, const QString& port,
                   int autoConnect = 0, int selected = 0);

// A control of `client`'s main window found by its object name, as a user's tool finds it;
// the test fails when there is none.
template <class T = QWidget>
T* control(Client& client, const char* name) {
  T* found = client.form().findChild<T*>(QLatin1String(name));
  EXPECT_NE(found, nullptr) << "no control named " << name;
  return found;
}

// A control of another window (a parameter editor, the sequence editor, ...) found by its
// object name; the test fails when there is none.
template <class T = QWidget>
T* inside(QObject* window, const char* name) {
  T* found = window ? window->findChild<T*>(QLatin1String(name)) : nullptr;
  EXPECT_NE(found, nullptr) << "no control named " << name;
  return found;
}

// The three panels of `client`'s status bar, joined by "|".
QString panels(Client& client);
// The keys of the nodes under `parent` in order, each followed by its children's in brackets.
QString keysUnder(QTreeWidgetItem* parent);
// The names of `client`'s enabled block buttons, in their on-screen order.
QString enabledButtons(Client& client);
// What `client`'s main window offers for sessions, as one line to compare: of New, Close,
// Cross Reference, the List and CP Utilities menus and the CP, compound and tree frames, the
// names of those shown (the commands: those available), in that order.
QString shown(Client& client);

class ClientFixture : public ::testing::Test {
 protected:
  void SetUp() override;

  // Creates and starts the client (the main window's load steps run).
  void startClient();
  // Connects to the fake server and waits for the three start-up commands, then forgets
  // them so a test sees only what it causes.
  void connectClient();
  // Plays reply lines and waits until the client has read them all and the server has
  // what the client sent in answer.
  void reply(const QStringList& lines);
  // Opens a session on CP "CP6001" with the given block list lines (after "CLRBLKLST"), and
  // takes the block list request the opened session sends.
  void openSessionWithTree(const QStringList& blockLines);
  // Puts a tree holding just the block "CMP:BLK" (of `type`) in place, through the
  // dispatcher as if it had arrived, and selects the block as a click does.
  void selectBlock(const QString& name, const char* type = "PID");
  // Plays one step as the user or the server would: "select KEY" selects a tree node as a
  // click does, "press NAME" presses the button of that name in the block type chooser, the
  // sequence editor, the cross-reference setup or the main window (the first that has it),
  // "choose TYPE" picks a block type in the chooser, "menu NAME" triggers a main window
  // command, "pick" chooses the first CP row, "yes", "no", "type TEXT" and "cancel" answer
  // the next box; anything else is a reply line.
  void run(const QString& step);
  // Plays steps written one after another, separated by ", ".
  void runAll(const QString& steps) {
    for (const QString& step : steps.split(QStringLiteral(", "))) run(step);
  }
  // Waits for as many commands as expected, lets anything more arrive, and compares all
  // those received since the last call; they are forgotten then, so the next call sees only
  // what follows. sent({}) checks that nothing was sent.
  ::testing::AssertionResult sent(const QStringList& expected);
  // Lets everything in flight arrive, so that anything wrongly sent or shown is seen.
  void settle();

  // Block list lines (see BlockLines.h) as they arrive.
  static QString cmp(int n, const std::string& name) { return q(cmpLine(n, name)); }
  static QString blk(int n, const std::string& name, const std::string& type) {
    return q(blkLine(n, name, type));
  }
  static QString end(int n) { return q(endLine(n)); }

  QString settingsPath() const { return dir.filePath(QStringLiteral("TarvoIp.txt")); }
  browser::Form1& form() { return client->form(); }

  // A control of the main window by its object name.
  template <class T = QWidget>
  T* ui(const char* name) {
    return control<T>(*client, name);
  }
  QAction* action(const char* name) { return ui<QAction>(name); }
  QString panels() { return test::panels(*client); }
  QString shown() { return test::shown(*client); }
  QString enabledButtons() { return test::enabledButtons(*client); }
  // The main window's tree as keysUnder() writes it.
  QString keys() { return keysUnder(ui<QTreeWidget>("TreeView1")->invisibleRootItem()); }
  QPushButton* button(const char* name) { return ui<QPushButton>(name); }

  QTemporaryDir dir;
  FakeServer server;
  ScriptedPrompter prompter;
  std::unique_ptr<Client> client;
};

}  // namespace tarvo::test
