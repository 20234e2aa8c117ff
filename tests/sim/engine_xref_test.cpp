// Cross-reference: the setup lists and their uploads, the generation polled
// on a clock the test drives, and the listing of a block or compound.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;
using Lines = std::vector<std::string>;

class EngineXrefTest : public EngineTest {
 protected:
  EngineXrefTest() {
    engine.setClock([this] { return now; });
    engine.setLogger([this](const std::string& s) { logged.push_back(s); });
  }

  // STRT, one LINE per payload, DONE; every reply is collected.
  Lines upload(ConnId c, char t, const Lines& payloads) {
    const std::string put = std::string("XREFCFGPUT") + t;
    Lines replies = send(c, put + "STRT");
    for (const auto& p : payloads)
      for (auto& r : send(c, put + "LINE:" + p)) replies.push_back(r);
    for (auto& r : send(c, put + "DONE")) replies.push_back(r);
    return replies;
  }

  // The entries of a list as the client reads them (from column 17).
  Lines entries(ConnId c, char t) {
    Lines out;
    for (const auto& l : send(c, std::string("XREFCFGGET") + t))
      if (startsWith(l, "XREFCFGGETLINE")) out.push_back(fromCol(l, 17));
    return out;
  }

  // Polls every 3 s, as the client does, until XREFRUNDONE; returns the
  // output texts (from column 12) and counts the polls that brought some.
  Lines pollToEnd(ConnId c, int* pollsWithOutput = nullptr) {
    Lines text;
    for (int i = 0; i < 1000; ++i) {
      now += 3000;
      const Lines got = send(c, "XREFRUNC");
      if (pollsWithOutput && !got.empty()) ++*pollsWithOutput;
      for (const auto& l : got) {
        if (l == "XREFRUNDONE") {
          EXPECT_EQ(&l, &got.back()) << "output after XREFRUNDONE";
          return text;
        }
        EXPECT_TRUE(startsWith(l, "XREFRUNLINE")) << l;
        text.push_back(fromCol(l, 12));
      }
    }
    ADD_FAILURE() << "the run never ended";
    return text;
  }

  Lines runToEnd(ConnId c) {
    Lines text;
    for (const auto& l : send(c, "XREFRUNS")) text.push_back(fromCol(l, 12));
    for (auto& t : pollToEnd(c)) text.push_back(t);
    return text;
  }

  Lines xref(ConnId c, const std::string& key) { return send(c, "XREFBLK:" + key); }

  static bool has(const Lines& lines, std::string_view part) {
    for (const auto& l : lines)
      if (l.find(part) != std::string::npos) return true;
    return false;
  }

  std::int64_t now = 0;
  Lines logged;
};

const Lines kNone{"CLRXREFLST", "NONEXREFLST"};

TEST_F(EngineXrefTest, ListsCarryLetterAndEntriesAtTheirColumns) {
  const ConnId c = engine.connect();
  for (const char t : {'C', 'D', 'H'}) {
    SCOPED_TRACE(t);
    const Lines lines = send(c, std::string("XREFCFGGET") + t);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front(), std::string("XREFCFGGETSTRT") + t);
    EXPECT_EQ(lines.back(), std::string("XREFCFGGETDONE") + t);
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
      EXPECT_EQ(cols(lines[i], 1, 16), std::string("XREFCFGGETLINE ") + t);
      EXPECT_FALSE(fromCol(lines[i], 17).empty());
    }
  }
  EXPECT_EQ(entries(c, 'C'), (Lines{"CP6001", "CP6002", "CP6003", "CP6004", "AW5101"}));
  EXPECT_EQ(entries(c, 'D').size(), 2u);
  EXPECT_EQ(entries(c, 'H').size(), 2u);
  for (const char* bad : {"XREFCFGGETX", "XREFCFGGET", "XREFCFGGETCD"})
    EXPECT_TRUE(send(c, bad).empty()) << bad;
}

