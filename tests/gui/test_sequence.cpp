// The sequence editor and the PLB listing window against a recording fake server: the
// editor's modes after every button and reply, what each sends, how it closes, how reply
// lines fill its text box, and the listing window.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>

#include "browser/TreeController.h"
#include "link/Connection.h"
#include "link/dispatcher.h"
#include "sequence/PLBList.h"
#include "sequence/SeqEditFRM.h"
#include "sequence/SequenceController.h"
#include "support/BlockLines.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::test;
using tarvo::sequence::SeqEditFRM;

namespace {

const QString kBlock = QStringLiteral("FEEDWT:PMPSEQ");

// The editor's controls as the user sees them: the shown ones in order, "(off)" when
// disabled.
QString controls(SeqEditFRM* e) {
  QStringList shown;
  for (QWidget* w : {static_cast<QWidget*>(e->SourceTB), static_cast<QWidget*>(e->EditPB),
                     static_cast<QWidget*>(e->CompilePB), static_cast<QWidget*>(e->ListingPB),
                     static_cast<QWidget*>(e->EditSvPB), static_cast<QWidget*>(e->DonePB),
                     static_cast<QWidget*>(e->CancelPB)})
    if (w->isVisibleTo(e)) shown << w->objectName() + (w->isEnabled() ? "" : "(off)");
  return shown.join(' ');
}

}  // namespace

class SeqEditor : public ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    connectClient();
    openSessionWithTree({QString::fromStdString(cmpLine(1, "FEEDWT")),
                         QString::fromStdString(blkLine(2, "PMPSEQ", "IND")),
                         QString::fromStdString(blkLine(3, "FT201", "AIN"))});
    ASSERT_TRUE(client->tree().selectNode(kBlock));
    server.commands.clear();
  }

  SeqEditFRM* open() {
    button("EditSeq")->click();
    reply({"DNEDTSEQ"});
    server.commands.clear();
    return client->sequence().seqEditor();
  }

  // "press <button>" clicks the editor's button, anything else is played as a reply line.
  void act(SeqEditFRM* e, const QString& step) {
    if (step.startsWith("press "))
      e->findChild<QPushButton*>(step.mid(6))->click();
    else
      reply({step});
    settle();
  }

  QString boxTitles() const {
    QStringList titles;
    for (const ShownBox& box : prompter.shown) titles << box.title;
    return titles.join('|');
  }
};

