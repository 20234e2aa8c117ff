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

using namespace tarvo;
using namespace tarvo::test;

class FaultInjection : public ClientFixture {
 protected:
  // A step of a flow as run() plays it, or "tree": a session with a tree opened.
  void step(const QString& s) {
    if (s != "tree") return run(s);
    openSessionWithTree(
        {cmp(1, "A"), blk(2, "B1", "AIN"), blk(3, "SEQ1", "DEP"), blk(4, "LAD1", "PLB"), end(5)});
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
      for (const QString& s : flow.steps) step(s);
      if (!partial.isEmpty()) reply(partial);
      server.dropClient();
      ASSERT_TRUE(waitUntil([&] { return !client->connection().isConnected(); }));
      settle();
      checkRecovers();
    }
  }
}
