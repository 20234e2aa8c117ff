// Parameter lists and modification transactions.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;

class EngineParamsTest : public EngineTest {
 protected:
  // name -> value as the client's grid gets them: name from columns 8-13,
  // value from column 14, both trimmed.
  std::map<std::string, std::string> params(ConnId c, const std::string& block) {
    const auto lines = send(c, "GETPARMS:" + block);
    EXPECT_EQ(lines.front(), "CLRPRMLST");
    EXPECT_EQ(lines.back(), "DNPRMLST");
    std::map<std::string, std::string> out;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
      EXPECT_TRUE(startsWith(lines[i], "PRMLST ")) << lines[i];
      out[trimmed(cols(lines[i], 8, 13))] = trimmed(fromCol(lines[i], 14));
    }
    return out;
  }

  // Sends one transaction and returns its single reply line.
  std::string modify(ConnId c, const std::string& block, const std::vector<std::string>& changes) {
    std::vector<std::string> replies;
    auto collect = [&](const std::string& cmd) {
      for (auto& l : send(c, cmd)) replies.push_back(l);
    };
    collect("MODSTART:" + block);
    for (const auto& ch : changes) collect("MODPARM:" + ch);
    collect("MODEND:" + block);
    EXPECT_EQ(replies.size(), 1u);
    return replies.empty() ? std::string() : replies[0];
  }

  const std::string& value(const std::string& compound, const std::string& block,
                           const std::string& name) {
    const Block* b = engine.plant().findBlock(compound, block);
    static const std::string missing = "<missing>";
    if (!b) return missing;
    const std::string* v = findValue(b->params, name);
    return v ? *v : missing;
  }
};

// The message of an ERRPRMMOD / WRNPRMMOD line, where the client reads it.
std::string message(const std::string& line) {
  return fromCol(line, 91);
}

TEST_F(EngineParamsTest, ControllerListsItsParametersAtClientColumns) {
  const ConnId c = openOn("CP6001");
  const auto p = params(c, "BOILER:LC101");
  EXPECT_EQ(p.at("NAME"), "LC101");
  EXPECT_EQ(p.at("TYPE"), "PIDA");
  EXPECT_EQ(p.at("DESCRP"), "Drum level control");
  EXPECT_EQ(p.at("MEAS"), "BOILER:LCALC.RO01");
  EXPECT_EQ(p.at("BCALCI"), "BOILER:LV101.BCALCO");
  EXPECT_EQ(p.at("PBAND"), "150");
  for (const char* name :
       {"PERIOD", "PHASE", "LOOPID", "HSCO1", "LSCO1", "MA", "INITMA", "INT", "DERIV"})
    EXPECT_EQ(p.count(name), 1u) << name;
}

TEST_F(EngineParamsTest, ListedOrderStartsWithNameAndType) {
  const ConnId c = openOn("CP6001");
  const auto lines = send(c, "GETPARMS:FEEDWT:FT201");
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(trimmed(cols(lines[1], 8, 13)), "NAME");
  EXPECT_EQ(trimmed(cols(lines[2], 8, 13)), "TYPE");
  for (const auto& l : lines) EXPECT_EQ(l.find('\n'), std::string::npos);
}

TEST_F(EngineParamsTest, TypesCarryTheirSpecialParameters) {
  const ConnId c = openOn("CP6001");
  EXPECT_EQ(params(c, "BOILER:LT101").count("IOMOPT"), 1u);
  EXPECT_EQ(params(c, "BOILER:BDV106").count("IOMOPT"), 1u);
  EXPECT_EQ(params(c, "BOILER:PC104").count("MA"), 1u);
  EXPECT_EQ(params(c, "BOILER:LT101").count("MA"), 0u);
  const auto calc = params(c, "BOILER:LCALC");
  EXPECT_EQ(calc.at("STEP01"), "IN RI01");
  EXPECT_EQ(calc.count("STEP50"), 1u);
  EXPECT_EQ(params(c, "BOILER:BDLOG").count("STEP15"), 1u);
  for (const auto& [name, v] : params(c, "FEEDWT:PMPSEQ")) EXPECT_LE(name.size(), 6u) << name;
}

TEST_F(EngineParamsTest, CompoundHasParametersToo) {
  const ConnId c = openOn("CP6001");
  const auto p = params(c, "BOILER");
  EXPECT_EQ(p.at("NAME"), "BOILER");
  EXPECT_EQ(p.at("TYPE"), "COMPND");
}