TEST_F(SeqEditor, EveryButtonAndReplySetsTheControlsOfItsModeAndSendsItsCommands) {
  SeqEditFRM* e = open();
  ASSERT_NE(e, nullptr);
  const QString ready = "EditPB CompilePB ListingPB(off) DonePB(off) CancelPB";
  const QString compiled = "EditPB CompilePB ListingPB DonePB CancelPB";
  const QString failed = "EditPB CompilePB ListingPB DonePB(off) CancelPB";
  const QString listing = "SourceTB CancelPB";
  const struct {
    QString step;
    QString controls;
    QStringList sent;
    QString box;
  } walk[] = {
      {"press EditPB", "SourceTB EditSvPB(off) CancelPB", {"GETSRC:" + kBlock}, {}},
      {"CLRSEQSRC", "SourceTB(off) EditSvPB(off) CancelPB", {}, {}},
      {"SEQSRC", "SourceTB(off) EditSvPB(off) CancelPB", {}, {}},
      {"SEQSRCA", "SourceTB(off) EditSvPB(off) CancelPB", {}, {}},
      {"SEQSRC", "SourceTB(off) EditSvPB(off) CancelPB", {}, {}},
      {"SEQSRCB", "SourceTB(off) EditSvPB(off) CancelPB", {}, {}},
      {"DNSEQSRC", "SourceTB EditSvPB CancelPB", {}, {}},
      {"press EditSvPB",
       ready,
       {"SPUTSTART:" + kBlock, "SRCPUT:A\n", "SRCPUT:\n", "SRCPUT:B", "SPUTENDB"},
       {}},
      {"WRNPUTSRCempty", ready, {}, "Warning Saving Sequence Block Code"},
      {"ERRPUTSRCno", ready, {}, "Error Saving Sequence Block Code"},
      {"press CompilePB", "SourceTB " + ready, {"COMPLSEQ:" + kBlock + " IND"}, {}},
      {"DNCPLSEQ", compiled, {}, {}},
      {"press ListingPB", listing, {"GETLST:" + kBlock}, {}},
      {"CLRGETLST", "SourceTB(off) CancelPB", {}, {}},
      {"SEQLST 1 x", "SourceTB(off) CancelPB", {}, {}},
      {"DNSEQLST", listing, {}, {}},
      {"ERRSEQLSTx", listing, {}, "Error Reading Sequence Block Code"},
      {"WRNSEQLSTx", listing, {}, "Warning Reading Sequence Block Code"},
      {"press CancelPB", compiled, {}, {}},
      {"press CompilePB", "SourceTB " + compiled, {"COMPLSEQ:" + kBlock + " IND"}, {}},
      {"ERRCPLSEQbad", listing, {"GETLST:" + kBlock}, "Error Compiling Sequence Block Code"},
      {"press CancelPB", failed, {}, {}},
      {"press CompilePB", "SourceTB " + failed, {"COMPLSEQ:" + kBlock + " IND"}, {}},
      {"WRNCPLSEQunused", listing, {"GETLST:" + kBlock}, "Warning Compiling Sequence Block Code"},
      {"press CancelPB", compiled, {}, {}},
      {"press DonePB", "SourceTB " + compiled, {"INSTALSEQ:" + kBlock}, {}},
      {"ERRINSSEQno", "SourceTB " + compiled, {}, "Error Installing Sequence Block Code"},
      {"WRNINSSEQhm", "SourceTB " + compiled, {}, "Warning Installing Sequence Block Code"},
      {"press CancelPB", compiled, {}, {}},
      {"press EditPB", "SourceTB EditSvPB(off) CancelPB", {"GETSRC:" + kBlock}, {}},
      {"ERRSEQSRCgone",
       "SourceTB EditSvPB(off) CancelPB",
       {},
       "Error Retrieving Sequence Block Code"},
      {"press CancelPB", compiled, {}, {}},
      {"DNPUTSRC", ready, {}, {}},
  };
  for (const auto& s : walk) {
    SCOPED_TRACE(s.step.toStdString());
    server.commands.clear();
    prompter.clear();
    act(e, s.step);
    EXPECT_EQ(controls(e), s.controls);
    EXPECT_TRUE(sent(s.sent));
    EXPECT_EQ(boxTitles(), s.box);
  }
  EXPECT_EQ(client->sequence().seqEditor(), e);  // nothing of it closed the window
}

TEST_F(SeqEditor, EditSeqPreparesTheBlockAndTheEditorOpensOnItEvenIfTheSelectionMovedOn) {
  button("EditSeq")->click();
  EXPECT_TRUE(sent({"EDTSEQ:" + kBlock}));
  EXPECT_TRUE(button("EditSeq")->isHidden());
  EXPECT_EQ(form().panelText(3), "Preparing Sequence Block " + kBlock);
  ASSERT_TRUE(client->tree().selectNode("FEEDWT:FT201"));
  reply({"WRNEDTSEQsaved, not installed", "DNEDTSEQ"});
  EXPECT_TRUE(prompter.showed(0, "Warning Preparing Sequence Block to Edit",
                              "ERROR MSG: saved, not installed", Prompter::Icon::Exclamation,
                              QMessageBox::Ok));
  SeqEditFRM* e = client->sequence().seqEditor();
  ASSERT_NE(e, nullptr);
  EXPECT_TRUE(e->isVisible());
  EXPECT_EQ(e->windowTitle(), "Sequence Block Edit");
  EXPECT_EQ(e->Label1->text(), kBlock + " IND");
  EXPECT_EQ(controls(e), "EditPB CompilePB ListingPB(off) DonePB(off) CancelPB");
  EXPECT_EQ(form().panelText(3), "");
  EXPECT_TRUE(button("EditSeq")->isHidden());
  e->CompilePB->click();
  EXPECT_TRUE(sent({"EDTSEQ:" + kBlock, "COMPLSEQ:" + kBlock + " IND"}));
}

