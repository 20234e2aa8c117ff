// Finding blocks: what a search text matches, what it shows of a tree (each block with its
// compound); and the parameter grid as CSV read back by the CSV reader.
#include <gtest/gtest.h>

#include <tuple>

#include "browser/tree_filter.h"
#include "records/csv.h"
#include "params/grid_export.h"

using namespace tarvo;
using namespace tarvo::browser;

TEST(TreeFilter, MatchRule) {
  // key, type, the text lowered as the index hands it over, and whether it matches. The
  // search field's tests show a block found by its name, its type or both names, never by
  // its compound's name alone, and every node for no text.
  const std::tuple<const char*, const char*, const char*, bool> cases[] = {
      {"boiler:lt101", "ain", "lt101:", false},
      {"boiler", "compnd", "oil", true},   // a compound by its name
      {"boiler", "compnd", "comp", true},  // and its type
  };
  for (const auto& [key, type, needle, matches] : cases)
    EXPECT_EQ(filterMatches(key, type, needle), matches) << key << " / " << type << " / " << needle;
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
  // The first match, then each node: "M" a match, "+" shown for a match inside, "." hidden.
  std::vector<Shown> shown;
  const auto apply = [&](const char* needle) {
    std::string out = std::to_string(index.apply(needle, shown)) + " ";
    for (Shown s : shown) out += s == Shown::Match ? 'M' : s == Shown::ForChildren ? '+' : '.';
    return out;
  };
  // A compound that matches itself and holds a match is a match.
  const std::pair<const char*, const char*> cases[] = {
      {"AIN", "1 +M.+M."},   {"lt", "2 +.M..."},   {"alc", "3 ...M.."}, {"a", "0 MM.MM."},
      {"calc:", "4 ...+M."}, {"zzz", "-1 ......"}, {"", "0 MMMMMM"}};
  for (const auto& [needle, expected] : cases) EXPECT_EQ(apply(needle), expected) << needle;
  EXPECT_EQ(index.parentOf(4), c);
  index.clear();
  EXPECT_EQ(apply("a"), "-1 ");
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
  for (const auto& r : records::parseCsv(params::gridCsv(grid)).records) read.push_back(r.fields);
  EXPECT_EQ(read, (std::vector<std::vector<std::string>>{
                      {"parameter", "original value", "new value", "changed"},
                      {"DESCRP", "Drum level, \"main\"\r\nsecond line", "", "no"},
                      {"PBAND", "150", "1,5", "yes"}}));
}
