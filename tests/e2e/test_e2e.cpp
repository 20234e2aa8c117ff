// The client against tarvo-sim over loopback: connecting, the lists, sessions, locks, the
// block tree, the CP utilities and editing parameters, checked on screen and in the
// simulator's plant.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <memory>

#include "app/Client.h"
#include "app/LinkController.h"
#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "params/ParamsController.h"
#include "params/ParmEditFRM.h"
#include "support/ClientFixture.h"
#include "support/SimFixture.h"

using namespace tarvo;
using namespace tarvo::test;

// Each test starts its own simulator.
class EndToEnd : public SimFixture {};

TEST_F(EndToEnd, ConnectingFillsTheListsAndAnOpenedCpShowsItsTreeAndRunsUtilities) {
  auto c = newClient(prompter);
  auto& f = c->form();
  EXPECT_EQ(c->linkController().serverVersion(), "0.95.1");
  EXPECT_GE(rowOf(control<QComboBox>(*c, "CPListCBO"), QStringLiteral("CP6001")), 0);
  EXPECT_GE(control<QComboBox>(*c, "CmpCBO")->count(), 4);
  EXPECT_TRUE(control<QComboBox>(*c, "CmpCBO")->isVisible());

  openCp(*c, prompter, QStringLiteral("CP6001"));
  EXPECT_EQ(f.panelText(2), "CP: CP6001");
  EXPECT_TRUE(control<QMenu>(*c, "ListMenu")->menuAction()->isVisible());
  QStringList tops;
  for (int i = 0; i < control<QTreeWidget>(*c, "TreeView1")->topLevelItemCount(); ++i)
    tops << control<QTreeWidget>(*c, "TreeView1")->topLevelItem(i)->text(0);
  EXPECT_TRUE(tops.contains("BOILER")) << tops.join(',').toStdString();
  EXPECT_EQ(tops.last(), "***END***");
  EXPECT_TRUE(prompter.shown.isEmpty());  // no version warning either

  // A CP utility runs for its time and unlocks the window.
  prompter.answer(QMessageBox::Yes);
  control<QAction>(*c, "CheckpointCPMP")->trigger();
  EXPECT_FALSE(f.isEnabled());
  ASSERT_TRUE(waitUntil([&] { return f.isEnabled(); }));
  ASSERT_EQ(prompter.shown.size(), 2);
  EXPECT_EQ(prompter.shown[1].text, "Operation Complete");

  control<QAction>(*c, "SessionCloseMP")->trigger();
  EXPECT_EQ(f.panelText(2), "CP: None");
  control<QAction>(*c, "SessionNewMP")->trigger();
  ASSERT_TRUE(waitUntil([&] {
    return control<QGroupBox>(*c, "CPFRM")->isVisible() &&
           control<QComboBox>(*c, "CPListCBO")->isVisible();
  }));
}

TEST_F(EndToEnd, ALockHeldByAnotherClientIsSeenAndOverridden) {
  auto first = newClient(prompter);
  openCp(*first, prompter, QStringLiteral("CP6002"));
  ASSERT_EQ(first->form().panelText(2), "CP: CP6002");

  ScriptedPrompter p;
  auto c = newClient(p);
  p.answer(QMessageBox::Yes);
  openCp(*c, p, QStringLiteral("CP6002"));
  ASSERT_EQ(p.shown.size(), 1);
  EXPECT_TRUE(p.showed(0, "CP Locked", "[CP6002] is locked, Override?"));
  ASSERT_TRUE(waitUntil([&] { return control<QGroupBox>(*c, "CBFRM")->isVisible(); }));
  EXPECT_EQ(c->form().panelText(2), "CP: CP6002");
  // The former holder is sent back to the lists.
  ASSERT_TRUE(waitUntil([&] { return first->form().panelText(2) == "CP: None"; }));
}

TEST(EndToEndProgram, TheSimulatorProgramServesTheClient) {
  QProcess process;
  process.start(QStringLiteral(TARVO_SIM_EXE), {QStringLiteral("--port"), QStringLiteral("0")});
  ASSERT_TRUE(process.waitForStarted());
  ASSERT_TRUE(waitUntil([&] { return process.canReadLine(); }, 10000));
  const QString banner = QString::fromLatin1(process.readLine()).trimmed();
  ASSERT_TRUE(banner.startsWith(QLatin1String("tarvo-sim listening on 127.0.0.1:")))
      << banner.toStdString();
  const QString port = banner.section(QLatin1Char(':'), -1);

  QTemporaryDir dir;
  writeSettings(dir.filePath(QStringLiteral("TarvoIp.txt")), QStringLiteral("127.0.0.1"), port);
  ScriptedPrompter p;
  {
    Client c(p, dir.filePath(QStringLiteral("TarvoIp.txt")));
    c.start();
    control<QAction>(c, "SessionNewMP")->trigger();
    ASSERT_TRUE(waitUntil([&] { return control<QComboBox>(c, "CmpCBO")->isVisible(); }, 10000));
    EXPECT_GE(control<QComboBox>(c, "CPListCBO")->count(), 4);
    EXPECT_TRUE(p.shown.isEmpty());
  }
  process.terminate();
  if (!process.waitForFinished(5000)) process.kill();
}

