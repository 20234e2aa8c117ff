#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/block_list.h"

using namespace tarvo::browser;

namespace {

// Lines laid out as the server sends them: line number in columns 8-12, compound name in
// 14-31, block name in 17-34, type from 35.
std::string number(int n) {
  std::string s = std::to_string(n);
  return std::string(5 - s.size(), ' ') + s;
}
std::string pad(std::string s, std::size_t width) {
  s.resize(width, ' ');
  return s;
}
std::string cmpLine(int n, const std::string& name) {
  return "BLKLST " + number(n) + " " + pad(name, 18) + "   COMPND";
}
std::string blkLine(int n, const std::string& name, const std::string& type) {
  return "BLKLST " + number(n) + "    " + pad(name, 18) + type;
}
std::string endLine(int n) {
  return "BLKLST " + number(n) + " ***END***";
}

}  // namespace

// ---------------------------------------------------------------------------------------

TEST(ParseBlkLine, CompoundLine) {
  const std::string line = cmpLine(3, "MYCMP");
  ASSERT_EQ(line.find("COMPND"), 34u);  // column 35
  const BlkLine r = parseBlkLine(line);
  EXPECT_EQ(r.kind, BlkLineKind::Compound);
  EXPECT_EQ(r.lineNo, 3);
  EXPECT_EQ(r.cmpName, "MYCMP");
}

TEST(ParseBlkLine, BlockLineFields) {
  const std::string line = blkLine(41, "AIN1", "AIN");
  const BlkLine r = parseBlkLine(line);
  EXPECT_EQ(r.kind, BlkLineKind::Block);
  EXPECT_EQ(r.lineNo, 41);
  EXPECT_EQ(r.blkName, "AIN1");
  EXPECT_EQ(r.nameField, pad("AIN1", 18));
  EXPECT_EQ(r.type, "AIN");
}

TEST(ParseBlkLine, TypeIsReadFromColumns35To40Only) {
  const std::string line = blkLine(1, "X", "CALCAXYZ");
  const BlkLine r = parseBlkLine(line);
  EXPECT_EQ(r.type, "CALCAX");
  EXPECT_EQ(r.kind, BlkLineKind::Block);
}

TEST(ParseBlkLine, EndOfListIsRecognisedAtColumn14Only) {
  EXPECT_EQ(parseBlkLine(endLine(99)).kind, BlkLineKind::EndOfList);
  EXPECT_EQ(parseBlkLine(endLine(99) + "   trailing").kind, BlkLineKind::EndOfList);
  // The same text as a block name (column 17) is an ordinary block line.
  EXPECT_EQ(parseBlkLine(blkLine(1, "***END***", "")).kind, BlkLineKind::Block);
  EXPECT_EQ(parseBlkLine("BLKLST     1 ***END**").kind, BlkLineKind::Block);
}

TEST(ParseBlkLine, CompoundTypeMayCarryBlanksButNothingElse) {
  EXPECT_EQ(parseBlkLine(cmpLine(1, "A") + "   ").kind, BlkLineKind::Compound);
  EXPECT_EQ(parseBlkLine(blkLine(1, "A", "  COMPND")).kind, BlkLineKind::Compound);
  EXPECT_EQ(parseBlkLine(cmpLine(1, "A") + "X").kind, BlkLineKind::Block);
  EXPECT_EQ(parseBlkLine(blkLine(1, "A", "COMPN")).kind, BlkLineKind::Block);
  EXPECT_EQ(parseBlkLine(blkLine(1, "A", "compnd")).kind, BlkLineKind::Block);
}

