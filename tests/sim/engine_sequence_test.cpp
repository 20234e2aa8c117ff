// Sequence blocks through the engine: the edit session, saving and fetching
// the source byte for byte, compile with its listing, install; and PLB
// listings. Saves go through the client's own upload split, so what is tested
// is what the client sends.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "link/upload_split.h"
#include "plant_file.h"
#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;
using Lines = std::vector<std::string>;

constexpr const char* kSeq = "FEEDWT:PMPSEQ";

class EngineSequenceTest : public EngineTest {
 protected:
  void SetUp() override {
    c = openOn("CP6001");
    ASSERT_TRUE(startsWith(send(c, std::string("EDTSEQ:") + kSeq).back(), "DNEDTSEQ"));
  }

  // Everything that comes back for a series of commands on `conn`.
  Lines sendAll(ConnId conn, const Lines& commands) {
    Lines replies;
    for (const auto& cmd : commands)
      for (auto& l : send(conn, cmd)) replies.push_back(std::move(l));
    return replies;
  }

  // The commands the client's Save sends for `text`.
  static Lines saveCommands(const std::string& block, std::string_view text) {
    const link::UploadLines u = link::splitForUpload(text);
    Lines cmds{"SPUTSTART:" + block};
    for (const auto& l : u.ended) cmds.push_back("SRCPUT:" + l.text + "\n");
    if (!u.pending.empty()) cmds.push_back("SRCPUT:" + u.pending);
    cmds.push_back("SPUTEND" + u.pending);
    return cmds;
  }

  Lines save(std::string_view text, const std::string& block = kSeq) {
    return sendAll(c, saveCommands(block, text));
  }

  // The source lines GETSRC sends, from column 7.
  Lines fetch(const std::string& block = kSeq) {
    const Lines lines = send(c, "GETSRC:" + block);
    EXPECT_GE(lines.size(), 2u);
    if (lines.size() < 2) return {};
    EXPECT_EQ(lines.front(), "CLRSEQSRC");
    EXPECT_EQ(lines.back(), "DNSEQSRC");
    Lines out;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
      EXPECT_TRUE(startsWith(lines[i], "SEQSRC")) << lines[i];
      out.push_back(fromCol(lines[i], 7));
    }
    return out;
  }

  // The compile listing GETLST sends, from column 7.
  Lines listing(const std::string& block = kSeq) {
    const Lines lines = send(c, "GETLST:" + block);
    EXPECT_GE(lines.size(), 2u);
    if (lines.size() < 2) return {};
    EXPECT_EQ(lines.front(), "CLRGETLST");
    EXPECT_EQ(lines.back(), "DNSEQLST");
    Lines out;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) out.push_back(fromCol(lines[i], 7));
    return out;
  }

  const Lines& stored(const std::string& block = kSeq) {
    const auto colon = block.find(':');
    const Block* b = engine.plant().findBlock(block.substr(0, colon), block.substr(colon + 1));
    EXPECT_NE(b, nullptr) << block;
    static const Lines none;
    return b ? b->source : none;
  }

  ConnId c = 0;
};

// The one reply line of an operation, checked to be keyword + a message from column 10.
::testing::AssertionResult message(const Lines& lines, std::string_view keyword,
                                   std::string_view mention) {
  if (!refused(lines, keyword, mention)) return refused(lines, keyword, mention);
  if (lines[0].size() < 10 || lines[0][9] == ' ')
    return ::testing::AssertionFailure() << "message not at column 10: " << lines[0];
  return ::testing::AssertionSuccess();
}

