// Parameter lists and modification transactions.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;

class EngineParamsTest : public EngineTest {
 protected:
  void SetUp() override { c = openOn("CP6001"); }

  // name -> value as the client's grid gets them: name from columns 8-13,
  // value from column 14, both trimmed.
  std::map<std::string, std::string> params(const std::string& block) {
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

  // Sends one transaction on `conn` and returns its single reply line.
  std::string modify(const std::string& block, const std::vector<std::string>& changes,
                     ConnId conn = 0) {
    if (conn == 0) conn = c;
    std::vector<std::string> replies;
    auto collect = [&](const std::string& cmd) {
      for (auto& l : send(conn, cmd)) replies.push_back(l);
    };
    collect("MODSTART:" + block);
    for (const auto& ch : changes) collect("MODPARM:" + ch);
    collect("MODEND:" + block);
    EXPECT_EQ(replies.size(), 1u);
    return replies.empty() ? std::string() : replies[0];
  }

  // A value in the plant; `key` is "CMP:BLK" or a compound's name.
  std::string value(const std::string& key, const std::string& name) {
    const auto colon = key.find(':');
    const ParamList* list = nullptr;
    if (colon == std::string::npos) {
      if (const Compound* cmp = engine.plant().findCompound(key)) list = &cmp->params;
    } else if (const Block* b =
                   engine.plant().findBlock(key.substr(0, colon), key.substr(colon + 1))) {
      list = &b->params;
    }
    const std::string* v = list ? findValue(*list, name) : nullptr;
    return v ? *v : "<missing>";
  }

  ConnId c = 0;
};

// The message of an ERRPRMMOD / WRNPRMMOD line, where the client reads it.
std::string message(const std::string& line) {
  return fromCol(line, 91);
}

TEST_F(EngineParamsTest, BlocksAndCompoundsListTheirParametersAtClientColumns) {
  const auto p = params("BOILER:LC101");
  EXPECT_EQ(p.at("NAME"), "LC101");
  EXPECT_EQ(p.at("TYPE"), "PIDA");
  EXPECT_EQ(p.at("DESCRP"), "Drum level control");
  EXPECT_EQ(p.at("MEAS"), "BOILER:LCALC.RO01");
  EXPECT_EQ(p.at("PBAND"), "150");
  EXPECT_EQ(params("BOILER:LCALC").at("STEP01"), "IN RI01");
  const auto compound = params("BOILER");
  EXPECT_EQ(compound.at("NAME"), "BOILER");
  EXPECT_EQ(compound.at("TYPE"), "COMPND");

  // NAME and TYPE first, then every parameter the block holds, in order, on lines of their own.
  for (const char* key : {"BOILER:LC101", "FEEDWT:FT201", "BOILER:LCALC", "FEEDWT:PMPSEQ"}) {
    const std::string k = key;
    const Block* block =
        engine.plant().findBlock(k.substr(0, k.find(':')), k.substr(k.find(':') + 1));
    ASSERT_NE(block, nullptr) << key;
    std::vector<std::string> expected{"NAME", "TYPE"};
    for (const auto& param : block->params) expected.push_back(param.name);
    const auto lines = send(c, "GETPARMS:" + k);
    std::vector<std::string> listed;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i)
      listed.push_back(trimmed(cols(lines[i], 8, 13)));
    EXPECT_EQ(listed, expected) << key;
    for (const auto& l : lines) EXPECT_EQ(l.find('\n'), std::string::npos);
  }
}

TEST_F(EngineParamsTest, ListRefusedForUnknownBlockOtherCpOrNoSession) {
  EXPECT_TRUE(refused(send(engine.connect(), "GETPARMS:BOILER:LT101"), "ERRPRMLST"));
  for (const char* name : {"BOILER:NOPE", "TURBIN:ST301", "BOILER:---END_BOILER", "NOCMP"})
    EXPECT_TRUE(refused(send(c, std::string("GETPARMS:") + name), "ERRPRMLST", name));
}

