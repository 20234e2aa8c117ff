// CSV as spreadsheets exchange it: values that need quoting survive a round trip, values a
// spreadsheet would run as formulas are written as text and read back as they were, and
// malformed input is reported with its line. (tarvoctl's plan tests read files with either
// line end.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>
#include <tuple>

#include "ctl/ctl_plan.h"
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

TEST(Csv, FormulaLikeValuesAreWrittenAsTextAndNumbersStayNumbers) {
  const std::pair<const char*, const char*> cases[] = {
      // value, as written
      {"=SUM(A1:A9)", "'=SUM(A1:A9)"},
      {"@cmd", "'@cmd"},
      {"\tx", "'\tx"},
      {"\rx", "\"'\rx\""},
      {"+1+1", "'+1+1"},
      {"-1-1", "'-1-1"},
      {"-cmd|' /C calc'!A0", "'-cmd|' /C calc'!A0"},
      {"-", "'-"},
      {"+", "'+"},
      {"-1,5", "\"'-1,5\""},
      {"=a,b", "\"'=a,b\""},
      {"-5 ", "\"'-5 \""},
      // a value that starts with the mark itself gets one more
      {"'abc", "''abc"},
      {"'", "''"},
      {"''=x", "'''=x"},
      // numbers, signed ones too, and everything that starts otherwise stay as they are
      {"-5", "-5"},
      {"+3", "+3"},
      {"-0.25", "-0.25"},
      {"-.5", "-.5"},
      {"-5.", "-5."},
      {"-1.5E+03", "-1.5E+03"},
      {"1e-3", "1e-3"},
      {"a=b", "a=b"},
      {"x-1", "x-1"},
      {"", ""},
      {" =x", "\" =x\""},
  };
  for (const auto& [value, written] : cases) {
    EXPECT_EQ(csvField(value), written) << value;
    const CsvParse parsed = parseCsv(csvRecord({value}));
    ASSERT_EQ(parsed.records.size(), 1u) << value;
    EXPECT_EQ(csvValue(parsed.records[0].fields[0]), value);
  }
  // A mark csvField would not have written is the value's own.
  for (const char* field : {"'abc", "' =x", "'-5", "'+1.5"}) EXPECT_EQ(csvValue(field), field);
}

TEST(Csv, EveryValueOfTrickyCharactersComesBackExactlyAndNoneStartsAFormula) {
  // Every text of up to four of these characters.
  constexpr std::string_view kAlphabet = "=+-@\t\r'1.ea ,\"";
  std::vector<std::string> values{""};
  for (std::size_t from = 0, length = 1; length <= 4; ++length) {
    const std::size_t to = values.size();
    for (std::size_t i = from; i < to; ++i)
      for (const char c : kAlphabet) values.push_back(values[i] + c);
    from = to;
  }
  ASSERT_EQ(values.size(), 1u + 14 + 14 * 14 + 14 * 14 * 14 + 14 * 14 * 14 * 14);
  std::string text;
  for (const std::string& v : values) text += csvRecord({v, "x"});
  const CsvParse parsed = parseCsv(text);
  ASSERT_FALSE(parsed.error) << parsed.error->message;
  ASSERT_EQ(parsed.records.size(), values.size());
  int failures = 0;
  for (std::size_t i = 0; i < values.size() && failures < 10; ++i) {
    const std::string& cell = parsed.records[i].fields.at(0);
    if (csvValue(cell) != values[i]) ADD_FAILURE() << ++failures << ": " << values[i];
    if (cell.empty()) continue;
    // What a spreadsheet sees: text, or a number when it starts with a sign.
    if (std::string_view("=@\t\r").find(cell[0]) != std::string_view::npos)
      ADD_FAILURE() << ++failures << ": " << cell;
    if (cell[0] == '+' || cell[0] == '-') {
      char* end = nullptr;
      std::strtod(cell.c_str(), &end);
      if (end != cell.c_str() + cell.size()) ADD_FAILURE() << ++failures << ": " << cell;
    }
  }
}

TEST(Csv, TarvoctlAppliesTheValuesAnExportHeld) {
  const Fields values = {"=1+2", "-5", "'quoted", "-x", "''", "@home"};
  std::string text = csvRecord({"block", "parameter", "value"});
  for (const std::string& v : values) text += csvRecord({"BOILER:LC101", "DESCRP", v});
  const tarvo::ctl::Plan plan = tarvo::ctl::planFromCsv(text);
  ASSERT_TRUE(plan.errors.empty()) << plan.errors.front();
  ASSERT_EQ(plan.blockCount(), 1u);
  Fields applied;
  for (const std::uint32_t row : plan.rowsOf(0)) applied.emplace_back(plan.change(row).value);
  EXPECT_EQ(applied, values);
}
