// Parameter lists and modification transactions.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "params/param_protocol.h"
#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;
using params::paramModMessage;

class EngineParamsTest : public EngineTest {
 protected:
  void SetUp() override { c = openOn("CP6001"); }

  // The list of `block` as the client's grid reads it, "NAME=value" in order.
  Lines params(const std::string& block) {
    const auto lines = send(c, "GETPARMS:" + block);
    EXPECT_EQ(lines.front() + "|" + lines.back(), "CLRPRMLST|DNPRMLST");
    Lines out;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
      EXPECT_TRUE(startsWith(lines[i], "PRMLST ")) << lines[i];
      const auto p = params::parseParamLine(lines[i]);
      out.push_back(p.name + "=" + p.value);
    }
    return out;
  }

  // The single reply of one transaction on `block`, on `conn` or the session's connection.
  std::string reply(const std::string& block, const Lines& changes, ConnId conn = 0) {
    const Lines lines = modify(conn ? conn : c, block, changes);
    EXPECT_EQ(lines.size(), 1u);
    return lines.empty() ? std::string() : lines[0];
  }

  ConnId c = 0;
};

TEST_F(EngineParamsTest, ListsGiveNameTypeThenEveryParameterAtClientColumnsOrARefusal) {
  for (const char* blk : {"LC101", "LCALC"}) {  // LCALC's steps hold inner blanks
    const Block* b = engine.plant().findBlock("BOILER", blk);
    Lines expected{std::string("NAME=") + blk, "TYPE=" + b->type};
    for (const auto& p : b->params) expected.push_back(p.name + "=" + p.value);
    EXPECT_EQ(params(std::string("BOILER:") + blk), expected);
  }
  EXPECT_EQ(params("BOILER").at(1), "TYPE=COMPND");
  EXPECT_TRUE(refused(send(engine.connect(), "GETPARMS:BOILER:LT101"), "ERRPRMLST"));
  for (const char* name : {"BOILER:NOPE", "TURBIN:ST301", "BOILER:---END_BOILER", "NOCMP"})
    EXPECT_TRUE(refused(send(c, std::string("GETPARMS:") + name), "ERRPRMLST", name));
}

TEST_F(EngineParamsTest, AcceptedTransactionsApplyEveryChangeAndWarnOfAdjustments) {
  const std::string d40 = "DESCRP = " + std::string(40, 'D'), d32 = d40.substr(0, 41);
  const struct {
    const char *block, *reply, *mentions;  // the reply's start, and what its message names
    Lines changes, stored;                 // stored "NAME = value"; none given: as changed
  } cases[] = {
      {"BOILER:PC104", "DNPRMMOD BOILER:PC104", "", {"PBAND = 95", "INT = 0.8", "MA = 0"}, {}},
      // Range checks see the whole transaction: both ends of the scale move past the old high end.
      {"BOILER:LT101", "DNPRMMOD", "", {"LSCO1 = 400", "HSCO1 = 900"}, {}},
      {"BOILER:PC104", "DNPRMMOD", "", {"PBAND = 10", "PBAND = 20"}, {"PBAND = 20"}},
      // Adjusted values are stored adjusted, and the rest applies too.
      {"BOILER:PC104", "WRNPRMMOD", "PERIOD", {"PERIOD = 2.6", "MA = 1"}, {"PERIOD = 3", "MA = 1"}},
      {"BOILER:PC104", "WRNPRMMOD", "DESCRP", {d40}, {d32}},
      {"BOILER:PC104", "WRNPRMMOD", "SPT", {"SPT = 250"}, {"SPT = 200"}},  // range 0..200
      {"BOILER:LCALC", "WRNPRMMOD", "", {"STEP08 = add"}, {"STEP08 = ADD"}},
      // A connection to a missing block warns but is kept; clearing one is allowed.
      {"BOILER:LV101", "WRN", "BOILER:NO", {"MEAS = boiler:no.out"}, {"MEAS = BOILER:NO.OUT"}},
      {"BOILER:LV101", "DNPRMMOD", "", {"MEAS = "}, {}},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.changes.front());
    const std::string line = reply(tc.block, tc.changes);
    EXPECT_TRUE(startsWith(line, tc.reply)) << line;
    EXPECT_NE(paramModMessage(line).find(tc.mentions), std::string::npos) << line;
    for (const auto& stored : tc.stored.empty() ? tc.changes : tc.stored) {
      const auto eq = stored.find(" = ");
      EXPECT_EQ(value(tc.block, stored.substr(0, eq)), stored.substr(eq + 3));
    }
  }
}