TEST_F(EngineXrefTest, UploadStoresLinesExactlyAndOnlyAtDone) {
  const ConnId c = engine.connect();
  const ConnId other = engine.connect();
  EXPECT_TRUE(send(c, "XREFCFGPUTDSTRT").empty());
  EXPECT_TRUE(send(c, "XREFCFGPUTDLINE:A\n").empty());
  EXPECT_TRUE(send(c, "XREFCFGPUTDLINE:\n").empty());
  EXPECT_TRUE(send(c, "XREFCFGPUTDLINE: B  ").empty());
  EXPECT_EQ(entries(other, 'D').size(), 2u) << "stored before DONE";
  EXPECT_TRUE(send(c, "XREFCFGPUTDDONE").empty());
  // The list belongs to the server: every connection sees it.
  EXPECT_EQ(entries(other, 'D'), (Lines{"A", "", " B  "}));
  EXPECT_EQ(entries(other, 'C').size(), 5u);
  EXPECT_TRUE(upload(c, 'H', {}).empty());
  EXPECT_EQ(send(c, "XREFCFGGETH"), (Lines{"XREFCFGGETSTRTH", "XREFCFGGETDONEH"}));
}

TEST_F(EngineXrefTest, RefusedUploadChangesNothing) {
  const ConnId c = engine.connect();
  const Lines before = entries(c, 'C');
  const std::string wide(250, 'W');
  struct Case {
    const char* what;
    Lines commands;
  };
  std::vector<Case> cases{
      {"tab inside", {"CSTRT", "CLINE:A\n", "CLINE:B\tC\n", "CDONE"}},
      {"two line feeds", {"CSTRT", "CLINE:A\n\n", "CDONE"}},
      {"carriage return", {"CSTRT", "CLINE:A\r\n", "CDONE"}},
      {"line too long", {"CSTRT", "CLINE:" + std::string(257, 'L'), "CDONE"}},
      {"line of another list", {"CSTRT", "CLINE:A\n", "DLINE:B", "CDONE"}},
      {"ended as another list", {"CSTRT", "CLINE:A\n", "DDONE"}},
      {"no such list", {"XSTRT", "XLINE:A", "XDONE"}},
      {"line without start", {"CLINE:A", "CDONE"}},
      {"done without start", {"CDONE"}},
  };
  Case many{"too many lines", {"CSTRT"}}, big{"too many bytes", {"CSTRT"}};
  for (int i = 0; i < 1001; ++i) many.commands.push_back("CLINE:X\n");
  for (int i = 0; i < 300; ++i) big.commands.push_back("CLINE:" + wide + "\n");
  many.commands.push_back("CDONE");
  big.commands.push_back("CDONE");
  cases.push_back(many);
  cases.push_back(big);

  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    const std::size_t logs = logged.size();
    for (const auto& cmd : k.commands) EXPECT_TRUE(send(c, "XREFCFGPUT" + cmd).empty());
    EXPECT_EQ(entries(c, 'C'), before);
    EXPECT_EQ(entries(c, 'D').size(), 2u);
    EXPECT_GT(logged.size(), logs) << "not logged";
  }
  // The largest list that fits is taken, and a good upload still works.
  Lines fits(1000, "X\n");
  EXPECT_TRUE(upload(c, 'C', fits).empty());
  EXPECT_EQ(entries(c, 'C').size(), 1000u);
  // An upload cut off by the connection's end is dropped with it.
  const ConnId gone = engine.connect();
  send(gone, "XREFCFGPUTCSTRT");
  send(gone, "XREFCFGPUTCLINE:Z");
  engine.disconnect(gone);
  EXPECT_EQ(entries(c, 'C').size(), 1000u);
}

TEST_F(EngineXrefTest, RunOutputArrivesOverSeveralPollsThenDoneOnce) {
  const ConnId c = engine.connect();
  EXPECT_TRUE(send(c, "XREFRUNC").empty()) << "no run, no answer";
  const Lines first = send(c, "XREFRUNS");
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(fromCol(first[0], 12).rfind("Cross-reference generation started", 0), 0u);
  EXPECT_EQ(xref(c, "BOILER:LC101"), kNone) << "published before the run ended";

  int polls = 0;
  const Lines rest = pollToEnd(c, &polls);
  EXPECT_GE(polls, 3);
  ASSERT_FALSE(rest.empty());
  EXPECT_EQ(rest.back().rfind("Cross-reference complete: 5 CPs/volumes", 0), 0u) << rest.back();
  for (const char* part : {"Reading CP6002", "  BOILER ", "  REPORT ", "Historian HIST02"})
    EXPECT_TRUE(has(rest, part)) << part;
  EXPECT_FALSE(has(first, "WARNING") || has(rest, "WARNING"));
  for (int i = 0; i < 3; ++i) {
    now += 60'000;
    EXPECT_TRUE(send(c, "XREFRUNC").empty()) << "output after the end";
  }
  EXPECT_NE(xref(c, "BOILER:LC101"), kNone);
}