TEST_F(EngineSequenceTest, PreparingForEditAnswersDoneWarnsOrRefuses) {
  EXPECT_EQ(send(c, "EDTSEQ:FEEDWT:PMPDEP"), Lines{"DNEDTSEQ FEEDWT:PMPDEP"});
  // Preparing the same block again on the same connection is harmless.
  EXPECT_EQ(send(c, std::string("EDTSEQ:") + kSeq), Lines{"DNEDTSEQ " + std::string(kSeq)});

  const struct {
    const char* block;
    const char* mention;
  } refusals[] = {
      {"BOILER:PC104", "not a sequence block (its type is PID"},
      {"FEEDWT:PMPPLB", "not a sequence block"},
      {"FEEDWT:NOPE", "FEEDWT:NOPE not found in CP6001"},
      {"TURBIN:RUNUP", "not found in CP6001"},
      {"FEEDWT", "is a compound"},
      {"", "No block named"},
  };
  for (const auto& r : refusals)
    EXPECT_TRUE(message(send(c, std::string("EDTSEQ:") + r.block), "ERREDTSEQ", r.mention))
        << r.block;
  EXPECT_TRUE(message(send(engine.connect(), std::string("EDTSEQ:") + kSeq), "ERREDTSEQ",
                      "No ICC session open"));

  // A block without source: a warning first, then done.
  const ConnId t = openOn("CP6002");
  const Lines lines = send(t, "EDTSEQ:TURBIN:TRPDEP");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(message({lines[0]}, "WRNEDTSEQ", "holds no source yet"));
  EXPECT_EQ(lines[1], "DNEDTSEQ TURBIN:TRPDEP");
}

TEST_F(EngineSequenceTest, CancelIsAlwaysAnsweredAndEndsTheSession) {
  // The client's way out of Ready: CANSEQ, CANSEQ again on closing, MODDONE.
  const std::string name = kSeq;
  EXPECT_EQ(sendAll(c, {"CANSEQ:" + name, "CANSEQ:" + name, "MODDONE:" + name}),
            (Lines{"DNCANSEQ " + name, "DNCANSEQ " + name}));
  EXPECT_TRUE(message(save("SEQUENCE PMPSEQ"), "ERRPUTSRC", "not open for editing"));
  EXPECT_TRUE(message(send(c, "COMPLSEQ:" + name + " IND"), "ERRCPLSEQ", "not open for editing"));

  // A session taken over frees the blocks its connection was editing.
  EXPECT_EQ(send(c, "EDTSEQ:" + name), Lines{"DNEDTSEQ " + name});
  const ConnId other = engine.connect();
  EXPECT_EQ(firstWith(send(other, "OVERRIDECP:CP6001 held by WS01"), "DNOPENCP"),
            "DNOPENCP" + std::string("CP6001"));
  EXPECT_EQ(send(other, "EDTSEQ:" + name), Lines{"DNEDTSEQ " + name});
  EXPECT_TRUE(message(save("X"), "ERRPUTSRC", "No ICC session open"));

  // So does a connection that goes away; a new one can edit at once.
  EXPECT_EQ(send(other, "SPUTSTART:" + name), Lines{});
  engine.disconnect(other);
  const ConnId third = openOn("CP6001", "WS03");
  EXPECT_EQ(send(third, "EDTSEQ:" + name), Lines{"DNEDTSEQ " + name});
  EXPECT_TRUE(message(send(third, "SPUTEND"), "ERRPUTSRC", "without SPUTSTART"));
}

