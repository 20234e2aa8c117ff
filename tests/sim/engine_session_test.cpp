// ICC sessions: open, refusals, locks shared between connections, override
// and close.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;

class EngineSessionTest : public EngineTest {};

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

TEST_F(EngineSessionTest, UnknownCpIsRefusedWithItsName) {
  const ConnId c = engine.connect();
  const auto lines = send(c, "OPENCP:CP9999 ALL WS01");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(startsWith(lines[0], "ERROPENCP"));
  EXPECT_NE(fromCol(lines[0], 10).find("CP9999"), std::string::npos);
  EXPECT_EQ(engine.sessionCp(c), "");
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
  const ConnId b = engine.connect();
  EXPECT_EQ(firstWith(send(b, "OPENCP:CP6003 ALL WSB"), "DNOPENCP"), "DNOPENCPCP6003");
}

TEST_F(EngineSessionTest, OverrideOfUnknownCpIsRefused) {
  const ConnId a = engine.connect();
  EXPECT_TRUE(startsWith(send(a, "OVERRIDECP:CPXXXX held by nobody").at(0), "ERROPENCP"));
}

TEST_F(EngineSessionTest, OpeningAnotherCpReleasesTheFirst) {
  const ConnId a = openOn("CP6001");
  send(a, "OPENCP:CP6002 ALL WS01");
  EXPECT_EQ(engine.sessionCp(a), "CP6002");
  const ConnId b = engine.connect();
  EXPECT_EQ(firstWith(send(b, "OPENCP:CP6001 ALL WS02"), "DNOPENCP"), "DNOPENCPCP6001");
}

TEST_F(EngineSessionTest, CloseEndsSessionAndFreesLock) {
  const ConnId a = openOn("CP6002");
  const auto lines = send(a, "CLOSEICC");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(fromCol(lines[0], 10), "CP6002");
  EXPECT_EQ(engine.sessionCp(a), "");
  const ConnId b = engine.connect();
  EXPECT_EQ(firstWith(send(b, "OPENCP:CP6002 ALL WS02"), "DNOPENCP"), "DNOPENCPCP6002");
}

TEST_F(EngineSessionTest, CloseWithoutSessionStillAnswers) {
  const ConnId a = engine.connect();
  EXPECT_EQ(send(a, "CLOSEICC"), std::vector<std::string>{"CLOSEICC None"});
}

TEST_F(EngineSessionTest, DisconnectReleasesLock) {
  const ConnId a = openOn("CP6001");
  engine.disconnect(a);
  EXPECT_EQ(engine.connectionCount(), 0u);
  const ConnId b = engine.connect();
  EXPECT_EQ(firstWith(send(b, "OPENCP:CP6001 ALL WS02"), "DNOPENCP"), "DNOPENCPCP6001");
  // Lines for a connection that is gone are never produced.
  EXPECT_TRUE(engine.handle(a, "GETVERSION").empty());
}

}  // namespace
}  // namespace tarvo::sim
