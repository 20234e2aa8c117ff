#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/block_list.h"
#include "support/BlockLines.h"

using namespace tarvo::browser;
using namespace tarvo::test;

// ---- one line -------------------------------------------------------------------------

TEST(ParseBlkLine, KindAndLineNumber) {
  ASSERT_EQ(cmpLine(3, "MYCMP").find("COMPND"), 34u);  // column 35
  const struct {
    std::string line;
    BlkLineKind kind;
    int lineNo;
  } cases[] = {
      {cmpLine(3, "MYCMP"), BlkLineKind::Compound, 3},
      {blkLine(41, "AIN1", "AIN"), BlkLineKind::Block, 41},
      {blkLine(1, "X", "CALCAXYZ"), BlkLineKind::Block, 1},
      // The end mark counts at column 14 only, whatever follows it.
      {endLine(99), BlkLineKind::EndOfList, 99},
      {endLine(99) + "   trailing", BlkLineKind::EndOfList, 99},
      {blkLine(1, "***END***", ""), BlkLineKind::Block, 1},
      {"BLKLST     1 ***END**", BlkLineKind::Block, 1},
      // "COMPND" from column 35 may carry blanks but nothing else.
      {cmpLine(1, "A") + "   ", BlkLineKind::Compound, 1},
      {blkLine(1, "A", "  COMPND"), BlkLineKind::Compound, 1},
      {cmpLine(1, "A") + "X", BlkLineKind::Block, 1},
      {blkLine(1, "A", "COMPN"), BlkLineKind::Block, 1},
      {blkLine(1, "A", "compnd"), BlkLineKind::Block, 1},
      // The number is columns 8 to 12 only, blanks allowed.
      {"BLKLST    40 A", BlkLineKind::Block, 40},
      {"BLKLST 40    A", BlkLineKind::Block, 40},
      {"BLKLST 99999 A", BlkLineKind::Block, 99999},
      {"BLKLST     12 A", BlkLineKind::Block, 1},
      {"BLKLST   abc A", BlkLineKind::Block, 0},
      {"BLKLST       A", BlkLineKind::Block, 0},
      {"BLKLST", BlkLineKind::Block, 0},
  };
  for (const auto& c : cases) {
    const BlkLine r = parseBlkLine(c.line);
    EXPECT_EQ(r.kind, c.kind) << '"' << c.line << '"';
    EXPECT_EQ(r.lineNo, c.lineNo) << '"' << c.line << '"';
  }
}

TEST(ParseBlkLine, FieldsAtFixedColumnsAndBlankPastTheEnd) {
  // The parsed fields are views into the line, so each line must outlive its fields.
  const std::string compoundLine = cmpLine(3, "MYCMP");
  EXPECT_EQ(parseBlkLine(compoundLine).cmpName, "MYCMP");
  const std::string blockLine = blkLine(41, "AIN1", "AIN");
  const BlkLine block = parseBlkLine(blockLine);
  EXPECT_EQ(block.blkName, "AIN1");
  EXPECT_EQ(block.nameField, pad("AIN1", 18));
  EXPECT_EQ(block.type, "AIN");
  const std::string longType = blkLine(1, "X", "CALCAXYZ");
  EXPECT_EQ(parseBlkLine(longType).type, "CALCAX");  // columns 35 to 40

  const BlkLine bare = parseBlkLine("BLKLST");
  EXPECT_EQ(bare.cmpName, "");
  EXPECT_EQ(bare.blkName, "");
  EXPECT_EQ(bare.type, "");
  const BlkLine cut = parseBlkLine("BLKLST     7    AB");
  EXPECT_EQ(cut.blkName, "AB");
  EXPECT_EQ(cut.nameField, "AB");
  EXPECT_EQ(cut.cmpName, "AB");
  EXPECT_EQ(cut.type, "");
}

TEST(ShowsProgress, EveryTwentiethLineIncludingZero) {
  for (long long n : {0LL, 20LL, 40LL, 60LL, 100000LL}) EXPECT_TRUE(showsProgress(n)) << n;
  for (long long n : {1LL, 19LL, 21LL, 99999LL}) EXPECT_FALSE(showsProgress(n)) << n;
}

