// The server closing the connection at every point of each flow that waits for a reply:
// no window may be left disabled, hidden or waiting for good, and a new connect works.
#include <QApplication>

#include "browser/TreeController.h"
#include "link/Connection.h"
#include "params/ParamsController.h"
#include "params/ParmEditFRM.h"
#include "sequence/SeqEditFRM.h"
#include "sequence/SequenceController.h"
#include "support/ClientFixture.h"
#include "xref/XrefController.h"
#include "xref/XrefWindows.h"

using namespace tarvo;
using namespace tarvo::test;

class FaultInjection : public ClientFixture {
 protected:
  // One step of a flow: "tree" opens a session with a tree, "select KEY" selects a node,
  // "press NAME" presses the button of the sequence editor, the cross-reference window or
  // the main window (the first that has it), "menu NAME" triggers a main window command,
  // "pick" chooses the first CP row, "yes" and "type TEXT" answer the next box; anything
  // else is a reply line.
  void run(const QString& step) {
    const QString arg = step.section(u' ', 1);
    if (step == "tree") {
      openSessionWithTree(
          {cmp(1, "A"), blk(2, "B1", "AIN"), blk(3, "SEQ1", "DEP"), blk(4, "LAD1", "PLB"), end(5)});
    } else if (step.startsWith("select ")) {
      ASSERT_TRUE(client->tree().selectNode(arg));
    } else if (step.startsWith("press ")) {
      for (QWidget* w : std::initializer_list<QWidget*>{client->sequence().seqEditor(),
                                                        client->xref().setupWindow(), &form()})
        if (auto* b = w ? w->findChild<QPushButton*>(arg) : nullptr) return b->click();
      ADD_FAILURE() << "no button " << arg.toStdString();
    } else if (step.startsWith("menu ")) {
      action(arg.toLatin1().constData())->trigger();
    } else if (step == "pick") {
      emit ui<QComboBox>("CPListCBO")->activated(0);
    } else if (step == "yes") {
      prompter.answer(QMessageBox::Yes);
    } else if (step.startsWith("type ")) {
      prompter.answerInput(arg);
    } else {
      reply({step});
    }
  }

  // What must hold once the connection is gone, and that a new one can be made.
  void checkRecovers() {
    EXPECT_TRUE(form().isVisible());
    for (QWidget* window : QApplication::topLevelWidgets())
      EXPECT_TRUE(!window->isVisible() || window->isEnabled())
          << window->objectName().toStdString();
    // A parameter editor still loading can never be shown: it must be gone.
    auto* editor = client->params().parmEditor();
    EXPECT_TRUE(!editor || editor->isVisible());
    // Edit Seq is back unless the editor it opened is still there (its Cancel closes it).
    auto* seq = client->sequence().seqEditor();
    EXPECT_TRUE(seq ? seq->CancelPB->isEnabled() : !button("EditSeq")->isHidden());
    server.commands.clear();
    if (action("SessionCloseMP")->isVisible()) action("SessionCloseMP")->trigger();
    action("SessionNewMP")->trigger();
    ASSERT_TRUE(server.waitForClient());
    EXPECT_TRUE(sent({"GETVERSION", "GETCPS", "GETCMPS"}));
  }
};

TEST_F(FaultInjection, TheServerGoingAwayAtAnyPointLeavesNothingWaiting) {
  const QStringList editSeq = {"tree", "select A:SEQ1", "press EditSeq"};
  const struct {
    const char* name;
    QStringList steps;            // to where the client waits for an answer
    QList<QStringList> partials;  // each way the answer may be cut off before the close
  } flows[] = {
      {"lists", {}, {{}, {"CLRCPLST", "CPLST    CP6001"}}},
      {"open session",
       {"CLRCPLST", "CPLST    CP6001", "DNCPLST", "pick"},
       {{}, {"TRYOPENCP contacting ICC"}}},
      {"block list",
       {"DNOPENCPCP6001"},
       {{}, {"CLRBLKLST"}, {"CLRBLKLST", cmp(1, "A"), blk(2, "B1", "AIN")}}},
      {"parameter list",
       {"tree", "select A:B1", "press EditPB"},
       {{}, {"CLRPRMLST"}, {"CLRPRMLST", "PRMLST NAME  B1"}}},
      {"CP utility", {"tree", "yes", "menu UploadCPMP"}, {{}}},
      {"add compound", {"tree", "select ***END***", "type NEWC", "press AddPB"}, {{}}},
      {"edit session", editSeq, {{}, {"WRNEDTSEQ no source yet"}}},
      {"source download",
       editSeq + QStringList{"DNEDTSEQ A:SEQ1", "press EditPB"},
       {{}, {"CLRSEQSRC", "SEQSRCSEQUENCE SEQ1"}}},
      {"compile and listing",
       editSeq + QStringList{"DNEDTSEQ A:SEQ1", "press CompilePB"},
       {{}, {"ERRCPLSEQ 1 error"}, {"ERRCPLSEQ 1 error", "CLRGETLST", "SEQLST    1  X"}}},
      {"PLB listing",
       {"tree", "select A:LAD1", "press PLBEditPB"},
       {{}, {"CLRPLBLIST A:LAD1", "PLBLIST RUNG 1"}}},
      {"cross-reference run",
       {"menu xrefMP", "press CreatePB"},
       {{}, {"XREFRUNLINE Reading CP6001"}}},
      {"cross-reference of a block",
       {"tree", "select A:B1", "press XrefPB"},
       {{}, {"CLRXREFLST", "XREFLST IN  A:B1.MEAS"}}},
  };
  for (const auto& flow : flows) {
    for (const QStringList& partial : flow.partials) {
      SCOPED_TRACE(QString(QLatin1String(flow.name) + " | " + partial.join(u'|')).toStdString());
      client.reset();
      prompter.clear();
      connectClient();
      for (const QString& step : flow.steps) run(step);
      if (!partial.isEmpty()) reply(partial);
      server.dropClient();
      ASSERT_TRUE(waitUntil([&] { return !client->connection().isConnected(); }));
      settle();
      checkRecovers();
    }
  }
}
