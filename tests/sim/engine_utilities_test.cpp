// CP utilities: upload, checkpoint and initialize.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;

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
  const ConnId c = openOn("CP6001");
  for (const char* cmd : {"UPLOADCP", "CHECKPOINTCP", "INITIALIZECP"}) {
    SCOPED_TRACE(cmd);
    const auto out = engine.handle(c, cmd);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].line, "DNCPUTIL");
    EXPECT_EQ(out[0].delayMs, engine.options().workMs);
  }
}

TEST_F(EngineUtilitiesTest, RefusedWithoutSessionOrOnAVolume) {
  const ConnId none = engine.connect();
  auto out = engine.handle(none, "CHECKPOINTCP");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_TRUE(startsWith(out[0].line, "ERRCPUTIL"));
  EXPECT_FALSE(fromCol(out[0].line, 10).empty());
  EXPECT_EQ(out[0].delayMs, 0);

  const ConnId vol = openOn("AW5101");
  out = engine.handle(vol, "UPLOADCP");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_TRUE(startsWith(out[0].line, "ERRCPUTIL"));
  EXPECT_NE(fromCol(out[0].line, 10).find("AW5101"), std::string::npos);
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

TEST_F(EngineUtilitiesTest, FailedCheckpointReportsWhy) {
  engine.setCheckpointSink([](const Plant&) { return std::string("disk full"); });
  const ConnId c = openOn("CP6002");
  const auto out = engine.handle(c, "CHECKPOINTCP");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_TRUE(startsWith(out[0].line, "ERRCPUTIL"));
  EXPECT_NE(fromCol(out[0].line, 10).find("disk full"), std::string::npos);
}

}  // namespace
}  // namespace tarvo::sim
