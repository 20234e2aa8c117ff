// Framing, line splitting, column reads and the reply dispatcher's order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/columns.h"
#include "link/dispatcher.h"
#include "link/framing.h"
#include "link/line_splitter.h"

using namespace tarvo;
using namespace tarvo::link;

TEST(Framing, LengthIsZeroFilledToFourDigits) {
  EXPECT_EQ(frameCommand("WATCHDOG"), "MSG:0008WATCHDOG");
  EXPECT_EQ(frameCommand("GETCPS"), "MSG:0006GETCPS");
  EXPECT_EQ(frameCommand(""), "MSG:0000");
  EXPECT_EQ(frameCommand(std::string(123, 'x')).substr(0, 8), "MSG:0123");
}

TEST(Framing, LongCommandsGetAFiveDigitLength) {
  const std::string text(10000, 'A');
  const std::string frame = frameCommand(text);
  EXPECT_EQ(frame.substr(0, 9), "MSG:10000");
  EXPECT_EQ(frame.size(), 9u + text.size());
  EXPECT_EQ(frameCommand(std::string(9999, 'A')).substr(0, 8), "MSG:9999");
}

TEST(Framing, LineEndsInsideTheCommandAreCounted) {
  EXPECT_EQ(frameCommand("SRCPUT:A\n"), "MSG:0009SRCPUT:A\n");
}

class Splitting : public ::testing::Test {
 protected:
  std::vector<std::string> feed(std::string_view data) {
    std::vector<std::string> out;
    splitter.feed(data, out);
    return out;
  }
  LineSplitter splitter;
};

TEST_F(Splitting, PartialLineIsKeptForTheNextArrival) {
  EXPECT_EQ(feed("DNCPLST\nCLRCM"), std::vector<std::string>{"DNCPLST"});
  EXPECT_EQ(splitter.pending(), "CLRCM");
  EXPECT_EQ(feed("PLST\n"), std::vector<std::string>{"CLRCMPLST"});
  EXPECT_EQ(splitter.pending(), "");
}

TEST_F(Splitting, ArrivalEndingInLineFeedKeepsNothing) {
  EXPECT_EQ(feed("A\nB\n"), (std::vector<std::string>{"A", "B"}));
  EXPECT_TRUE(splitter.pending().empty());
}

TEST_F(Splitting, EmptyLinesArePassedOnAndALineCanSpanManyArrivals) {
  EXPECT_EQ(feed("\n\nX"), (std::vector<std::string>{"", ""}));
  EXPECT_TRUE(feed("Y").empty());
  EXPECT_TRUE(feed("").empty());
  EXPECT_EQ(feed("Z\n"), std::vector<std::string>{"XYZ"});
}

TEST_F(Splitting, ResetDropsTheTailOfAnEarlierConnection) {
  feed("VERSI");
  splitter.reset();
  EXPECT_EQ(feed("VERSION0.95.1\n"), std::vector<std::string>{"VERSION0.95.1"});
}

TEST_F(Splitting, ManyLinesInOneArrivalAllComeOutInOrder) {
  std::string data;
  for (int i = 0; i < 2500; ++i) data += "L" + std::to_string(i) + "\n";
  const auto lines = feed(data);
  ASSERT_EQ(lines.size(), 2500u);
  EXPECT_EQ(lines.front(), "L0");
  EXPECT_EQ(lines[1000], "L1000");
  EXPECT_EQ(lines.back(), "L2499");
}

TEST(Columns, ReadsOneBasedColumnsAndNeverPastTheEnd) {
  const std::string_view line = "CPLST    CP6001";
  EXPECT_EQ(fromCol(line, 10), "CP6001");
  EXPECT_EQ(fromCol(line, 15), "1");
  EXPECT_EQ(fromCol(line, 16), "");
  EXPECT_EQ(fromCol(line, 400), "");
  EXPECT_EQ(cols(line, 10, 12), "CP6");
  EXPECT_EQ(cols(line, 14, 40), "01");
  EXPECT_EQ(cols(line, 30, 40), "");
  EXPECT_EQ(cols("ERRCPUTIL", 10, 20), "");
}

TEST(Columns, TrimAndLeadingNumber) {
  EXPECT_EQ(trimBlanks("  a b  "), "a b");
  EXPECT_EQ(trimBlanks("    "), "");
  EXPECT_EQ(leadingNumber("1024x"), 1024);
  EXPECT_EQ(leadingNumber("   40"), 40);
  EXPECT_EQ(leadingNumber("-7"), -7);
  EXPECT_EQ(leadingNumber("abc"), 0);
  EXPECT_EQ(leadingNumber(""), 0);
  EXPECT_GT(leadingNumber("99999999999999999999999"), 0);  // saturates, no overflow
}

