// The sequence editor as a code editor: line numbers and the caret's place beside the
// source, Go to Line through the Prompter's number box, Find in the source and the listing;
// none of which changes what Save sends.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>

#include "browser/TreeController.h"
#include "sequence/SeqEditFRM.h"
#include "sequence/SequenceController.h"
#include "support/ClientFixture.h"
#include "ui/NumberedTextEdit.h"

using namespace tarvo;
using namespace tarvo::test;

namespace {

const QString kBlock = QStringLiteral("FEEDWT:PMPSEQ");

// "  x := 1;" and so on, every tenth line "IF running THEN".
QStringList sourceLines(int count) {
  QStringList lines;
  for (int i = 1; i <= count; ++i)
    lines << (i % 10 ? QStringLiteral("  x := %1;").arg(i) : QStringLiteral("IF running THEN"));
  return lines;
}

}  // namespace

class SeqEditorTools : public ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    connectClient();
    openSessionWithTree({cmp(1, "FEEDWT"), blk(2, "PMPSEQ", "IND")});
    ASSERT_TRUE(client->tree().selectNode(kBlock));
    button("EditSeq")->click();
    reply({"DNEDTSEQ"});
    ASSERT_TRUE(sent({"EDTSEQ:" + kBlock}));
    e = client->sequence().seqEditor();
    ASSERT_TRUE(e && waitUntil([&] { return QApplication::activeWindow() == e; }));
  }
  void fetch(const QStringList& lines) {
    inside<QPushButton>(e, "EditPB")->click();
    QStringList replies{"CLRSEQSRC"};
    for (const QString& line : lines) replies << "SEQSRC" + line;
    reply(replies << "DNSEQSRC");
    ASSERT_TRUE(sent({"GETSRC:" + kBlock}));
  }
  // A key pressed where the focus is, as the user types.
  void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : e, k, modifiers);
  }
  NumberedTextEdit* source() { return inside<NumberedTextEdit>(e, "SourceTB"); }
  QString text(const char* label) { return inside<QLabel>(e, label)->text(); }
  // The selection's start as "line:column".
  QString selectionAt() {
    const int start = source()->textCursor().selectionStart();
    const QTextBlock line = source()->document()->findBlock(start);
    return QStringLiteral("%1:%2").arg(line.blockNumber() + 1).arg(start - line.position() + 1);
  }

  sequence::SeqEditFRM* e = nullptr;
};

TEST_F(SeqEditorTools, GoToLineMovesTheCaretToTheLineAskedWithinTheBoxsLimits) {
  fetch(sourceLines(250));
  const struct {
    QString typed;
    int line;  // where the caret is then
    bool refused;
  } asks[] = {{"120", 120, false},
              {"0", 120, true},    // there is no line 0: the box does not take it
              {"251", 25, false},  // the box refuses the key that goes past the last line
              {"250", 250, false}};
  int from = 1;  // the box offers the caret's line
  for (const auto& ask : asks) {
    SCOPED_TRACE(ask.typed.toStdString());
    prompter.clear();
    prompter.answerNumber(ask.typed);
    key(Qt::Key_G, Qt::ControlModifier);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.showed(0, "Go to Line", "Line number (1 - 250):"));
    EXPECT_EQ(prompter.shown[0].limits, (NumberLimits{from, 1, 250}));
    EXPECT_EQ(prompter.shown[0].refused, ask.refused);
    EXPECT_EQ(text("CaretLBL"), QStringLiteral("Ln %1, Col 1").arg(ask.line));
    EXPECT_TRUE(source()->viewport()->rect().contains(source()->cursorRect()));
    from = ask.line;
  }
  inside<QPushButton>(e, "CancelPB")->click();  // back to Ready: no source, no box
  prompter.clear();
  key(Qt::Key_G, Qt::ControlModifier);
  EXPECT_TRUE(prompter.shown.isEmpty());
  EXPECT_TRUE(sent({}));
}

