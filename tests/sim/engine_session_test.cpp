// ICC sessions: open, refusals, locks shared between connections, override and close; the
// version, CP, compound and block lists, read at the columns the client reads them; and the
// CP utilities of a session: upload, checkpoint and initialize.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;

class EngineSessionTest : public EngineTest {
 protected:
  // Whether a new connection opens `cp` without meeting a lock.
  bool opensFreely(const std::string& cp) {
    return firstWith(send(engine.connect(), "OPENCP:" + cp + " ALL WSX"), "DNOPENCP") ==
           "DNOPENCP" + cp;
  }
};

TEST_F(EngineSessionTest, OpenReportsProgressThenTheCpOrRefuses) {
  const ConnId c = engine.connect();
  const auto lines = send(c, "OPENCP:CP6001 ALL WS01");
  EXPECT_TRUE(startsWith(lines.at(0), "TRYOPENCPCP6001 "));   // shown from column 10
  EXPECT_EQ(firstWith(lines, "DNOPENCP"), "DNOPENCPCP6001");  // the CP read from column 9
  // The client cuts six characters from a padded row: "CP6002  " has trailing blanks.
  EXPECT_EQ(firstWith(send(c, "OPENCP:CP6002   ALL WS01"), "DNOPENCP"), "DNOPENCPCP6002");

  const ConnId d = engine.connect();
  EXPECT_TRUE(refused(send(d, "OPENCP:CP9999 ALL WS01"), "ERROPENCP", "CP9999"));
  EXPECT_TRUE(refused(send(d, "OVERRIDECP:CPXXXX held by nobody"), "ERROPENCP"));
  // A checkpoint in progress: the client answers with CLOSEICC, whose reply takes it back to
  // the lists.
  const auto busy = send(d, "OPENCP:CP6004 ALL WS01");
  EXPECT_EQ(firstWith(busy, "CHECKPOINT") + "|" + firstWith(busy, "DNOPENCP"),
            "CHECKPOINT CP6004|");
  EXPECT_EQ(send(d, "CLOSEICC"), Lines{"CLOSEICC CP6004"});
}

TEST_F(EngineSessionTest, LockHeldByAnotherConnectionIsReportedAndOverrideTakesIt) {
  const ConnId a = openOn("CP6001", "WSA");
  const ConnId b = engine.connect();
  const auto lines = send(b, "OPENCP:CP6001 ALL WSB");
  EXPECT_EQ(firstWith(lines, "LOCKOPENCP") + "|" + firstWith(lines, "DNOPENCP"),
            "LOCKOPENCP CP6001 held by WSA|");
  // Declining, the client sends CLOSEICC, which must not touch A's session.
  EXPECT_EQ(send(b, "CLOSEICC"), Lines{"CLOSEICC CP6001"});
  EXPECT_EQ(engine.sessionCp(a), "CP6001");

  // Overriding sends back the lock text from column 12.
  const auto out = engine.handle(b, "OVERRIDECP:CP6001 held by WSA");
  EXPECT_EQ(firstWith(linesFor(out, b), "DNOPENCP"), "DNOPENCPCP6001");
  // A is told its session is gone, in the form that sends its client back to the lists.
  EXPECT_EQ(linesFor(out, a), Lines{"CLOSEICC CP6001 taken over by WSB"});
  EXPECT_TRUE(refused(send(a, "GETBLKS 0 CP6001"), "ERRBLKLST"));
  EXPECT_EQ(firstWith(send(a, "OPENCP:CP6001 ALL WSA"), "LOCKOPENCP"),
            "LOCKOPENCP CP6001 held by WSB");
}

