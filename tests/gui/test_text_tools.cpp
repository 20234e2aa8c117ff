// The shared helpers of the text windows that their windows' tests do not reach: the gutter
// of the numbered text box beside its lines as it scrolls and zooms, the run clock, and the
// number box of the Prompter, the real one and the scripted one side by side.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include "support/ClientFixture.h"
#include "ui/NumberedTextEdit.h"
#include "ui/Prompter.h"
#include "ui/RunIndicator.h"

namespace tarvo::test {
namespace {

TEST(NumberedTextEdit, NumbersStandBesideTheirLinesInViewOnlyAsTheTextScrollsAndZooms) {
  NumberedTextEdit box;
  box.setLineWrapMode(QPlainTextEdit::NoWrap);
  box.resize(400, 300);
  box.show();
  QStringList lines;
  for (int i = 1; i <= 1000; ++i) lines << QString::number(i * 7);
  box.setPlainText(lines.join(u'\n'));
  const int height = box.viewport()->height();
  const auto besideTheirLines = [&] {
    const auto shown = box.shownNumbers(0, height);
    EXPECT_FALSE(shown.empty());
    EXPECT_EQ(shown.front().number, box.verticalScrollBar()->value() + 1);
    EXPECT_LE(shown.size(), height / box.fontMetrics().lineSpacing() + 2u);  // in view only
    for (const auto& n : shown)
      EXPECT_EQ(n.top,
                box.cursorRect(QTextCursor(box.document()->findBlockByNumber(n.number - 1))).top());
    return shown.size();
  };
  const auto normal = besideTheirLines();
  box.verticalScrollBar()->setValue(500);
  besideTheirLines();
  box.zoomBy(6);
  EXPECT_LT(besideTheirLines(), normal);  // bigger lines, fewer of them
  box.goToLine(505);
  const QRect caret = box.cursorRect();
  const auto marked = box.shownNumbers(caret.top() + 1, caret.bottom() - 1);
  ASSERT_EQ(marked.size(), 1u);
  EXPECT_TRUE(marked.front().number == 505 && marked.front().current);

  box.setLineNumbersShown(false);
  EXPECT_EQ(box.viewport()->geometry().left(), box.frameWidth());
}

TEST(RunIndicator, TheClockCountsMinutesAndSecondsFromTheStart) {
  EXPECT_EQ(elapsedText(999) + ' ' + elapsedText(83'000) + ' ' + elapsedText(7'500'000),
            "00:00 01:23 125:00");
  QWidget window;
  RunIndicator indicator("Run", &window);
  window.show();
  indicator.start(QStringLiteral("Generation running"));
  ASSERT_TRUE(waitUntil([&] { return indicator.text() == "Generation running, 00:01"; }));
  indicator.stop(QStringLiteral("Generation finished"));
  EXPECT_FALSE(indicator.findChild<QTimer*>()->isActive());
}

// What a number box says when `keys` are typed into it and Enter is pressed: the number
// taken, or "refused" when it stays open (and is then cancelled).
QString realBox(const QString& keys) {
  bool refused = false;
  QTimer::singleShot(0, [&] {
    QInputDialog* box = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QInputDialog*>(w); d && d->isVisible()) box = d;
    ASSERT_NE(box, nullptr);
    auto* field = box->findChild<QSpinBox*>()->findChild<QLineEdit*>();
    field->selectAll();
    QTest::keyClicks(field, keys);
    QTest::keyClick(field, Qt::Key_Return);
    refused = box->isVisible();
    if (refused) box->reject();
  });
  const auto number = DialogPrompter().inputNumber("Line:", "Go to Line", 7, 1, 250);
  return refused ? "refused" : number ? QString::number(*number) : "cancelled";
}

QString scriptedBox(const QString& keys) {
  ScriptedPrompter prompter;
  prompter.answerNumber(keys);
  const auto number = prompter.inputNumber("Line:", "Go to Line", 7, 1, 250);
  return prompter.shown.at(0).refused ? "refused" : number ? QString::number(*number) : "cancelled";
}

TEST(NumberBox, TheScriptedBoxKeepsToItsLimitsAsTheRealOneDoes) {
  const struct {
    QString keys;
    QString result;
  } cases[] = {{"120", "120"}, {"250", "250"}, {"0", "refused"}, {"251", "25"},
               {"999", "99"},  {"-3", "3"},    {"abc", "7"},     {"12x5", "125"}};
  for (const auto& c : cases) {
    EXPECT_EQ(realBox(c.keys), c.result) << c.keys.toStdString();
    EXPECT_EQ(scriptedBox(c.keys), c.result) << c.keys.toStdString();
  }
}

}  // namespace
}  // namespace tarvo::test