TEST_F(SeqEditorTools, FindLooksForwardAndBackWrapsSayingSoInTheSourceAndTheListing) {
  fetch(sourceLines(30));
  key(Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(inside<QLineEdit>(e, "FindTB")->hasFocus());
  QTest::keyClicks(inside<QLineEdit>(e, "FindTB"), "RUNNING");  // in any case
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString at;
    QString status;
  } steps[] = {{Qt::Key_Return, Qt::NoModifier, "10:4", ""},
               {Qt::Key_F3, Qt::NoModifier, "20:4", ""},
               {Qt::Key_F3, Qt::NoModifier, "30:4", ""},
               {Qt::Key_F3, Qt::NoModifier, "10:4", "Wrapped to the top"},
               {Qt::Key_F3, Qt::ShiftModifier, "30:4", "Wrapped to the bottom"},
               {Qt::Key_Return, Qt::ShiftModifier, "20:4", ""}};
  for (const auto& step : steps) {
    key(step.key, step.modifiers);
    EXPECT_EQ(selectionAt() + '|' + text("FindInfoLBL"), step.at + '|' + step.status);
  }
  QTest::keyClicks(inside<QLineEdit>(e, "FindTB"), "x");  // found nowhere: the caret stays
  key(Qt::Key_Return);
  EXPECT_EQ(selectionAt() + '|' + text("FindInfoLBL"), "20:4|\"RUNNINGx\" not found");
  key(Qt::Key_Escape);  // closes the bar, not the window
  EXPECT_TRUE(inside<QWidget>(e, "FindFRM")->isHidden());
  EXPECT_TRUE(source()->hasFocus());

  // The listing: searched too, but its numbers are the compiler's, not the gutter's.
  inside<QPushButton>(e, "CancelPB")->click();
  inside<QPushButton>(e, "CompilePB")->click();
  reply({"ERRCPLSEQ1 error", "CLRGETLST", "SEQLST   1  IF running THEN", "DNSEQLST"});
  EXPECT_TRUE(sent({"COMPLSEQ:" + kBlock + " IND", "GETLST:" + kBlock}));
  EXPECT_FALSE(source()->lineNumbersShown());
  EXPECT_TRUE(inside<QLabel>(e, "CaretLBL")->isHidden());
  prompter.clear();
  key(Qt::Key_G, Qt::ControlModifier);
  EXPECT_TRUE(prompter.shown.isEmpty());
  key(Qt::Key_F, Qt::ControlModifier);
  QTest::keyClicks(inside<QLineEdit>(e, "FindTB"), "running");
  key(Qt::Key_Return);  // from the listing's end, where the caret went
  EXPECT_EQ(selectionAt() + '|' + text("FindInfoLBL"), "2:10|Wrapped to the top");
}

TEST_F(SeqEditorTools, TheGutterWidensWithTheDigitsAndNothingOfItReachesWhatIsSaved) {
  const QStringList lines = sourceLines(9);
  fetch(lines);
  inside<QPushButton>(e, "EditSvPB")->click();
  ASSERT_TRUE(server.waitForCommands(2 + lines.size()));
  const QStringList plain = server.commands;
  ASSERT_TRUE(sent(plain));

  fetch(lines);
  QWidget* gutter = inside<QWidget>(source(), "LineNumbers");
  EXPECT_TRUE(gutter->isVisible());
  const int oneDigit = gutter->width();
  source()->setFocus();
  source()->moveCursor(QTextCursor::End);
  key(Qt::Key_Return);  // a tenth line
  EXPECT_EQ(text("CaretLBL") + '|' + text("Label1"), "Ln 10, Col 1|" + kBlock + " IND");
  EXPECT_GT(gutter->width(), oneDigit);
  key(Qt::Key_Backspace);
  EXPECT_EQ(gutter->width(), oneDigit);
  EXPECT_EQ(gutter->font(), source()->font());
  prompter.answerNumber("3");
  key(Qt::Key_G, Qt::ControlModifier);
  key(Qt::Key_F, Qt::ControlModifier);
  QTest::keyClicks(inside<QLineEdit>(e, "FindTB"), "x");
  key(Qt::Key_F3, Qt::ShiftModifier);
  inside<QPushButton>(e, "EditSvPB")->click();
  EXPECT_TRUE(sent(plain));
}