TEST(ParseBlkLine, LineNumbers) {
  EXPECT_EQ(parseBlkLine("BLKLST    40 A").lineNo, 40);
  EXPECT_EQ(parseBlkLine("BLKLST 40    A").lineNo, 40);
  EXPECT_EQ(parseBlkLine("BLKLST 99999 A").lineNo, 99999);
  // Column 13 is not part of the number.
  EXPECT_EQ(parseBlkLine("BLKLST     12 A").lineNo, 1);
  EXPECT_EQ(parseBlkLine("BLKLST   abc A").lineNo, 0);
  EXPECT_EQ(parseBlkLine("BLKLST       A").lineNo, 0);
}

TEST(ParseBlkLine, ShortAndBareLinesReadAsBlank) {
  const BlkLine bare = parseBlkLine("BLKLST");
  EXPECT_EQ(bare.kind, BlkLineKind::Block);
  EXPECT_EQ(bare.lineNo, 0);
  EXPECT_EQ(bare.cmpName, "");
  EXPECT_EQ(bare.blkName, "");
  EXPECT_EQ(bare.type, "");

  const BlkLine cut = parseBlkLine("BLKLST     7    AB");
  EXPECT_EQ(cut.lineNo, 7);
  EXPECT_EQ(cut.blkName, "AB");
  EXPECT_EQ(cut.nameField, "AB");
  EXPECT_EQ(cut.cmpName, "AB");
  EXPECT_EQ(cut.type, "");
}

TEST(ShowsProgress, EveryTwentiethLineIncludingZero) {
  for (long long n : {0LL, 20LL, 40LL, 60LL, 100000LL}) EXPECT_TRUE(showsProgress(n)) << n;
  for (long long n : {1LL, 19LL, 21LL, 99999LL}) EXPECT_FALSE(showsProgress(n)) << n;
}

TEST(BlockNodeText, NamePaddedTo18ThenType) {
  EXPECT_EQ(blockNodeText("B1", "T"), "B1" + std::string(16, ' ') + "T");
  EXPECT_EQ(blockNodeText(pad("B1", 18), "IND"), "B1" + std::string(16, ' ') + "IND");
  EXPECT_EQ(blockNodeText("ABCDEFGHIJKLMNOPQR", "AIN"), "ABCDEFGHIJKLMNOPQRAIN");
}

TEST(BlockNodeText, BlanksAtBothEndsRemoved) {
  EXPECT_EQ(blockNodeText(pad("B1", 18), ""), "B1");
  EXPECT_EQ(blockNodeText("  B1", "PID"), "B1" + std::string(14, ' ') + "PID");
  EXPECT_EQ(blockNodeText(std::string(18, ' '), ""), "");
  EXPECT_EQ(blockNodeText(std::string(18, ' '), "PID"), "PID");
}

TEST(BlockNodeText, ReusesTheGivenString) {
  std::string out = "left over from the line before";
  blockNodeText("B2", "", out);
  EXPECT_EQ(out, "B2");
}

// ---------------------------------------------------------------------------------------

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
}

TEST(Names, GetBlkTypOfAKeyEndingInAColonIsCompound) {
  EXPECT_EQ(getBlkTyp("MYCMP:", blockNodeText("B1", "IND")), "COMPND");
}

TEST(Names, IsCmpNm) {
  EXPECT_TRUE(isCmpNm("MYCMP"));
  EXPECT_TRUE(isCmpNm("***END***"));
  EXPECT_FALSE(isCmpNm("MYCMP:AIN1"));
  EXPECT_FALSE(isCmpNm("MYCMP:"));
}

TEST(Names, IsEndMarkerNeedsAColonDirectlyBeforeTheMark) {
  EXPECT_TRUE(isEndMarker("A:---END_A"));
  EXPECT_TRUE(isEndMarker("A:---END_"));
  EXPECT_TRUE(isEndMarker("A:B:---END_X"));
  EXPECT_FALSE(isEndMarker("A:---END"));
  EXPECT_FALSE(isEndMarker("A:---ENDX"));
  EXPECT_FALSE(isEndMarker("A:----END_"));
  EXPECT_FALSE(isEndMarker("---END_A"));
  EXPECT_FALSE(isEndMarker("A:---SEP"));
  EXPECT_FALSE(isEndMarker("***END***"));
}

