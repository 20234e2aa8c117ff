#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "browser/block_list.h"
#include "support/BlockLines.h"

using namespace tarvo::browser;
using namespace tarvo::test;

// ---- one line -------------------------------------------------------------------------

TEST(ParseBlkLine, KindAndLineNumber) {
  ASSERT_EQ(cmpLine(3, "MYCMP").find("COMPND"), 34u);  // column 35
  using enum BlkLineKind;
  const std::tuple<std::string, BlkLineKind, int> cases[] = {
      // clang-format off
      // The end mark counts at column 14 only, whole, whatever follows it.
      {endLine(99) + "   trailing", EndOfList, 99}, {blkLine(1, "***END***", ""), Block, 1},
      {"BLKLST     1 ***END**", Block, 1},
      // "COMPND" from column 35 may carry blanks but nothing else.
      {cmpLine(1, "A") + "   ", Compound, 1},         {blkLine(1, "A", "  COMPND"), Compound, 1},
      {cmpLine(1, "A") + "X", Block, 1},              {blkLine(1, "A", "compnd"), Block, 1},
      // The number is columns 8 to 12 only, blanks allowed.
      {"BLKLST    40 A", Block, 40},   {"BLKLST 40    A", Block, 40},   {"BLKLST", Block, 0},
      {"BLKLST     12 A", Block, 1},   {"BLKLST   abc A", Block, 0},
      // clang-format on
  };
  for (const auto& [line, kind, lineNo] : cases) {
    const BlkLine r = parseBlkLine(line);
    EXPECT_TRUE(r.kind == kind && r.lineNo == lineNo) << '"' << line << '"';
  }
}

TEST(ParseBlkLine, FieldsAtFixedColumnsAndBlankPastTheEnd) {
  // Compound 14-31, block 17-34 (trimmed, and as it stands), type 35-40.
  const auto fields = [](const std::string& line) {
    const BlkLine l = parseBlkLine(line);
    return std::string(l.cmpName) + "|" + std::string(l.blkName) + "|" + std::string(l.nameField) +
           "|" + std::string(l.type);
  };
  EXPECT_EQ(fields(cmpLine(3, "MYCMP")), "MYCMP|MP|" + pad("MP", 18) + "|COMPND");
  EXPECT_EQ(fields(blkLine(1, "X", "CALCAXYZ")), "X|X|" + pad("X", 18) + "|CALCAX");
  EXPECT_EQ(fields("BLKLST"), "|||");
  EXPECT_EQ(fields("BLKLST     7    AB"), "AB|AB|AB|");
}

TEST(BlockNodeText, NamePaddedTo18ThenTypeWithBlanksAtBothEndsRemoved) {
  const std::string b1 = pad("B1", 18), blanks(18, ' ');
  const std::pair<std::pair<std::string, std::string>, std::string> cases[] = {
      // clang-format off
      {{"B1", "T"}, b1 + "T"}, {{b1, "IND"}, b1 + "IND"}, {{"  B1", "PID"}, pad("B1", 16) + "PID"},
      {{b1, ""}, "B1"},        {{blanks, ""}, ""},        {{blanks, "PID"}, "PID"},
      {{"ABCDEFGHIJKLMNOPQR", "AIN"}, "ABCDEFGHIJKLMNOPQRAIN"},
      // clang-format on
  };
  for (const auto& [in, out] : cases)
    EXPECT_EQ(blockNodeText(in.first, in.second), out) << in.first;
  std::string reused = "left over from the line before";
  blockNodeText("B2", "", reused);
  EXPECT_EQ(reused, "B2");
}

// ---- names and keys -------------------------------------------------------------------

