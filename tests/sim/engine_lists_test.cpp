// Version, CP and compound lists, block list and block types, read at the
// columns the client reads them.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;

class EngineListsTest : public EngineTest {};

TEST_F(EngineListsTest, VersionFollowsKeywordDirectlyAndOtherCommandsAnswerNothing) {
  std::vector<std::string> logged;
  engine.setLogger([&](const std::string& s) { logged.push_back(s); });
  const ConnId c = engine.connect();
  EXPECT_EQ(send(c, "GETVERSION"), std::vector<std::string>{"VERSION0.95.1"});
  Engine other(buildDemoPlant(), EngineOptions{"1.2.3", 0});
  const ConnId o = other.connect();
  EXPECT_EQ(linesFor(other.handle(o, "GETVERSION"), o), std::vector<std::string>{"VERSION1.2.3"});
  // Keyword tests are exact: "GETCPSX" and "getcps" are not GETCPS.
  for (const char* cmd : {"WATCHDOG", "MODDONE:BOILER:LT101", "GETCPSX", "getcps", "FROBNICATE:1"})
    EXPECT_TRUE(engine.handle(c, cmd).empty()) << cmd;
  // An unknown command is logged.
  ASSERT_FALSE(logged.empty());
  EXPECT_NE(logged.back().find("FROBNICATE:1"), std::string::npos);
}

TEST_F(EngineListsTest, CpRowsCarryCpNameInFirstSixCharactersAndEachOpens) {
  const auto lines = send(engine.connect(), "GETCPS");
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front(), "CLRCPLST");
  EXPECT_EQ(lines.back(), "DNCPLST");
  std::vector<std::string> names;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    ASSERT_TRUE(startsWith(lines[i], "CPLST")) << lines[i];
    const std::string cp = fromCol(lines[i], 10).substr(0, 6);  // untrimmed, as the client sends it
    names.push_back(trimmed(cp));
    // CP6003 is held and CP6004 checkpointing; every row is a CP the server knows.
    const ConnId c = engine.connect();
    EXPECT_EQ(firstWith(send(c, "OPENCP:" + cp + " ALL WS01"), "ERROPENCP"), "") << cp;
    engine.disconnect(c);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"CP6001", "CP6002", "CP6003", "CP6004", "AW5101"}));
}

TEST_F(EngineListsTest, CompoundRowCarriesItsCpInCharacters14To19) {
  const ConnId c = engine.connect();
  const auto lines = send(c, "GETCMPS");
  EXPECT_EQ(lines.front(), "CLRCMPLST");
  EXPECT_EQ(lines.back(), "DNCMPLST");
  std::set<std::string> seen;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    const std::string row = fromCol(lines[i], 13);
    const std::string compound = trimmed(row.substr(0, 13));
    const std::string cp = trimmed(row.substr(13, 6));
    SCOPED_TRACE(lines[i]);
    EXPECT_EQ(row[12], ' ') << "compound name runs into the CP column";
    const Cp* owner = engine.plant().cpOfCompound(compound);
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(cp, owner->name);
    seen.insert(compound);
  }
  EXPECT_TRUE(seen.count("BOILER") && seen.count("TURBIN") && seen.count("REPORT"));
}

// What the client's tree holds after a block list: keys in order, with types.
struct TreeNode {
  std::string key;
  std::string type;
};

std::vector<TreeNode> readBlockList(const std::vector<std::string>& lines) {
  std::vector<TreeNode> nodes;
  std::string compound;
  int expectedNo = 1;
  for (const auto& line : lines) {
    if (!startsWith(line, "BLKLST")) continue;
    EXPECT_EQ(std::stoi(cols(line, 8, 12)), expectedNo++) << line;
    EXPECT_EQ(cols(line, 7, 7), " ");
    EXPECT_EQ(cols(line, 13, 13), " ");
    if (cols(line, 14, 22) == "***END***") {
      nodes.push_back({"***END***", ""});
    } else if (trimmed(fromCol(line, 35)) == "COMPND") {
      compound = trimmed(cols(line, 14, 31));
      nodes.push_back({compound, "COMPND"});
    } else {
      EXPECT_EQ(cols(line, 14, 16), "   ") << line;
      nodes.push_back({compound + ":" + trimmed(cols(line, 17, 34)), trimmed(fromCol(line, 35))});
    }
  }
  return nodes;
}

TEST_F(EngineListsTest, BlockListBuildsCompoundsBlocksAndEndEntries) {
  const ConnId c = openOn("CP6001");
  const auto lines = send(c, "GETBLKS 0 CP6001");
  ASSERT_EQ(lines.front(), "CLRBLKLST");
  ASSERT_EQ(lines.back(), "DNBLKLST");
  const auto nodes = readBlockList(lines);
  ASSERT_FALSE(nodes.empty());
  EXPECT_EQ(nodes.back().key, "***END***");

  std::vector<std::string> keys;
  for (const auto& n : nodes) keys.push_back(n.key);
  const Compound& boiler = *engine.plant().findCompound("BOILER");
  auto first = std::find(keys.begin(), keys.end(), "BOILER");
  ASSERT_NE(first, keys.end());
  // The compound, each of its blocks in order, then its end entry.
  for (std::size_t i = 0; i < boiler.blocks.size(); ++i)
    EXPECT_EQ(*(first + 1 + static_cast<long>(i)), "BOILER:" + boiler.blocks[i].name);
  const auto& endEntry =
      nodes[static_cast<std::size_t>(first - keys.begin()) + 1 + boiler.blocks.size()];
  EXPECT_TRUE(startsWith(endEntry.key, "BOILER:---END_")) << endEntry.key;
  EXPECT_EQ(endEntry.type, "END_ZONE");

  // Keys are unique: the client's tree refuses a duplicate.
  EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), keys.size());
  // Types that matter to the client's buttons come through.
  const auto seq = std::find_if(nodes.begin(), nodes.end(),
                                [](const TreeNode& n) { return n.key == "FEEDWT:PMPSEQ"; });
  ASSERT_NE(seq, nodes.end());
  EXPECT_EQ(seq->type, "IND");
}