TEST_F(EngineParamsTest, AcceptedTransactionsApplyEveryChangeAndWarnOfAdjustments) {
  const struct {
    const char* block;
    std::vector<std::string> changes;
    const char* reply;
    const char* mentions;  // in a warning
    std::vector<std::pair<const char*, std::string>> stored;
  } cases[] = {
      {"BOILER:PC104",
       {"PBAND = 95", "INT = 0.8", "DESCRP = Drum pressure loop", "MA = 0"},
       "DNPRMMOD",
       "",
       {{"PBAND", "95"}, {"INT", "0.8"}, {"DESCRP", "Drum pressure loop"}, {"MA", "0"}}},
      // Range checks see the whole transaction: both ends of the scale move past the old high end.
      {"BOILER:LT101",
       {"LSCO1 = 400", "HSCO1 = 900"},
       "DNPRMMOD",
       "",
       {{"LSCO1", "400"}, {"HSCO1", "900"}}},
      {"BOILER:PC104", {"PBAND = 10", "PBAND = 20"}, "DNPRMMOD", "", {{"PBAND", "20"}}},
      {"BOILER", {"ON = 0"}, "DNPRMMOD", "", {{"ON", "0"}}},
      // Adjusted values are stored adjusted, and the rest applies too.
      {"BOILER:PC104",
       {"PERIOD = 2.6", "PBAND = 70"},
       "WRNPRMMOD",
       "PERIOD",
       {{"PERIOD", "3"}, {"PBAND", "70"}}},
      {"BOILER:PC104",
       {"DESCRP = " + std::string(40, 'D')},
       "WRNPRMMOD",
       "",
       {{"DESCRP", std::string(32, 'D')}}},
      {"BOILER:PC104", {"SPT = 250"}, "WRNPRMMOD", "", {{"SPT", "200"}}},  // range 0..200
      {"BOILER:LCALC", {"STEP08 = add"}, "WRNPRMMOD", "", {{"STEP08", "ADD"}}},
      // A connection to a missing block warns but is kept; clearing one is allowed.
      {"BOILER:LV101",
       {"MEAS = boiler:newpid.out"},
       "WRNPRMMOD",
       "BOILER:NEWPID",
       {{"MEAS", "BOILER:NEWPID.OUT"}}},
      {"BOILER:LV101", {"MEAS = "}, "DNPRMMOD", "", {{"MEAS", ""}}},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.changes.front());
    const std::string reply = modify(tc.block, tc.changes);
    EXPECT_TRUE(startsWith(reply, tc.reply)) << reply;
    EXPECT_NE(message(reply).find(tc.mentions), std::string::npos) << message(reply);
    for (const auto& [name, stored] : tc.stored) EXPECT_EQ(value(tc.block, name), stored) << name;
  }
}

TEST_F(EngineParamsTest, AnyErrorRefusesTheWholeTransaction) {
  const Plant before = engine.plant();
  const struct {
    const char* block;
    std::vector<std::string> changes;
    std::vector<const char*> mentions;
  } cases[] = {
      {"BOILER:PC104", {"PBAND = 90", "NOSUCH = 1"}, {"NOSUCH"}},
      {"BOILER:PC104", {"PBAND = 90", "TYPE = PID"}, {"TYPE"}},
      {"BOILER:PC104", {"NAME = PC999"}, {"NAME"}},
      {"BOILER:PC104", {"PBAND = ninety"}, {"PBAND"}},
      {"BOILER:PC104", {"PBAND = 0"}, {"PBAND"}},     // below range
      {"BOILER:PC104", {"PERIOD = 14"}, {"PERIOD"}},  // above range
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
    const std::string reply = modify(tc.block, tc.changes);
    ASSERT_TRUE(startsWith(reply, "ERRPRMMOD")) << reply;
    EXPECT_EQ(cols(reply, 10, 90).size(), 81u);
    for (const char* m : tc.mentions)
      EXPECT_NE(message(reply).find(m), std::string::npos) << message(reply);
    EXPECT_EQ(engine.plant(), before);
  }
  // Without a session nothing can be changed.
  EXPECT_TRUE(startsWith(modify("BOILER:PC104", {"PBAND = 1"}, engine.connect()), "ERRPRMMOD"));
  EXPECT_EQ(engine.plant(), before);
}

TEST_F(EngineParamsTest, NothingChangesBeforeModEnd) {
  EXPECT_TRUE(send(c, "MODSTART:BOILER:PC104").empty());
  EXPECT_TRUE(send(c, "MODPARM:PBAND = 33").empty());
  EXPECT_EQ(value("BOILER:PC104", "PBAND"), "80");
  // Closing the editor without MODEND drops the edit.
  send(c, "MODDONE:BOILER:PC104");
  EXPECT_TRUE(startsWith(send(c, "MODEND:BOILER:PC104").at(0), "ERRPRMMOD"));
  EXPECT_EQ(value("BOILER:PC104", "PBAND"), "80");
}

TEST_F(EngineParamsTest, OutOfOrderCommandsAreRefused) {
  auto lines = send(c, "MODPARM:PBAND = 1");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(startsWith(lines[0], "ERRPRMMOD"));
  EXPECT_FALSE(message(lines[0]).empty());

  send(c, "MODSTART:BOILER:PC104");
  send(c, "MODPARM:PBAND = 44");
  lines = send(c, "MODEND:BOILER:LC101");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(startsWith(lines[0], "ERRPRMMOD"));
  EXPECT_EQ(value("BOILER:PC104", "PBAND"), "80");
  EXPECT_EQ(value("BOILER:LC101", "PBAND"), "150");
}

TEST_F(EngineParamsTest, TransactionsAreKeptPerConnection) {
  const ConnId b = engine.connect();
  send(c, "MODSTART:BOILER:PC104");
  // B's stray MODPARM neither joins nor spoils A's transaction.
  EXPECT_TRUE(startsWith(send(b, "MODPARM:PBAND = 1").at(0), "ERRPRMMOD"));
  send(c, "MODPARM:PBAND = 55");
  EXPECT_TRUE(startsWith(send(c, "MODEND:BOILER:PC104").at(0), "DNPRMMOD"));
  EXPECT_EQ(value("BOILER:PC104", "PBAND"), "55");
}

}  // namespace
}  // namespace tarvo::sim
