// Sequence blocks through the engine: the edit session, saving and fetching
// the source byte for byte, compile with its listing, install; and PLB
// listings. Saves go through the client's own upload split, so what is tested
// is what the client sends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/upload_split.h"
#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;

const std::string kSeq = "FEEDWT:PMPSEQ";

class EngineSequenceTest : public EngineTest {
 protected:
  void SetUp() override {
    c = openOn("CP6001");
    ASSERT_EQ(send(c, "EDTSEQ:" + kSeq), Lines{"DNEDTSEQ " + kSeq});
  }

  // The commands the client's Save sends for a text box holding `text`.
  static Lines saveCommands(const std::string& block, std::string_view text) {
    const link::UploadLines u = link::splitForUpload(text);
    Lines cmds{"SPUTSTART:" + block};
    for (const auto& l : u.ended) cmds.push_back("SRCPUT:" + l.text + "\n");
    if (!u.pending.empty()) cmds.push_back("SRCPUT:" + u.pending);
    cmds.push_back("SPUTEND" + u.pending);
    return cmds;
  }
  Lines save(std::string_view text) { return sendAll(c, saveCommands(kSeq, text)); }

  // The lines of a fetched source or listing, from column 7 between the reply's first and
  // last line, which are `framing`.
  Lines entries(const std::string& command, const std::string& framing) {
    const Lines lines = send(c, command);
    EXPECT_EQ(lines.front() + "|" + lines.back(), framing);
    Lines out;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) out.emplace_back(fromCol(lines[i], 7));
    return out;
  }
  Lines fetch() { return entries("GETSRC:" + kSeq, "CLRSEQSRC|DNSEQSRC"); }

  const Lines& stored() { return engine.plant().findBlock("FEEDWT", "PMPSEQ")->source; }

  ConnId c = 0;
};

// One reply line: `keyword`, then a message from column 10 that mentions `mention`.
::testing::AssertionResult says(const Lines& lines, std::string_view keyword,
                                std::string_view mention) {
  if (lines.size() == 1 && lines[0].size() > 9 && lines[0][9] == ' ')
    return ::testing::AssertionFailure() << "message not at column 10: " << lines[0];
  return refused(lines, keyword, mention);
}

TEST_F(EngineSequenceTest, PreparingForEditAnswersDoneWarnsOrRefuses) {
  EXPECT_TRUE(
      says(send(c, "EDTSEQ:BOILER:PC104"), "ERREDTSEQ", "not a sequence block (its type is PID"));
  EXPECT_TRUE(says(send(c, "EDTSEQ:FEEDWT"), "ERREDTSEQ", "is a compound"));
  EXPECT_TRUE(
      says(send(c, "EDTSEQ:TURBIN:RUNUP"), "ERREDTSEQ", "TURBIN:RUNUP not found in CP6001"));
  EXPECT_TRUE(says(send(engine.connect(), "EDTSEQ:" + kSeq), "ERREDTSEQ", "No ICC session open"));
  EXPECT_EQ(send(openOn("CP6002"), "EDTSEQ:TURBIN:TRPDEP"),
            (Lines{"WRNEDTSEQTURBIN:TRPDEP holds no source yet, Edit starts empty",
                   "DNEDTSEQ TURBIN:TRPDEP"}));
}

TEST_F(EngineSequenceTest, CancelIsAlwaysAnsweredAndEditsEndWithTheirSession) {
  // The client's way out: CANSEQ, CANSEQ again as its window closes, MODDONE.
  EXPECT_EQ(sendAll(c, {"CANSEQ:" + kSeq, "CANSEQ:" + kSeq, "MODDONE:" + kSeq}),
            (Lines{"DNCANSEQ " + kSeq, "DNCANSEQ " + kSeq}));
  EXPECT_TRUE(says(save("X"), "ERRPUTSRC", "not open for editing"));
  EXPECT_TRUE(says(send(c, "COMPLSEQ:" + kSeq + " IND"), "ERRCPLSEQ", "not open for editing"));

  // A session taken over frees its blocks; so does a connection that goes away.
  ASSERT_EQ(send(c, "EDTSEQ:" + kSeq), Lines{"DNEDTSEQ " + kSeq});
  const ConnId other = engine.connect();
  EXPECT_EQ(firstWith(send(other, "OVERRIDECP:CP6001 held by WS01"), "DNOPENCP"), "DNOPENCPCP6001");
  EXPECT_EQ(sendAll(other, {"EDTSEQ:" + kSeq, "SPUTSTART:" + kSeq}), Lines{"DNEDTSEQ " + kSeq});
  EXPECT_TRUE(says(save("X"), "ERRPUTSRC", "No ICC session open"));
  engine.disconnect(other);
  EXPECT_EQ(send(openOn("CP6001", "WS03"), "EDTSEQ:" + kSeq), Lines{"DNEDTSEQ " + kSeq});
}

