// Comparing an editor with a file and setting a change back from the journal, against
// tarvo-sim: what reaches the simulator's plant, and what the journal keeps.
#include <QFile>
#include <QTableView>
#include <QTableWidget>

#include "browser/TreeController.h"
#include "params/ParamsController.h"
#include "params/ParmEditFRM.h"
#include "records/ChangeJournal.h"
#include "records/JournalFile.h"
#include "sim/sim_test_util.h"
#include "support/SimFixture.h"
#include "tools/JournalFRM.h"
#include "tools/ToolsController.h"

using namespace tarvo;
using namespace tarvo::test;
using params::ParmEditFRM;
using sim::testing::valueOf;

class EndToEndRevert : public SimFixture {};

TEST_F(EndToEndRevert, AFilesValuesTakenInTheEditorStickAndRevertingThemPutsTheOldOnesBack) {
  auto c = newClient(prompter);
  c->journal().file().setFolder(dir.filePath(QStringLiteral("journal")));
  openCp(*c, prompter, QStringLiteral("CP6001"));
  auto value = [&](const char* name) {
    return valueOf(sim.engine().plant(), "BOILER:LC101", name);
  };
  const std::string pband = value("PBAND"), intTime = value("INT");
  ASSERT_NE(pband, "77");

  const QString path = dir.filePath(QStringLiteral("approved.csv"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("block,parameter,value\r\nBOILER:LC101,PBAND,77\r\nBOILER:LC101,INT,");
  file.write(intTime.c_str());
  file.write("\r\n");
  file.close();

  ASSERT_TRUE(c->tree().selectNode(QStringLiteral("BOILER:LC101")));
  control<QPushButton>(*c, "EditPB")->click();
  ParmEditFRM* e = nullptr;
  ASSERT_TRUE(waitUntil([&] {
    e = c->params().parmEditor();
    return e && e->isVisible();
  }));
  prompter.answerOpenFile(path);
  inside<QPushButton>(e, "CompareFilePB")->click();
  const auto marked = inside<QTableWidget>(e, "MSHFlexGrid1")->findItems("77", Qt::MatchExactly);
  ASSERT_EQ(marked.size(), 1);
  EXPECT_EQ(marked[0]->column(), 3);
  inside<QPushButton>(e, "TakeFilePB")->click();
  EXPECT_EQ(value("PBAND"), pband);  // nothing sent before OK
  inside<QPushButton>(e, "OKPB")->click();
  ASSERT_TRUE(waitUntil([&] { return c->form().panelText(3) == "EDIT: BOILER:LC101"; }));
  EXPECT_EQ(value("PBAND"), "77");
  EXPECT_EQ(value("INT"), intTime);

  // The change, now in the journal, set back.
  control<QAction>(*c, "JournalMP")->trigger();
  tools::JournalFRM* journal = c->tools().journalWindow();
  ASSERT_NE(journal, nullptr);
  auto rows = [&] {
    QStringList out;
    const auto* m = inside<QTableView>(journal, "JournalGrid")->model();
    for (int r = 0; r < m->rowCount(); ++r)
      out << m->index(r, 6).data().toString() + ' ' + m->index(r, 7).data().toString() + ' ' +
                 m->index(r, 8).data().toString();
    return out.join(u'\n').toStdString();
  };
  ASSERT_EQ(journal->shownCount(), 1) << rows();
  journal->choose({0});
  prompter.answer(QMessageBox::Yes);
  inside<QPushButton>(journal, "RevertPB")->click();
  ASSERT_TRUE(waitUntil([&] { return value("PBAND") == pband; }));
  ASSERT_TRUE(waitUntil([&] { return c->form().panelText(3) == "EDIT: BOILER:LC101"; }));
  inside<QPushButton>(journal, "RefreshPB")->click();
  ASSERT_EQ(journal->shownCount(), 2);
  const auto* model = inside<QTableView>(journal, "JournalGrid")->model();
  EXPECT_EQ(model->index(0, 6).data().toString() + " " + model->index(0, 8).data().toString(),
            "revert done");
  EXPECT_TRUE(model->index(0, 7).data().toString().contains(
      "PBAND \"77\" -> \"" + QString::fromStdString(pband) + "\"; reverts "));
  // The file dialog and the question, nothing else.
  EXPECT_EQ(prompter.shown.size(), 2) << prompter.boxes().toStdString();
}
