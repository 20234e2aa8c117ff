// The view helpers every window shares: the tool-window base and its owner's hold on it,
// the line appender, and what a message box shows of a long text.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTest>

#include "support/ClientFixture.h"
#include "ui/LineAppender.h"
#include "ui/Prompter.h"
#include "ui/ToolWindow.h"

namespace tarvo::test {
namespace {

TEST(ToolWindow, SaysOnceThatItClosesWhicheverWayAndItsOwnerForgetsIt) {
  QWidget owner;
  OwnedWindow<ToolWindow> held;
  int made = 0;
  int unloads = 0;
  auto make = [&] {
    ++made;
    auto* w = new ToolWindow("Tool", QStringLiteral("First caption"), &owner);
    QObject::connect(w, &ToolWindow::unloading, [&] { ++unloads; });
    return w;
  };
  ToolWindow& w = held.ensure(make);
  EXPECT_EQ(&held.ensure(make), &w);  // asked again, the same window
  EXPECT_EQ(made, 1);
  w.setWindowTitle(QStringLiteral("Second caption"));
  EXPECT_EQ(w.accessibleName(), "Second caption");  // a screen reader names it by its caption
  w.showRaised();
  const QPointer<ToolWindow> gone = &w;
  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_EQ(unloads, 1);
  EXPECT_FALSE(held);  // forgotten at once: no later reply finds it
  held.close();        // nothing to close now
  EXPECT_EQ(unloads, 1);
  EXPECT_TRUE(waitUntil([&] { return gone.isNull(); }));  // and deleted
  held.ensure(make);
  EXPECT_EQ(made, 2);
}

TEST(ToolWindow, AWindowStillHeldGoesWithItsHolder) {
  QPointer<ToolWindow> window;
  {
    OwnedWindow<ToolWindow> held;
    window = &held.ensure([] { return new ToolWindow("Tool", QStringLiteral("Tool")); });
  }
  EXPECT_TRUE(window.isNull());
}

// Lines gathered per burst without losing their order, and the caret left where it was; how
// each window joins its lines is in its own tests.
TEST(LineAppender, LinesReachTheBoxOncePerBurstAndClearingStartsAfresh) {
  QPlainTextEdit box;
  LineAppender appender(&box, LineAppender::Join::SkipLeadingEmpty);
  appender.setText(QStringLiteral("Retrieving source"));
  appender.clear();
  for (const char* line : {"", "0", "", "2"}) appender.append(QString::fromLatin1(line));
  EXPECT_EQ(box.toPlainText(), "");  // not yet: the burst is still being handled
  EXPECT_EQ(box.document()->blockCount(), 1);
  ASSERT_TRUE(waitUntil([&] { return !box.toPlainText().isEmpty(); }));
  EXPECT_EQ(box.toPlainText(), "0\n\n2");  // a leading empty line is dropped
  EXPECT_EQ(box.document()->blockCount(), 3);
  EXPECT_EQ(box.textCursor().position(), 0);  // the caret stays where it was
  appender.append(u"3");
  appender.clear();  // lines not yet in are forgotten with the rest
  appender.append(u"4");
  EXPECT_EQ(appender.text(), "4");
}

TEST(BoxText, ALongMessageShowsItsBeginningAndTheRestInTheDetails) {
  EXPECT_EQ(boxText(QStringLiteral("ERROR: short")).shown, "ERROR: short");
  EXPECT_TRUE(boxText(QStringLiteral("ERROR: short")).details.isEmpty());
  // A megabyte on one line, and many short lines.
  const QString huge = QStringLiteral("ERROR: ") + QString(1000000, u'x');
  const BoxText wide = boxText(huge);
  EXPECT_TRUE(wide.shown.startsWith(huge.left(1500)));
  EXPECT_LT(wide.shown.size(), 1600);
  EXPECT_TRUE(wide.shown.endsWith("[... 998507 more characters; see Show Details]"));
  EXPECT_TRUE(wide.details.startsWith(huge.left(65536)));
  EXPECT_LT(wide.details.size(), 65600);
  QStringList many;
  for (int i = 0; i < 100; ++i) many << QString::number(i);
  const BoxText tall = boxText(many.join(u'\n'));
  EXPECT_EQ(tall.shown.count(u'\n'), 24 + 2);
  EXPECT_EQ(tall.details, many.join(u'\n'));
}

}  // namespace
}  // namespace tarvo::test