TEST(BlockNodeText, NamePaddedTo18ThenTypeWithBlanksAtBothEndsRemoved) {
  const std::pair<std::pair<std::string, std::string>, std::string> cases[] = {
      {{"B1", "T"}, "B1" + std::string(16, ' ') + "T"},
      {{pad("B1", 18), "IND"}, "B1" + std::string(16, ' ') + "IND"},
      {{"ABCDEFGHIJKLMNOPQR", "AIN"}, "ABCDEFGHIJKLMNOPQRAIN"},
      {{pad("B1", 18), ""}, "B1"},
      {{"  B1", "PID"}, "B1" + std::string(14, ' ') + "PID"},
      {{std::string(18, ' '), ""}, ""},
      {{std::string(18, ' '), "PID"}, "PID"},
  };
  for (const auto& [in, out] : cases)
    EXPECT_EQ(blockNodeText(in.first, in.second), out) << in.first;
  std::string reused = "left over from the line before";
  blockNodeText("B2", "", reused);
  EXPECT_EQ(reused, "B2");
}

// ---- names and keys -------------------------------------------------------------------

TEST(Names, StripColonRemovesOneTrailingColonOnly) {
  EXPECT_EQ(stripColon("A:"), "A");
  EXPECT_EQ(stripColon("A::"), "A:");
  EXPECT_EQ(stripColon("A:B"), "A:B");
  EXPECT_EQ(stripColon(""), "");
}

TEST(Names, GetBlkTypTakesTheFirstWordFromCharacter16) {
  EXPECT_EQ(getBlkTyp("A:B1", blockNodeText("B1", "IND")), "IND");
  EXPECT_EQ(getBlkTyp("A:B1", "B1" + std::string(16, ' ') + "PID  more"), "PID");
  EXPECT_EQ(getBlkTyp("A:B1", "B1"), "");
  EXPECT_EQ(getBlkTyp("A:B1", "B1" + std::string(20, ' ')), "");
  EXPECT_EQ(getBlkTyp("MYCMP", "MYCMP"), "");
  // Characters 16 onwards, whatever they belong to.
  EXPECT_EQ(getBlkTyp("A:X", "ABCDEFGHIJKLMNOPQRAIN"), "PQRAIN");
  EXPECT_EQ(getBlkTyp("A:X", "ABCDEFGHIJKLMN PQR AIN"), "PQR");
  // A key ending in a colon is a compound's, whatever the text.
  EXPECT_EQ(getBlkTyp("MYCMP:", blockNodeText("B1", "IND")), "COMPND");
}

TEST(Names, CompoundKeysAndEndMarkers) {
  for (const char* s : {"MYCMP", "***END***"}) EXPECT_TRUE(isCmpNm(s)) << s;
  for (const char* s : {"MYCMP:AIN1", "MYCMP:"}) EXPECT_FALSE(isCmpNm(s)) << s;
  // A colon directly before "---END_".
  for (const char* s : {"A:---END_A", "A:---END_", "A:B:---END_X"})
    EXPECT_TRUE(isEndMarker(s)) << s;
  for (const char* s : {"A:---END", "A:---ENDX", "A:----END_", "---END_A", "A:---SEP", "***END***"})
    EXPECT_FALSE(isEndMarker(s)) << s;
}

TEST(Names, CompoundAndBlockPartsSplitAtTheFirstColon) {
  const std::pair<const char*, std::pair<const char*, const char*>> cases[] = {
      {"A:B:C", {"A", "B:C"}}, {"MYCMP", {"MYCMP", ""}}, {":B", {"", "B"}}, {"A:", {"A", ""}}};
  for (const auto& [key, parts] : cases) {
    EXPECT_EQ(getCmpNm(key), parts.first) << key;
    EXPECT_EQ(getBlkNm(key), parts.second) << key;
  }
}

// ---- building the list ----------------------------------------------------------------

