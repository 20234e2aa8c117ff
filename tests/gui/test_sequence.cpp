// The sequence editor and the PLB listing window against a recording fake server: the
// editor's modes after every button and reply, what each sends, how it closes, how reply
// lines fill its text box, and the listing window; and the line appender that fills such
// text boxes from replies.
#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <initializer_list>

#include "browser/TreeController.h"
#include "link/Connection.h"
#include "sequence/PLBList.h"
#include "sequence/SeqEditFRM.h"
#include "sequence/SequenceController.h"
#include "support/ClientFixture.h"
#include "ui/LineAppender.h"

using namespace tarvo;
using namespace tarvo::test;
using tarvo::sequence::SeqEditFRM;

namespace {

const QString kBlock = QStringLiteral("FEEDWT:PMPSEQ");

// The editor's controls as the user sees them: the shown ones in order, "(off)" when
// disabled.
QString controls(SeqEditFRM* e) {
  QStringList shown;
  for (QWidget* w : std::initializer_list<QWidget*>{
           inside<QPlainTextEdit>(e, "SourceTB"), inside<QPushButton>(e, "EditPB"),
           inside<QPushButton>(e, "CompilePB"), inside<QPushButton>(e, "ListingPB"),
           inside<QPushButton>(e, "EditSvPB"), inside<QPushButton>(e, "DonePB"),
           inside<QPushButton>(e, "CancelPB")})
    if (w->isVisibleTo(e)) shown << w->objectName() + (w->isEnabled() ? "" : "(off)");
  return shown.join(' ');
}

}  // namespace

class SeqEditor : public ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    connectClient();
    openSessionWithTree({cmp(1, "FEEDWT"), blk(2, "PMPSEQ", "IND"), blk(3, "FT201", "AIN")});
    ASSERT_TRUE(client->tree().selectNode(kBlock));
  }

  SeqEditFRM* open() {
    button("EditSeq")->click();
    reply({"DNEDTSEQ"});
    EXPECT_TRUE(sent({"EDTSEQ:" + kBlock}));
    return client->sequence().seqEditor();
  }

  // "press <button>" clicks the editor's button; anything else is reply lines, split at "|".
  void act(SeqEditFRM* e, const QString& step) {
    if (step.startsWith("press "))
      e->findChild<QPushButton*>(step.mid(6))->click();
    else
      reply(step.split('|'));
    settle();
  }

  // The titles of the boxes shown, " Sequence Block Code" left off those that end so.
  QString boxTitles() const {
    QStringList titles;
    for (const ShownBox& box : prompter.shown)
      titles << (box.title.endsWith(" Sequence Block Code") ? box.title.chopped(20) : box.title);
    return titles.join('|');
  }
};

TEST_F(SeqEditor, EveryButtonAndReplySetsTheControlsOfItsModeAndSendsItsCommands) {
  SeqEditFRM* e = open();
  ASSERT_NE(e, nullptr);
  const QString ready = "EditPB CompilePB ListingPB(off) DonePB(off) CancelPB";
  const QString compiled = "EditPB CompilePB ListingPB DonePB CancelPB";
  const QString failed = "EditPB CompilePB ListingPB DonePB(off) CancelPB";
  const QString fetching = "SourceTB EditSvPB(off) CancelPB";
  const QString listing = "SourceTB CancelPB";
  const QString compile = "COMPLSEQ:" + kBlock + " IND", getLst = "GETLST:" + kBlock;
  const struct {
    QString step;
    QString controls;
    QStringList sent;
    QString boxes;
  } walk[] = {
      {"press EditPB", fetching, {"GETSRC:" + kBlock}, {}},
      {"CLRSEQSRC|SEQSRC|SEQSRCA|SEQSRC|SEQSRCB", "SourceTB(off) EditSvPB(off) CancelPB", {}, {}},
      {"DNSEQSRC", "SourceTB EditSvPB CancelPB", {}, {}},
      {"press EditSvPB",
       ready,
       {"SPUTSTART:" + kBlock, "SRCPUT:A\n", "SRCPUT:\n", "SRCPUT:B", "SPUTENDB"},
       {}},
      {"WRNPUTSRCx|ERRPUTSRCx", ready, {}, "Warning Saving|Error Saving"},
      {"press CompilePB", "SourceTB " + ready, {compile}, {}},
      {"DNCPLSEQ", compiled, {}, {}},
      {"press ListingPB", listing, {getLst}, {}},
      {"CLRGETLST|SEQLST 1 x", "SourceTB(off) CancelPB", {}, {}},
      {"DNSEQLST|ERRSEQLSTx|WRNSEQLSTx", listing, {}, "Error Reading|Warning Reading"},
      {"press CancelPB", compiled, {}, {}},
      {"press CompilePB", "SourceTB " + compiled, {compile}, {}},
      {"ERRCPLSEQx", listing, {getLst}, "Error Compiling"},
      {"press CancelPB", failed, {}, {}},
      {"press CompilePB", "SourceTB " + failed, {compile}, {}},
      {"WRNCPLSEQx", listing, {getLst}, "Warning Compiling"},
      {"press CancelPB", compiled, {}, {}},
      {"press DonePB", "SourceTB " + compiled, {"INSTALSEQ:" + kBlock}, {}},
      {"ERRINSSEQx|WRNINSSEQx", "SourceTB " + compiled, {}, "Error Installing|Warning Installing"},
      {"press CancelPB", compiled, {}, {}},
      {"press EditPB", fetching, {"GETSRC:" + kBlock}, {}},
      {"ERRSEQSRCx", fetching, {}, "Error Retrieving"},
      {"press CancelPB", compiled, {}, {}},
      {"SEQSRCB|DNSEQSRC", compiled, {}, {}},  // the rest of a fetch left with Cancel
      {"DNPUTSRC", ready, {}, {}},
  };
  for (const auto& s : walk) {
    SCOPED_TRACE(s.step.toStdString());
    prompter.clear();
    act(e, s.step);
    EXPECT_EQ(controls(e), s.controls);
    EXPECT_TRUE(sent(s.sent));
    EXPECT_EQ(boxTitles(), s.boxes);
  }
  EXPECT_EQ(e->lines().text(), "");
  EXPECT_EQ(client->sequence().seqEditor(), e);  // nothing of it closed the window
}