// Records which handlers ran for a line, in order.
class Recorder : public ReplyHandler {
 public:
  std::vector<std::string> calls;
  void onVersion(std::string_view) override { calls.push_back("VERSION"); }
  void onClrCpLst(std::string_view) override { calls.push_back("CLRCPLST"); }
  void onCpLst(std::string_view) override { calls.push_back("CPLST"); }
  void onDnCpLst(std::string_view) override { calls.push_back("DNCPLST"); }
  void onBlkTypNew(std::string_view) override { calls.push_back("BLKTYPNEW"); }
  void onBlkTyp(std::string_view) override { calls.push_back("BLKTYP"); }
  void onClrBlkLst(std::string_view) override { calls.push_back("CLRBLKLST"); }
  void onBlkLst(std::string_view) override { calls.push_back("BLKLST"); }
  void onErrEdtSeq(std::string_view) override { calls.push_back("ERREDTSEQ-1"); }
  void onErrEdtSeqEditor(std::string_view) override { calls.push_back("ERREDTSEQ-2"); }
  void onDnDelBlk(std::string_view line) override { calls.push_back("DEL:" + std::string(line)); }
  void onDnCpUtil(std::string_view) override { calls.push_back("DNCPUTIL"); }
  void onErrCpUtil(std::string_view) override { calls.push_back("ERRCPUTIL"); }
};

std::vector<std::string> run(std::string_view line) {
  Recorder r;
  dispatchLine(line, r);
  return r.calls;
}

TEST(Dispatcher, WholeLineKeywordsTakeNothingAfterThem) {
  EXPECT_EQ(run("CLRBLKLST"), std::vector<std::string>{"CLRBLKLST"});
  EXPECT_TRUE(run("CLRBLKLST ").empty());
  EXPECT_EQ(run("BLKLST    1"), std::vector<std::string>{"BLKLST"});
  EXPECT_TRUE(run("CLRCPLST ").empty());
  EXPECT_EQ(run("DNCPUTIL"), std::vector<std::string>{"DNCPUTIL"});
  EXPECT_TRUE(run("DNCPUTILX").empty());
  EXPECT_EQ(run("ERRCPUTIL"), std::vector<std::string>{"ERRCPUTIL"});
}

TEST(Dispatcher, PrefixKeywordsTakeAnyPayload) {
  EXPECT_EQ(run("DNCPLST and more"), std::vector<std::string>{"DNCPLST"});
  EXPECT_EQ(run("VERSION0.95.1"), std::vector<std::string>{"VERSION"});
}

TEST(Dispatcher, BlockTypeListHeaderDoesNotAlsoRunTheEntryHandler) {
  EXPECT_EQ(run("BLKTYPNEW"), std::vector<std::string>{"BLKTYPNEW"});
  EXPECT_EQ(run("BLKTYP   PID"), std::vector<std::string>{"BLKTYP"});
}

TEST(Dispatcher, EditSequenceErrorRunsBothHandlersInOrder) {
  EXPECT_EQ(run("ERREDTSEQ no such block"),
            (std::vector<std::string>{"ERREDTSEQ-1", "ERREDTSEQ-2"}));
}

TEST(Dispatcher, AlternativeKeywordsShareOneHandler) {
  EXPECT_EQ(run("DNDELBLKA:B"), std::vector<std::string>{"DEL:DNDELBLKA:B"});
  EXPECT_EQ(run("DNDELBLXA:B"), std::vector<std::string>{"DEL:DNDELBLXA:B"});
}

TEST(Dispatcher, UnknownEmptyAndFramedLinesAreIgnored) {
  EXPECT_TRUE(run("").empty());
  EXPECT_TRUE(run("MSG:0006GETCPS").empty());
  EXPECT_TRUE(run("version0.95.1").empty());
  EXPECT_TRUE(run("HELLO").empty());
}

TEST(Dispatcher, TableKeepsTheOrderAndCoversEveryKeyword) {
  const auto routes = replyRoutes();
  ASSERT_EQ(routes.size(), 75u);
  EXPECT_EQ(routes.front().keyword, "VERSION");
  EXPECT_EQ(routes.back().keyword, "XREFRUNDONE");
  int errEdtSeq = 0;
  int wholeLine = 0;
  for (const Route& r : routes) {
    if (r.keyword == "ERREDTSEQ") ++errEdtSeq;
    if (r.test == Match::WholeLine) ++wholeLine;
  }
  EXPECT_EQ(errEdtSeq, 2);
  EXPECT_EQ(wholeLine, 7);
}
