// Version, CP and compound lists and block lists, read at the columns the client reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "blocks/block_ops.h"
#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;

class EngineListsTest : public EngineTest {};

TEST_F(EngineListsTest, VersionFollowsKeywordDirectlyAndOtherCommandsAnswerNothing) {
  const ConnId c = engine.connect();
  EXPECT_EQ(send(c, "GETVERSION"), Lines{"VERSION0.95.1"});
  Engine other(buildDemoPlant(), EngineOptions{"1.2.3", 0});
  const ConnId o = other.connect();
  EXPECT_EQ(linesFor(other.handle(o, "GETVERSION"), o), Lines{"VERSION1.2.3"});
  // Keyword tests are exact: "GETCPSX" and "getcps" are not GETCPS.
  for (const char* cmd : {"WATCHDOG", "MODDONE:BOILER:LT101", "GETCPSX", "getcps", "FROBNICATE:1"})
    EXPECT_TRUE(engine.handle(c, cmd).empty()) << cmd;
  ASSERT_FALSE(log.empty());
  EXPECT_NE(log.back().find("FROBNICATE:1"), std::string::npos);  // the unknown one is logged
}

TEST_F(EngineListsTest, CpRowsNameEveryCpAndCompoundRowsTheirCpInCharacters14To19) {
  const auto cps = send(engine.connect(), "GETCPS");
  Lines rows;
  for (const auto& l : cps)
    rows.emplace_back(startsWith(l, "CPLST") ? trimBlanks(cols(l, 10, 15)) : l);
  EXPECT_EQ(rows, (Lines{"CLRCPLST", "CP6001", "CP6002", "CP6003", "CP6004", "AW5101", "DNCPLST"}));

  // Each compound of the plant with its CP, CP by CP.
  Lines expected{"CLRCMPLST"};
  for (const auto& cp : engine.plant().cps)
    for (const auto& compound : cp.compounds) expected.push_back(compound.name + " " + cp.name);
  expected.push_back("DNCMPLST");
  rows.clear();
  for (const auto& l : send(engine.connect(), "GETCMPS"))
    rows.push_back(startsWith(l, "CMPLST") ? std::string(trimBlanks(cols(l, 13, 25))) + " " +
                                                 std::string(fromCol(l, 26))
                                           : l);
  EXPECT_EQ(rows, expected);
  EXPECT_GT(rows.size(), 10u);
}

TEST_F(EngineListsTest, BlockListGivesEachCompoundItsBlocksInOrderThenItsEndEntry) {
  const ConnId c = openOn("CP6001");
  const auto lines = send(c, "GETBLKS 0 CP6001");
  EXPECT_EQ(lines.front() + "|" + lines.back(), "CLRBLKLST|DNBLKLST");
  const auto nodes = treeOf(lines);
  ASSERT_FALSE(nodes.empty());
  EXPECT_EQ(nodes.back().key, "***END***");
  std::set<std::string> keys;
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    EXPECT_EQ(nodes[i].lineNo, static_cast<long long>(i) + 1);
    keys.insert(nodes[i].key);
  }
  EXPECT_EQ(keys.size(), nodes.size());  // the client's tree refuses a duplicate key

  // BOILER as "key type" lines: the compound, its blocks in order, its end entry.
  Lines expected{"BOILER COMPND"}, shown;
  for (const auto& b : engine.plant().findCompound("BOILER")->blocks)
    expected.push_back("BOILER:" + b.name + " " + b.type);
  expected.push_back("BOILER:---END_BOILER END_ZONE");
  auto n = std::find_if(nodes.begin(), nodes.end(),
                        [](const auto& node) { return node.key == "BOILER"; });
  for (; n != nodes.end() && shown.size() < expected.size(); ++n)
    shown.push_back(n->key + " " + n->type);
  EXPECT_EQ(shown, expected);

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

TEST_F(EngineListsTest, LongNamesKeepTheirEndEntriesWithinTheFieldsAndLineNumbersWrap) {
  Plant plant = buildScalePlant(40'000, 400);
  plant.cps[0].compounds.push_back(makeCompound("ABCDEFGHIJKL"));
  plant.cps[0].compounds.back().blocks.push_back(makeBlock("TWELVECHARSX", "AIN"));
  Engine big(std::move(plant));
  const std::string cp = big.plant().cps[0].name;
  const ConnId c = big.connect();
  big.handle(c, "OPENCP:" + cp + " ALL WS01");
  const auto nodes = treeOf(linesFor(big.handle(c, "GETBLKS 0 " + cp), c));
  ASSERT_GE(nodes.size(), 4u);
  EXPECT_EQ(nodes[nodes.size() - 3].key + " " + nodes[nodes.size() - 3].type,
            "ABCDEFGHIJKL:TWELVECHARSX AIN");
  EXPECT_EQ(nodes[nodes.size() - 2].key, "ABCDEFGHIJKL:---END_ABCDEFGHIJK");
  // Line numbers stay within the client's range, and every block arrives.
  std::size_t blocks = 0;
  for (const auto& n : nodes) {
    ASSERT_GE(n.lineNo, 0);
    ASSERT_LE(n.lineNo, 32767);
    blocks += n.type != "COMPND" && n.type != "END_ZONE" && n.key != "***END***";
  }
  EXPECT_EQ(blocks, 40'001u);

  // Its end key would not fit an add's record, so adding at the compound's end is refused.
  const auto add = [&](const std::string& where) {
    return linesFor(big.handle(c, "ADDNEW:ABCDEFGHIJKL:N1 " + where + " AIN"), c).at(0);
  };
  EXPECT_TRUE(startsWith(add("ABCDEFGHIJKL"), "ERRADDNEW")) << add("ABCDEFGHIJKL");
  EXPECT_EQ(
      blocks::parseBlockRecord(add("ABCDEFGHIJKL:TWELVECHARSX"), blocks::RecordColumns::AddCopy)
          .relKey,
      "ABCDEFGHIJKL:TWELVECHARSX");
}

}  // namespace
}  // namespace tarvo::sim