TEST_F(SeqEditor, EditSeqPreparesTheBlockAndTheEditorOpensOnItEvenIfTheSelectionMovedOn) {
  // Refused: both boxes in order, and Edit Seq back.
  button("EditSeq")->click();
  reply({"ERREDTSEQbusy elsewhere"});
  EXPECT_EQ(prompter.boxes(),
            kBlock +
                "|Error \r\nERREDTSEQbusy elsewhere; "
                "Error Preparing Sequence Block to Edit|ERROR MSG: busy elsewhere");
  EXPECT_FALSE(button("EditSeq")->isHidden());
  EXPECT_EQ(client->sequence().seqEditor(), nullptr);

  prompter.clear();
  button("EditSeq")->click();
  EXPECT_TRUE(sent({"EDTSEQ:" + kBlock, "EDTSEQ:" + kBlock}));
  EXPECT_TRUE(button("EditSeq")->isHidden());
  EXPECT_EQ(form().panelText(3), "Preparing Sequence Block " + kBlock);
  ASSERT_TRUE(client->tree().selectNode("FEEDWT:FT201"));
  reply({"WRNEDTSEQsaved, not installed", "DNEDTSEQ"});
  EXPECT_TRUE(prompter.showed(0, "Warning Preparing Sequence Block to Edit",
                              "ERROR MSG: saved, not installed", Prompter::Icon::Exclamation,
                              QMessageBox::Ok));
  SeqEditFRM* e = client->sequence().seqEditor();
  ASSERT_TRUE(e && e->isVisible());
  EXPECT_EQ(inside<QLabel>(e, "Label1")->text(), kBlock + " IND");
  EXPECT_EQ(controls(e), "EditPB CompilePB ListingPB(off) DonePB(off) CancelPB");
  EXPECT_EQ(form().panelText(3), "");
  EXPECT_TRUE(button("EditSeq")->isHidden());
  inside<QPushButton>(e, "CompilePB")->click();
  EXPECT_TRUE(sent({"COMPLSEQ:" + kBlock + " IND"}));
}

TEST_F(SeqEditor, EveryWayOfClosingSendsCanseqThenModdoneOnceAndShowsEditSeqAgain) {
  const QStringList closing = {"CANSEQ:" + kBlock, "MODDONE:" + kBlock};
  const struct {
    QString how;
    QStringList sent;
  } ways[] = {
      {"press CancelPB", QStringList{"CANSEQ:" + kBlock} + closing},
      {"close box", closing},
      {"DNINSSEQ", closing},
      {"DNCANSEQ", closing},
      {"main window closes", closing + QStringList{"CLOSEICC"}},
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
    EXPECT_EQ(form().panelText(3), way.how == "press CancelPB" ? "EDIT: Cancelled" : "");
  }
}