namespace {

struct Op {
  Placement placement;
  std::string relKey;
  std::string key;
  NodeKind kind;
  bool operator==(const Op&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Op& op) {
  return os << "{" << static_cast<int>(op.placement) << " rel=" << op.relKey << " key=" << op.key
            << " kind=" << static_cast<int>(op.kind) << "}";
}

// Runs lines through the builder; lines that add nothing are left out.
std::vector<Op> build(BlockListBuilder& b, const std::vector<std::string>& lines) {
  std::vector<Op> ops;
  for (const auto& line : lines) {
    const NodeOp& n = b.feed(line).node;
    if (n.placement != Placement::None) ops.push_back({n.placement, n.relKey, n.key, n.kind});
  }
  return ops;
}

}  // namespace

TEST(BlockListBuilder, PlacesEachNodeAfterItsNeighbourOrSkipsTheLine) {
  using enum Placement;
  using enum NodeKind;
  const struct {
    const char* what;
    std::vector<std::string> lines;
    std::vector<Op> ops;
  } cases[] = {
      {"the server's order",
       {cmpLine(1, "A"), blkLine(2, "B1", "AIN"), blkLine(3, "B2", "PID"), cmpLine(4, "C"),
        blkLine(5, "D1", "IND"), endLine(6)},
       {{FirstTop, "", "A", Compound},
        {LastChild, "A", "A:B1", Block},
        {AfterSibling, "A:B1", "A:B2", Block},
        {AfterSibling, "A", "C", Compound},
        {LastChild, "C", "C:D1", Block},
        {AfterSibling, "C", "***END***", EndOfList}}},
      {"a compound without blocks",
       {cmpLine(1, "A"), cmpLine(2, "C"), blkLine(3, "D1", "AIN")},
       {{FirstTop, "", "A", Compound},
        {AfterSibling, "A", "C", Compound},
        {LastChild, "C", "C:D1", Block}}},
      {"dash names",
       {cmpLine(1, "A"), blkLine(2, "---END_A", "END_ZO"), blkLine(3, "---SEP", ""),
        blkLine(4, "--X", "AIN")},
       {{FirstTop, "", "A", Compound},
        {LastChild, "A", "A:---END_A", EndEntry},
        {AfterSibling, "A:---END_A", "A:---SEP", EndEntry},
        {AfterSibling, "A:---SEP", "A:--X", Block}}},
      {"an end without compounds", {endLine(1)}, {{LastTop, "", "***END***", EndOfList}}},
      {"blocks before the first compound",
       {blkLine(1, "ORPHAN", "AIN"), blkLine(2, "ORPHAN2", "AIN"), cmpLine(3, "A"),
        blkLine(4, "B1", "AIN")},
       {{FirstTop, "", "A", Compound}, {LastChild, "A", "A:B1", Block}}},
      {"a second end line",
       {cmpLine(1, "A"), endLine(2), endLine(3)},
       {{FirstTop, "", "A", Compound}, {AfterSibling, "A", "***END***", EndOfList}}},
      {"a compound without a name drops its blocks",
       {cmpLine(1, "A"), blkLine(2, "B1", "AIN"), cmpLine(3, ""), blkLine(4, "LOST", "AIN"),
        cmpLine(5, "C"), endLine(6)},
       {{FirstTop, "", "A", Compound},
        {LastChild, "A", "A:B1", Block},
        {AfterSibling, "A", "C", Compound},
        {AfterSibling, "C", "***END***", EndOfList}}},
      {"malformed lines",
       {"BLKLST", "BLKLST 1", cmpLine(2, "A"), "BLKLST     3    B", "BLKLST", blkLine(4, "", "AIN"),
        blkLine(5, "B2", "AIN")},
       {{FirstTop, "", "A", Compound},
        {LastChild, "A", "A:B", Block},
        {AfterSibling, "A:B", "A:B2", Block}}},
  };
  for (const auto& c : cases) {
    BlockListBuilder b;
    b.reset();
    EXPECT_EQ(build(b, c.lines), c.ops) << c.what;
  }
}

TEST(BlockListBuilder, NodeTexts) {
  BlockListBuilder b;
  b.reset();
  EXPECT_EQ(b.feed(cmpLine(1, "MYCMP")).node.text, "MYCMP");
  EXPECT_EQ(b.feed(blkLine(2, "AIN1", "AIN")).node.text, "AIN1" + std::string(14, ' ') + "AIN");
  EXPECT_EQ(b.feed(blkLine(3, "CALC1", "CALCAXYZ")).node.text,
            "CALC1" + std::string(13, ' ') + "CALCAX");
  EXPECT_EQ(b.feed(endLine(4)).node.text, "***END***");
}

TEST(BlockListBuilder, ResetStartsANewListAtTheTop) {
  BlockListBuilder b;
  b.reset();
  build(b, {cmpLine(1, "A"), blkLine(2, "B1", "AIN")});
  EXPECT_EQ(b.curCmpKey(), "A");
  EXPECT_EQ(b.lastBlkKey(), "A:B1");
  build(b, {endLine(3)});
  b.reset();
  EXPECT_EQ(b.curCmpKey(), "");
  EXPECT_EQ(b.lastBlkKey(), "");
  // The new list has its own end.
  EXPECT_EQ(build(b, {cmpLine(1, "Z"), endLine(2)}),
            (std::vector<Op>{{Placement::FirstTop, "", "Z", NodeKind::Compound},
                             {Placement::AfterSibling, "Z", "***END***", NodeKind::EndOfList}}));
  // Blocks of a list that starts without its compound line belong to no compound.
  b.reset();
  EXPECT_TRUE(build(b, {blkLine(1, "B9", "AIN")}).empty());
}