TEST_F(EngineSequenceTest, SavedSourceComesBackByteForByte) {
  const struct {
    const char* name;
    std::string text;  // as the client's text box holds it
    Lines lines;       // as stored and fetched
  } cases[] = {
      {"last line without a line end, stored once", "A\r\nB", {"A", "B"}},
      {"single line", "ONLY", {"ONLY"}},
      {"empty line between two others", "X\r\n\r\nY", {"X", "", "Y"}},
      {"text ending in a line break", "A\r\nB\r\n", {"A", "B"}},
      {"leading empty lines", "\r\n\r\nZ", {"", "", "Z"}},
      {"8-bit characters, tabs and blanks",
       "caf\xE9 \xFF  \r\n\t  { \x80\xA0\xBF }\r\n \xFE",
       {"caf\xE9 \xFF  ", "\t  { \x80\xA0\xBF }", " \xFE"}},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    EXPECT_EQ(save(tc.text), Lines{"DNPUTSRC " + std::string(kSeq)});
    EXPECT_EQ(stored(), tc.lines);
    EXPECT_EQ(fetch(), tc.lines);
  }
  // A checkpoint keeps the saved source exactly.
  const PlantReadResult reread = readPlantText(writePlantText(engine.plant()));
  ASSERT_TRUE(reread.plant) << reread.error;
  EXPECT_EQ(reread.plant->findBlock("FEEDWT", "PMPSEQ")->source, cases[5].lines);

  // An empty text is stored too, with a warning.
  const Lines empty = save("");
  EXPECT_EQ(saveCommands(kSeq, ""), (Lines{"SPUTSTART:FEEDWT:PMPSEQ", "SPUTEND"}));
  EXPECT_TRUE(message(empty, "WRNPUTSRC", "empty source"));
  EXPECT_TRUE(stored().empty());
  EXPECT_TRUE(fetch().empty());
}

TEST_F(EngineSequenceTest, RefusedSavesStoreNothing) {
  const Lines before = stored();
  const std::string name = kSeq;
  const std::string tooMany = [] {
    std::string t;
    for (std::size_t i = 0; i <= Engine::kMaxSourceLines; ++i) t += "X\r\n";
    return t;
  }();
  const struct {
    const char* name;
    Lines commands;
    const char* mention;
  } cases[] = {
      {"end without start", {"SPUTEND"}, "SPUTEND without SPUTSTART"},
      {"lines without start", {"SRCPUT:A\n", "SRCPUT:B", "SPUTENDB"}, "SPUTEND without SPUTSTART"},
      {"more lines than allowed", saveCommands(name, tooMany), "longer than"},
      {"more bytes than allowed", saveCommands(name, std::string(Engine::kMaxSourceBytes + 1, 'x')),
       "longer than"},
      {"a line break inside a line",
       {"SPUTSTART:" + name, "SRCPUT:A\nB\n", "SPUTEND"},
       "line 1 holds a line break"},
      {"a carriage return inside a line",
       {"SPUTSTART:" + name, "SRCPUT:A\n", "SPUTENDB\rC"},
       "line 2 holds a line break"},
      {"the last line twice and different",
       {"SPUTSTART:" + name, "SRCPUT:A", "SPUTENDB"},
       "came twice and differed"},
      {"a block not prepared for editing", saveCommands("FEEDWT:PMPDEP", "SEQUENCE PMPDEP"),
       "not open for editing"},
      {"not a sequence block", saveCommands("BOILER:PC104", "X"), "not a sequence block"},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    EXPECT_TRUE(message(sendAll(c, tc.commands), "ERRPUTSRC", tc.mention));
    EXPECT_TRUE(message(sendAll(c, tc.commands), "ERRPUTSRC", "nothing stored"));
    EXPECT_EQ(stored(), before);
  }
  // Exactly as much as allowed is stored.
  EXPECT_EQ(save(tooMany.substr(3)), Lines{"DNPUTSRC " + name});
  EXPECT_EQ(stored().size(), Engine::kMaxSourceLines);
  EXPECT_EQ(save(std::string(Engine::kMaxSourceBytes, 'x')), Lines{"DNPUTSRC " + name});
}

