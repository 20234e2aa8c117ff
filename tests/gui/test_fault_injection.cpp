// A server that misbehaves. Closing the connection at every point of each flow that waits
// for a reply: no window may be left disabled, hidden or waiting for good, and a new
// connect works. Flooding the client: what it holds stays bounded, and every line that
// fits still arrives, in order.
#include <QApplication>

#include "browser/TreeController.h"
#include "link/Connection.h"
#include "params/ParamsController.h"
#include "params/ParmEditFRM.h"
#include "sequence/SeqEditFRM.h"
#include "sequence/SequenceController.h"
#include "support/ClientFixture.h"
#include "xref/XrefController.h"

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
    EXPECT_TRUE(seq ? inside<QPushButton>(seq, "CancelPB")->isEnabled()
                    : !button("EditSeq")->isHidden());
    // The cross-reference setup, which hides the main window, is gone.
    EXPECT_TRUE(waitUntil([this] { return client->xref().setupWindow() == nullptr; }));
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

TEST_F(FaultInjection, LinesArrivingWhileABoxIsOpenWaitAndTheClientHoldsLittleAndLosesNothing) {
  connectClient();
  // About 8 MB of lines no handler acts on, then the rest of a list the reply began.
  constexpr int kFlood = 8000;
  QStringList lines;
  for (int i = 0; i < kFlood; ++i) lines << QStringLiteral("NOISE%1").arg(i).leftJustified(1000);
  lines << "CPLST    LATE01"
        << "DNCPLST";
  QComboBox* cps = ui<QComboBox>("CPListCBO");
  qint64 mostHeld = 0;
  int rowsWhileOpen = -1;
  prompter.setWhileOpen([&] {
    // The box's own event loop delivers more data now; none of it may run yet.
    server.sendLines(lines);
    waitUntil(
        [&] {
          const auto& link = client->connection();
          mostHeld = std::max(
              mostHeld, static_cast<qint64>(link.queuedBytes()) + link.socket()->bytesAvailable());
          return false;
        },
        500);
    rowsWhileOpen = cps->count();
  });
  const quint64 before = client->connection().dispatchedLines();
  reply({"CLRCPLST", "VERSION9.9.9", "CPLST    SAME01"});  // a version that differs opens a box
  ASSERT_TRUE(waitUntil([&] { return cps->count() == 2; }));
  EXPECT_EQ(rowsWhileOpen, 0);
  EXPECT_EQ(cps->itemText(0) + u'|' + cps->itemText(1), "SAME01|LATE01");
  EXPECT_EQ(client->connection().dispatchedLines(), before + 3 + kFlood + 2);
  EXPECT_GT(mostHeld, 0);
  EXPECT_LE(mostHeld, 2 * 1024 * 1024);
}

TEST_F(FaultInjection, AnOverLongLineIsCutAndSaidOnce) {
  connectClient();
  client->connection().setMaxLineLength(64);
  reply({"CLRCPLST"});
  server.sendRaw("CPLST    " + QByteArray(100000, 'X') + "\nCPLST    CP6001\nDNCPLST\n");
  ASSERT_TRUE(waitUntil([&] { return ui<QComboBox>("CPListCBO")->count() == 2; }));
  EXPECT_EQ(ui<QComboBox>("CPListCBO")->itemText(0), QString(55, u'X'));
  EXPECT_EQ(ui<QComboBox>("CPListCBO")->itemText(1), "CP6001");
  EXPECT_EQ(form().panelText(3), "A reply line longer than 64 characters was cut short");
}

