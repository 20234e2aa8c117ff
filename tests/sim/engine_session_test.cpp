// ICC sessions: open, refusals, locks shared between connections, override
// and close; and the CP utilities of a session: upload, checkpoint and initialize.
#include <gtest/gtest.h>

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

TEST_F(EngineSessionTest, OpenReportsProgressThenCpNameFromColumn9) {
  const ConnId c = engine.connect();
  const auto lines = send(c, "OPENCP:CP6001 ALL WS01");
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(startsWith(lines[0], "TRYOPENCP"));
  EXPECT_FALSE(trimmed(fromCol(lines[0], 10)).empty());
  const std::string done = firstWith(lines, "DNOPENCP");
  EXPECT_EQ(cols(done, 9, 14), "CP6001");
  EXPECT_EQ(engine.sessionCp(c), "CP6001");
}

TEST_F(EngineSessionTest, BlankPaddedCpNameFromCompoundRowOpens) {
  Plant plant = buildDemoPlant();
  plant.cps[0].name = "CP61";
  Engine e(std::move(plant));
  const ConnId c = e.connect();
  // The client cuts 6 characters from a padded row: "CP61  ".
  const auto lines = linesFor(e.handle(c, "OPENCP:CP61   ALL WS01"), c);
  EXPECT_EQ(fromCol(firstWith(lines, "DNOPENCP"), 9), "CP61");
}

TEST_F(EngineSessionTest, OpenOrOverrideOfAnUnknownCpIsRefused) {
  const ConnId c = engine.connect();
  EXPECT_TRUE(refused(send(c, "OPENCP:CP9999 ALL WS01"), "ERROPENCP", "CP9999"));
  EXPECT_EQ(engine.sessionCp(c), "");
  EXPECT_TRUE(startsWith(send(c, "OVERRIDECP:CPXXXX held by nobody").at(0), "ERROPENCP"));
}

TEST_F(EngineSessionTest, CheckpointInProgressRefusesOpen) {
  const ConnId c = engine.connect();
  const auto lines = send(c, "OPENCP:CP6004 ALL WS01");
  EXPECT_EQ(fromCol(firstWith(lines, "CHECKPOINT"), 12), "CP6004");
  EXPECT_EQ(firstWith(lines, "DNOPENCP"), "");
  // The client follows up with CLOSEICC and needs its answer to go back to the lists.
  EXPECT_EQ(send(c, "CLOSEICC"), std::vector<std::string>{"CLOSEICC CP6004"});
}

TEST_F(EngineSessionTest, SecondConnectionSeesLockHeldByFirst) {
  const ConnId a = openOn("CP6001", "WSA");
  const ConnId b = engine.connect();
  const auto lines = send(b, "OPENCP:CP6001 ALL WSB");
  const std::string lock = firstWith(lines, "LOCKOPENCP");
  ASSERT_FALSE(lock.empty());
  const std::string text = fromCol(lock, 12);
  EXPECT_EQ(text.substr(0, 6), "CP6001");
  EXPECT_NE(text.find("WSA"), std::string::npos);
  EXPECT_EQ(firstWith(lines, "DNOPENCP"), "");
  EXPECT_EQ(engine.sessionCp(a), "CP6001");
  EXPECT_EQ(engine.sessionCp(b), "");

  // Declining: the client sends CLOSEICC, which must not touch A's session.
  EXPECT_EQ(send(b, "CLOSEICC"), std::vector<std::string>{"CLOSEICC CP6001"});
  EXPECT_EQ(engine.sessionCp(a), "CP6001");
}

TEST_F(EngineSessionTest, OverrideTakesLockAndEndsFormerHoldersSession) {
  const ConnId a = openOn("CP6001", "WSA");
  const ConnId b = engine.connect();
  const std::string lockText =
      fromCol(firstWith(send(b, "OPENCP:CP6001 ALL WSB"), "LOCKOPENCP"), 12);

  const auto out = engine.handle(b, "OVERRIDECP:" + lockText);
  EXPECT_EQ(fromCol(firstWith(linesFor(out, b), "DNOPENCP"), 9), "CP6001");
  EXPECT_NE(firstWith(linesFor(out, b), "BLKTYPNEW"), "");
  // A is told its session is gone, in the form that sends its client back to the lists.
  const auto toA = linesFor(out, a);
  ASSERT_EQ(toA.size(), 1u);
  EXPECT_TRUE(startsWith(toA[0], "CLOSEICC "));
  EXPECT_EQ(fromCol(toA[0], 10).substr(0, 6), "CP6001");

  EXPECT_EQ(engine.sessionCp(a), "");
  EXPECT_EQ(engine.sessionCp(b), "CP6001");
  EXPECT_TRUE(startsWith(send(a, "GETBLKS 0 CP6001").at(0), "ERRBLKLST"));
  // A now meets B's lock.
  EXPECT_NE(fromCol(firstWith(send(a, "OPENCP:CP6001 ALL WSA"), "LOCKOPENCP"), 12).find("WSB"),
            std::string::npos);
}

TEST_F(EngineSessionTest, StationLockHoldsUntilOverridden) {
  const ConnId a = engine.connect();
  for (int i = 0; i < 2; ++i) {
    const std::string lock = firstWith(send(a, "OPENCP:CP6003 ALL WSA"), "LOCKOPENCP");
    EXPECT_EQ(fromCol(lock, 12), "CP6003 held by AW5102");
  }
  const auto lines = send(a, "OVERRIDECP:CP6003 held by AW5102");
  EXPECT_EQ(fromCol(firstWith(lines, "DNOPENCP"), 9), "CP6003");
  send(a, "CLOSEICC");
  // The station lost the lock for good: another client now opens freely.
  EXPECT_TRUE(opensFreely("CP6003"));
}