TEST_F(EngineXrefTest, RunTakesItsTimePerBlockOfTheListedCps) {
  Engine e(buildDemoPlant(), EngineOptions{"0.95.1", 25, 10});
  e.setClock([this] { return now; });
  const ConnId c = e.connect();
  auto doneAt = [&](std::int64_t t) {
    now = t;
    const Lines got = linesFor(e.handle(c, "XREFRUNC"), c);
    return !got.empty() && got.back() == "XREFRUNDONE";
  };
  const std::int64_t all = static_cast<std::int64_t>(e.plant().blockCount()) * 10;
  e.handle(c, "XREFRUNS");
  EXPECT_FALSE(doneAt(all - 1));
  EXPECT_TRUE(doneAt(all));

  // Only the listed volume is read: its two blocks.
  e.handle(c, "XREFCFGPUTCSTRT");
  e.handle(c, "XREFCFGPUTCLINE:AW5101");
  e.handle(c, "XREFCFGPUTCDONE");
  const std::int64_t start = now;
  e.handle(c, "XREFRUNS");
  EXPECT_FALSE(doneAt(start + 19));
  EXPECT_TRUE(doneAt(start + 20));
}

TEST_F(EngineXrefTest, EndingInterestStopsTheRunAndKeepsTheOldCrossReference) {
  const ConnId c = engine.connect();
  send(c, "XREFRUNS");
  now += 3000;
  EXPECT_FALSE(send(c, "XREFRUNC").empty());
  EXPECT_TRUE(send(c, "XREFRUNE").empty());
  now += 3'600'000;
  EXPECT_TRUE(send(c, "XREFRUNC").empty());
  EXPECT_EQ(xref(c, "BOILER:LC101"), kNone);
  EXPECT_TRUE(has(logged, "stopped"));

  // A client that goes away mid-run stops it too.
  const ConnId gone = engine.connect();
  send(gone, "XREFRUNS");
  engine.disconnect(gone);
  now += 3'600'000;
  EXPECT_EQ(xref(c, "BOILER:LC101"), kNone);
}

TEST_F(EngineXrefTest, SecondClientFollowsTheRunInProgress) {
  const ConnId a = engine.connect();
  const ConnId b = engine.connect();
  send(a, "XREFRUNS");
  now += 3000;
  const Lines joined = send(b, "XREFRUNS");
  ASSERT_GE(joined.size(), 2u);
  EXPECT_EQ(fromCol(joined[0], 12), "Following the generation that client 1 started");
  EXPECT_EQ(fromCol(joined[1], 12).rfind("Cross-reference generation started", 0), 0u);
  // a leaves; the run goes on for b.
  send(a, "XREFRUNE");
  pollToEnd(b);
  EXPECT_NE(xref(b, "BOILER:LC101"), kNone);
}

TEST_F(EngineXrefTest, OpenIccSessionIsWarnedAboutInTheOutput) {
  const ConnId s = openOn("CP6001", "WS01");
  const ConnId c = engine.connect();
  const Lines out = runToEnd(c);
  EXPECT_TRUE(has(out,
                  "WARNING: ICC configurator session active on CP6001 (WS01); its changes may be "
                  "missed"));
  send(s, "CLOSEICC");
  EXPECT_FALSE(has(runToEnd(c), "WARNING"));
}

TEST_F(EngineXrefTest, NamesThatAreNoCpOfThePlantAreReportedAndSkipped) {
  const ConnId c = engine.connect();
  upload(c, 'C', {"NOSUCH\n", "\n", "cp6001\n", "CP6001"});
  const Lines out = runToEnd(c);
  EXPECT_TRUE(has(out, "NOSUCH: not a CP or volume of this system, skipped"));
  EXPECT_TRUE(has(out, "CP6001: listed twice, read once"));
  EXPECT_TRUE(has(out, "Reading CP6001 (FCP280, Boiler house)"));
  EXPECT_FALSE(has(out, "Reading CP6002") || has(out, "Reading NOSUCH"));
  EXPECT_EQ(out.back().rfind("Cross-reference complete: 1 CP/volume", 0), 0u) << out.back();
  // Blocks of a CP that was not read hold no references.
  EXPECT_EQ(xref(c, "TURBIN:ST301"), kNone);
  EXPECT_EQ(xref(c, "BOILER:FT102"), (Lines{"CLRXREFLST",
                                            "XREFLST OUT BOILER:FT102.PNT                 --> "
                                            "BOILER:LCALC.RI02",
                                            "XREFLST REF BOILER:FT102.IOM_ID              ==> "
                                            "CP6001_ECB:FBM01",
                                            "ENDXREFLST"}));
}