TEST_F(EngineSequenceTest, CompileReportsCleanWarningOrErrorWithAListingThatPointsAtTheLine) {
  const std::string name = kSeq;
  EXPECT_TRUE(message(send(c, "GETLST:" + name), "ERRSEQLST", "compile it first"));
  EXPECT_EQ(send(c, "COMPLSEQ:" + name + " IND"), Lines{"DNCPLSEQ " + name});
  EXPECT_EQ(listing().back(), "Ready to install.");

  EXPECT_EQ(send(c, "EDTSEQ:FEEDWT:PMPMON"), Lines{"DNEDTSEQ FEEDWT:PMPMON"});
  EXPECT_TRUE(message(send(c, "COMPLSEQ:FEEDWT:PMPMON MON"), "WRNCPLSEQ",
                      "0 errors, 1 warning; line 6: HOURS is declared but never used"));
  const Lines monListing = listing("FEEDWT:PMPMON");
  const auto at =
      std::find(monListing.begin(), monListing.end(), "    6  " + stored("FEEDWT:PMPMON")[5]);
  ASSERT_NE(at, monListing.end());
  ASSERT_LT(at + 2, monListing.end());
  EXPECT_EQ(*(at + 2), "       *** WARNING: HOURS is declared but never used");

  ASSERT_EQ(save("SEQUENCE PMPSEQ\r\nVARS\r\n  running : B := BI01;\r\nSTATEMENTS\r\n"
                 "  WAIT UNTIL runing;\r\nENDSEQUENCE"),
            Lines{"DNPUTSRC " + name});
  EXPECT_TRUE(message(send(c, "COMPLSEQ:" + name + " IND"), "ERRCPLSEQ",
                      "FEEDWT:PMPSEQ: 1 error, 1 warning; line 5: RUNING is not declared"));
  const Lines errListing = listing();
  const Lines expectedPart{"    5    WAIT UNTIL runing;", std::string(20, ' ') + "^",
                           "       *** ERROR: RUNING is not declared", "    6  ENDSEQUENCE"};
  const auto line5 = std::find(errListing.begin(), errListing.end(), expectedPart[0]);
  ASSERT_LE(line5 + 4, errListing.end());
  EXPECT_EQ(Lines(line5, line5 + 4), expectedPart);
  EXPECT_EQ(errListing.back(), "Not installable: correct the errors, save and compile again.");

  // Compile is refused for a type other than the block's and for other blocks.
  EXPECT_TRUE(message(send(c, "COMPLSEQ:" + name + " DEP"), "ERRCPLSEQ", "of type IND, not DEP"));
  EXPECT_TRUE(message(send(c, "COMPLSEQ:BOILER:PC104 PID"), "ERRCPLSEQ", "not a sequence block"));
  EXPECT_TRUE(message(send(c, "GETSRC:BOILER:PC104"), "ERRSEQSRC", "not a sequence block"));
}

TEST_F(EngineSequenceTest, InstallNeedsAGoodCompileOfTheStoredSource) {
  const std::string name = kSeq;
  const std::string good = "SEQUENCE PMPSEQ\r\nSTATEMENTS\r\n  BO01 := TRUE;\r\nENDSEQUENCE";
  EXPECT_TRUE(message(send(c, "INSTALSEQ:" + name), "ERRINSSEQ", "has not been compiled"));

  ASSERT_EQ(save("SEQUENCE PMPSEQ\r\nSTATEMENTS\r\n  BO01 := ;\r\nENDSEQUENCE"),
            Lines{"DNPUTSRC " + name});
  ASSERT_TRUE(startsWith(send(c, "COMPLSEQ:" + name + " IND").at(0), "ERRCPLSEQ"));
  EXPECT_TRUE(message(send(c, "INSTALSEQ:" + name), "ERRINSSEQ", "found 1 error"));

  ASSERT_EQ(save(good), Lines{"DNPUTSRC " + name});
  EXPECT_TRUE(message(send(c, "INSTALSEQ:" + name), "ERRINSSEQ", "found 1 error"));
  ASSERT_EQ(send(c, "COMPLSEQ:" + name + " IND"), Lines{"DNCPLSEQ " + name});
  // Saved again after the compile: that compile no longer counts.
  ASSERT_EQ(save(good + "\r\n{ changed }"), Lines{"DNPUTSRC " + name});
  EXPECT_TRUE(message(send(c, "INSTALSEQ:" + name), "ERRINSSEQ", "saved after its last compile"));

  // Saved and not installed: preparing the block again says so.
  ASSERT_EQ(send(c, "CANSEQ:" + name), Lines{"DNCANSEQ " + name});
  const Lines again = send(c, "EDTSEQ:" + name);
  ASSERT_EQ(again.size(), 2u);
  EXPECT_TRUE(message({again[0]}, "WRNEDTSEQ", "saved but not installed"));

  ASSERT_EQ(send(c, "COMPLSEQ:" + name + " IND"), Lines{"DNCPLSEQ " + name});
  EXPECT_EQ(send(c, "INSTALSEQ:" + name), Lines{"DNINSSEQ " + name});
  EXPECT_EQ(sendAll(c, {"CANSEQ:" + name, "MODDONE:" + name, "EDTSEQ:" + name}),
            (Lines{"DNCANSEQ " + name, "DNEDTSEQ " + name}));
}

