// Editing parameters against tarvo-sim: a change sticks in the plant and shows when the
// editor is opened again; a refused change shows the simulator's message and changes
// nothing.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include "app/Client.h"
#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "params/ParamsController.h"
#include "params/ParmEditFRM.h"
#include "sim_app.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::test;

class EditEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    sim::SimOptions options;
    options.port = 0;
    QString error;
    ASSERT_TRUE(sim.start(options, &error)) << error.toStdString();
    const QString settings = dir.filePath(QStringLiteral("TarvoIp.txt"));
    writeSettings(settings, QStringLiteral("127.0.0.1"), QString::number(sim.port()));
    client = std::make_unique<Client>(prompter, settings);
    client->start();
    auto& f = client->form();
    f.SessionNewMP->trigger();
    ASSERT_TRUE(waitUntil([&] { return f.CPListCBO->isVisible(); }));
    int row = -1;
    for (int i = 0; i < f.CPListCBO->count(); ++i)
      if (f.CPListCBO->itemText(i).startsWith(QLatin1String("CP6001"))) row = i;
    ASSERT_GE(row, 0);
    emit f.CPListCBO->activated(row);
    ASSERT_TRUE(waitUntil([&] { return f.CBFRM->isVisible(); }));
  }

  // Opens the editor of `block` through the tree and its Edit button.
  params::ParmEditFRM* openEditor(const QString& block) {
    auto& f = client->form();
    EXPECT_TRUE(client->tree().selectNode(block));
    EXPECT_TRUE(f.EditPB->isEnabled());
    params::ParmEditFRM* before = client->params().parmEditor();
    f.EditPB->click();
    EXPECT_TRUE(waitUntil([&] {
      auto* e = client->params().parmEditor();
      return e && e != before && e->isVisible();
    }));
    return client->params().parmEditor();
  }

  int rowOf(params::ParmEditFRM* editor, const QString& name) {
    for (int r = 0; r < editor->MSHFlexGrid1->rowCount(); ++r) {
      auto* item = editor->MSHFlexGrid1->item(r, 0);
      if (item && item->text() == name) return params::ParmEditFRM::gridRowOf(r);
    }
    return -1;
  }

  QString origValue(params::ParmEditFRM* editor, const QString& name) {
    const int row = rowOf(editor, name);
    return row < 0 ? QString() : editor->MSHFlexGrid1->item(params::ParmEditFRM::tableRowOf(row), 1)->text();
  }

  // Types `value` into the row of parameter `name` and presses Enter.
  void typeValue(params::ParmEditFRM* editor, const QString& name, const QString& value) {
    const int row = rowOf(editor, name);
    ASSERT_GT(row, 0) << name.toStdString();
    editor->clickRow(row);
    ASSERT_TRUE(editor->EditFRM->isVisible());
    editor->ValEntryCB->setEditText(value);
    editor->pressEnter();
  }

  sim::SimInstance sim{[](const std::string&) {}};
  QTemporaryDir dir;
  ScriptedPrompter prompter;
  std::unique_ptr<Client> client;
};

TEST_F(EditEndToEnd, ChangedGainsAndModeStickInThePlant) {
  auto* editor = openEditor(QStringLiteral("BOILER:LC101"));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle(), "Edit Parameters BOILER:LC101");
  EXPECT_EQ(origValue(editor, QStringLiteral("PBAND")), "150");
  typeValue(editor, QStringLiteral("PBAND"), QStringLiteral("120"));
  typeValue(editor, QStringLiteral("INT"), QStringLiteral("3.5"));
  typeValue(editor, QStringLiteral("MA"), QStringLiteral("0"));
  editor->OKPB->click();
  ASSERT_TRUE(waitUntil([&] { return client->form().panelText(3) == "EDIT: BOILER:LC101"; }));
  EXPECT_TRUE(prompter.shown.isEmpty());

  const sim::Block* block = sim.engine().plant().findBlock("BOILER", "LC101");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(*sim::findValue(block->params, "PBAND"), "120");
  EXPECT_EQ(*sim::findValue(block->params, "INT"), "3.5");

  auto* again = openEditor(QStringLiteral("BOILER:LC101"));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(origValue(again, QStringLiteral("PBAND")), "120");
  EXPECT_EQ(origValue(again, QStringLiteral("MA")), "0");
  again->CancelPB->click();
}

TEST_F(EditEndToEnd, RefusedValueShowsTheSimulatorsMessageAndChangesNothing) {
  auto* editor = openEditor(QStringLiteral("BOILER:LC101"));
  ASSERT_NE(editor, nullptr);
  typeValue(editor, QStringLiteral("PBAND"), QStringLiteral("77"));
  typeValue(editor, QStringLiteral("HSCI1"), QStringLiteral("lots"));
  editor->OKPB->click();
  ASSERT_TRUE(waitUntil([&] { return !prompter.shown.isEmpty(); }));
  EXPECT_EQ(prompter.shown[0].title, "EDIT Error: BOILER:LC101");
  EXPECT_TRUE(prompter.shown[0].text.startsWith("ERROR: ")) << prompter.shown[0].text.toStdString();
  EXPECT_GT(prompter.shown[0].text.size(), 7);
  EXPECT_TRUE(prompter.shown[0].text.contains(QLatin1String("HSCI1")));

  const sim::Block* block = sim.engine().plant().findBlock("BOILER", "LC101");
  EXPECT_EQ(*sim::findValue(block->params, "PBAND"), "150");
}