TEST_F(EngineXrefTest, BlockListingShowsEachConnectionWithItsDirection) {
  const ConnId c = engine.connect();
  EXPECT_EQ(xref(c, "BOILER:LC101"), kNone) << "no generation yet";
  runToEnd(c);
  const Lines lc = xref(c, "BOILER:LC101");
  EXPECT_EQ(
      lc,
      (Lines{"CLRXREFLST", "XREFLST IN  BOILER:LC101.MEAS                <-- BOILER:LCALC.RO01",
             "XREFLST IN  BOILER:LC101.BCALCI              <-- BOILER:LV101.BCALCO",
             "XREFLST OUT BOILER:LC101.OUT                 --> BOILER:LV101.MEAS", "ENDXREFLST"}));
  for (std::size_t i = 1; i + 1 < lc.size(); ++i)
    EXPECT_EQ(cols(lc[i], 45, 49), " " + cols(lc[i], 46, 48) + " ");

  // A module lists the blocks that use it, and names its own parent.
  const Lines fbm = xref(c, "CP6001_ECB:FBM03");
  EXPECT_EQ(fbm.size(), 8u);
  EXPECT_EQ(fbm[1], "XREFLST REF CP6001_ECB:FBM03.PARENT          ==> CP6001_ECB:PRIMARY_ECB");
  EXPECT_EQ(fbm[2], "XREFLST REF CP6001_ECB:FBM03                 <== BOILER:LSH105.IOM_ID");

  for (const char* none : {"REPORT:RPTTIM", "", "***END***", "BOILER:---END_BOILER", "NOSUCH:X"})
    EXPECT_EQ(xref(c, none), kNone) << none;
}

TEST_F(EngineXrefTest, CompoundListingShowsItsLinksInsideAndAcross) {
  const ConnId c = engine.connect();
  runToEnd(c);
  EXPECT_EQ(
      xref(c, "PLANT"),
      (Lines{"CLRXREFLST", "XREFLST IN  PLANT:LOAD.RI01                  <-- TURBIN:ST301.PNT",
             "XREFLST IN  PLANT:LOAD.RI02                  <-- BOILER:FT102.PNT",
             "XREFLST INT PLANT:LOAD.RO01                  --> PLANT:UNITMN.MEAS",
             "XREFLST OUT PLANT:LOAD.RO01                  --> REPORT:SHFTRP.RI01",
             "XREFLST OUT PLANT:SHIFT.OUT                  --> REPORT:SHFTRP.BI01",
             "XREFLST REF PLANT:AT401.IOM_ID               ==> CP6002_ECB:FBM01",
             "XREFLST REF PLANT:LADDR1.IOM_ID              ==> CP6002_ECB:FBM02", "ENDXREFLST"}));
}

TEST_F(EngineXrefTest, ChangesAfterTheStartWaitForTheNextRun) {
  const ConnId s = openOn("CP6001");
  const ConnId c = engine.connect();
  send(c, "XREFRUNS");
  send(s, "MODSTART:BOILER:LV101");
  send(s, "MODPARM:MEAS = BOILER:PC104.OUT");
  ASSERT_EQ(send(s, "MODEND:BOILER:LV101"), Lines{"DNPRMMOD BOILER:LV101"});
  pollToEnd(c);
  const std::string toValve = "--> BOILER:LV101.MEAS";
  EXPECT_TRUE(has(xref(c, "BOILER:LC101"), toValve));
  EXPECT_FALSE(has(xref(c, "BOILER:PC104"), toValve));
  runToEnd(c);
  EXPECT_FALSE(has(xref(c, "BOILER:LC101"), toValve));
  EXPECT_TRUE(has(xref(c, "BOILER:PC104"), toValve));
}

TEST(XrefReferencesTest, ConstantsAndEmptyValuesAreNoReferences) {
  Block calc = makeBlock("K1", "CALCA");
  setValue(calc.params, "RI01", "12.5");
  setValue(calc.params, "RI02", "A:B.RO01");
  setValue(calc.params, "BI01", "-1");
  const auto refs = xref::referencesOf("CMP", calc);
  ASSERT_EQ(refs.size(), 1u);
  EXPECT_EQ(refs[0].holder.text(), "CMP:K1.RI02");
  EXPECT_EQ(refs[0].named.text(), "A:B.RO01");
  EXPECT_FALSE(refs[0].blockRef);
}

}  // namespace
}  // namespace tarvo::sim
