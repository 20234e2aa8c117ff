// Version, CP and compound lists, block list and block types, read at the columns the
// client reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;

class EngineListsTest : public EngineTest {};

TEST_F(EngineListsTest, VersionFollowsKeywordDirectlyAndOtherCommandsAnswerNothing) {
  Lines logged;
  engine.setLogger([&](const std::string& s) { logged.push_back(s); });
  const ConnId c = engine.connect();
  EXPECT_EQ(send(c, "GETVERSION"), Lines{"VERSION0.95.1"});
  Engine other(buildDemoPlant(), EngineOptions{"1.2.3", 0});
  const ConnId o = other.connect();
  EXPECT_EQ(linesFor(other.handle(o, "GETVERSION"), o), Lines{"VERSION1.2.3"});
  // Keyword tests are exact: "GETCPSX" and "getcps" are not GETCPS.
  for (const char* cmd : {"WATCHDOG", "MODDONE:BOILER:LT101", "GETCPSX", "getcps", "FROBNICATE:1"})
    EXPECT_TRUE(engine.handle(c, cmd).empty()) << cmd;
  ASSERT_FALSE(logged.empty());
  EXPECT_NE(logged.back().find("FROBNICATE:1"), std::string::npos);  // the unknown one is logged
}

TEST_F(EngineListsTest, CpRowsNameEveryCpAndCompoundRowsTheirCpInCharacters14To19) {
  const auto cps = send(engine.connect(), "GETCPS");
  ASSERT_GE(cps.size(), 3u);
  EXPECT_EQ(cps.front(), "CLRCPLST");
  EXPECT_EQ(cps.back(), "DNCPLST");
  Lines names;
  for (std::size_t i = 1; i + 1 < cps.size(); ++i)
    names.emplace_back(trimBlanks(cols(cps[i], 10, 15)));
  EXPECT_EQ(names, (Lines{"CP6001", "CP6002", "CP6003", "CP6004", "AW5101"}));

  const auto compounds = send(engine.connect(), "GETCMPS");
  EXPECT_EQ(compounds.front(), "CLRCMPLST");
  EXPECT_EQ(compounds.back(), "DNCMPLST");
  std::set<std::string> seen;
  for (std::size_t i = 1; i + 1 < compounds.size(); ++i) {
    const std::string compound(trimBlanks(cols(compounds[i], 13, 25)));
    const Cp* owner = engine.plant().cpOfCompound(compound);
    ASSERT_NE(owner, nullptr) << compounds[i];
    EXPECT_EQ(fromCol(compounds[i], 26), owner->name) << compounds[i];
    seen.insert(compound);
  }
  EXPECT_TRUE(seen.count("BOILER") && seen.count("TURBIN") && seen.count("REPORT"));
}

TEST_F(EngineListsTest, BlockListGivesEachCompoundItsBlocksInOrderThenItsEndEntry) {
  const ConnId c = openOn("CP6001");
  const auto lines = send(c, "GETBLKS 0 CP6001");
  ASSERT_EQ(lines.front(), "CLRBLKLST");
  ASSERT_EQ(lines.back(), "DNBLKLST");
  const auto nodes = treeOf(lines);
  ASSERT_FALSE(nodes.empty());
  EXPECT_EQ(nodes.back().key, "***END***");
  std::set<std::string> keys;
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    EXPECT_EQ(nodes[i].lineNo, static_cast<long long>(i) + 1);
    keys.insert(nodes[i].key);
  }
  EXPECT_EQ(keys.size(), nodes.size());  // the client's tree refuses a duplicate key

  const Compound& boiler = *engine.plant().findCompound("BOILER");
  const auto first =
      std::find_if(nodes.begin(), nodes.end(), [](const TreeNode& n) { return n.key == "BOILER"; });
  ASSERT_LT(first + static_cast<long>(boiler.blocks.size()) + 1, nodes.end());
  EXPECT_EQ(first->type, "COMPND");
  for (std::size_t i = 0; i < boiler.blocks.size(); ++i)
    EXPECT_EQ(first[static_cast<long>(i) + 1].key, "BOILER:" + boiler.blocks[i].name);
  const TreeNode& endEntry = first[static_cast<long>(boiler.blocks.size()) + 1];
  EXPECT_EQ(endEntry.key, "BOILER:---END_BOILER");
  EXPECT_EQ(endEntry.type, "END_ZONE");
  // Types that matter to the client's buttons come through.
  EXPECT_TRUE(std::any_of(nodes.begin(), nodes.end(), [](const TreeNode& n) {
    return n.key == "FEEDWT:PMPSEQ" && n.type == "IND";
  }));

  EXPECT_TRUE(refused(send(engine.connect(), "GETBLKS 0 CP6001"), "ERRBLKLST"));
  EXPECT_TRUE(refused(send(c, "GETBLKS 1 CP6002"), "ERRBLKLST", "CP6002"));
}

TEST_F(EngineListsTest, EcbAndStationBlocksOnlyInFullList) {
  const ConnId c = openOn("CP6001");
  auto typesIn = [&](const char* command) {
    std::multiset<std::string> types;
    for (const auto& n : treeOf(send(c, command))) types.insert(n.type);
    return types;
  };
  const auto shortList = typesIn("GETBLKS 0 CP6001");
  const auto fullList = typesIn("GETBLKS 1 CP6001");
  for (const char* t : {"ECB", "ECB2", "ECB200", "ECB201", "STATION"}) {
    EXPECT_EQ(shortList.count(t), 0u) << t;
    EXPECT_GE(fullList.count(t), 1u) << t;
  }
  for (const char* t : {"PIDA", "COMPND"}) EXPECT_EQ(shortList.count(t), fullList.count(t)) << t;
}

TEST_F(EngineListsTest, LongNamesKeepTheEndEntryWithin18CharactersAndLineNumbersWrap) {
  Plant plant = buildScalePlant(40'000, 400);
  plant.cps[0].compounds.push_back(makeCompound("ABCDEFGHIJKL"));
  plant.cps[0].compounds.back().blocks.push_back(makeBlock("TWELVECHARSX", "AIN"));
  Engine big(std::move(plant));
  const ConnId c = big.connect();
  big.handle(c, "OPENCP:" + big.plant().cps[0].name + " ALL WS01");
  const auto nodes = treeOf(linesFor(big.handle(c, "GETBLKS 0 " + big.plant().cps[0].name), c));
  ASSERT_GE(nodes.size(), 4u);
  EXPECT_EQ(nodes[nodes.size() - 3].key, "ABCDEFGHIJKL:TWELVECHARSX");
  EXPECT_EQ(nodes[nodes.size() - 3].type, "AIN");
  EXPECT_EQ(nodes[nodes.size() - 2].key, "ABCDEFGHIJKL:---END_ABCDEFGHIJK");
  // Line numbers stay within the client's range, and every block arrives.
  std::size_t blocks = 0;
  for (const auto& n : nodes) {
    ASSERT_GE(n.lineNo, 0);
    ASSERT_LE(n.lineNo, 32767);
    blocks += n.type != "COMPND" && n.type != "END_ZONE" && n.key != "***END***";
  }
  EXPECT_EQ(blocks, 40'001u);
}

}  // namespace
}  // namespace tarvo::sim