TEST_F(EngineParamsTest, AnyErrorRefusesTheWholeTransaction) {
  const Plant before = engine.plant();
  const struct {
    const char* block;
    Lines changes;
    std::vector<const char*> mentions;
  } cases[] = {
      {"BOILER:PC104", {"PBAND = 90", "NOSUCH = 1"}, {"NOSUCH"}},
      {"BOILER:PC104", {"PBAND = 90", "TYPE = PID"}, {"TYPE"}},
      {"BOILER:PC104", {"PBAND = ninety"}, {"PBAND"}},
      {"BOILER:PC104", {"MA = 2"}, {"MA"}},
      {"BOILER:PC104", {"MA = 1.0"}, {"MA"}},
      {"BOILER:PC104", {"MEAS = LT101"}, {"MEAS"}},  // not CMP:BLK.PARAM
      {"BOILER:PC104", {"MEAS = BOILER:LT101.NOPE"}, {"NOPE"}},
      {"BOILER:PC104", {"HSCO1 = 0", "LSCO1 = 10"}, {"HSCO1"}},
      {"BOILER:PC104", {"DESCRP = fine", "PBAND = "}, {"PBAND"}},  // empty is not a number
      {"BOILER:PC104", {"MA = 5", "FOO = 1"}, {"MA", "FOO"}},      // every problem is listed
      {"BOILER", {"PBAND = 1"}, {}},                               // a compound has no PBAND
      {"TURBIN:SC301", {"PBAND = 1"}, {}},                         // a block of another CP
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.changes.front());
    const std::string line = reply(tc.block, tc.changes);
    ASSERT_TRUE(startsWith(line, "ERRPRMMOD")) << line;
    EXPECT_FALSE(paramModMessage(line).empty()) << line;  // at column 91, where it is read
    for (const char* m : tc.mentions)
      EXPECT_NE(paramModMessage(line).find(m), std::string::npos) << line;
    EXPECT_EQ(engine.plant(), before);
  }
  EXPECT_TRUE(startsWith(reply("BOILER:PC104", {"PBAND = 1"}, engine.connect()), "ERRPRMMOD"));
  EXPECT_EQ(engine.plant(), before);  // without a session nothing can be changed
}

TEST_F(EngineParamsTest, ChangesWaitForTheirOwnConnectionsMatchingModEnd) {
  EXPECT_EQ(sendAll(c, {"MODSTART:BOILER:PC104", "MODPARM:PBAND = 33"}), Lines{});
  EXPECT_EQ(value("BOILER:PC104", "PBAND"), "80");
  // Closing the editor without MODEND drops the edit.
  send(c, "MODDONE:BOILER:PC104");
  EXPECT_TRUE(refused(send(c, "MODEND:BOILER:PC104"), "ERRPRMMOD"));
  EXPECT_TRUE(refused(send(c, "MODPARM:PBAND = 1"), "ERRPRMMOD"));
  // An end for another block refuses the edit.
  sendAll(c, {"MODSTART:BOILER:PC104", "MODPARM:PBAND = 44"});
  EXPECT_TRUE(refused(send(c, "MODEND:BOILER:LC101"), "ERRPRMMOD"));
  EXPECT_EQ(value("BOILER:PC104", "PBAND") + " " + value("BOILER:LC101", "PBAND"), "80 150");
  // Another connection's stray MODPARM neither joins nor spoils a transaction.
  send(c, "MODSTART:BOILER:PC104");
  EXPECT_TRUE(refused(send(engine.connect(), "MODPARM:PBAND = 1"), "ERRPRMMOD"));
  send(c, "MODPARM:PBAND = 55");
  EXPECT_EQ(send(c, "MODEND:BOILER:PC104"), Lines{"DNPRMMOD BOILER:PC104"});
  EXPECT_EQ(value("BOILER:PC104", "PBAND"), "55");
}

}  // namespace
}  // namespace tarvo::sim
