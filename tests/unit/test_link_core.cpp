// Framing, line splitting and its bound, column reads and the reply dispatcher's order.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "link/columns.h"
#include "link/dispatcher.h"
#include "link/framing.h"
#include "link/line_splitter.h"

using namespace tarvo;
using namespace tarvo::link;
using Lines = std::vector<std::string>;

TEST(Framing, LengthIsZeroFilledToFourDigitsAndCountsEveryCharacter) {
  EXPECT_EQ(frameCommand("WATCHDOG"), "MSG:0008WATCHDOG");
  EXPECT_EQ(frameCommand(""), "MSG:0000");
  EXPECT_EQ(frameCommand(std::string(123, 'x')).substr(0, 8), "MSG:0123");
  EXPECT_EQ(frameCommand(std::string(10000, 'A')).substr(0, 10), "MSG:10000A");  // five digits
}

// The lines `splitter` gives for one arrival of `data`.
Lines feed(LineSplitter& splitter, std::string_view data) {
  Lines out;
  splitter.feed(data, out);
  return out;
}

TEST(Splitting, LinesComeOutWholeInOrderAndTheTailWaits) {
  LineSplitter s;
  EXPECT_EQ(feed(s, "DNCPLST\nCLRCM"), Lines{"DNCPLST"});
  EXPECT_EQ(s.pending(), "CLRCM");
  EXPECT_EQ(feed(s, "PLST\n"), Lines{"CLRCMPLST"});
  // Empty lines are passed on; a line may span many arrivals.
  EXPECT_EQ(feed(s, "\n\nX"), (Lines{"", ""}));
  EXPECT_TRUE(feed(s, "Y").empty());
  EXPECT_EQ(feed(s, "Z\n"), Lines{"XYZ"});
  EXPECT_EQ(s.pending(), "");
}

// What the client holds of the server's input stays bounded, whatever the server sends.
TEST(LineBound, AnOverLongLineIsCutToTheLimitAndTheNextComesWhole) {
  LineSplitter s(8);
  // One that never ends is held at the limit, however much more arrives.
  for (int i = 0; i < 1000; ++i) feed(s, "0123456789");
  EXPECT_EQ(s.pending().size(), 8u);
  EXPECT_EQ(feed(s, "tail\nNEXT\n"), (Lines{"01234567", "NEXT"}));
  EXPECT_EQ(s.takeCutLines(), 1u);
  EXPECT_EQ(s.takeCutLines(), 0u);
  // Within one arrival, and exactly at the limit (not cut).
  EXPECT_EQ(feed(s, "ABCDEFGHIJK\n12345678\n"), (Lines{"ABCDEFGH", "12345678"}));
  EXPECT_EQ(s.takeCutLines(), 1u);
  // A new connection starts clean even in the middle of dropping.
  feed(s, "0123456789");
  s.reset();
  EXPECT_EQ(feed(s, "OK\n"), Lines{"OK"});
  EXPECT_EQ(s.takeCutLines(), 0u);
}

TEST(Columns, ReadOneBasedColumnsNeverPastTheEndTrimBlanksAndLeadingNumbers) {
  const std::string_view line = "CPLST    CP6001";
  const std::pair<std::string_view, const char*> reads[] = {
      {fromCol(line, 10), "CP6001"},  {fromCol(line, 15), "1"},   {fromCol(line, 16), ""},
      {cols(line, 10, 12), "CP6"},    {cols(line, 14, 40), "01"}, {cols(line, 30, 40), ""},
      {trimBlanks("  a b  "), "a b"}, {trimBlanks("    "), ""}};
  for (const auto& [got, expected] : reads) EXPECT_EQ(got, expected);
  const std::pair<const char*, long long> numbers[] = {
      {"1024x", 1024}, {"   40", 40}, {"-7", -7}, {"abc", 0}, {"", 0}};
  for (const auto& [text, n] : numbers) EXPECT_EQ(leadingNumber(text), n) << text;
  EXPECT_GT(leadingNumber("99999999999999999999999"), 0);  // saturates, no overflow
}

// Records which handlers ran for a line, in order.
class Recorder : public ReplyHandler {
 public:
  std::string calls;
  void onVersion(std::string_view) override { calls += " VERSION"; }
  void onDnCpLst(std::string_view) override { calls += " DNCPLST"; }
  void onBlkTypNew(std::string_view) override { calls += " BLKTYPNEW"; }
  void onBlkTyp(std::string_view) override { calls += " BLKTYP"; }
  void onErrEdtSeq(std::string_view) override { calls += " ERREDTSEQ-1"; }
  void onErrEdtSeqEditor(std::string_view) override { calls += " ERREDTSEQ-2"; }
  void onDnDelBlk(std::string_view line) override { calls += " DEL:" + std::string(line); }
  void onErrCpUtil(std::string_view) override { calls += " ERRCPUTIL"; }
};

TEST(Dispatcher, EachLineRunsItsHandlersInTableOrder) {
  // Prefix keywords take any payload; the block type list header does not also run the
  // entry handler; alternative keywords share one handler; unknown, empty and framed lines
  // are ignored.
  const std::pair<const char*, const char*> cases[] = {
      // clang-format off
      {"ERRCPUTIL", " ERRCPUTIL"},         {"DNCPLST and more", " DNCPLST"},
      {"VERSION0.95.1", " VERSION"},       {"BLKTYPNEW", " BLKTYPNEW"},
      {"BLKTYP   PID", " BLKTYP"},         {"ERREDTSEQ x", " ERREDTSEQ-1 ERREDTSEQ-2"},
      {"DNDELBLKA:B", " DEL:DNDELBLKA:B"}, {"DNDELBLXA:B", " DEL:DNDELBLXA:B"},
      {"", ""}, {"MSG:0006GETCPS", ""},    {"version0.95.1", ""}, {"HELLO", ""},
      // clang-format on
  };
  for (const auto& [line, calls] : cases) {
    Recorder r;
    dispatchLine(line, r);
    EXPECT_EQ(r.calls, calls) << '"' << line << '"';
  }
}

TEST(Dispatcher, WholeLineKeywordsTakeNothingAfterThem) {
  ReplyHandler none;
  for (const std::string keyword :
       {"CLRCPLST", "CLRCMPLST", "CLRPRMLST", "DNPRMLST", "CLRBLKLST", "DNBLKLST", "DNCPUTIL"}) {
    EXPECT_EQ(dispatchLine(keyword, none), 1) << keyword;
    EXPECT_EQ(dispatchLine(keyword + " ", none), 0) << keyword;
  }
}