// ---- editing parameters ----------------------------------------------------------------

class EditEndToEnd : public EndToEnd {
 protected:
  void SetUp() override {
    EndToEnd::SetUp();
    client = newClient(prompter);
    openCp(*client, prompter, QStringLiteral("CP6001"));
    ASSERT_TRUE(control<QGroupBox>(*client, "CBFRM")->isVisible());
  }

  // Opens the editor of `block` through the tree and its Edit button.
  params::ParmEditFRM* openEditor(const QString& block) {
    EXPECT_TRUE(client->tree().selectNode(block));
    EXPECT_TRUE(control<QPushButton>(*client, "EditPB")->isEnabled());
    params::ParmEditFRM* before = client->params().parmEditor();
    control<QPushButton>(*client, "EditPB")->click();
    EXPECT_TRUE(waitUntil([&] {
      auto* e = client->params().parmEditor();
      return e && e != before && e->isVisible();
    }));
    return client->params().parmEditor();
  }

  int paramRow(params::ParmEditFRM* editor, const QString& name) {
    for (int r = 0; r < editor->MSHFlexGrid1->rowCount(); ++r) {
      auto* item = editor->MSHFlexGrid1->item(r, 0);
      if (item && item->text() == name) return params::ParmEditFRM::gridRowOf(r);
    }
    return -1;
  }

  QString origValue(params::ParmEditFRM* editor, const QString& name) {
    const int row = paramRow(editor, name);
    return row < 0 ? QString()
                   : editor->MSHFlexGrid1->item(params::ParmEditFRM::tableRowOf(row), 1)->text();
  }

  // Types `value` into the row of parameter `name` and presses Enter.
  void typeValue(params::ParmEditFRM* editor, const QString& name, const QString& value) {
    const int row = paramRow(editor, name);
    ASSERT_GT(row, 0) << name.toStdString();
    editor->clickRow(row);
    ASSERT_TRUE(editor->EditFRM->isVisible());
    editor->ValEntryCB->setEditText(value);
    editor->pressEnter();
  }

  std::unique_ptr<Client> client;
};

TEST_F(EditEndToEnd, ARefusedChangeShowsTheSimulatorsMessageAndAnAcceptedOneSticks) {
  auto value = [&](const char* name) {
    return *sim::findValue(sim.engine().plant().findBlock("BOILER", "LC101")->params, name);
  };
  auto* editor = openEditor(QStringLiteral("BOILER:LC101"));
  ASSERT_NE(editor, nullptr);
  typeValue(editor, QStringLiteral("PBAND"), QStringLiteral("77"));
  typeValue(editor, QStringLiteral("HSCI1"), QStringLiteral("lots"));
  editor->OKPB->click();
  ASSERT_TRUE(waitUntil([&] { return !prompter.shown.isEmpty(); }));
  EXPECT_EQ(prompter.shown[0].title, "EDIT Error: BOILER:LC101");
  EXPECT_TRUE(prompter.shown[0].text.startsWith("ERROR: ")) << prompter.shown[0].text.toStdString();
  EXPECT_TRUE(prompter.shown[0].text.contains(QLatin1String("HSCI1")));
  EXPECT_EQ(value("PBAND"), "150");

  editor = openEditor(QStringLiteral("BOILER:LC101"));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle(), "Edit Parameters BOILER:LC101");
  EXPECT_EQ(origValue(editor, QStringLiteral("PBAND")), "150");
  typeValue(editor, QStringLiteral("PBAND"), QStringLiteral("120"));
  typeValue(editor, QStringLiteral("INT"), QStringLiteral("3.5"));
  typeValue(editor, QStringLiteral("MA"), QStringLiteral("0"));
  client->form().updStatBar(QString(), 3);
  editor->OKPB->click();
  ASSERT_TRUE(waitUntil([&] { return client->form().panelText(3) == "EDIT: BOILER:LC101"; }));
  EXPECT_EQ(prompter.shown.size(), 1);
  EXPECT_EQ(value("PBAND"), "120");
  EXPECT_EQ(value("INT"), "3.5");

  editor = openEditor(QStringLiteral("BOILER:LC101"));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(origValue(editor, QStringLiteral("PBAND")), "120");
  EXPECT_EQ(origValue(editor, QStringLiteral("MA")), "0");
  editor->CancelPB->click();
}
