// Finding blocks: what a search text matches, what it shows of a tree (each block with its
// compound); and the parameter grid as CSV read back by the CSV reader.
#include <gtest/gtest.h>

#include "browser/tree_filter.h"
#include "link/csv.h"
#include "params/grid_export.h"

using namespace tarvo;
using namespace tarvo::browser;

TEST(TreeFilter, MatchRule) {
  const struct {
    const char* key;
    const char* type;
    const char* needle;  // lowered, as the index hands it over
    bool matches;
  } cases[] = {
      {"boiler:lt101", "ain", "lt1", true},        // the block's name
      {"boiler:lt101", "ain", "ai", true},         // its type
      {"boiler:lt101", "ain", "boil", false},      // not its compound's name...
      {"boiler:lt101", "ain", "boiler:lt", true},  // ...unless the text names both
      {"boiler:lt101", "ain", "lt101:", false},
      {"boiler", "compnd", "oil", true},   // a compound by its name
      {"boiler", "compnd", "comp", true},  // and its type
      {"a:b", "pid", "", true},            // no text: everything
  };
  for (const auto& c : cases)
    EXPECT_EQ(filterMatches(c.key, c.type, c.needle), c.matches)
        << c.key << " / " << c.type << " / " << c.needle;
  EXPECT_EQ(lowerLatin1("LT101 \xC4\xD6\xDC\xD7\xDF"), "lt101 \xE4\xF6\xFC\xD7\xDF");
}

TEST(TreeFilter, IndexShowsMatchesWithTheirCompoundsAndFindsTheFirst) {
  FilterIndex index;
  const int a = index.add("A", "COMPND", -1);
  index.add("A:B1", "AIN", a);                    // 1
  index.add("A:LT1", "PID", a);                   // 2
  const int c = index.add("CALC", "COMPND", -1);  // 3
  index.add("CALC:D1", "AIN", c);                 // 4
  index.add("***END***", "", -1);                 // 5
  using S = Shown;
  const struct {
    const char* needle;
    std::vector<Shown> shown;
    int first;
  } cases[] = {
      {"AIN", {S::ForChildren, S::Match, S::Hidden, S::ForChildren, S::Match, S::Hidden}, 1},
      {"lt", {S::ForChildren, S::Hidden, S::Match, S::Hidden, S::Hidden, S::Hidden}, 2},
      {"alc", {S::Hidden, S::Hidden, S::Hidden, S::Match, S::Hidden, S::Hidden}, 3},
      // A compound that matches itself and holds a match is a match.
      {"a", {S::Match, S::Match, S::Hidden, S::Match, S::Match, S::Hidden}, 0},
      {"calc:", {S::Hidden, S::Hidden, S::Hidden, S::ForChildren, S::Match, S::Hidden}, 4},
      {"zzz", std::vector<Shown>(6, S::Hidden), -1},
      {"", std::vector<Shown>(6, S::Match), 0},
  };
  std::vector<Shown> shown;
  for (const auto& tc : cases) {
    EXPECT_EQ(index.apply(tc.needle, shown), tc.first) << tc.needle;
    EXPECT_EQ(shown, tc.shown) << tc.needle;
  }
  EXPECT_EQ(index.parentOf(4), c);
  index.clear();
  EXPECT_EQ(index.apply("a", shown), -1);
  EXPECT_TRUE(shown.empty());
}

TEST(Export, GridReadsBackThroughTheCsvReaderLineBreaksAndAll) {
  params::ParamGrid grid;
  grid.startList();
  grid.addParameter("DESCRP", "Drum level, \"main\"\r\nsecond line");
  grid.addParameter("PBAND", "150");
  grid.setCurrentRow(2);
  grid.chooseEditRow();
  grid.entryEdited("1,5");
  grid.commitEntry();
  std::vector<std::vector<std::string>> read;
  for (const auto& r : link::parseCsv(params::gridCsv(grid)).records) read.push_back(r.fields);
  EXPECT_EQ(read, (std::vector<std::vector<std::string>>{
                      {"parameter", "original value", "new value", "changed"},
                      {"DESCRP", "Drum level, \"main\"\r\nsecond line", "", "no"},
                      {"PBAND", "150", "1,5", "yes"}}));
}
