// Cross-reference: the setup lists and their uploads, the generation polled
// on a clock the test drives, and the listing of a block or compound; uploads
// as the client's list editor sends them, replies read with the client's readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sim_test_util.h"
#include "xref/xref_protocol.h"

namespace tarvo::sim {
namespace {

using namespace testing;
using tarvo::xref::cfgGetCommand;
using tarvo::xref::cfgLineText;
using tarvo::xref::cfgUploadCommands;
using tarvo::xref::runLineText;

const Lines kNone{"CLRXREFLST", "NONEXREFLST"};

bool has(const Lines& lines, std::string_view part) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

class EngineXrefTest : public EngineTest {
 protected:
  EngineXrefTest() { driveClock(); }

  // Sends each command with "XREFCFGPUT" before it.
  void put(ConnId c, const Lines& commands) {
    for (const auto& cmd : commands) EXPECT_TRUE(send(c, "XREFCFGPUT" + cmd).empty()) << cmd;
  }

  // The entries of a list as the client reads them.
  Lines entries(ConnId c, char t) {
    Lines out;
    for (const auto& l : send(c, cfgGetCommand(std::string(1, t))))
      if (startsWith(l, "XREFCFGGETLINE")) out.emplace_back(cfgLineText(l));
    return out;
  }

  // Starts a run (or, with `start` false, follows the one going) and polls every 3 s, as
  // the client does, until XREFRUNDONE; returns the output texts as the client reads them.
  Lines runToEnd(ConnId c, bool start = true) {
    Lines text, got = start ? send(c, "XREFRUNS") : Lines{};
    for (int i = 0; i < 100; ++i, now += 3000, got = send(c, "XREFRUNC")) {
      for (const auto& l : got) {
        if (l == "XREFRUNDONE") return text;
        EXPECT_TRUE(startsWith(l, "XREFRUNLINE")) << l;
        text.emplace_back(runLineText(l));
      }
    }
    ADD_FAILURE() << "the run never ended";
    return text;
  }