TEST_F(EngineSessionTest, StationLockHoldsUntilOverriddenAndSessionsEndReleasingTheirLocks) {
  const ConnId a = engine.connect();
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(firstWith(send(a, "OPENCP:CP6003 ALL WSA"), "LOCKOPENCP"),
              "LOCKOPENCP CP6003 held by AW5102");
  EXPECT_EQ(firstWith(send(a, "OVERRIDECP:CP6003 held by AW5102"), "DNOPENCP"), "DNOPENCPCP6003");
  // Opening another CP releases the first; the station lost its lock for good.
  send(a, "OPENCP:CP6002 ALL WS01");
  EXPECT_EQ(engine.sessionCp(a), "CP6002");
  EXPECT_TRUE(opensFreely("CP6003"));

  EXPECT_EQ(send(a, "CLOSEICC"), Lines{"CLOSEICC CP6002"});
  EXPECT_TRUE(opensFreely("CP6002"));
  EXPECT_EQ(send(engine.connect(), "CLOSEICC"), Lines{"CLOSEICC None"});

  const ConnId d = openOn("AW5101");
  const auto connections = engine.connectionCount();
  engine.disconnect(d);
  EXPECT_EQ(engine.connectionCount(), connections - 1);
  EXPECT_TRUE(opensFreely("AW5101"));
  EXPECT_TRUE(engine.handle(d, "GETVERSION").empty());  // nothing for a connection that is gone
}

// ---- Lists ----------------------------------------------------------------------

using EngineListsTest = EngineTest;

TEST_F(EngineListsTest, VersionFollowsKeywordDirectlyAndOtherCommandsAnswerNothing) {
  // The version is the one the engine was given.
  const ConnId c = engine.connect();
  Engine other(buildDemoPlant(), EngineOptions{"1.2.3", 0});
  const ConnId o = other.connect();
  EXPECT_EQ(linesFor(other.handle(o, "GETVERSION"), o), Lines{"VERSION1.2.3"});
  // Keyword tests are exact: "GETCPSX" and "getcps" are not GETCPS.
  for (const char* cmd : {"WATCHDOG", "MODDONE:BOILER:LT101", "GETCPSX", "getcps", "FROBNICATE:1"})
    EXPECT_TRUE(engine.handle(c, cmd).empty()) << cmd;
  ASSERT_FALSE(log.empty());
  EXPECT_NE(log.back().find("FROBNICATE:1"), std::string::npos);  // the unknown one is logged
}

TEST_F(EngineListsTest, CpRowsNameEveryCpInCharacters10To15) {
  const auto cps = send(engine.connect(), "GETCPS");
  Lines rows;
  for (const auto& l : cps)
    rows.emplace_back(startsWith(l, "CPLST") ? trimBlanks(cols(l, 10, 15)) : l);
  EXPECT_EQ(rows, (Lines{"CLRCPLST", "CP6001", "CP6002", "CP6003", "CP6004", "AW5101", "DNCPLST"}));
}

TEST_F(EngineListsTest, BlockListGivesEachCompoundItsBlocksInOrderThenItsEndEntry) {
  const ConnId c = openOn("CP6001");
  const auto lines = send(c, "GETBLKS 0 CP6001");
  EXPECT_EQ(lines.front() + "|" + lines.back(), "CLRBLKLST|DNBLKLST");
  const auto nodes = treeOf(lines);
  ASSERT_FALSE(nodes.empty());
  EXPECT_EQ(nodes.back().key, "***END***");
  std::set<std::string> keys, types, full;
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    EXPECT_EQ(nodes[i].lineNo, static_cast<long long>(i) + 1);
    keys.insert(nodes[i].key);
    types.insert(nodes[i].type);
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

  // ECB and station blocks come only in the full list.
  for (const auto& node : treeOf(send(c, "GETBLKS 1 CP6001"))) full.insert(node.type);
  for (const char* t : {"ECB", "ECB2", "ECB200", "ECB201", "STATION"})
    EXPECT_TRUE(full.count(t) && !types.count(t)) << t;

  EXPECT_TRUE(refused(send(engine.connect(), "GETBLKS 0 CP6001"), "ERRBLKLST"));
  EXPECT_TRUE(refused(send(c, "GETBLKS 1 CP6002"), "ERRBLKLST", "CP6002"));
}

