// Text boxes filled line by line from replies: the three ways lines are joined, and lines
// gathered per burst without losing their order.
#include <gtest/gtest.h>

#include <QPlainTextEdit>

#include "support/FakeServer.h"
#include "ui/LineAppender.h"

using tarvo::LineAppender;
using Join = LineAppender::Join;

namespace {

QString filled(Join join, const QStringList& lines) {
  QPlainTextEdit box;
  LineAppender appender(&box, join);
  for (const QString& line : lines) appender.append(line);
  return appender.text();
}

}  // namespace

TEST(LineAppender, JoinsByItsRule) {
  const QStringList lines{"", "X", "", "Y"};
  EXPECT_EQ(filled(Join::SkipLeadingEmpty, lines), "X\n\nY");
  EXPECT_EQ(filled(Join::SkipLeadingEmpty, {"", ""}), "");
  EXPECT_EQ(filled(Join::BreakBefore, {"P", "Q"}), "\nP\nQ");
  EXPECT_EQ(filled(Join::Indented, {"P", "Q"}), " P\n Q");
  EXPECT_EQ(filled(Join::Indented, {"", "Q"}), " \n Q");
}

TEST(LineAppender, LinesReachTheBoxOncePerBurstAndClearingStartsAfresh) {
  QPlainTextEdit box;
  LineAppender appender(&box, Join::SkipLeadingEmpty);
  appender.setText(QStringLiteral("Retrieving source"));
  appender.clear();
  for (int i = 0; i < 3; ++i) appender.append(QString::number(i));
  EXPECT_EQ(box.toPlainText(), "");  // not yet: the burst is still being handled
  EXPECT_EQ(box.document()->blockCount(), 1);
  ASSERT_TRUE(tarvo::test::waitUntil([&] { return !box.toPlainText().isEmpty(); }));
  EXPECT_EQ(box.toPlainText(), "0\n1\n2");
  EXPECT_EQ(box.document()->blockCount(), 3);
  EXPECT_EQ(box.textCursor().position(), 0);  // the caret stays where it was
  appender.append(u"3");
  appender.clear();  // lines not yet in are forgotten with the rest
  appender.append(u"4");
  EXPECT_EQ(appender.text(), "4");
}
