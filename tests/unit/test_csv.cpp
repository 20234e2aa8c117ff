// CSV as spreadsheets exchange it: values that need quoting survive a round trip, both line
// ends are read, and malformed input is reported with its line.
#include <gtest/gtest.h>

#include "link/csv.h"

using namespace tarvo::link;

TEST(Csv, EveryValueSurvivesTheRoundTrip) {
  const std::vector<std::string> values = {"plain",
                                           "",
                                           "a,b",
                                           "say \"hi\"",
                                           "two\r\nlines",
                                           "lf\nonly",
                                           " padded ",
                                           "\"",
                                           ",",
                                           "Temp \xB0"
                                           "C"};
  std::string text;
  for (const auto& v : values) text += csvRecord({"BOILER:LC101", v, "x"});
  EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
  const CsvParse parsed = parseCsv(text);
  ASSERT_FALSE(parsed.error) << parsed.error->message;
  ASSERT_EQ(parsed.records.size(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(parsed.records[i].fields, (std::vector<std::string>{"BOILER:LC101", values[i], "x"}));
  }
  // Records after one holding line breaks start on the right line.
  EXPECT_EQ(parsed.records[4].line, 5u);
  EXPECT_EQ(parsed.records[5].line, 7u);
  EXPECT_EQ(parsed.records[6].line, 9u);
}

TEST(Csv, LfAndCrLfLineEndsReadTheSame) {
  const CsvParse lf = parseCsv("a,b\n\nc,\"d\"\n");
  const CsvParse crlf = parseCsv("a,b\r\n\r\nc,\"d\"");
  ASSERT_EQ(lf.records.size(), 3u);
  ASSERT_EQ(crlf.records.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(lf.records[i].fields, crlf.records[i].fields);
    EXPECT_EQ(lf.records[i].line, i + 1);
  }
  EXPECT_EQ(lf.records[1].fields, std::vector<std::string>{""});
  EXPECT_EQ(lf.records[2].fields, (std::vector<std::string>{"c", "d"}));
}

TEST(Csv, MalformedInputIsReportedWithItsLine) {
  const struct {
    const char* text;
    std::size_t line;
    std::size_t recordsBefore;
  } cases[] = {
      {"a,b\nc,d\"e\n", 2, 1},               // a quote inside an unquoted field
      {"a,\"b\"c\n", 1, 0},                  // text after the closing quote
      {"a,b\r\nc,\"never\nclosed\n", 2, 1},  // reported where the quote opened
  };
  for (const auto& c : cases) {
    const CsvParse parsed = parseCsv(c.text);
    ASSERT_TRUE(parsed.error) << c.text;
    EXPECT_EQ(parsed.error->line, c.line) << c.text;
    EXPECT_EQ(parsed.records.size(), c.recordsBefore) << c.text;
  }
}