TEST_F(EngineParamsTest, ListRefusedForUnknownBlockOtherCpOrNoSession) {
  const ConnId none = engine.connect();
  auto lines = send(none, "GETPARMS:BOILER:LT101");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(startsWith(lines[0], "ERRPRMLST"));

  const ConnId c = openOn("CP6001");
  for (const char* name : {"BOILER:NOPE", "TURBIN:ST301", "BOILER:---END_BOILER", "NOCMP"}) {
    lines = send(c, std::string("GETPARMS:") + name);
    ASSERT_EQ(lines.size(), 1u) << name;
    EXPECT_TRUE(startsWith(lines[0], "ERRPRMLST")) << name;
    EXPECT_NE(fromCol(lines[0], 10).find(name), std::string::npos) << lines[0];
  }
}

TEST_F(EngineParamsTest, ValidTransactionAppliesEveryChange) {
  const ConnId c = openOn("CP6001");
  const std::string reply = modify(
      c, "BOILER:PC104", {"PBAND = 95", "INT = 0.8", "DESCRP = Drum pressure loop", "MA = 0"});
  EXPECT_TRUE(startsWith(reply, "DNPRMMOD")) << reply;
  const auto p = params(c, "BOILER:PC104");
  EXPECT_EQ(p.at("PBAND"), "95");
  EXPECT_EQ(p.at("INT"), "0.8");
  EXPECT_EQ(p.at("DESCRP"), "Drum pressure loop");
  EXPECT_EQ(p.at("MA"), "0");
}

TEST_F(EngineParamsTest, AnyErrorRefusesTheWholeTransaction) {
  const ConnId c = openOn("CP6001");
  const Plant before = engine.plant();
  struct Case {
    std::vector<std::string> changes;
    const char* mentions;
  };
  const Case cases[] = {
      {{"PBAND = 90", "NOSUCH = 1"}, "NOSUCH"},
      {{"PBAND = 90", "TYPE = PID"}, "TYPE"},
      {{"NAME = PC999"}, "NAME"},
      {{"PBAND = ninety"}, "PBAND"},
      {{"PBAND = 0"}, "PBAND"},     // below range
      {{"PERIOD = 14"}, "PERIOD"},  // above range
      {{"MA = 2"}, "MA"},
      {{"MA = 1.0"}, "MA"},
      {{"MEAS = LT101"}, "MEAS"},  // not CMP:BLK.PARAM
      {{"MEAS = BOILER:LT101.NOPE"}, "NOPE"},
      {{"HSCO1 = 0", "LSCO1 = 10"}, "HSCO1"},
      {{"DESCRP = fine", "PBAND = "}, "PBAND"},  // empty is not a number
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.changes.front());
    const std::string reply = modify(c, "BOILER:PC104", tc.changes);
    ASSERT_TRUE(startsWith(reply, "ERRPRMMOD")) << reply;
    EXPECT_EQ(cols(reply, 10, 90).size(), 81u);
    EXPECT_NE(message(reply).find(tc.mentions), std::string::npos) << message(reply);
    EXPECT_EQ(engine.plant(), before);
  }
}

TEST_F(EngineParamsTest, ErrorListsEveryProblem) {
  const ConnId c = openOn("CP6001");
  const std::string reply = modify(c, "BOILER:PC104", {"MA = 5", "FOO = 1"});
  EXPECT_NE(message(reply).find("MA"), std::string::npos);
  EXPECT_NE(message(reply).find("FOO"), std::string::npos);
}

TEST_F(EngineParamsTest, AdjustedValuesWarnAndAreStoredAdjusted) {
  const ConnId c = openOn("CP6001");
  std::string reply = modify(c, "BOILER:PC104", {"PERIOD = 2.6", "PBAND = 70"});
  ASSERT_TRUE(startsWith(reply, "WRNPRMMOD")) << reply;
  EXPECT_NE(message(reply).find("PERIOD"), std::string::npos);
  EXPECT_EQ(value("BOILER", "PC104", "PERIOD"), "3");
  EXPECT_EQ(value("BOILER", "PC104", "PBAND"), "70");  // the rest applied too

  reply = modify(c, "BOILER:PC104", {"DESCRP = " + std::string(40, 'D')});
  EXPECT_TRUE(startsWith(reply, "WRNPRMMOD"));
  EXPECT_EQ(value("BOILER", "PC104", "DESCRP"), std::string(32, 'D'));

  reply = modify(c, "BOILER:PC104", {"SPT = 250"});  // above the 0..200 measurement range
  EXPECT_TRUE(startsWith(reply, "WRNPRMMOD"));
  EXPECT_EQ(value("BOILER", "PC104", "SPT"), "200");

  reply = modify(c, "BOILER:LCALC", {"STEP08 = add"});
  EXPECT_TRUE(startsWith(reply, "WRNPRMMOD"));
  EXPECT_EQ(value("BOILER", "LCALC", "STEP08"), "ADD");
}

