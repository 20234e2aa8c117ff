// What one client can make the engine hold, write to the log or pass on to
// another client: control characters, endless edits, piled-up CP utilities,
// checkpoints written elsewhere and floods of log lines.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/plant_file.h"
#include "sim/text.h"
#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;

class EngineLimitsTest : public EngineTest {
 protected:
  static EngineOptions options() {
    return {.workMs = 100, .limits = {.maxEditChanges = 5, .maxEditBytes = 100, .log = {3, 1000}}};
  }
  EngineLimitsTest() : EngineTest(options()) {
    now = 1000;
    driveClock();
  }
};

TEST_F(EngineLimitsTest, ControlCharactersNeverReachAnotherClientOrTheLog) {
  const ConnId a = openOn("CP6001", "WSA");
  const ConnId b = engine.connect();
  for (const std::string& bad :
       Lines{"OPENCP:CP6001 ALL WS\nVERSION6.6.6", "OPENCP:CP6001 ALL \x1b[2J",
             "OPENCP:CP6001 ALL " + std::string(256, 'H'),
             "OVERRIDECP:CP6001 held by WSA\nDNCPLST"}) {
    SCOPED_TRACE(bad);
    const auto out = engine.handle(b, bad);
    ASSERT_EQ(out.size(), 1u);  // nothing for A
    EXPECT_TRUE(refused(linesFor(out, b), "ERROPENCP"));
    EXPECT_EQ(engine.sessionCp(a), "CP6001");
  }
  // A stray line end after the host is no part of it.
  EXPECT_EQ(firstWith(send(b, "OPENCP:CP6001 ALL WSB\n"), "LOCKOPENCP"),
            "LOCKOPENCP CP6001 held by WSA");
  // 8-bit text (a C1 control in UTF-8 here) is taken, and escaped where the
  // log is written, like all else that could steer a terminal.
  for (const char* cmd : {"MODSTART:Z\xc2\x9b", "MODSTART:Y", "SPUTSTART:\xc2\x9b", "SPUTSTART:C",
                          "\x1b]0;title\x07"}) {
    now += 1000;
    send(a, cmd);
  }
  ASSERT_GE(log.size(), 4u);
  for (const auto& line : log) EXPECT_EQ(line, text::logSafe(line));
}