TEST_F(SeqEditor, TheListingAfterACompileErrorIsTheEditedBlocksAndScrollsToItsEnd) {
  SeqEditFRM* e = open();
  ASSERT_TRUE(client->tree().selectNode("FEEDWT:FT201"));
  inside<QPushButton>(e, "CompilePB")->click();
  reply({"ERRCPLSEQ2 errors"});
  EXPECT_TRUE(sent({"COMPLSEQ:" + kBlock + " IND", "GETLST:" + kBlock}));
  EXPECT_EQ(inside<QPlainTextEdit>(e, "SourceTB")->toPlainText(),
            "Retrieving listing for  " + kBlock);
  QStringList listing{"CLRGETLST"};
  for (int i = 0; i < 300; ++i) listing << "SEQLST" + QString::number(i);
  reply(listing << "DNSEQLST");
  QScrollBar* bar = inside<QPlainTextEdit>(e, "SourceTB")->verticalScrollBar();
  EXPECT_TRUE(inside<QPlainTextEdit>(e, "SourceTB")->toPlainText().startsWith("\n0\n1\n"));
  EXPECT_EQ(inside<QPlainTextEdit>(e, "SourceTB")->textCursor().position(),
            inside<QPlainTextEdit>(e, "SourceTB")->document()->characterCount() - 1);
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
  // Asked for with View Listing, the same listing stays at its top.
  inside<QPushButton>(e, "CancelPB")->click();
  inside<QPushButton>(e, "ListingPB")->click();
  reply(listing);
  EXPECT_EQ(inside<QPlainTextEdit>(e, "SourceTB")->textCursor().position(), 0);
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(SeqEditor, SaveRefusesWhatTheWireCannotCarryAndCopesWithAnEmptyText) {
  SeqEditFRM* e = open();
  inside<QPushButton>(e, "EditPB")->click();
  reply({"CLRSEQSRC", "DNSEQSRC"});
  EXPECT_TRUE(sent({"GETSRC:" + kBlock}));
  const QString before = controls(e);
  inside<QPlainTextEdit>(e, "SourceTB")->setPlainText(QString::fromUtf16(u"caf\u00e9\n\u20ac 5"));
  inside<QPushButton>(e, "EditSvPB")->click();
  EXPECT_TRUE(prompter.showed(
      0, "Error Saving Sequence Block Code",
      QString::fromUtf16(u"ERROR: Line 2 holds the character \"\u20ac\" (U+20ac), which can not "
                         u"be sent to the server. Nothing was saved.")));
  EXPECT_TRUE(sent({}));
  EXPECT_EQ(controls(e), before);
  inside<QPlainTextEdit>(e, "SourceTB")->setPlainText(QString());
  inside<QPushButton>(e, "EditSvPB")->click();
  EXPECT_TRUE(sent({"SPUTSTART:" + kBlock, "SPUTEND"}));
  EXPECT_EQ(controls(e), "EditPB CompilePB ListingPB(off) DonePB(off) CancelPB");
  EXPECT_TRUE(inside<QProgressBar>(e, "ProgressBar1")->isHidden());
}

using PlbListing = ClientFixture;

TEST_F(PlbListing, ViewPlbAsksForTheNodeAndOneWindowShowsEachListingIndented) {
  connectClient();
  selectBlock("FEEDWT:PMPPLB", "PLB");
  button("PLBEditPB")->click();
  EXPECT_TRUE(sent({"PLBLIST:FEEDWT:PMPPLB"}));
  EXPECT_FALSE(button("PLBEditPB")->isEnabled());
  reply({"CLRPLBLIST N1", "PLBLIST P", "PLBLIST Q"});
  sequence::PLBList* w = client->sequence().plbList();
  ASSERT_TRUE(w && w->isVisible());
  EXPECT_EQ(w->windowTitle() + u'|' + w->text(), "PLB Listing: N1| P\n Q");
  EXPECT_FALSE(inside<QPlainTextEdit>(w, "SourceTB")->isEnabled());
  reply({"PLBENDLIST"});
  EXPECT_TRUE(inside<QPlainTextEdit>(w, "SourceTB")->isEnabled());
  reply({"CLRPLBLIST:N2", "PLBLIST!", "PLBLIST-R", "PLBENDLIST"});
  EXPECT_EQ(client->sequence().plbList(), w);
  EXPECT_EQ(w->windowTitle() + u'|' + w->text(), "PLB Listing: N2| \n R");
  inside<QPushButton>(w, "OK_PB")->click();
  EXPECT_EQ(client->sequence().plbList(), nullptr);
  reply({"PLBLIST S", "PLBENDLIST"});
  EXPECT_EQ(client->sequence().plbList(), nullptr);
}