TEST_F(EngineParamsTest, RangeChecksSeeTheWholeTransaction) {
  const ConnId c = openOn("CP6001");
  // Moving the scale up past the old high end works when both ends move at once.
  EXPECT_TRUE(startsWith(modify(c, "BOILER:LT101", {"LSCO1 = 400", "HSCO1 = 900"}), "DNPRMMOD"));
  EXPECT_EQ(value("BOILER", "LT101", "LSCO1"), "400");
  EXPECT_EQ(value("BOILER", "LT101", "HSCO1"), "900");
}

TEST_F(EngineParamsTest, ConnectionToMissingBlockWarnsButIsKept) {
  const ConnId c = openOn("CP6001");
  const std::string reply = modify(c, "BOILER:LV101", {"MEAS = boiler:newpid.out"});
  ASSERT_TRUE(startsWith(reply, "WRNPRMMOD")) << reply;
  EXPECT_NE(message(reply).find("BOILER:NEWPID"), std::string::npos);
  EXPECT_EQ(value("BOILER", "LV101", "MEAS"), "BOILER:NEWPID.OUT");
  // Clearing a connection is allowed.
  EXPECT_TRUE(startsWith(modify(c, "BOILER:LV101", {"MEAS = "}), "DNPRMMOD"));
  EXPECT_EQ(value("BOILER", "LV101", "MEAS"), "");
}

TEST_F(EngineParamsTest, LastValueForOneParameterWins) {
  const ConnId c = openOn("CP6001");
  EXPECT_TRUE(startsWith(modify(c, "BOILER:PC104", {"PBAND = 10", "PBAND = 20"}), "DNPRMMOD"));
  EXPECT_EQ(value("BOILER", "PC104", "PBAND"), "20");
}

TEST_F(EngineParamsTest, NothingChangesBeforeModEnd) {
  const ConnId c = openOn("CP6001");
  EXPECT_TRUE(send(c, "MODSTART:BOILER:PC104").empty());
  EXPECT_TRUE(send(c, "MODPARM:PBAND = 33").empty());
  EXPECT_EQ(value("BOILER", "PC104", "PBAND"), "80");
  // Closing the editor without MODEND drops the edit.
  send(c, "MODDONE:BOILER:PC104");
  EXPECT_TRUE(startsWith(send(c, "MODEND:BOILER:PC104").at(0), "ERRPRMMOD"));
  EXPECT_EQ(value("BOILER", "PC104", "PBAND"), "80");
}

TEST_F(EngineParamsTest, OutOfOrderCommandsAreRefused) {
  const ConnId c = openOn("CP6001");
  auto lines = send(c, "MODPARM:PBAND = 1");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(startsWith(lines[0], "ERRPRMMOD"));
  EXPECT_FALSE(message(lines[0]).empty());

  send(c, "MODSTART:BOILER:PC104");
  send(c, "MODPARM:PBAND = 44");
  lines = send(c, "MODEND:BOILER:LC101");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(startsWith(lines[0], "ERRPRMMOD"));
  EXPECT_EQ(value("BOILER", "PC104", "PBAND"), "80");
  EXPECT_EQ(value("BOILER", "LC101", "PBAND"), "150");
}

TEST_F(EngineParamsTest, TransactionNeedsSessionAndBlockOfItsCp) {
  const ConnId none = engine.connect();
  EXPECT_TRUE(startsWith(modify(none, "BOILER:PC104", {"PBAND = 1"}), "ERRPRMMOD"));
  const ConnId c = openOn("CP6001");
  EXPECT_TRUE(startsWith(modify(c, "TURBIN:SC301", {"PBAND = 1"}), "ERRPRMMOD"));
  EXPECT_EQ(value("TURBIN", "SC301", "PBAND"), "40");
}

TEST_F(EngineParamsTest, TransactionsAreKeptPerConnection) {
  const ConnId a = openOn("CP6001");
  const ConnId b = engine.connect();
  send(a, "MODSTART:BOILER:PC104");
  // B's stray MODPARM neither joins nor spoils A's transaction.
  EXPECT_TRUE(startsWith(send(b, "MODPARM:PBAND = 1").at(0), "ERRPRMMOD"));
  send(a, "MODPARM:PBAND = 55");
  EXPECT_TRUE(startsWith(send(a, "MODEND:BOILER:PC104").at(0), "DNPRMMOD"));
  EXPECT_EQ(value("BOILER", "PC104", "PBAND"), "55");
}

TEST_F(EngineParamsTest, CompoundParametersCanBeEdited) {
  const ConnId c = openOn("CP6001");
  EXPECT_TRUE(startsWith(modify(c, "BOILER", {"ON = 0"}), "DNPRMMOD"));
  EXPECT_EQ(params(c, "BOILER").at("ON"), "0");
  EXPECT_TRUE(startsWith(modify(c, "BOILER", {"PBAND = 1"}), "ERRPRMMOD"));
}

}  // namespace
}  // namespace tarvo::sim