TEST_F(SeqEditor, ARefusedEditShowsBothBoxesInOrderAndEditSeqAgain) {
  button("EditSeq")->click();
  reply({"ERREDTSEQbusy elsewhere"});
  ASSERT_EQ(prompter.shown.size(), 2);
  EXPECT_TRUE(prompter.showed(0, kBlock, "Error \r\nERREDTSEQbusy elsewhere"));
  EXPECT_TRUE(
      prompter.showed(1, "Error Preparing Sequence Block to Edit", "ERROR MSG: busy elsewhere"));
  EXPECT_FALSE(button("EditSeq")->isHidden());
  EXPECT_EQ(client->sequence().seqEditor(), nullptr);
}

TEST_F(SeqEditor, EveryWayOfClosingSendsCanseqThenModdoneOnceAndShowsEditSeqAgain) {
  const QStringList closing = {"CANSEQ:" + kBlock, "MODDONE:" + kBlock};
  const struct {
    QString how;
    QStringList sent;
    QString status;
  } ways[] = {
      {"press CancelPB", QStringList{"CANSEQ:" + kBlock} + closing, "EDIT: Cancelled"},
      {"close box", closing, ""},
      {"DNINSSEQ", closing, ""},
      {"DNCANSEQ", closing, ""},
      {"main window closes", closing + QStringList{"CLOSEICC"}, ""},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.how.toStdString());
    form().updStatBar(QString(), 3);
    SeqEditFRM* e = open();
    ASSERT_NE(e, nullptr);
    if (way.how == "close box")
      e->close();
    else if (way.how == "main window closes")
      form().close();
    else
      act(e, way.how);
    EXPECT_TRUE(sent(way.sent));
    EXPECT_EQ(client->sequence().seqEditor(), nullptr);
    EXPECT_FALSE(button("EditSeq")->isHidden());
    EXPECT_EQ(form().panelText(3), way.status);
  }
}

TEST_F(SeqEditor, SourceAndListingLinesAreJoinedEachByItsRule) {
  SeqEditFRM* e = open();
  e->EditPB->click();
  reply({"CLRSEQSRC", "SEQSRC", "SEQSRCX", "SEQSRC", QString::fromUtf16(u"SEQSRC Y\u00a0"),
         "DNSEQSRC"});
  EXPECT_EQ(e->SourceTB->toPlainText(), "X\n\n Y ");  // the box shows a no-break space as one
  EXPECT_EQ(e->rawText(), QString::fromUtf16(u"X\u2029\u2029 Y\u00a0"));
  e->CancelPB->click();
  e->ListingPB->setEnabled(true);
  e->ListingPB->click();
  reply({"CLRGETLST", "SEQLSTP", "SEQLSTQ", "DNSEQLST"});
  EXPECT_EQ(e->SourceTB->toPlainText(), "\nP\nQ");
}