TEST_F(EngineSequenceTest, DemoSourcesCompileAndOneShowsAWarning) {
  std::size_t compiled = 0, warned = 0;
  for (const char* cpName : {"CP6001", "CP6002"}) {
    const ConnId conn = cpName == std::string("CP6001") ? c : openOn(cpName);
    const Cp* cp = engine.plant().findCp(cpName);
    for (const auto& compound : cp->compounds) {
      for (const auto& block : compound.blocks) {
        if (!block.blockType().sequence() || block.source.empty()) continue;
        const std::string key = compound.name + ":" + block.name;
        SCOPED_TRACE(key);
        EXPECT_TRUE(startsWith(send(conn, "EDTSEQ:" + key).back(), "DNEDTSEQ"));
        const Lines reply = send(conn, "COMPLSEQ:" + key + " " + block.type);
        ASSERT_EQ(reply.size(), 1u);
        EXPECT_FALSE(startsWith(reply[0], "ERRCPLSEQ")) << reply[0];
        warned += startsWith(reply[0], "WRNCPLSEQ") ? 1 : 0;
        ++compiled;
      }
    }
  }
  EXPECT_GE(compiled, 6u);
  EXPECT_GE(warned, 1u);
}

TEST_F(EngineSequenceTest, PlbListingOrAListingThatSaysWhyNot) {
  const Lines plb = send(c, "PLBLIST:FEEDWT:PMPPLB");
  ASSERT_GE(plb.size(), 2u);
  EXPECT_EQ(fromCol(plb.front(), 12), "FEEDWT:PMPPLB");
  EXPECT_TRUE(startsWith(plb.front(), "CLRPLBLIST"));
  EXPECT_EQ(plb.back(), "PLBENDLIST");
  Lines body;
  for (std::size_t i = 1; i + 1 < plb.size(); ++i) {
    EXPECT_TRUE(startsWith(plb[i], "PLBLIST")) << plb[i];
    body.push_back(fromCol(plb[i], 9));
  }
  EXPECT_EQ(body, stored("FEEDWT:PMPPLB"));

  const struct {
    ConnId conn;
    const char* key;
    const char* name;  // of the listing, from column 12
    const char* why;   // in its one line, from column 9
  } notPlb[] = {
      {c, "FEEDWT:PMPSEQ", "FEEDWT:PMPSEQ", "FEEDWT:PMPSEQ is not a PLB (its type is IND)"},
      {c, "FEEDWT:GONE", "FEEDWT:GONE", "FEEDWT:GONE not found in CP6001"},
      {c, "", "(no block)", "No block named"},
      {engine.connect(), "FEEDWT:PMPPLB", "FEEDWT:PMPPLB", "No ICC session open"},
  };
  for (const auto& tc : notPlb) {
    SCOPED_TRACE(tc.key);
    const Lines lines = send(tc.conn, std::string("PLBLIST:") + tc.key);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "CLRPLBLIST " + std::string(tc.name));
    EXPECT_TRUE(startsWith(lines[1], "PLBLIST ")) << lines[1];
    EXPECT_NE(fromCol(lines[1], 9).find(tc.why), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2], "PLBENDLIST");
  }
}

}  // namespace
}  // namespace tarvo::sim
