// The client against tarvo-sim over loopback: connecting, the lists, sessions, locks, the
// block tree and the CP utilities, checked on screen and in the simulator's plant.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "app/Client.h"
#include "browser/Form1.h"
#include "link/Connection.h"
#include "sim_app.h"
#include "support/ClientFixture.h"
#include "support/FakeServer.h"
#include "support/ScriptedPrompter.h"

using namespace tarvo;
using namespace tarvo::test;

namespace {

int rowOf(QComboBox* list, const QString& start) {
  for (int i = 0; i < list->count(); ++i)
    if (list->itemText(i).startsWith(start)) return i;
  return -1;
}

QStringList topLevelTexts(QTreeWidget* tree) {
  QStringList texts;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) texts << tree->topLevelItem(i)->text(0);
  return texts;
}

}  // namespace

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    sim::SimOptions options;
    options.port = 0;
    options.workMs = 50;
    QString error;
    ASSERT_TRUE(sim.start(options, &error)) << error.toStdString();
    writeSettings(dir.filePath(QStringLiteral("TarvoIp.txt")), QStringLiteral("127.0.0.1"),
                  QString::number(sim.port()));
  }

  std::unique_ptr<Client> newClient(ScriptedPrompter& p) {
    auto c = std::make_unique<Client>(p, dir.filePath(QStringLiteral("TarvoIp.txt")));
    c->start();
    c->form().SessionNewMP->trigger();
    EXPECT_TRUE(waitUntil([&] { return c->form().CPFRM->isVisible(); }));
    return c;
  }

  // Picks the CP row and waits for the tree (or for a box).
  void openCp(Client& c, ScriptedPrompter& p, const QString& cp) {
    auto& f = c.form();
    const int row = rowOf(f.CPListCBO, cp);
    ASSERT_GE(row, 0) << cp.toStdString();
    const auto boxes = p.shown.size();
    emit f.CPListCBO->activated(row);
    ASSERT_TRUE(waitUntil([&] { return f.CBFRM->isVisible() || p.shown.size() > boxes; }));
  }

  sim::SimInstance sim{[](const std::string&) {}};
  QTemporaryDir dir;
  ScriptedPrompter prompter;
};

TEST_F(EndToEnd, ConnectFillsBothListsWithoutAVersionWarning) {
  auto c = newClient(prompter);
  EXPECT_TRUE(prompter.shown.isEmpty());
  EXPECT_EQ(c->form().serverVersion, "0.95.1");
  EXPECT_GE(rowOf(c->form().CPListCBO, QStringLiteral("CP6001")), 0);
  EXPECT_GE(c->form().CmpCBO->count(), 4);
  EXPECT_TRUE(c->form().CmpCBO->isVisible());
}

TEST_F(EndToEnd, OpeningACpShowsItsTreeAndClosingBringsTheListsBack) {
  auto c = newClient(prompter);
  openCp(*c, prompter, QStringLiteral("CP6001"));
  auto& f = c->form();
  EXPECT_EQ(f.panelText(2), "CP: CP6001");
  EXPECT_TRUE(f.ListMenu->menuAction()->isVisible());
  const QStringList tops = topLevelTexts(f.TreeView1);
  EXPECT_TRUE(tops.contains("BOILER")) << tops.join(',').toStdString();
  EXPECT_EQ(tops.last(), "***END***");
  EXPECT_TRUE(prompter.shown.isEmpty());

  f.SessionCloseMP->trigger();
  EXPECT_EQ(f.panelText(2), "CP: None");
  f.SessionNewMP->trigger();
  ASSERT_TRUE(waitUntil([&] { return f.CPFRM->isVisible() && f.CPListCBO->isVisible(); }));
}

TEST_F(EndToEnd, EcbAndStationBlocksOnlyWhenAskedFor) {
  auto c = newClient(prompter);
  openCp(*c, prompter, QStringLiteral("CP6001"));
  auto& f = c->form();
  auto countItems = [&] {
    int n = 0;
    for (int i = 0; i < f.TreeView1->topLevelItemCount(); ++i)
      n += 1 + f.TreeView1->topLevelItem(i)->childCount();
    return n;
  };
  const int without = countItems();
  f.ShowEcbsMP->trigger();
  ASSERT_TRUE(waitUntil([&] { return f.CBFRM->isVisible() && countItems() > without; }));
}