TEST_F(EngineListsTest, LongNamesKeepTheirEndEntriesWithinTheFieldsAndLineNumbersWrap) {
  Plant plant = buildScalePlant(40'000, 400);
  plant.cps.editBack()
      .compounds.push_back(makeCompound("ABCDEFGHIJKL"))
      .blocks.push_back(makeBlock("TWELVECHARSX", "AIN"));
  EngineOptions roomy;  // a CP past the limits a client may grow one to
  roomy.limits.maxPerCp =
      roomy.limits.maxPlant = {100'000, 10'000, 1'000'000, 100 << 20, 100 << 20};
  Engine big(std::move(plant), roomy);
  const std::string cp = big.plant().cps.front().name;
  const ConnId c = big.connect();
  big.handle(c, "OPENCP:" + cp + " ALL WS01");
  const auto nodes = treeOf(linesFor(big.handle(c, "GETBLKS 0 " + cp), c));
  ASSERT_GE(nodes.size(), 4u);
  EXPECT_EQ(nodes[nodes.size() - 3].key + " " + nodes[nodes.size() - 3].type,
            "ABCDEFGHIJKL:TWELVECHARSX AIN");
  EXPECT_EQ(nodes[nodes.size() - 2].key, "ABCDEFGHIJKL:---END_ABCDEFGHIJK");
  // Line numbers stay within the client's range, and every block arrives.
  std::size_t blocks = 0, outOfRange = 0;
  for (const auto& n : nodes) {
    outOfRange += n.lineNo < 0 || n.lineNo > 32767;
    blocks += n.type != "COMPND" && n.type != "END_ZONE" && n.key != "***END***";
  }
  EXPECT_EQ(std::to_string(blocks) + " " + std::to_string(outOfRange), "40001 0");

  // Its end key would not fit an add's record, so adding at the compound's end is refused.
  const auto add = [&](const std::string& where) {
    return linesFor(big.handle(c, "ADDNEW:ABCDEFGHIJKL:N1 " + where + " AIN"), c).at(0);
  };
  EXPECT_TRUE(startsWith(add("ABCDEFGHIJKL"), "ERRADDNEW"));
  EXPECT_TRUE(startsWith(add("ABCDEFGHIJKL:TWELVECHARSX"), "DNADDNEW ABCDEFGHIJKL:TWELVECHARSX "));
}

// ---- CP utilities ---------------------------------------------------------------

using EngineUtilitiesTest = EngineTest;

TEST_F(EngineUtilitiesTest, EachUtilityAnswersDoneAfterItsWorkOrIsRefused) {
  driveClock();
  const ConnId c = openOn("CP6001");
  for (const char* cmd : {"INITIALIZECP", "UPLOADCP", "CHECKPOINTCP"}) {
    now += engine.options().workMs;  // the one before has finished
    EXPECT_EQ(engine.handle(c, cmd), (std::vector<Outgoing>{{c, 25, "DNCPUTIL"}})) << cmd;
  }
  // Initialize dropped the tuned values (120 here), so the upload had none to take.
  EXPECT_EQ(value("BOILER:LC101", "PBAND"), "150");

  const ConnId none = engine.connect();
  EXPECT_EQ(engine.handle(none, "CHECKPOINTCP").at(0).delayMs, 0);
  EXPECT_TRUE(refused(send(none, "CHECKPOINTCP"), "ERRCPUTIL"));
  EXPECT_TRUE(refused(send(openOn("AW5101"), "UPLOADCP"), "ERRCPUTIL", "AW5101"));
  engine.setCheckpointSink([](const Plant&) { return std::string("disk full"); });
  EXPECT_TRUE(refused(send(openOn("CP6002"), "CHECKPOINTCP"), "ERRCPUTIL", "disk full"));
}

TEST_F(EngineUtilitiesTest, UploadTakesTunedValuesUnlessAChangeReplacedThem) {
  const ConnId c = openOn("CP6001");
  modify(c, "BOILER:LC101", {"PBAND = 175"});
  engine.handle(c, "UPLOADCP");
  // The change, not the tuned 120; then untouched tuned values.
  EXPECT_EQ(value("BOILER:LC101", "PBAND") + " " + value("BOILER:LC101", "MA") + " " +
                value("BOILER:PC104", "SPT"),
            "175 1 142");
  EXPECT_TRUE(engine.plant().findBlock("BOILER", "LC101")->runtime.empty());
}

}  // namespace
}  // namespace tarvo::sim