TEST_F(EngineListsTest, EcbAndStationBlocksOnlyInFullList) {
  const ConnId c = openOn("CP6001");
  auto typesIn = [&](const char* command) {
    std::multiset<std::string> types;
    for (const auto& n : readBlockList(send(c, command))) types.insert(n.type);
    return types;
  };
  const auto shortList = typesIn("GETBLKS 0 CP6001");
  const auto fullList = typesIn("GETBLKS 1 CP6001");
  for (const char* t : {"ECB", "ECB2", "ECB200", "ECB201", "STATION"}) {
    EXPECT_EQ(shortList.count(t), 0u) << t;
    EXPECT_GE(fullList.count(t), 1u) << t;
  }
  EXPECT_EQ(shortList.count("PIDA"), fullList.count("PIDA"));
  // Compounds are listed either way.
  EXPECT_EQ(shortList.count("COMPND"), fullList.count("COMPND"));
}

TEST_F(EngineListsTest, LongCompoundNameKeepsEndEntryWithin18Characters) {
  Plant plant;
  Cp cp;
  cp.name = "CP7001";
  cp.model = "FCP280";
  cp.compounds.push_back(makeCompound("ABCDEFGHIJKL"));
  cp.compounds.back().blocks.push_back(makeBlock("TWELVECHARSX", "AIN"));
  plant.cps.push_back(cp);
  Engine e(std::move(plant));
  const ConnId c = e.connect();
  e.handle(c, "OPENCP:CP7001 ALL WS01");
  const auto nodes = readBlockList(linesFor(e.handle(c, "GETBLKS 0 CP7001"), c));
  ASSERT_EQ(nodes.size(), 4u);
  EXPECT_EQ(nodes[1].key, "ABCDEFGHIJKL:TWELVECHARSX");
  EXPECT_EQ(nodes[1].type, "AIN");
  EXPECT_EQ(nodes[2].key, "ABCDEFGHIJKL:---END_ABCDEFGHIJK");
  EXPECT_EQ(nodes[2].type, "END_ZONE");
}

TEST_F(EngineListsTest, BlockListRefusedWithoutSessionOrForAnotherCp) {
  EXPECT_TRUE(refused(send(engine.connect(), "GETBLKS 0 CP6001"), "ERRBLKLST"));
  EXPECT_TRUE(refused(send(openOn("CP6001"), "GETBLKS 1 CP6002"), "ERRBLKLST", "CP6002"));
}

TEST_F(EngineListsTest, BlockTypesFollowSuccessfulOpen) {
  const ConnId c = engine.connect();
  const auto lines = send(c, "OPENCP:CP6002 ALL WS01");
  const auto done = std::find(lines.begin(), lines.end(), "DNOPENCP" + std::string("CP6002"));
  ASSERT_NE(done, lines.end());
  const auto head = std::find(done, lines.end(), "BLKTYPNEW");
  ASSERT_NE(head, lines.end());
  std::set<std::string> types;
  for (auto it = head + 1; it != lines.end() && startsWith(*it, "BLKTYP"); ++it) {
    EXPECT_EQ(cols(*it, 7, 9), "   ");
    types.insert(fromCol(*it, 10));
  }
  for (const char* t : {"AIN", "AOUT", "PID", "PIDA", "CALC", "CALCA", "CIN", "COUT", "MAIN",
                        "LOGIC", "TIM", "DEP", "IND", "EXC", "MON", "PLB", "ECB200", "COMPND"})
    EXPECT_EQ(types.count(t), 1u) << t;
  // A CP's station block comes with the CP.
  EXPECT_EQ(types.count("STATION"), 0u);

  // A refused open sends no type list.
  const ConnId d = engine.connect();
  EXPECT_EQ(firstWith(send(d, "OPENCP:CP6003 ALL WS02"), "BLKTYPNEW"), "");
}

TEST_F(EngineListsTest, ScalePlantLineNumbersStayWithinClientRange) {
  Engine big(buildScalePlant(40'000, 400));
  const ConnId c = big.connect();
  big.handle(c, "OPENCP:CP9001 ALL WS01");
  const auto lines = linesFor(big.handle(c, "GETBLKS 0 CP9001"), c);
  std::size_t blockLines = 0;
  for (const auto& l : lines) {
    if (!startsWith(l, "BLKLST")) continue;
    const int n = std::stoi(cols(l, 8, 12));
    ASSERT_GE(n, 0);
    ASSERT_LE(n, 32767) << l;
    if (trimmed(fromCol(l, 35)) != "COMPND" && trimmed(fromCol(l, 35)) != "END_ZONE" &&
        cols(l, 14, 22) != "***END***")
      ++blockLines;
  }
  EXPECT_EQ(blockLines, 40'000u);
}

}  // namespace
}  // namespace tarvo::sim
