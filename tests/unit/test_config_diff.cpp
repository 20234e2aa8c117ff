// A CP's configuration as a file: reading it back and comparing it with the live values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/config_diff.h"
#include "records/settings_location.h"

using namespace tarvo::records;

namespace {

// Each difference as "kind block param file live line".
std::vector<std::string> describe(const std::vector<ConfigDifference>& diffs) {
  std::vector<std::string> out;
  for (const ConfigDifference& d : diffs) {
    const char* kind = d.kind == ConfigDiffKind::ValueDiffers      ? "differs"
                       : d.kind == ConfigDiffKind::NoSuchParameter ? "no-param"
                       : d.kind == ConfigDiffKind::BlockNotInCp    ? "not-in-cp"
                                                                   : "not-in-file";
    out.push_back(std::string(kind) + " " + d.block + " " + d.param + " [" + d.fileValue + "] [" +
                  d.liveValue + "] " + std::to_string(d.line));
  }
  return out;
}

}  // namespace

TEST(ConfigFile, RowsWrittenAreReadBackExactly) {
  // Values a spreadsheet would run, quotes, commas, Latin-1 text, blanks at the ends.
  const std::vector<std::string> values = {"=1+2",    "-x",       "-1.5", "'quoted", "a,b \"c\"",
                                           "caf\xE9", " padded ", "",     "@SUM"};
  std::string text = "\xEF\xBB\xBF" + std::string(kConfigHeading) + "\r\n";
  for (std::size_t i = 0; i < values.size(); ++i)
    text += configRow("BOILER:B" + std::to_string(i), "P", values[i]);
  EXPECT_NE(text.find("caf\xC3\xA9"), std::string::npos);  // written as UTF-8
  const ConfigFile file = parseConfigFile(text);
  ASSERT_TRUE(file.errors.empty()) << file.errors[0];
  ASSERT_EQ(file.rows.size(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(file.rows[i].value, values[i]);
    EXPECT_EQ(file.rows[i].line, i + 2);
  }
}

TEST(ConfigFile, HandWrittenFilesAreReadAsApplyReadsThem) {
  // 8-bit text, no heading, lower-case names, blank rows, a hand-written leading quote.
  const ConfigFile file = parseConfigFile(
      "boiler:lc101,pband,120\n\n boiler , descrp ,caf\xE9\n"
      "BOILER:LC101,INT,'abc\n");
  ASSERT_TRUE(file.errors.empty());
  ASSERT_EQ(file.rows.size(), 3u);
  EXPECT_EQ(file.rows[0].block + file.rows[0].param, "BOILER:LC101PBAND");
  EXPECT_EQ(file.rows[1].block + file.rows[1].value, "BOILERcaf\xE9");
  EXPECT_EQ(file.rows[1].line, 3u);
  EXPECT_EQ(file.rows[2].value, "'abc");
  EXPECT_EQ(file.blocks, (std::vector<std::string>{"BOILER:LC101", "BOILER"}));
  EXPECT_EQ(file.rowsOf.at("BOILER:LC101"), (std::vector<std::size_t>{0, 2}));

  const std::pair<const char*, const char*> wrong[] = {
      {"a,b\nc,d,e,f\n", "line 1: expected 3 fields (block, parameter, value), found 2"},
      {"a,b,c\na,\"b,c\n", "line 2: a quoted field is never closed"},
      {"\xEF\xBB\xBF"
       "a,b,\xE9\n",
       "line 1: the file is marked UTF-8 but is not"},
      {"a,b,c\n,P,1\n", "line 2: no block named"},
      {"a,b,\xE2\x82\xAC\n", "line 1: a character that the server's 8-bit text can not hold"},
  };
  for (const auto& [text, error] : wrong) {
    const ConfigFile f = parseConfigFile(text);
    ASSERT_FALSE(f.errors.empty()) << text;
    EXPECT_EQ(f.errors[0], error);
  }
}

TEST(ConfigDiff, ValuesBlocksAndCoveredCompounds) {
  const ConfigFile file = parseConfigFile(
      "block,parameter,value\n"
      "BOILER,DESCRP,Boiler\n"        // 2
      "BOILER:LT101,HI,100\n"         // 3
      "BOILER:LT101,LO,0\n"           // 4
      "BOILER:LT101,NOPE,1\n"         // 5
      "BOILER:OLD,HI,5\n"             // 6
      "FEEDWT:FT201,DESCRP,Feed\n");  // 7
  const std::vector<LiveBlock> live = {
      {"BOILER", {{"DESCRP", "Boiler"}}},
      {"BOILER:LT101", {{"HI", "120"}, {"LO", "0"}, {"HI", "100"}}},  // listed twice: the last
      {"BOILER:NEW", {{"HI", "1"}}},                                  // BOILER is covered
      {"FEEDWT:FT201", {{"DESCRP", "Feed flow"}}},
      {"FEEDWT:FT202", {{"DESCRP", "x"}}},  // covered by FT201's row
      {"TURB:ST1", {{"HI", "1"}}},          // TURB is not in the file at all
  };
  EXPECT_EQ(describe(compareConfig(file, live)),
            (std::vector<std::string>{
                "no-param BOILER:LT101 NOPE [1] [] 5",
                "not-in-file BOILER:NEW  [] [] 0",
                "differs FEEDWT:FT201 DESCRP [Feed] [Feed flow] 7",
                "not-in-file FEEDWT:FT202  [] [] 0",
                "not-in-cp BOILER:OLD  [] [] 6",
            }));
  // One block, as the parameter editor compares it.
  EXPECT_EQ(describe(compareBlock(file, live[3])),
            (std::vector<std::string>{"differs FEEDWT:FT201 DESCRP [Feed] [Feed flow] 7"}));
  EXPECT_EQ(describe(compareBlock(file, live[5])),
            (std::vector<std::string>{"not-in-file TURB:ST1  [] [] 0"}));
  EXPECT_EQ(compoundOf("BOILER:LT101"), "BOILER");
  EXPECT_EQ(compoundOf("BOILER"), "BOILER");
}

TEST(ConfigDiff, AFileComparedWithTheValuesItWasWrittenFromShowsNothing) {
  std::vector<LiveBlock> live;
  std::string text(kConfigHeading);
  text += "\r\n";
  for (int b = 0; b < 200; ++b) {
    LiveBlock block{"CMP" + std::to_string(b % 7) + ":B" + std::to_string(b), {}};
    for (int p = 0; p < 20; ++p) {
      block.params.emplace_back("P" + std::to_string(p),
                                p % 3 ? "-" + std::to_string(b) : "=x,\"y\"");
      text += configRow(block.name, block.params.back().first, block.params.back().second);
    }
    live.push_back(std::move(block));
  }
  EXPECT_TRUE(compareConfig(parseConfigFile(text), live).empty());
}

TEST(SettingsLocation, TheSharedRuleJoinsPathsWithOneSlash) {
  EXPECT_EQ(joinPath("/opt/t//", "TarvoIp.txt"), "/opt/t/TarvoIp.txt");
  EXPECT_EQ(joinPath("", "TarvoIp.txt"), "TarvoIp.txt");
  EXPECT_EQ(joinPath("/", "x"), "/x");
}