  Lines xref(ConnId c, const std::string& key) { return send(c, "XREFBLK:" + key); }
};

TEST_F(EngineXrefTest, ListsCarryLetterAndEntriesAtTheirColumnsAndUploadsRoundTrip) {
  const ConnId c = engine.connect();
  EXPECT_EQ(entries(c, 'C'), (Lines{"CP6001", "CP6002", "CP6003", "CP6004", "AW5101"}));
  for (const char* bad : {"XREFCFGGETX", "XREFCFGGET", "XREFCFGGETCD"})
    EXPECT_TRUE(send(c, bad).empty()) << bad;

  put(c, {"DSTRT", "DLINE:A\n", "DLINE:\n", "DLINE: B  "});
  const ConnId other = engine.connect();
  EXPECT_EQ(entries(other, 'D').size(), 2u) << "stored before DONE";
  put(c, {"DDONE", "HSTRT", "HDONE"});
  // The lists belong to the server: every connection sees them.
  EXPECT_EQ(send(other, "XREFCFGGETD"),
            (Lines{"XREFCFGGETSTRTD", "XREFCFGGETLINE DA", "XREFCFGGETLINE D",
                   "XREFCFGGETLINE D B  ", "XREFCFGGETDONED"}));
  EXPECT_EQ(send(other, "XREFCFGGETH"), (Lines{"XREFCFGGETSTRTH", "XREFCFGGETDONEH"}));
}

TEST_F(EngineXrefTest, RefusedUploadChangesNothing) {
  const ConnId c = engine.connect();
  const Lines before = entries(c, 'C');
  // An upload of the list C with n copies of one line.
  const auto upload = [](std::size_t n, const std::string& line) {
    Lines l{"CSTRT"};
    l.insert(l.end(), n, line);
    l.push_back("CDONE");
    return l;
  };
  const std::vector<Lines> cases{
      {"CSTRT", "CLINE:A\n", "CLINE:B\tC\n", "CDONE"},
      {"CSTRT", "CLINE:A\n\n", "CDONE"},
      {"CSTRT", "CLINE:A\r\n", "CDONE"},
      {"CSTRT", "CLINE:" + std::string(257, 'L'), "CDONE"},
      {"CSTRT", "CLINE:A\n", "DLINE:B", "CDONE"},            // a line of another list
      {"CSTRT", "CLINE:A\n", "DDONE"},                       // ended as another list
      {"XSTRT", "XLINE:A", "XDONE"},                         // no such list
      {"CLINE:A", "CDONE"},                                  // no start
      upload(1001, "CLINE:X\n"),                             // too many lines
      upload(300, "CLINE:" + std::string(250, 'W') + "\n"),  // too much text
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::size_t logs = log.size();
    put(c, cases[i]);
    EXPECT_EQ(entries(c, 'C'), before) << "case " << i;
    EXPECT_EQ(entries(c, 'D').size(), 2u) << "case " << i;
    EXPECT_GT(log.size(), logs) << "case " << i << " not logged";
  }
  // The largest list that fits is taken; an upload cut off by its
  // connection's end is dropped with it.
  put(c, upload(1000, "CLINE:X\n"));
  const ConnId gone = engine.connect();
  put(gone, {"CSTRT", "CLINE:Z"});
  engine.disconnect(gone);
  EXPECT_EQ(entries(c, 'C'), Lines(1000, "X"));
}

TEST_F(EngineXrefTest, RunOutputArrivesOverPollsForItsTimePerBlockThenDoneOnceAndListingsFollow) {
  const ConnId c = engine.connect();
  EXPECT_TRUE(send(c, "XREFRUNC").empty()) << "no run, no answer";
  Lines out;
  auto poll = [&](std::int64_t t) {
    now = t;
    const Lines got = send(c, "XREFRUNC");
    for (const auto& l : got)
      if (l != "XREFRUNDONE") out.emplace_back(runLineText(l));
    return got;
  };
  for (const auto& l : send(c, "XREFRUNS")) out.emplace_back(runLineText(l));
  EXPECT_EQ(out.at(0).rfind("Cross-reference generation started", 0), 0u) << out[0];
  // 100 ms per block of the listed CPs, which are all of the demo plant's.
  const std::int64_t end = static_cast<std::int64_t>(engine.plant().blockCount()) * 100;
  for (const std::int64_t t : {std::int64_t{3000}, end - 1}) {
    const std::size_t had = out.size();
    EXPECT_FALSE(has(poll(t), "XREFRUNDONE")) << t;
    EXPECT_GT(out.size(), had) << "nothing new at " << t;
  }
  EXPECT_EQ(xref(c, "BOILER:LC101"), kNone) << "published before the run ended";
  EXPECT_EQ(poll(end).back(), "XREFRUNDONE");
  EXPECT_EQ(out.back().rfind("Cross-reference complete: 5 CPs/volumes", 0), 0u) << out.back();
  for (const char* part : {"Reading CP6002", "  BOILER ", "  REPORT ", "Historian HIST02"})
    EXPECT_TRUE(has(out, part)) << part;
  EXPECT_FALSE(has(out, "WARNING"));
  EXPECT_TRUE(poll(end + 60'000).empty()) << "output after the end";

  // The listings then show each connection with its direction.
  EXPECT_EQ(
      xref(c, "BOILER:LC101"),
      (Lines{"CLRXREFLST", "XREFLST IN  BOILER:LC101.MEAS                <-- BOILER:LCALC.RO01",
             "XREFLST IN  BOILER:LC101.BCALCI              <-- BOILER:LV101.BCALCO",
             "XREFLST OUT BOILER:LC101.OUT                 --> BOILER:LV101.MEAS", "ENDXREFLST"}));
  // A compound lists the links inside it too.
  EXPECT_TRUE(
      has(xref(c, "PLANT"), "XREFLST INT PLANT:LOAD.RO01                  --> PLANT:UNITMN.MEAS"));
  // A module lists the blocks that use it, and names its own parent.
  const Lines fbm = xref(c, "CP6001_ECB:FBM03");
  ASSERT_EQ(fbm.size(), 8u);
  EXPECT_EQ(fbm[1], "XREFLST REF CP6001_ECB:FBM03.PARENT          ==> CP6001_ECB:PRIMARY_ECB");
  EXPECT_EQ(fbm[2], "XREFLST REF CP6001_ECB:FBM03                 <== BOILER:LSH105.IOM_ID");
  for (const char* none : {"REPORT:RPTTIM", "", "***END***", "BOILER:---END_BOILER", "NOSUCH:X"})
    EXPECT_EQ(xref(c, none), kNone) << none;
}

TEST_F(EngineXrefTest, RunStopsWhenNoClientFollowsItAnyMore) {
  const ConnId a = engine.connect();
  const ConnId b = engine.connect();
  send(a, "XREFRUNS");
  now += 3000;
  // A second client follows the run already going instead of starting one.
  const Lines joined = send(b, "XREFRUNS");
  EXPECT_EQ(runLineText(joined.at(0)), "Following the generation that client 1 started");
  EXPECT_EQ(runLineText(joined.at(1)).rfind("Cross-reference generation started", 0), 0u);
  EXPECT_TRUE(send(a, "XREFRUNE").empty());
  engine.disconnect(b);
  now += 3'600'000;
  EXPECT_TRUE(send(a, "XREFRUNC").empty());
  EXPECT_EQ(xref(a, "BOILER:LC101"), kNone);
  EXPECT_TRUE(has(log, "stopped"));
}

TEST_F(EngineXrefTest, NamesThatAreNoCpOfThePlantAreReportedAndSkipped) {
  const ConnId c = engine.connect();
  // The list as the client's editor sends a text box holding it.
  EXPECT_EQ(sendAll(c, cfgUploadCommands("C", "NOSUCH\r\n\r\ncp6001\r\nCP6001")), Lines{});
  const Lines out = runToEnd(c);
  EXPECT_TRUE(has(out, "NOSUCH: not a CP or volume of this system, skipped"));
  EXPECT_TRUE(has(out, "CP6001: listed twice, read once"));
  EXPECT_TRUE(has(out, "Reading CP6001 (FCP280, Boiler house)"));
  EXPECT_FALSE(has(out, "Reading CP6002") || has(out, "Reading NOSUCH"));
  // Blocks of a CP that was not read hold no references.
  EXPECT_EQ(xref(c, "TURBIN:ST301"), kNone);
  EXPECT_EQ(
      xref(c, "BOILER:FT102"),
      (Lines{"CLRXREFLST", "XREFLST OUT BOILER:FT102.PNT                 --> BOILER:LCALC.RI02",
             "XREFLST REF BOILER:FT102.IOM_ID              ==> CP6001_ECB:FBM01", "ENDXREFLST"}));
}

TEST_F(EngineXrefTest, RunReadsThePlantAsItStartsAndWarnsOfOpenSessions) {
  const ConnId s = openOn("CP6001", "WS01");
  const ConnId c = engine.connect();
  EXPECT_TRUE(
      has(send(c, "XREFRUNS"), "WARNING: ICC configurator session active on CP6001 (WS01)"));
  ASSERT_EQ(modify(s, "BOILER:LV101", {"MEAS = BOILER:PC104.OUT"}), Lines{"DNPRMMOD BOILER:LV101"});
  runToEnd(c, false);
  const std::string toValve = "--> BOILER:LV101.MEAS";
  EXPECT_TRUE(has(xref(c, "BOILER:LC101"), toValve));
  EXPECT_FALSE(has(xref(c, "BOILER:PC104"), toValve));
  send(s, "CLOSEICC");
  EXPECT_FALSE(has(runToEnd(c), "WARNING"));
  EXPECT_FALSE(has(xref(c, "BOILER:LC101"), toValve));
  EXPECT_TRUE(has(xref(c, "BOILER:PC104"), toValve));
}

}  // namespace
}  // namespace tarvo::sim
