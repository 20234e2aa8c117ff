// Framing, line splitting, column reads and the reply dispatcher's order.
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

TEST(Framing, LengthIsZeroFilledToFourDigitsAndCountsEveryCharacter) {
  EXPECT_EQ(frameCommand("WATCHDOG"), "MSG:0008WATCHDOG");
  EXPECT_EQ(frameCommand(""), "MSG:0000");
  EXPECT_EQ(frameCommand(std::string(123, 'x')).substr(0, 8), "MSG:0123");
  EXPECT_EQ(frameCommand(std::string(10000, 'A')).substr(0, 10), "MSG:10000A");  // five digits
}

TEST(Splitting, LinesComeOutWholeInOrderAndTheTailWaits) {
  LineSplitter splitter;
  auto feed = [&](std::string_view data) {
    std::vector<std::string> out;
    splitter.feed(data, out);
    return out;
  };
  using Lines = std::vector<std::string>;
  EXPECT_EQ(feed("DNCPLST\nCLRCM"), Lines{"DNCPLST"});
  EXPECT_EQ(splitter.pending(), "CLRCM");
  EXPECT_EQ(feed("PLST\n"), Lines{"CLRCMPLST"});
  // Empty lines are passed on; a line may span many arrivals.
  EXPECT_EQ(feed("\n\nX"), (Lines{"", ""}));
  EXPECT_TRUE(feed("Y").empty());
  EXPECT_EQ(feed("Z\n"), Lines{"XYZ"});
  EXPECT_EQ(splitter.pending(), "");
  // Reset drops the tail of an earlier connection.
  feed("VERSI");
  splitter.reset();
  EXPECT_EQ(feed("VERSION0.95.1\n"), Lines{"VERSION0.95.1"});
}

TEST(Columns, ReadOneBasedColumnsNeverPastTheEndTrimBlanksAndLeadingNumbers) {
  const std::string_view line = "CPLST    CP6001";
  EXPECT_EQ(fromCol(line, 10), "CP6001");
  EXPECT_EQ(fromCol(line, 15), "1");
  EXPECT_EQ(fromCol(line, 16), "");
  EXPECT_EQ(cols(line, 10, 12), "CP6");
  EXPECT_EQ(cols(line, 14, 40), "01");
  EXPECT_EQ(cols(line, 30, 40), "");
  EXPECT_EQ(trimBlanks("  a b  "), "a b");
  EXPECT_EQ(trimBlanks("    "), "");
  const std::pair<const char*, long long> numbers[] = {
      {"1024x", 1024}, {"   40", 40}, {"-7", -7}, {"abc", 0}, {"", 0}};
  for (const auto& [text, n] : numbers) EXPECT_EQ(leadingNumber(text), n) << text;
  EXPECT_GT(leadingNumber("99999999999999999999999"), 0);  // saturates, no overflow
}

// Records which handlers ran for a line, in order.
class Recorder : public ReplyHandler {
 public:
  std::vector<std::string> calls;
  void onVersion(std::string_view) override { calls.push_back("VERSION"); }
  void onDnCpLst(std::string_view) override { calls.push_back("DNCPLST"); }
  void onBlkTypNew(std::string_view) override { calls.push_back("BLKTYPNEW"); }
  void onBlkTyp(std::string_view) override { calls.push_back("BLKTYP"); }
  void onBlkLst(std::string_view) override { calls.push_back("BLKLST"); }
  void onErrEdtSeq(std::string_view) override { calls.push_back("ERREDTSEQ-1"); }
  void onErrEdtSeqEditor(std::string_view) override { calls.push_back("ERREDTSEQ-2"); }
  void onDnDelBlk(std::string_view line) override { calls.push_back("DEL:" + std::string(line)); }
  void onErrCpUtil(std::string_view) override { calls.push_back("ERRCPUTIL"); }
};

std::vector<std::string> run(std::string_view line) {
  Recorder r;
  dispatchLine(line, r);
  return r.calls;
}

TEST(Dispatcher, EachLineRunsItsHandlersInTableOrder) {
  using Calls = std::vector<std::string>;
  const std::pair<const char*, Calls> cases[] = {
      // Prefix keywords take any payload.
      {"ERRCPUTIL", {"ERRCPUTIL"}},
      {"BLKLST    1", {"BLKLST"}},
      {"DNCPLST and more", {"DNCPLST"}},
      {"VERSION0.95.1", {"VERSION"}},
      // The block type list header does not also run the entry handler.
      {"BLKTYPNEW", {"BLKTYPNEW"}},
      {"BLKTYP   PID", {"BLKTYP"}},
      {"ERREDTSEQ no such block", {"ERREDTSEQ-1", "ERREDTSEQ-2"}},
      // Alternative keywords share one handler.
      {"DNDELBLKA:B", {"DEL:DNDELBLKA:B"}},
      {"DNDELBLXA:B", {"DEL:DNDELBLXA:B"}},
      // Unknown, empty and framed lines are ignored.
      {"", {}},
      {"MSG:0006GETCPS", {}},
      {"version0.95.1", {}},
      {"HELLO", {}},
  };
  for (const auto& [line, calls] : cases) EXPECT_EQ(run(line), calls) << '"' << line << '"';
}

TEST(Dispatcher, WholeLineKeywordsTakeNothingAfterThem) {
  ReplyHandler none;
  for (const std::string keyword :
       {"CLRCPLST", "CLRCMPLST", "CLRPRMLST", "DNPRMLST", "CLRBLKLST", "DNBLKLST", "DNCPUTIL"}) {
    EXPECT_EQ(dispatchLine(keyword, none), 1) << keyword;
    EXPECT_EQ(dispatchLine(keyword + " ", none), 0) << keyword;
  }
}