TEST(Names, GetBlkTypTakesTheFirstWordFromCharacter16) {
  EXPECT_EQ(getBlkTyp("A:B1", "B1" + std::string(16, ' ') + "PID  more"), "PID");
  EXPECT_EQ(getBlkTyp("A:B1", "B1"), "");
  EXPECT_EQ(getBlkTyp("A:B1", "B1" + std::string(20, ' ')), "");
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

TEST(Names, CompoundAndBlockPartsSplitAtTheFirstColonAndOneTrailingColonStrips) {
  const std::pair<const char*, const char*> cases[] = {
      // key, then compound|block|the key without one trailing colon
      {"A:B:C", "A|B:C|A:B:C"}, {"MYCMP", "MYCMP||MYCMP"}, {":B", "|B|:B"},
      {"A:", "A||A"},           {"A::", "A|:|A:"},         {"", "||"},
  };
  for (const auto& [key, parts] : cases)
    EXPECT_EQ(std::string(getCmpNm(key)) + "|" + std::string(getBlkNm(key)) + "|" +
                  std::string(stripColon(key)),
              parts)
        << key;
}

// ---- building the list ----------------------------------------------------------------

namespace {

// What the builder does with each line that adds a node: "^K" first at the top, "$K" last at
// the top, "R>K" after its sibling R, "R/K" last child of R; "~" marks an end entry.
std::string build(BlockListBuilder& b, const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) {
    const NodeOp& n = b.feed(line).node;
    const std::string end = n.kind == NodeKind::EndEntry ? "~" : "";
    switch (n.placement) {
      case Placement::None: continue;
      case Placement::FirstTop: out += " ^" + n.key + end; break;
      case Placement::LastTop: out += " $" + n.key + end; break;
      case Placement::AfterSibling: out += " " + n.relKey + ">" + n.key + end; break;
      case Placement::LastChild: out += " " + n.relKey + "/" + n.key + end; break;
    }
  }
  return out.empty() ? out : out.substr(1);
}

}  // namespace

TEST(BlockListBuilder, PlacesEachNodeAfterItsNeighbourAndEachResetStartsAfresh) {
  const struct {
    std::vector<std::string> lines;
    const char* ops;
  } cases[] = {
      {{cmpLine(1, "A"), blkLine(2, "B1", "AIN"), blkLine(3, "B2", "PID"), cmpLine(4, "C"),
        blkLine(5, "D1", "IND"), endLine(6)},
       "^A A/A:B1 A:B1>A:B2 A>C C/C:D1 C>***END***"},
      // A compound without blocks.
      {{cmpLine(1, "A"), cmpLine(2, "C"), blkLine(3, "D1", "AIN")}, "^A A>C C/C:D1"},
      // Only names that start with "---" are end entries.
      {{cmpLine(1, "A"), blkLine(2, "---END_A", "END_ZO"), blkLine(3, "---SEP", ""),
        blkLine(4, "--X", "AIN")},
       "^A A/A:---END_A~ A:---END_A>A:---SEP~ A:---SEP>A:--X"},
      // Blocks before the first compound, a second end line.
      {{blkLine(1, "ORPHAN", "AIN"), cmpLine(2, "A"), endLine(3), endLine(4)}, "^A A>***END***"},
      {{endLine(1)}, "$***END***"},  // an end without compounds
      // A compound without a name drops its blocks.
      {{cmpLine(1, "A"), blkLine(2, "B1", "AIN"), cmpLine(3, ""), blkLine(4, "LOST", "AIN"),
        cmpLine(5, "C"), endLine(6)},
       "^A A/A:B1 A>C C>***END***"},
      // Malformed lines.
      {{"BLKLST", "BLKLST 1", cmpLine(2, "A"), "BLKLST     3    B", "BLKLST", blkLine(4, "", "AIN"),
        blkLine(5, "B2", "AIN")},
       "^A A/A:B A:B>A:B2"},
  };
  // One builder for all: each reset must start a new list at the top, with its own end and
  // no compound left over from the list before.
  BlockListBuilder b;
  for (const auto& c : cases) {
    b.reset();
    EXPECT_EQ(build(b, c.lines), c.ops);
  }
}
