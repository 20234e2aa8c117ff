// A server that misbehaves. Closing the connection at every point of each flow that waits
// for a reply: no window may be left disabled, hidden or waiting for good, and a new
// connect works; what the user then asks to send is refused, said, and the work kept.
// Flooding the client: what it holds stays bounded, every line that fits still arrives, in
// order, and every list keeps the rows that fit and says that it was cut.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTest>
#include <functional>

#include "blocks/BlockTypesFRM.h"
#include "blocks/BlocksController.h"
#include "browser/BlockTree.h"
#include "browser/TreeController.h"
#include "link/Connection.h"
#include "params/ParamsController.h"
#include "params/ParmEditFRM.h"
#include "sequence/PLBList.h"
#include "sequence/SeqEditFRM.h"
#include "sequence/SequenceController.h"
#include "support/ClientFixture.h"
#include "xref/XrefController.h"
#include "xref/XrefWindows.h"

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

TEST_F(FaultInjection, WhatIsAskedOnALostConnectionIsNotSentSaidAndTheWorkKept) {
  connectClient();
  step("tree");
  // Work in three windows: an edited source, a changed parameter row, an edited list.
  runAll("select A:SEQ1, press EditSeq, DNEDTSEQ A:SEQ1, press EditPB");
  reply({"CLRSEQSRC", "SEQSRCSEQUENCE SEQ1", "DNSEQSRC"});
  sequence::SeqEditFRM* seq = client->sequence().seqEditor();
  ASSERT_NE(seq, nullptr);
  inside<QPlainTextEdit>(seq, "SourceTB")->appendPlainText("EDITED");
  run("select A:B1");
  client->params().edit();
  reply({"CLRPRMLST", "PRMLST NAME  B1", "PRMLST HILIM 100", "DNPRMLST"});
  QPointer<params::ParmEditFRM> parms = client->params().parmEditor();
  ASSERT_TRUE(parms && waitUntil([&] { return parms->EditRow() > 0; }));
  parms->clickRow(2);
  QTest::keyClicks(inside<QComboBox>(parms, "ValEntryCB")->lineEdit(), "50");
  parms->commitEntry();
  ASSERT_EQ(parms->grid().row(2).newValue, "50");
  reply({"XREFCFGGETSTRTH", "XREFCFGGETLINE HHIST1", "XREFCFGGETDONEH"});
  QPointer<xref::XrefOptionsBoxFRM> list = client->xref().listEditor();
  ASSERT_TRUE(list);
  inside<QPlainTextEdit>(list, "CfgTB")->appendPlainText("HIST2");
  ASSERT_TRUE(sent({"EDTSEQ:A:SEQ1", "GETSRC:A:SEQ1", "GETPARMS:A:B1"}));

  server.dropClient();
  ASSERT_TRUE(waitUntil([&] { return !client->connection().isConnected(); }));
  settle();
  const QString notSent =
      " was not sent: there is no connection to the server.\r\rNothing was changed, and what "
      "you entered is kept. Connect again (IccSession, New) and try once more.";
  auto refused = [&](const QString& what) {
    const bool said = prompter.boxes() == "Not Connected|" + what + notSent;
    prompter.clear();
    return said ? ::testing::AssertionSuccess()
                : ::testing::AssertionFailure() << prompter.boxes().toStdString();
  };
  prompter.clear();

  // Save leaves the editor in Editing with the text, the grid keeps its changed row and
  // stays open, the list editor keeps its text.
  run("press EditSvPB");
  EXPECT_TRUE(refused("The source of A:SEQ1"));
  EXPECT_EQ(seq->controls.mode(), sequence::SeqEditMode::Editing);
  EXPECT_EQ(seq->lines().text(), "SEQUENCE SEQ1\nEDITED");
  inside<QPushButton>(parms, "OKPB")->click();
  EXPECT_TRUE(refused("The changes to A:B1"));
  ASSERT_TRUE(parms && parms->isVisible());
  EXPECT_TRUE(parms->grid().row(2).changed);
  inside<QPushButton>(list, "OKPB")->click();
  EXPECT_TRUE(refused("The list \"Enter Historian names\""));
  ASSERT_TRUE(list && list->isVisible());
  EXPECT_EQ(list->text(), "HIST1\nHIST2");

  // Every other action that would send says so too, and changes nothing.
  const struct {
    QString steps;
    QString what;
  } actions[] = {
      // The editor back in Ready (Cancel leaves Editing here, and sends nothing).
      {"press CancelPB, press EditPB", "The request for the source of A:SEQ1"},
      {"press CompilePB", "The compile of A:SEQ1"},
      // Closing the editor sends only what ends its session, which ended with the link.
      {"press CancelPB, select A:SEQ1, press EditSeq", "The request to edit A:SEQ1"},
      {"select A:LAD1, press PLBEditPB", "The request for the PLB listing of A:LAD1"},
      {"select A:B1, press XrefPB", "The request for the cross-reference of A:B1"},
      {"select A:B1, press DelPB", "The deletion of A:B1"},
      {"select A:B1, press AddPB", "The new block"},
      {"select A, press AddPB", "The new compound"},
      {"select A:B1, press CopyPB, press PastePB", "The copy of A:B1"},
      {"select A:B1, press MoveFromPB, select A:SEQ1, press MoveToPB", "The move of A:B1"},
      {"menu RefreshListMP", "The request for the block list of CP6001"},
      {"menu UploadCPMP", "The UPLOAD of CP6001"},
      {"pick", "The request to open a session on CP6001"},
  };
  ui<QComboBox>("CPListCBO")->addItem("CP6001");
  for (const auto& a : actions) {
    SCOPED_TRACE(a.steps.toStdString());
    runAll(a.steps);
    EXPECT_TRUE(refused(a.what));
  }
  EXPECT_EQ(client->sequence().seqEditor(), nullptr);
  client->params().edit();
  EXPECT_TRUE(refused("The request for the parameters of A:SEQ1"));
  // The tick of "Show ECB/Station Blocks" stays with the tree that is shown.
  run("menu ShowEcbsMP");
  EXPECT_TRUE(refused("The request for the block list of CP6001"));
  EXPECT_FALSE(action("ShowEcbsMP")->isChecked());
  EXPECT_TRUE(form().isEnabled() && form().isTreeFrameShown());
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

TEST_F(FaultInjection, EveryListKeepsTheRowsThatFitAndSaysThatItWasCut) {
  connectClient();
  step("tree");
  using link::ReplyId;
  auto count = [](const QString& text) { return static_cast<int>(text.count("row")); };
  auto seq = [this] { return client->sequence().seqEditor(); };
  const struct {
    ReplyId row;
    QString name;
    std::function<void()> start;
    std::function<QString(int)> line;  // row n
    QString end;
    std::function<int()> kept;
  } lists[] = {
      {ReplyId::CpLst, "CP/Vol name list", [&] { run("CLRCPLST"); },
       [](int n) { return QStringLiteral("CPLST    row%1").arg(n); }, "DNCPLST",
       [&] { return ui<QComboBox>("CPListCBO")->count(); }},
      {ReplyId::CmpLst, "compound name list", [&] { run("CLRCMPLST"); },
       [](int n) { return QStringLiteral("CMPLST      row%1").arg(n); }, "DNCMPLST",
       [&] { return ui<QComboBox>("CmpCBO")->count(); }},
      {ReplyId::BlkTyp, "block type list", [&] { run("BLKTYPNEW"); },
       [](int n) { return QStringLiteral("BLKTYP   T%1").arg(n); }, "",
       [&] { return static_cast<int>(client->blocks().blockTypes().types().size()); }},
      {ReplyId::PrmLst, "parameter list",
       [&] {
         run("select A:B1");
         client->params().edit();
         run("CLRPRMLST");
       },
       [](int n) { return QStringLiteral("PRMLST P%1    1").arg(n); }, "DNPRMLST",
       [&] { return client->params().parmEditor()->grid().parameterCount(); }},
      {ReplyId::SeqSrc, "sequence source",
       [&] { runAll("select A:SEQ1, press EditSeq, DNEDTSEQ A:SEQ1, press EditPB, CLRSEQSRC"); },
       [](int n) { return QStringLiteral("SEQSRCrow%1").arg(n); }, "DNSEQSRC",
       [&] { return count(seq()->lines().text()); }},
      {ReplyId::SeqLst, "compile listing", [&] { run("CLRGETLST"); },
       [](int n) { return QStringLiteral("SEQLST    row%1").arg(n); }, "DNSEQLST",
       [&] { return count(seq()->lines().text()); }},
      {ReplyId::PlbList, "PLB listing", [&] { run("CLRPLBLIST A:LAD1"); },
       [](int n) { return QStringLiteral("PLBLIST row%1").arg(n); }, "PLBENDLIST",
       [&] { return count(client->sequence().plbList()->text()); }},
      {ReplyId::XrefLst, "cross-reference listing", [&] { run("CLRXREFLST"); },
       [](int n) { return QStringLiteral("XREFLST row%1").arg(n); }, "ENDXREFLST",
       [&] { return count(client->xref().listingWindow()->text()); }},
      {ReplyId::XrefCfgGetLine, "cross-reference setup list", [&] { run("XREFCFGGETSTRTC"); },
       [](int n) { return QStringLiteral("XREFCFGGETLINE Crow%1").arg(n); }, "XREFCFGGETDONEC",
       [&] { return count(client->xref().listEditor()->text()); }},
      {ReplyId::BlkLst, "block list",
       [&] {
         reply({"CLRBLKLST", cmp(1, "A")});
       },
       [](int n) { return blk(n + 1, "B" + std::to_string(n), "AIN"); }, "DNBLKLST",
       [&] { return client->tree().blocks().count(); }},
      // The CP/Vol list above made the cross-reference available again.
      {ReplyId::XrefRunLine, "cross-reference generation output", [&] { run("menu xrefMP"); },
       [](int n) { return QStringLiteral("XREFRUNLINErow%1").arg(n); }, "",
       [&] { return count(client->xref().setupWindow()->outputText()); }},
  };
  for (const auto& list : lists) {
    SCOPED_TRACE(list.name.toStdString());
    client->connection().setListLimit(list.row, {3, 1 << 20});
    form().updStatBar(QString(), 3);
    list.start();
    QStringList rows;
    for (int n = 1; n <= 6; ++n) rows << list.line(n);
    reply(rows);
    const QString said = "The " + list.name + " was cut short after 3 lines; the rest was not kept";
    EXPECT_EQ(form().panelText(3), said);
    // Said again after an end that writes over the status bar.
    if (!list.end.isEmpty()) run(list.end);
    EXPECT_EQ(form().panelText(3), said);
    EXPECT_EQ(list.kept(), 3);
  }
  // Rows of a list cut short find no room until it begins anew.
  reply({"CPLST    late"});
  EXPECT_EQ(ui<QComboBox>("CPListCBO")->count(), 3);
  reply({"CLRCPLST", "CPLST    new", "DNCPLST"});
  EXPECT_EQ(ui<QComboBox>("CPListCBO")->count(), 1);
}

TEST_F(FaultInjection, ListsLongerThanAPlantIsAreCutByRowsAndByBytesAtTheirOwnLimits) {
  connectClient();
  // Rows: more CP/Vol names than the limit of 20,000.
  QStringList lines{"CLRCPLST"};
  for (int i = 0; i < 25'000; ++i) lines << QStringLiteral("CPLST    CP%1").arg(i);
  reply(lines << "DNCPLST");
  EXPECT_EQ(ui<QComboBox>("CPListCBO")->count(), 20'000);
  EXPECT_EQ(ui<QComboBox>("CPListCBO")->itemText(19'999), "CP19999");
  // Bytes: long lines of a compound list reach its 4 MiB well before its rows do.
  lines = QStringList{"CLRCMPLST"};
  for (int i = 0; i < 200; ++i) lines << "CMPLST      " + QString(60'000, QChar(u'A' + i % 26));
  reply(lines << "DNCMPLST");
  EXPECT_GT(ui<QComboBox>("CmpCBO")->count(), 30);
  EXPECT_LT(ui<QComboBox>("CmpCBO")->count(), 80);
  EXPECT_TRUE(form().panelText(3).startsWith("The compound name list was cut short after "));
}