TEST_F(EndToEnd, LockHeldByAnotherConnectionIsSeenAndOverridden) {
  auto first = newClient(prompter);
  openCp(*first, prompter, QStringLiteral("CP6002"));
  ASSERT_EQ(first->form().panelText(2), "CP: CP6002");

  ScriptedPrompter second;
  auto other = newClient(second);
  second.answer(QMessageBox::Yes);
  openCp(*other, second, QStringLiteral("CP6002"));
  ASSERT_GE(second.shown.size(), 1);
  EXPECT_EQ(second.shown[0].title, "CP Locked");
  EXPECT_EQ(second.shown[0].text, "[CP6002] is locked, Override?");
  ASSERT_TRUE(waitUntil([&] { return other->form().CBFRM->isVisible(); }));
  EXPECT_EQ(other->form().panelText(2), "CP: CP6002");
}

TEST_F(EndToEnd, DecliningTheOverrideClosesTheAttempt) {
  ScriptedPrompter p;
  auto c = newClient(p);
  p.answer(QMessageBox::No);
  openCp(*c, p, QStringLiteral("CP6003"));  // held by another station in the demo plant
  ASSERT_EQ(p.shown.size(), 1);
  EXPECT_EQ(p.shown[0].title, "CP Locked");
  // The simulator answers the "CLOSEICC" and the lists come back for another choice.
  ASSERT_TRUE(waitUntil([&] { return c->form().CPListCBO->isVisible(); }));
  EXPECT_EQ(c->form().panelText(2), "CP: None");
  EXPECT_FALSE(c->form().CBFRM->isVisible());
  EXPECT_TRUE(sim.engine().sessionCp(1).empty());
}

TEST_F(EndToEnd, CheckpointInProgressIsReported) {
  auto c = newClient(prompter);
  openCp(*c, prompter, QStringLiteral("CP6004"));
  ASSERT_EQ(prompter.shown.size(), 1);
  EXPECT_EQ(prompter.shown[0].title, "CP Checkpoint");
  EXPECT_EQ(prompter.shown[0].text, "[CP6004] Checkpoint in Progress");
}

TEST_F(EndToEnd, CheckpointUtilityRunsAndUnlocksTheWindow) {
  auto c = newClient(prompter);
  openCp(*c, prompter, QStringLiteral("CP6001"));
  prompter.answer(QMessageBox::Yes);
  c->form().CheckpointCPMP->trigger();
  EXPECT_FALSE(c->form().isEnabled());
  ASSERT_TRUE(waitUntil([&] { return c->form().isEnabled(); }));
  ASSERT_EQ(prompter.shown.size(), 2);
  EXPECT_EQ(prompter.shown[1].text, "Operation Complete");
}

TEST(EndToEndProgram, TheSimulatorProgramServesTheClient) {
  QProcess process;
  process.start(QStringLiteral(TARVO_SIM_EXE), {QStringLiteral("--port"), QStringLiteral("0")});
  ASSERT_TRUE(process.waitForStarted());
  ASSERT_TRUE(waitUntil([&] { return process.canReadLine(); }, 10000));
  const QString banner = QString::fromLatin1(process.readLine()).trimmed();
  ASSERT_TRUE(banner.startsWith(QLatin1String("tarvo-sim listening on 127.0.0.1:"))) << banner.toStdString();
  const QString port = banner.section(QLatin1Char(':'), -1);

  QTemporaryDir dir;
  writeSettings(dir.filePath(QStringLiteral("TarvoIp.txt")), QStringLiteral("127.0.0.1"), port);
  ScriptedPrompter p;
  {
    Client c(p, dir.filePath(QStringLiteral("TarvoIp.txt")));
    c.start();
    c.form().SessionNewMP->trigger();
    ASSERT_TRUE(waitUntil([&] { return c.form().CmpCBO->isVisible(); }, 10000));
    EXPECT_GE(c.form().CPListCBO->count(), 4);
    EXPECT_TRUE(p.shown.isEmpty());
  }
  process.terminate();
  if (!process.waitForFinished(5000)) process.kill();
}