TEST_F(EngineSequenceTest, SavedSourceComesBackByteForByte) {
  const std::pair<std::string, Lines> cases[] = {
      {"A\r\nB", {"A", "B"}},  // the last line arrives twice and is stored once
      {"A\r\nB\r\n", {"A", "B"}},
      {"\r\n\r\nZ", {"", "", "Z"}},
      {"caf\xE9 \xFF  \r\n\t  { \x80\xA0\xBF }\r\n \xFE",
       {"caf\xE9 \xFF  ", "\t  { \x80\xA0\xBF }", " \xFE"}},
  };
  for (const auto& [text, lines] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(save(text), Lines{"DNPUTSRC " + kSeq});
    EXPECT_EQ(stored(), lines);
    EXPECT_EQ(fetch(), lines);
  }
  // An empty text ("SPUTSTART:", "SPUTEND") is stored too, with a warning.
  EXPECT_TRUE(says(save(""), "WRNPUTSRC", "now holds an empty source"));
  EXPECT_EQ(fetch(), Lines{});
}

TEST_F(EngineSequenceTest, RefusedSavesStoreNothing) {
  const Lines before = stored();
  std::string most;
  for (std::size_t i = 0; i < Engine::kMaxSourceLines; ++i) most += "X\r\n";
  const std::pair<Lines, const char*> cases[] = {
      {{"SRCPUT:A\n", "SRCPUT:B", "SPUTENDB"}, "SPUTEND without SPUTSTART"},
      {saveCommands(kSeq, most + "X"), "longer than 10000 lines or 524288 bytes"},
      {saveCommands(kSeq, std::string(Engine::kMaxSourceBytes + 1, 'x')),
       "longer than 10000 lines or 524288 bytes"},
      {{"SPUTSTART:" + kSeq, "SRCPUT:A\nB\n", "SPUTEND"}, "line 1 holds a line break character"},
      {{"SPUTSTART:" + kSeq, "SRCPUT:A\n", "SPUTENDB\rC"}, "line 2 holds a line break character"},
      {{"SPUTSTART:" + kSeq, "SRCPUT:BO01 \x1b[2J:= TRUE;\n", "SPUTEND"},
       "line 1 holds a control character"},
      {{"SPUTSTART:" + kSeq, "SRCPUT:A", "SPUTENDB"}, "the last line came twice and differed"},
      {saveCommands("FEEDWT:PMPDEP", "X"),
       "FEEDWT:PMPDEP is not open for editing (Edit Seq first)"},
  };
  for (const auto& [commands, why] : cases) {
    EXPECT_TRUE(says(sendAll(c, commands), "ERRPUTSRC", std::string(why) + "; nothing stored"));
    EXPECT_EQ(stored(), before);
  }
  // Exactly as much as allowed is stored.
  EXPECT_EQ(save(most), Lines{"DNPUTSRC " + kSeq});
  EXPECT_EQ(stored().size(), Engine::kMaxSourceLines);
  EXPECT_EQ(save(std::string(Engine::kMaxSourceBytes, 'x')), Lines{"DNPUTSRC " + kSeq});
}