TEST_F(EngineLimitsTest, AnEditOverItsLimitsChangesNothingAndHoldsNothing) {
  const std::string longValue(101, '7');
  const std::pair<const char*, Lines> cases[] = {
      {"too many", {"PBAND = 66", "SPT = 1", "HSCI1 = 100", "LSCI1 = 0", "DESCRP = x", "MA = 1"}},
      {"too long", {"PBAND = 66", "DESCRP = " + longValue}},
  };
  const ConnId c = openOn("CP6001");
  for (const auto& [what, params] : cases) {
    SCOPED_TRACE(what);
    send(c, "MODSTART:BOILER:PC104");
    for (const auto& p : params) send(c, "MODPARM:" + p);
    for (int i = 0; i < 10'000; ++i) send(c, "MODPARM:N" + std::to_string(i) + " = " + longValue);
    EXPECT_LT(engine.heldBytes(), 500u);
    EXPECT_TRUE(refused(send(c, "MODEND:BOILER:PC104"), "ERRPRMMOD",
                        "more than 5 parameters or 100 bytes"));
    EXPECT_EQ(value("BOILER:PC104", "PBAND"), "80");
  }
  // One name sent again and again is one change.
  send(c, "MODSTART:BOILER:PC104");
  for (int i = 0; i < 1000; ++i) send(c, "MODPARM:PBAND = " + std::to_string(i));
  EXPECT_EQ(send(c, "MODEND:BOILER:PC104"), Lines{"DNPRMMOD BOILER:PC104"});
  EXPECT_EQ(value("BOILER:PC104", "PBAND"), "999");
}

TEST_F(EngineLimitsTest, OneUtilityAtATimePerCpWhoeverAsks) {
  const ConnId a = openOn("CP6001", "WSA");
  EXPECT_EQ(send(a, "UPLOADCP"), Lines{"DNCPUTIL"});
  EXPECT_TRUE(refused(send(a, "CHECKPOINTCP"), "ERRCPUTIL", "upload of CP6001 is still running"));
  // Another CP is free.
  EXPECT_EQ(send(openOn("CP6002"), "INITIALIZECP"), Lines{"DNCPUTIL"});
  // Taking the session over does not end the work on the CP.
  const ConnId b = engine.connect();
  send(b, "OVERRIDECP:CP6001 held by WSA");
  ASSERT_EQ(engine.sessionCp(b), "CP6001");
  EXPECT_TRUE(refused(send(b, "INITIALIZECP"), "ERRCPUTIL", "still running"));
  now += options().workMs;
  EXPECT_EQ(send(b, "INITIALIZECP"), Lines{"DNCPUTIL"});
}

TEST_F(EngineLimitsTest, ACheckpointWrittenElsewhereIsAnsweredWhenTheWriteEnds) {
  std::vector<std::pair<std::uint64_t, std::shared_ptr<const Plant>>> writes;
  engine.setCheckpointWriter([&](std::uint64_t ticket, std::shared_ptr<const Plant> p) {
    writes.emplace_back(ticket, std::move(p));
  });
  const ConnId a = openOn("CP6001");
  const auto out = engine.handle(a, "CHECKPOINTCP");
  ASSERT_EQ(writes.size(), 1u);
  const std::uint64_t ticket = writes[0].first;
  EXPECT_EQ(out, (std::vector<Outgoing>{{a, options().workMs, "DNCPUTIL", ticket}}));
  // The snapshot is the plant as it was asked for.
  modify(a, "BOILER:PC104", {"PBAND = 66"});
  EXPECT_EQ(valueOf(*writes[0].second, "BOILER:PC104", "PBAND"), "80");
  // Past its work time the checkpoint still runs until the write has ended.
  now += options().workMs;
  EXPECT_TRUE(refused(send(a, "UPLOADCP"), "ERRCPUTIL", "checkpoint of CP6001"));
  EXPECT_EQ(engine.checkpointWritten(ticket, "disk full\nDNCPLST"),
            (std::vector<Outgoing>{
                {a, 0, "ERRCPUTILCheckpoint of CP6001 failed: disk full DNCPLST", ticket}}));
  EXPECT_TRUE(engine.checkpointWritten(ticket, "").empty());  // told once
  EXPECT_EQ(send(a, "UPLOADCP"), Lines{"DNCPUTIL"});
}

TEST_F(EngineLimitsTest, LogLinesArePacedPerConnectionAndTheRestCounted) {
  const ConnId noisy = engine.connect();
  const ConnId quiet = engine.connect();
  for (int i = 0; i < 100; ++i) send(noisy, "BOGUS");
  EXPECT_EQ(log.size(), 3u);
  send(quiet, "BOGUS");
  EXPECT_EQ(log.size(), 4u);
  now += 1000;
  send(noisy, "BOGUS");
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log[4], "conn " + std::to_string(noisy) + ": 97 log lines about it were held back");
  send(noisy, "BOGUS");
  engine.disconnect(noisy);
  EXPECT_EQ(log.back(),
            "conn " + std::to_string(noisy) + ": 1 more log lines about it were held back");
}

// A cross-reference run of an empty list is done as soon as it starts; each
// used to give a log line beyond any budget.
TEST_F(EngineLimitsTest, EveryLineAConnectionCausesCountsAgainstItsBudget) {
  const ConnId c = engine.connect();
  sendAll(c, {"XREFCFGPUTCSTRT", "XREFCFGPUTCDONE"});
  for (int i = 0; i < 1000; ++i) send(c, "XREFRUNS");
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[2],
            "conn " + std::to_string(c) + ": cross-reference generation finished, 0 references");
  now += 1000;
  send(c, "XREFRUNS");
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[3], "conn " + std::to_string(c) + ": 1998 log lines about it were held back");
}

// A text cut to its longest length never ends in a blank: the plant file
// would lose it on the next start.
TEST_F(EngineLimitsTest, ACutTextSurvivesACheckpointUnchanged) {
  const ConnId c = openOn("CP6001");
  const Lines reply = modify(c, "BOILER", {"DESCRP = Boiler 1 drum and steam, far an   wide"});
  EXPECT_TRUE(startsWith(reply.at(0), "WRNPRMMOD"));
  EXPECT_EQ(value("BOILER", "DESCRP"), "Boiler 1 drum and steam, far an");
  const PlantReadResult back = readPlantText(writePlantText(engine.plant()));
  ASSERT_TRUE(back.plant);
  EXPECT_EQ(*back.plant, engine.plant());
}

}  // namespace
}  // namespace tarvo::sim
