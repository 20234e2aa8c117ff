// Framing, line splitting and its bound, the bound on a list's rows, column reads and the
// reply dispatcher's order.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "link/columns.h"
#include "link/dispatcher.h"
#include "link/framing.h"
#include "link/line_splitter.h"
#include "link/list_bounds.h"
#include "link/reply_router.h"

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

// A list's rows reach their handler up to its limit; the rest are dropped and the cut is
// said when it happens and again after the list's end.
TEST(ListBound, RowsPastTheLimitAreDroppedUntilTheListBeginsAgain) {
  using V = ListBounds::Verdict;
  ListBounds lists;
  lists.setLimit(ReplyId::CpLst, {3, 1000});
  auto rows = [&](int n, std::size_t bytes = 10) {
    std::string verdicts;
    for (int i = 0; i < n; ++i) {
      const V v = lists.admit(ReplyId::CpLst, bytes);
      verdicts += v == V::Run ? 'r' : v == V::Cut ? 'C' : '-';
    }
    return verdicts;
  };
  EXPECT_EQ(lists.admit(ReplyId::ClrCpLst, 8), V::Run);
  EXPECT_EQ(rows(6), "rrrC--");
  EXPECT_EQ(lists.rowsKept(ReplyId::CpLst), 3u);
  // The end of a cut list says it again, and only of a cut one; other lists are untouched.
  EXPECT_EQ(lists.admit(ReplyId::DnCpLst, 7), V::Run);
  EXPECT_EQ(lists.endedCutList(ReplyId::DnCpLst), ReplyId::CpLst);
  EXPECT_EQ(lists.endedCutList(ReplyId::DnCmpLst), std::nullopt);
  EXPECT_EQ(lists.admit(ReplyId::CmpLst, 10), V::Run);
  EXPECT_EQ(lists.admit(ReplyId::Version, 1 << 20), V::Run);
  // Rows after the end still belong to the cut list; a new start counts from nothing.
  EXPECT_EQ(rows(1), "-");
  lists.admit(ReplyId::ClrCpLst, 8);
  EXPECT_EQ(rows(2), "rr");
  lists.admit(ReplyId::DnCpLst, 7);
  EXPECT_EQ(lists.endedCutList(ReplyId::DnCpLst), std::nullopt);
  // Bytes bound it too: a row that would pass them is the cut, even when rows are left.
  lists.admit(ReplyId::ClrCpLst, 8);
  EXPECT_EQ(rows(1, 600), "r");
  EXPECT_EQ(rows(1, 600), "C");
  // A list without a start reply begins again when its owner says so, and all do at reset.
  lists.setLimit(ReplyId::XrefRunLine, {1, 1000});
  EXPECT_EQ(lists.admit(ReplyId::XrefRunLine, 5), V::Run);
  EXPECT_EQ(lists.admit(ReplyId::XrefRunLine, 5), V::Cut);
  lists.restart(ReplyId::XrefRunLine);
  EXPECT_EQ(lists.admit(ReplyId::XrefRunLine, 5), V::Run);
  lists.reset();
  EXPECT_EQ(rows(1), "r");
}

TEST(ListBound, EveryListIsBoundedAndGenerousForARealPlant) {
  const ListBounds lists;
  const struct {
    ReplyId row;
    std::size_t atLeast;  // rows a large plant may send in one list
  } all[] = {
      {ReplyId::CpLst, 1'000},           {ReplyId::CmpLst, 10'000},     {ReplyId::BlkTyp, 200},
      {ReplyId::PrmLst, 8'000},          {ReplyId::BlkLst, 100'000},    {ReplyId::SeqSrc, 50'000},
      {ReplyId::SeqLst, 50'000},         {ReplyId::PlbList, 50'000},    {ReplyId::XrefLst, 10'000},
      {ReplyId::XrefCfgGetLine, 10'000}, {ReplyId::XrefRunLine, 50'000}};
  for (const auto& list : all) {
    SCOPED_TRACE(std::string(ListBounds::nameOf(list.row)));
    EXPECT_FALSE(ListBounds::nameOf(list.row).empty());
    const ListLimit limit = lists.limit(list.row);
    EXPECT_GE(limit.rows, list.atLeast);
    EXPECT_GE(limit.bytes, list.atLeast * 40);  // rows of 40 characters fit
    // What one list can make a window hold stays within tens of megabytes.
    EXPECT_LE(limit.bytes, 32u << 20);
    EXPECT_LE(limit.rows, 200'000u);
  }
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

// A router whose handlers record which ran for a line, in order.
struct Recorder {
  ReplyRouter router;
  std::string calls;
  Recorder() {
    const std::pair<ReplyId, const char*> named[] = {
        {ReplyId::Version, "VERSION"},       {ReplyId::DnCpLst, "DNCPLST"},
        {ReplyId::BlkTypNew, "BLKTYPNEW"},   {ReplyId::BlkTyp, "BLKTYP"},
        {ReplyId::ErrEdtSeq, "ERREDTSEQ-1"}, {ReplyId::ErrEdtSeqSecond, "ERREDTSEQ-2"},
        {ReplyId::ErrCpUtil, "ERRCPUTIL"}};
    for (const auto& [id, name] : named)
      router.bind(id, [this, n = std::string(name)](std::string_view) { calls += " " + n; });
    router.bind(ReplyId::DnDelBlk,
                [this](std::string_view line) { calls += " DEL:" + std::string(line); });
  }
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
    r.router.dispatch(line);
    EXPECT_EQ(r.calls, calls) << '"' << line << '"';
  }
}

TEST(Dispatcher, AnIdKeepsItsFirstHandlerAndCountsEveryBinding) {
  ReplyRouter router;
  std::string calls;
  router.bind(ReplyId::DnCpUtil, [&](std::string_view) { calls += "first "; });
  router.bind(ReplyId::DnCpUtil, [&](std::string_view) { calls += "second "; });
  EXPECT_EQ(router.bindCount(ReplyId::DnCpUtil), 2);
  EXPECT_EQ(router.bindCount(ReplyId::ErrCpUtil), 0);
  EXPECT_EQ(router.dispatch("DNCPUTIL"), 1);
  EXPECT_EQ(router.dispatch("ERRCPUTIL x"), 1);  // reached, though nobody is bound to it
  EXPECT_EQ(calls, "first ");
  router.clear();
  router.dispatch("DNCPUTIL");
  EXPECT_EQ(calls, "first ");
}

TEST(Dispatcher, WholeLineKeywordsTakeNothingAfterThem) {
  const ReplyRouter none;
  for (const std::string keyword :
       {"CLRCPLST", "CLRCMPLST", "CLRPRMLST", "DNPRMLST", "CLRBLKLST", "DNBLKLST", "DNCPUTIL"}) {
    EXPECT_EQ(none.dispatch(keyword), 1) << keyword;
    EXPECT_EQ(none.dispatch(keyword + " "), 0) << keyword;
  }
}