// The listing's layout is the checker's; here: which compile it shows, and what install needs.
TEST_F(EngineSequenceTest, CompileGivesItsListingAndInstallNeedsAGoodCompileOfTheStoredSource) {
  const std::string good = "SEQUENCE PMPSEQ\r\nSTATEMENTS\r\n  BO01 := TRUE;\r\nENDSEQUENCE";
  const std::string compile = "COMPLSEQ:" + kSeq + " IND", install = "INSTALSEQ:" + kSeq;
  const std::string listing = "GETLST:" + kSeq, listed = "CLRGETLST|DNSEQLST";
  EXPECT_TRUE(says(send(c, listing), "ERRSEQLST", "has no compile listing"));
  EXPECT_TRUE(says(send(c, install), "ERRINSSEQ", "has not been compiled"));
  EXPECT_TRUE(says(send(c, "COMPLSEQ:" + kSeq + " DEP"), "ERRCPLSEQ", "of type IND, not DEP"));

  save(
      "SEQUENCE PMPSEQ\r\nVARS\r\n  on : B := BI01;\r\nSTATEMENTS\r\n  WAIT UNTIL runing;\r\n"
      "ENDSEQUENCE");
  EXPECT_TRUE(says(send(c, compile), "ERRCPLSEQ",
                   "FEEDWT:PMPSEQ: 1 error, 1 warning; line 5: RUNING is not declared"));
  EXPECT_EQ(entries(listing, listed).at(10), "       *** ERROR: RUNING is not declared");
  EXPECT_TRUE(says(send(c, install), "ERRINSSEQ", "its last compile found 1 error"));
  save(good);
  ASSERT_EQ(send(c, compile), Lines{"DNCPLSEQ " + kSeq});
  EXPECT_EQ(entries(listing, listed).back(), "Ready to install.");
  save(good + "\r\n{ changed }");
  EXPECT_TRUE(says(send(c, install), "ERRINSSEQ", "saved after its last compile"));

  // Saved and not installed: preparing the block again says so; installing ends that.
  EXPECT_EQ(sendAll(c, {"CANSEQ:" + kSeq, "EDTSEQ:" + kSeq}),
            (Lines{"DNCANSEQ " + kSeq,
                   "WRNEDTSEQThe source stored for " + kSeq + " was saved but not installed",
                   "DNEDTSEQ " + kSeq}));
  EXPECT_EQ(
      sendAll(c, {compile, install, "CANSEQ:" + kSeq, "EDTSEQ:" + kSeq}),
      (Lines{"DNCPLSEQ " + kSeq, "DNINSSEQ " + kSeq, "DNCANSEQ " + kSeq, "DNEDTSEQ " + kSeq}));
}

TEST_F(EngineSequenceTest, PlbListingOrAListingThatSaysWhyNot) {
  Lines expected{"CLRPLBLIST FEEDWT:PMPPLB"};  // the listing's name from column 12
  for (const auto& line : engine.plant().findBlock("FEEDWT", "PMPPLB")->source)
    expected.push_back("PLBLIST " + line);
  expected.push_back("PLBENDLIST");
  EXPECT_EQ(send(c, "PLBLIST:FEEDWT:PMPPLB"), expected);
  const std::string notPlb =
      "FEEDWT:PMPSEQ is not a PLB (its type is IND); only PLBs have a"
      " ladder listing";
  EXPECT_EQ(send(c, "PLBLIST:" + kSeq),
            (Lines{"CLRPLBLIST " + kSeq, "PLBLIST *** " + notPlb, "PLBENDLIST"}));
  EXPECT_EQ(send(c, "PLBLIST:"),
            (Lines{"CLRPLBLIST (no block)", "PLBLIST *** No block named", "PLBENDLIST"}));
}

TEST_F(EngineSequenceTest, EchoedClientTextNeverStartsAReplyLineOfItsOwn) {
  const std::pair<std::string, std::size_t> cases[] = {
      // command, lines it gets back
      {"EDTSEQ:FEEDWT:X\nDNEDTSEQ", 1},
      {"SPUTSTART:FEEDWT:X\nDNPUTSRC", 0},
      {"SPUTEND", 1},
      {"COMPLSEQ:" + kSeq + " IND\nDNCPLSEQ", 1},
      {"PLBLIST:FEEDWT:X\nPLBENDLIST", 3},
      {"GETPARMS:BOILER:X\nDNPRMLST", 1},
  };
  for (const auto& [command, count] : cases) {
    const Lines lines = send(c, command);
    EXPECT_EQ(lines.size(), count) << command;
    for (const auto& l : lines) EXPECT_EQ(l.find('\n'), std::string::npos) << l;
  }
}

}  // namespace
}  // namespace tarvo::sim
