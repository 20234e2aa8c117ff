// The client against tarvo-sim over loopback: what each reply the simulator sends does in the
// client, and what each command the client sends does to the simulator's plant.

#include <QTableWidget>
#include <stdexcept>

#include "app/LinkController.h"
#include "browser/TreeController.h"
#include "params/ParamsController.h"
#include "params/ParmEditFRM.h"
#include "sim/sim_test_util.h"
#include "support/SimFixture.h"

using namespace tarvo;
using namespace tarvo::test;
using params::ParmEditFRM;
using sim::testing::valueOf;

// Each test starts its own simulator.
class EndToEnd : public SimFixture {};

TEST_F(EndToEnd, ListsSessionUtilitiesAndALockTakenOverWorkAgainstTheSimulator) {
  auto first = newClient(prompter);
  EXPECT_EQ(first->linkController().serverVersion(), "0.95.1");
  EXPECT_GE(control<QComboBox>(*first, "CmpCBO")->count(), 4);
  openCp(*first, prompter, QStringLiteral("CP6001"));
  EXPECT_EQ(first->form().panelText(2), "CP: CP6001");
  EXPECT_TRUE(prompter.shown.isEmpty());  // no version warning either

  prompter.answer(QMessageBox::Yes);
  control<QAction>(*first, "CheckpointCPMP")->trigger();
  ASSERT_TRUE(waitUntil([&] { return prompter.shown.size() == 2; }));
  EXPECT_EQ(prompter.shown[1].text, "Operation Complete");

  // Another client meets the lock and overrides it.
  ScriptedPrompter p;
  auto c = newClient(p);
  p.answer(QMessageBox::Yes);
  openCp(*c, p, QStringLiteral("CP6001"));
  ASSERT_TRUE(waitUntil([&] { return c->form().panelText(2) == "CP: CP6001"; }));
  // The former holder is sent back to the lists by the simulator's "taken over" message.
  ASSERT_TRUE(waitUntil([&] { return first->form().panelText(2) == "CP: None"; }));
  // The list asked for with the refused open is passed over; the one after the takeover
  // is shown.
  ASSERT_TRUE(waitUntil([&] { return control<QGroupBox>(*c, "CBFRM")->isVisible(); }));
  EXPECT_EQ(p.boxes(), "CP Locked|[CP6001] is locked, Override?");
}

TEST_F(EndToEnd, ALockDeclinedAndACheckpointRunningSayOnlySoAndTheNextOpenShowsItsTree) {
  auto c = newClient(prompter);
  // Each ends with the simulator closing the attempt and the client asking for the lists.
  auto backAtTheLists = [&] {
    return waitUntil([&] { return c->form().panelText(3).startsWith("Closed session"); }) &&
           waitUntil([&] { return c->form().panelText(3).isEmpty(); });
  };
  prompter.answer(QMessageBox::No);
  openCp(*c, prompter, QStringLiteral("CP6003"));
  ASSERT_TRUE(backAtTheLists());
  openCp(*c, prompter, QStringLiteral("CP6004"));
  ASSERT_TRUE(backAtTheLists());
  openCp(*c, prompter, QStringLiteral("CP6001"));
  EXPECT_TRUE(control<QGroupBox>(*c, "CBFRM")->isVisible());
  EXPECT_NE(c->tree().blocks().find(QStringLiteral("BOILER:LC101")), nullptr);
  EXPECT_EQ(prompter.boxes(),
            "CP Locked|[CP6003] is locked, Override?; "
            "CP Checkpoint|[CP6004] Checkpoint in Progress");
}

TEST_F(EndToEnd, ARefusedChangeShowsTheSimulatorsMessageAndAnAcceptedOneSticks) {
  auto c = newClient(prompter);
  openCp(*c, prompter, QStringLiteral("CP6001"));
  auto value = [&](const char* name) {
    return valueOf(sim.engine().plant(), "BOILER:LC101", name);
  };
  // Opens the editor of BOILER:LC101 with its Edit button and types each "NAME=value" into
  // its row.
  auto edit = [&](const QStringList& changes) -> ParmEditFRM* {
    EXPECT_TRUE(c->tree().selectNode(QStringLiteral("BOILER:LC101")));
    ParmEditFRM* before = c->params().parmEditor();
    control<QPushButton>(*c, "EditPB")->click();
    ParmEditFRM* e = nullptr;
    // Thrown, so that the test fails instead of using an editor that is not there.
    if (!waitUntil([&] {
          e = c->params().parmEditor();
          return e && e != before && e->isVisible();
        }))
      throw std::runtime_error("the parameter editor did not open");
    for (const QString& change : changes) {
      const auto rows = inside<QTableWidget>(e, "MSHFlexGrid1")
                            ->findItems(change.section(u'=', 0, 0), Qt::MatchExactly);
      EXPECT_EQ(rows.size(), 1) << change.toStdString();
      e->clickRow(ParmEditFRM::gridRowOf(rows.value(0)->row()));
      inside<QComboBox>(e, "ValEntryCB")->setEditText(change.section(u'=', 1));
      e->pressEnter();
    }
    return e;
  };
  inside<QPushButton>(edit({"PBAND=77", "HSCI1=lots"}), "OKPB")->click();
  ASSERT_TRUE(waitUntil([&] { return !prompter.shown.isEmpty(); }));
  EXPECT_EQ(prompter.shown[0].title, "EDIT Error: BOILER:LC101");
  EXPECT_TRUE(prompter.shown[0].text.contains(QLatin1String("HSCI1")));
  EXPECT_EQ(value("PBAND"), "150");

  inside<QPushButton>(edit({"PBAND=120", "INT=3.5", "MA=0"}), "OKPB")->click();
  ASSERT_TRUE(waitUntil([&] { return c->form().panelText(3) == "EDIT: BOILER:LC101"; }));
  EXPECT_EQ(prompter.shown.size(), 1);
  EXPECT_EQ(value("PBAND") + " " + value("INT") + " " + value("MA"), "120 3.5 0");
}