TEST_F(EngineSessionTest, OpeningAnotherCpClosingAndDisconnectingReleaseTheLock) {
  const ConnId a = openOn("CP6001");
  send(a, "OPENCP:CP6002 ALL WS01");
  EXPECT_EQ(engine.sessionCp(a), "CP6002");
  EXPECT_TRUE(opensFreely("CP6001"));

  EXPECT_EQ(send(a, "CLOSEICC"), std::vector<std::string>{"CLOSEICC CP6002"});
  EXPECT_EQ(engine.sessionCp(a), "");
  EXPECT_TRUE(opensFreely("CP6002"));
  EXPECT_EQ(send(engine.connect(), "CLOSEICC"), std::vector<std::string>{"CLOSEICC None"});

  const ConnId d = openOn("AW5101");
  const auto connections = engine.connectionCount();
  engine.disconnect(d);
  EXPECT_EQ(engine.connectionCount(), connections - 1);
  EXPECT_TRUE(opensFreely("AW5101"));
  // Lines for a connection that is gone are never produced.
  EXPECT_TRUE(engine.handle(d, "GETVERSION").empty());
}

// ---- CP utilities ---------------------------------------------------------------

class EngineUtilitiesTest : public EngineTest {
 protected:
  const std::string* configured(const char* cmp, const char* blk, const char* name) {
    return findValue(engine.plant().findBlock(cmp, blk)->params, name);
  }
  const ParamList& runtime(const char* cmp, const char* blk) {
    return engine.plant().findBlock(cmp, blk)->runtime;
  }
};

TEST_F(EngineUtilitiesTest, EachUtilityAnswersDoneAfterItsWork) {
  std::int64_t now = 0;
  engine.setClock([&] { return now; });
  const ConnId c = openOn("CP6001");
  for (const char* cmd : {"UPLOADCP", "CHECKPOINTCP", "INITIALIZECP"}) {
    SCOPED_TRACE(cmd);
    now += engine.options().workMs;  // the one before has finished
    const auto out = engine.handle(c, cmd);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].line, "DNCPUTIL");
    EXPECT_EQ(out[0].delayMs, engine.options().workMs);
  }
}

TEST_F(EngineUtilitiesTest, RefusedWithoutSessionOrOnAVolumeOrWhenTheCheckpointFails) {
  const auto out = engine.handle(engine.connect(), "CHECKPOINTCP");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].delayMs, 0);
  EXPECT_TRUE(refused({out[0].line}, "ERRCPUTIL"));
  EXPECT_TRUE(refused(send(openOn("AW5101"), "UPLOADCP"), "ERRCPUTIL", "AW5101"));
  engine.setCheckpointSink([](const Plant&) { return std::string("disk full"); });
  EXPECT_TRUE(refused(send(openOn("CP6002"), "CHECKPOINTCP"), "ERRCPUTIL", "disk full"));
}

TEST_F(EngineUtilitiesTest, UploadTakesTunedValuesIntoConfiguration) {
  const ConnId c = openOn("CP6001");
  ASSERT_FALSE(runtime("BOILER", "LC101").empty());
  engine.handle(c, "UPLOADCP");
  EXPECT_EQ(*configured("BOILER", "LC101", "PBAND"), "120");
  EXPECT_EQ(*configured("BOILER", "LC101", "MA"), "1");
  EXPECT_EQ(*configured("BOILER", "PC104", "SPT"), "142");
  EXPECT_TRUE(runtime("BOILER", "LC101").empty());
  // Another CP's blocks are untouched.
  EXPECT_EQ(*configured("TURBIN", "SC301", "PBAND"), "40");
}

TEST_F(EngineUtilitiesTest, InitializeDropsTunedValuesKeepingConfiguration) {
  const ConnId c = openOn("CP6001");
  engine.handle(c, "INITIALIZECP");
  EXPECT_TRUE(runtime("BOILER", "LC101").empty());
  EXPECT_EQ(*configured("BOILER", "LC101", "PBAND"), "150");
  engine.handle(c, "UPLOADCP");
  EXPECT_EQ(*configured("BOILER", "LC101", "PBAND"), "150");
}

TEST_F(EngineUtilitiesTest, ConfigurationChangeReplacesTunedValue) {
  const ConnId c = openOn("CP6001");
  send(c, "MODSTART:BOILER:LC101");
  send(c, "MODPARM:PBAND = 175");
  send(c, "MODEND:BOILER:LC101");
  engine.handle(c, "UPLOADCP");
  EXPECT_EQ(*configured("BOILER", "LC101", "PBAND"), "175");
  EXPECT_EQ(*configured("BOILER", "LC101", "MA"), "1");  // the untouched tuned value still uploads
}

TEST_F(EngineUtilitiesTest, CheckpointHandsPlantToSink) {
  int calls = 0;
  std::string seenPband;
  engine.setCheckpointSink([&](const Plant& p) {
    ++calls;
    seenPband = *findValue(p.findBlock("BOILER", "PC104")->params, "PBAND");
    return std::string();
  });
  const ConnId c = openOn("CP6001");
  send(c, "MODSTART:BOILER:PC104");
  send(c, "MODPARM:PBAND = 61");
  send(c, "MODEND:BOILER:PC104");
  EXPECT_EQ(send(c, "CHECKPOINTCP"), std::vector<std::string>{"DNCPUTIL"});
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seenPband, "61");
  // Upload and initialize store nothing.
  engine.handle(c, "UPLOADCP");
  engine.handle(c, "INITIALIZECP");
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace tarvo::sim