TEST_F(SeqEditor, TheListingAfterACompileErrorIsTheEditedBlocksAndScrollsToItsEnd) {
  SeqEditFRM* e = open();
  ASSERT_TRUE(client->tree().selectNode("FEEDWT:FT201"));
  e->CompilePB->click();
  reply({"ERRCPLSEQ2 errors"});
  EXPECT_TRUE(sent({"COMPLSEQ:" + kBlock + " IND", "GETLST:" + kBlock}));
  EXPECT_EQ(e->SourceTB->toPlainText(), "Retrieving listing for  " + kBlock);
  EXPECT_TRUE(client->sequence().cplListingPending());
  QStringList listing{"CLRGETLST"};
  for (int i = 0; i < 300; ++i) listing << "SEQLST" + QString::number(i);
  listing << "DNSEQLST";
  reply(listing);
  QScrollBar* bar = e->SourceTB->verticalScrollBar();
  EXPECT_TRUE(e->SourceTB->toPlainText().startsWith("\n0\n1\n"));
  EXPECT_EQ(e->SourceTB->textCursor().position(), e->SourceTB->document()->characterCount() - 1);
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_FALSE(client->sequence().cplListingPending());
  // Asked for with View Listing, the same listing stays at its top.
  e->CancelPB->click();
  e->ListingPB->click();
  reply(listing);
  EXPECT_EQ(e->SourceTB->textCursor().position(), 0);
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(SeqEditor, SaveRefusesWhatTheWireCannotCarryAndCopesWithAnEmptyText) {
  SeqEditFRM* e = open();
  e->EditPB->click();
  reply({"CLRSEQSRC", "SEQSRCA", "DNSEQSRC"});
  server.commands.clear();
  const QString editing = controls(e);
  e->SourceTB->setPlainText(QString::fromUtf16(u"caf\u00e9\n\u20ac 5"));
  e->EditSvPB->click();
  settle();
  EXPECT_TRUE(prompter.showed(
      0, "Error Saving Sequence Block Code",
      QString::fromUtf16(u"ERROR: Line 2 holds the character \"\u20ac\" (U+20ac), which can "
                         u"not be sent to the server. Nothing was saved.")));
  EXPECT_TRUE(server.commands.isEmpty());
  EXPECT_EQ(controls(e), editing);
  e->SourceTB->setPlainText(QString());
  e->EditSvPB->click();
  EXPECT_TRUE(sent({"SPUTSTART:" + kBlock, "SPUTEND"}));
  EXPECT_EQ(controls(e), "EditPB CompilePB ListingPB(off) DonePB(off) CancelPB");
  EXPECT_TRUE(e->ProgressBar1->isHidden());
}

TEST_F(SeqEditor, TheRestOfAFetchLeftWithCancelNeverReachesTheBox) {
  SeqEditFRM* e = open();
  e->EditPB->click();
  reply({"CLRSEQSRC", "SEQSRCA"});
  e->CancelPB->click();
  reply({"SEQSRCB", "DNSEQSRC"});
  EXPECT_EQ(controls(e), "EditPB CompilePB ListingPB(off) DonePB(off) CancelPB");
  EXPECT_EQ(e->lines().text(), "");
}

TEST_F(SeqEditor, AHundredThousandLineListingArrivingInBurstsTakesLinearTime) {
  SeqEditFRM* e = open();
  e->ListingPB->setEnabled(true);
  e->ListingPB->click();
  QElapsedTimer timer;
  timer.start();
  link::dispatchLine("CLRGETLST", *client);
  for (int burst = 0; burst < 100; ++burst) {
    for (int i = 0; i < 1000; ++i)
      link::dispatchLine("SEQLST" + std::to_string(burst * 1000 + i) + " listing text", *client);
    QCoreApplication::processEvents();
  }
  link::dispatchLine("DNSEQLST", *client);
  // Setting the whole text anew per line takes hours for this; appending, about a second.
  EXPECT_LT(timer.elapsed(), 20000);
  EXPECT_EQ(e->SourceTB->document()->blockCount(), 100001);
  EXPECT_TRUE(e->SourceTB->toPlainText().endsWith("\n99999 listing text"));
}

class PlbListing : public ClientFixture {};

TEST_F(PlbListing, ViewPlbAsksForTheNodeAndOneWindowShowsEachListingIndented) {
  connectClient();
  selectBlock("FEEDWT:PMPPLB", "PLB");
  server.commands.clear();
  button("PLBEditPB")->click();
  EXPECT_TRUE(sent({"PLBLIST:FEEDWT:PMPPLB"}));
  EXPECT_FALSE(button("PLBEditPB")->isEnabled());
  reply({"CLRPLBLIST N1", "PLBLIST P", "PLBLIST Q"});
  sequence::PLBList* w = client->sequence().plbList();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->windowTitle(), "PLB Listing: N1");
  EXPECT_EQ(w->text(), " P\n Q");
  EXPECT_FALSE(w->SourceTB->isEnabled());
  reply({"PLBENDLIST"});
  EXPECT_TRUE(w->SourceTB->isEnabled());
  reply({"CLRPLBLIST:N2", "PLBLIST!", "PLBLIST-R", "PLBENDLIST"});
  EXPECT_EQ(client->sequence().plbList(), w);
  EXPECT_EQ(w->windowTitle(), "PLB Listing: N2");
  EXPECT_EQ(w->text(), " \n R");
  w->OK_PB->click();
  EXPECT_EQ(client->sequence().plbList(), nullptr);
  reply({"PLBLIST S", "PLBENDLIST"});
  EXPECT_EQ(client->sequence().plbList(), nullptr);
  EXPECT_TRUE(server.commands == QStringList{"PLBLIST:FEEDWT:PMPPLB"});
}