TEST(Names, CompoundAndBlockPartsSplitAtTheFirstColon) {
  EXPECT_EQ(getCmpNm("A:B:C"), "A");
  EXPECT_EQ(getBlkNm("A:B:C"), "B:C");
  EXPECT_EQ(getCmpNm("MYCMP"), "MYCMP");
  EXPECT_EQ(getBlkNm("MYCMP"), "");
  EXPECT_EQ(getCmpNm(":B"), "");
  EXPECT_EQ(getBlkNm(":B"), "B");
  EXPECT_EQ(getBlkNm("A:"), "");
}

// ---------------------------------------------------------------------------------------

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

// Runs a list through a fresh builder; lines that add nothing are left out.
std::vector<Op> build(BlockListBuilder& b, const std::vector<std::string>& lines) {
  std::vector<Op> ops;
  for (const auto& line : lines) {
    const NodeOp& n = b.feed(line).node;
    if (n.placement != Placement::None) ops.push_back({n.placement, n.relKey, n.key, n.kind});
  }
  return ops;
}

std::vector<Op> build(const std::vector<std::string>& lines) {
  BlockListBuilder b;
  b.reset();
  return build(b, lines);
}

}  // namespace

TEST(BlockListBuilder, ExampleListKeepsTheServersOrder) {
  const auto ops = build({cmpLine(1, "A"), blkLine(2, "B1", "AIN"), blkLine(3, "B2", "PID"),
                          cmpLine(4, "C"), blkLine(5, "D1", "IND"), endLine(6)});
  const std::vector<Op> expected = {
      {Placement::FirstTop, "", "A", NodeKind::Compound},
      {Placement::LastChild, "A", "A:B1", NodeKind::Block},
      {Placement::AfterSibling, "A:B1", "A:B2", NodeKind::Block},
      {Placement::AfterSibling, "A", "C", NodeKind::Compound},
      {Placement::LastChild, "C", "C:D1", NodeKind::Block},
      {Placement::AfterSibling, "C", "***END***", NodeKind::EndOfList},
  };
  EXPECT_EQ(ops, expected);
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

TEST(BlockListBuilder, CompoundWithoutBlocksIsFollowedByTheNextCompound) {
  const auto ops = build({cmpLine(1, "A"), cmpLine(2, "C"), blkLine(3, "D1", "AIN")});
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(ops[1], (Op{Placement::AfterSibling, "A", "C", NodeKind::Compound}));
  EXPECT_EQ(ops[2], (Op{Placement::LastChild, "C", "C:D1", NodeKind::Block}));
}

TEST(BlockListBuilder, DashNamesAreEndEntries) {
  const auto ops = build({cmpLine(1, "A"), blkLine(2, "---END_A", "END_ZO"),
                          blkLine(3, "---SEP", ""), blkLine(4, "--X", "AIN")});
  ASSERT_EQ(ops.size(), 4u);
  EXPECT_EQ(ops[1].kind, NodeKind::EndEntry);
  EXPECT_EQ(ops[1].key, "A:---END_A");
  EXPECT_EQ(ops[2].kind, NodeKind::EndEntry);
  EXPECT_EQ(ops[3].kind, NodeKind::Block);
}

TEST(BlockListBuilder, EndOfListWithoutCompoundsGoesLastAtTheTop) {
  EXPECT_EQ(build({endLine(1)}),
            (std::vector<Op>{{Placement::LastTop, "", "***END***", NodeKind::EndOfList}}));
}

TEST(BlockListBuilder, BlocksBeforeTheFirstCompoundAddNothing) {
  BlockListBuilder b;
  b.reset();
  EXPECT_EQ(b.feed(blkLine(1, "ORPHAN", "AIN")).node.placement, Placement::None);
  EXPECT_EQ(b.feed(blkLine(2, "ORPHAN2", "AIN")).node.placement, Placement::None);
  EXPECT_EQ(b.curCmpKey(), "");
  const auto ops = build(b, {cmpLine(3, "A"), blkLine(4, "B1", "AIN")});
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(ops[0].placement, Placement::FirstTop);
  EXPECT_EQ(ops[1], (Op{Placement::LastChild, "A", "A:B1", NodeKind::Block}));
}

TEST(BlockListBuilder, ASecondEndLineInOneListIsIgnored) {
  BlockListBuilder b;
  b.reset();
  const auto ops = build(b, {cmpLine(1, "A"), endLine(2), endLine(3)});
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(ops[1].key, "***END***");
  // The next list has its own end.
  b.reset();
  EXPECT_EQ(build(b, {endLine(1)}).size(), 1u);
}

TEST(BlockListBuilder, ResetStartsAtTheTopAgain) {
  BlockListBuilder b;
  b.reset();
  build(b, {cmpLine(1, "A"), blkLine(2, "B1", "AIN")});
  EXPECT_EQ(b.curCmpKey(), "A");
  EXPECT_EQ(b.lastBlkKey(), "A:B1");
  b.reset();
  EXPECT_EQ(b.curCmpKey(), "");
  EXPECT_EQ(b.lastBlkKey(), "");
  EXPECT_EQ(build(b, {cmpLine(1, "Z")}),
            (std::vector<Op>{{Placement::FirstTop, "", "Z", NodeKind::Compound}}));
  // Blocks of a list that starts without its compound line belong to no compound.
  b.reset();
  EXPECT_TRUE(build(b, {blkLine(1, "B9", "AIN")}).empty());
}

TEST(BlockListBuilder, CompoundWithoutANameDropsItsBlocksAndKeepsTheOrder) {
  const auto ops = build({cmpLine(1, "A"), blkLine(2, "B1", "AIN"), cmpLine(3, ""),
                          blkLine(4, "LOST", "AIN"), cmpLine(5, "C"), endLine(6)});
  const std::vector<Op> expected = {
      {Placement::FirstTop, "", "A", NodeKind::Compound},
      {Placement::LastChild, "A", "A:B1", NodeKind::Block},
      {Placement::AfterSibling, "A", "C", NodeKind::Compound},
      {Placement::AfterSibling, "C", "***END***", NodeKind::EndOfList},
  };
  EXPECT_EQ(ops, expected);
}

TEST(BlockListBuilder, ProgressFollowsTheLineNumber) {
  BlockListBuilder b;
  b.reset();
  const BuildStep& s0 = b.feed(cmpLine(0, "A"));
  EXPECT_TRUE(s0.progress);
  EXPECT_EQ(s0.lineNo, 0);
  EXPECT_TRUE(b.feed(blkLine(20, "B1", "AIN")).progress);
  EXPECT_FALSE(b.feed(blkLine(21, "B2", "AIN")).progress);
  const BuildStep& s40 = b.feed(endLine(40));
  EXPECT_TRUE(s40.progress);
  EXPECT_EQ(s40.lineNo, 40);
  // A line that adds no node still counts.
  EXPECT_TRUE(b.feed(endLine(60)).progress);
  EXPECT_TRUE(b.feed("BLKLST").progress);
}

TEST(BlockListBuilder, MalformedLinesDoNotDisturbTheList) {
  const auto ops = build({"BLKLST", "BLKLST 1", cmpLine(2, "A"), "BLKLST     3    B", "BLKLST",
                          blkLine(4, "", "AIN"), blkLine(5, "B2", "AIN")});
  const std::vector<Op> expected = {
      {Placement::FirstTop, "", "A", NodeKind::Compound},
      {Placement::LastChild, "A", "A:B", NodeKind::Block},
      {Placement::AfterSibling, "A:B", "A:B2", NodeKind::Block},
  };
  EXPECT_EQ(ops, expected);
}
