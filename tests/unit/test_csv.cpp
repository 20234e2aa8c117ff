// CSV as spreadsheets exchange it: values that need quoting survive a round trip, and
// malformed input is reported with its line. (tarvoctl's plan tests read files with either
// line end.)
#include <gtest/gtest.h>

#include <tuple>

#include "records/csv.h"

using namespace tarvo::records;
using Fields = std::vector<std::string>;

TEST(Csv, EveryValueSurvivesTheRoundTrip) {
  const Fields values = {"plain",    "",         "a,b", "say \"hi\"", "two\r\nlines",
                         "lf\nonly", " padded ", "\"",  ",",          "20 \xB0"};
  std::string text;
  for (const auto& v : values) text += csvRecord({"BOILER:LC101", v, "x"});
  EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
  const CsvParse parsed = parseCsv(text);
  ASSERT_FALSE(parsed.error) << parsed.error->message;
  ASSERT_EQ(parsed.records.size(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(parsed.records[i].fields, (Fields{"BOILER:LC101", values[i], "x"}));
  // Records after one holding line breaks start on the right line.
  EXPECT_EQ(parsed.records[5].line, 7u);
  EXPECT_EQ(parsed.records[6].line, 9u);
}

TEST(Csv, MalformedInputIsReportedWithItsLine) {
  const std::tuple<const char*, std::size_t, std::size_t> cases[] = {
      // text, the line reported, the records read before it
      {"a,b\nc,d\"e\n", 2, 1},               // a quote inside an unquoted field
      {"a,\"b\"c\n", 1, 0},                  // text after the closing quote
      {"a,b\r\nc,\"never\nclosed\n", 2, 1},  // reported where the quote opened
  };
  for (const auto& [text, line, recordsBefore] : cases) {
    const CsvParse parsed = parseCsv(text);
    ASSERT_TRUE(parsed.error) << text;
    EXPECT_EQ(parsed.error->line, line) << text;
    EXPECT_EQ(parsed.records.size(), recordsBefore) << text;
  }
}
