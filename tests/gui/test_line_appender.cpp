// Text boxes filled line by line from replies: lines gathered per burst without losing their
// order, and the caret left where it was. How each window joins its lines is in its tests.
#include <gtest/gtest.h>

#include <QPlainTextEdit>

#include "support/FakeServer.h"
#include "ui/LineAppender.h"

using tarvo::LineAppender;

TEST(LineAppender, LinesReachTheBoxOncePerBurstAndClearingStartsAfresh) {
  QPlainTextEdit box;
  LineAppender appender(&box, LineAppender::Join::SkipLeadingEmpty);
  appender.setText(QStringLiteral("Retrieving source"));
  appender.clear();
  for (const char* line : {"", "0", "", "2"}) appender.append(QString::fromLatin1(line));
  EXPECT_EQ(box.toPlainText(), "");  // not yet: the burst is still being handled
  EXPECT_EQ(box.document()->blockCount(), 1);
  ASSERT_TRUE(tarvo::test::waitUntil([&] { return !box.toPlainText().isEmpty(); }));
  EXPECT_EQ(box.toPlainText(), "0\n\n2");  // a leading empty line is dropped
  EXPECT_EQ(box.document()->blockCount(), 3);
  EXPECT_EQ(box.textCursor().position(), 0);  // the caret stays where it was
  appender.append(u"3");
  appender.clear();  // lines not yet in are forgotten with the rest
  appender.append(u"4");
  EXPECT_EQ(appender.text(), "4");
}
