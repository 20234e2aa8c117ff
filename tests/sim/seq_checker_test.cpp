// The sequence language checker: what it accepts, what it reports and where,
// the listing it lays out, and that no input makes it crash, recurse away or
// flood the listing.
#include "sim/seq_checker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tarvo::sim::seq {
namespace {

std::vector<std::string> linesOf(std::string_view text) {
  std::vector<std::string> out;
  for (std::size_t start = 0;;) {
    const auto lf = text.find('\n', start);
    out.emplace_back(text.substr(start, lf == std::string_view::npos ? lf : lf - start));
    if (lf == std::string_view::npos) return out;
    start = lf + 1;
  }
}

CheckResult check(std::string_view text) {
  return checkSequence(linesOf(text), {"S1", {"DESCRP", "BI01", "RI01", "BO01", "RO01"}});
}

// Each message as "E5 text" or "W3 text": severity, line, text.
std::vector<std::string> found(const CheckResult& r) {
  std::vector<std::string> out;
  for (const auto& d : r.diagnostics)
    out.push_back((d.severity == Severity::Error ? "E" : "W") + std::to_string(d.line) + " " +
                  d.text);
  return out;
}

// Line 1 SEQUENCE, 2 VARS, the declarations from 3, STATEMENTS, the statements, ENDSEQUENCE.
std::string program(std::string_view vars, std::string_view body) {
  return "SEQUENCE S1\nVARS\n" + std::string(vars) + "STATEMENTS\n" + std::string(body) +
         "ENDSEQUENCE";
}

// Every statement form, in lower and upper case, comments over two lines, and
// 8-bit text in comments and strings.
constexpr std::string_view kClean =
    "{ every statement \xE9t\xE9\n  over two lines }\nSEQUENCE S1\nVARS\n"
    "  run, stop : B := BI01;\n  level : R := RI01;\n  n, i : I := -3;\n"
    "  note : S := \"d\xFC"
    "se\";\n  flag : BOOLEAN;\nSTATEMENTS\n"
    "  if run and not stop then BO01 := TRUE;\n"
    "  ELSEIF level >= 2.5E1 THEN RO01 := ABS(level - 10) * 2 / (1 + MIN(level, 3.0));\n"
    "  ELSE RO01 := MAX(-level, SQRT(ROUND(level))); ENDIF;\n"
    "  WHILE n <> 0 DO n := n MOD 2; IF n = 1 THEN EXIT; ENDIF; ENDWHILE;\n"
    "  REPEAT WAIT 1; UNTIL (level < 5) OR flag;\n"
    "  FOR i := 1 TO 10 BY 2 DO WAIT UNTIL run; ENDFOR;\n"
    "  note := \"done\"; DESCRP := note;\nENDSEQUENCE;\n";

TEST(SeqChecker, EveryStatementFormChecksClean) {
  EXPECT_EQ(found(check(kClean)), std::vector<std::string>{});
}

TEST(SeqChecker, FaultsAreReportedAtTheLineTheyConcern) {
  using Found = std::vector<std::string>;
  const std::string a = "  a : B;\n";  // declared on line 3; statements then start on line 5
  const std::pair<std::string, Found> cases[] = {
      // Block statements that do not balance.
      {program(a, "IF a THEN\nBO01 := a;\n"), {"E5 IF is never closed (ENDIF missing)"}},
      {program(a, "IF a THEN\nWHILE a DO\nENDIF;\n"),
       {"E6 WHILE is not closed (ENDWHILE missing before ENDIF at line 7)"}},
      {program(a, "IF a THEN EXIT; ENDIF;\n"), {"E5 EXIT outside a loop"}},
      // Statement words.
      {program(a, "PRINT a;\nBO01 := a;\n"), {"E5 unknown statement PRINT"}},
      {program(a, "IF a\nBO01 := a;\nENDIF;\n"), {"E6 THEN expected, found BO01"}},
      // Names.
      {program(a + "  A : R;\n", "BO01 := a;\n"), {"E4 A is declared twice (first at line 3)"}},
      {program("  bo01 : B;\n", ""),
       {"E3 BO01 is a parameter of the block and cannot be declared"}},
      {program("  a : FLOAT;\n", "BO01 := a;\n"), {"E3 type expected (B, I, R or S), found FLOAT"}},
      // The whole source.
      {"STATEMENTS\nENDSEQUENCE",
       {"E1 the source must begin with SEQUENCE and the sequence's name"}},
      {"SEQUENCE S1\nVARS\n  a : B;\nBO01 := a;\nENDSEQUENCE",
       {"W3 A is declared but never used",
        "E4 statement among the declarations (STATEMENTS missing?)",
        "E5 STATEMENTS expected, found ENDSEQUENCE"}},
      // Characters.
      {program(a, "BO01 := a; { open\n"),
       {"E5 comment never closed ('}' missing)",
        "E6 ENDSEQUENCE missing at the end of the source"}},
      {program(a, "BO01 := a; \x01 @ # \xA7\n"), {"E5 unexpected character with code 1"}},
      {program("", "RO01 := 12AB;\n"), {"E4 malformed number 12AB"}},
      {program("  s : S := \"abc;\n", "DESCRP := s;\n"),
       {"E3 string not closed on its line ('\"' missing)", "E3 ';' missing after a string"}},
      // A missing ';' belongs to the line before; each line is checked on its own.
      {program(a, "BO01 := a\nWAIT UNTIL zz;\n"),
       {"E5 ';' missing after A", "E6 ZZ is not declared"}},
      {program("", "RO01 := LOG(2) + MIN(1);\n"),
       {"E4 unknown function LOG", "E4 MIN takes 2 arguments, not 1"}},
      // Warnings.
      {"SEQUENCE OTHER\nSTATEMENTS\nENDSEQUENCE",
       {"W1 SEQUENCE OTHER is not named after its block S1"}},
  };
  for (const auto& [source, expected] : cases) {
    SCOPED_TRACE(source);
    const CheckResult r = check(source);
    EXPECT_EQ(found(r), expected);
    const auto errors = std::count_if(expected.begin(), expected.end(),
                                      [](const std::string& e) { return e[0] == 'E'; });
    EXPECT_EQ(r.errors, static_cast<std::size_t>(errors));
    EXPECT_EQ(r.warnings, expected.size() - r.errors);
  }
}

TEST(SeqChecker, ListingNumbersLinesAndPutsMessagesUnderTheirColumn) {
  const std::string text = program("  a : B;\n", "\tWAIT UNTIL zz;\n");
  const CheckResult r = check(text);
  const std::vector<std::string> expected{
      "Title",
      "",
      "    1  SEQUENCE S1",
      "    2  VARS",
      "    3    a : B;",
      std::string(9, ' ') + "^",
      "       *** WARNING: A is declared but never used",
      "    4  STATEMENTS",
      "    5  \tWAIT UNTIL zz;",
      std::string(7, ' ') + "\t" + std::string(11, ' ') + "^",  // the tab kept, so it lines up
      "       *** ERROR: ZZ is not declared",
      "    6  ENDSEQUENCE",
      "",
      "1 error, 1 warning",
      "  line 3, column 3: WARNING: A is declared but never used",
      "  line 5, column 13: ERROR: ZZ is not declared",
      "Not installable: correct the errors, save and compile again.",
  };
  EXPECT_EQ(listing("Title", linesOf(text), r), expected);
  EXPECT_EQ(check(program("  a : B;\n", "BO01 := a\n")).diagnostics.at(0).column, 10u);
}

TEST(SeqChecker, AnyInputEndsWithBoundedMessages) {
  std::vector<std::string> opened{"SEQUENCE S1", "STATEMENTS"};
  for (int i = 0; i < 20000; ++i)
    opened.push_back("WHILE TRUE DO IF TRUE THEN REPEAT ENDFOR; UNTIL");
  const std::vector<std::string> inputs[] = {
      {"SEQUENCE S1", "STATEMENTS", "RO01 := " + std::string(200000, '('), "ENDSEQUENCE"},
      opened,
      {"SEQUENCE S1", "STATEMENTS", std::string(100000, 'Q') + " := 1;"},
  };
  std::vector<std::vector<std::string>> results;
  for (const auto& input : inputs) {
    const CheckResult r = checkSequence(input, {"S1", {"RO01"}});
    EXPECT_LE(r.diagnostics.size(), kMaxDiagnostics + 1);
    EXPECT_EQ(r.errors + r.warnings, r.diagnostics.size());
    for (const auto& d : r.diagnostics) {
      EXPECT_TRUE(d.line >= 1 && d.line <= input.size()) << d.line;
      EXPECT_LT(d.text.size(), 120u) << d.text;  // a runaway name is cut short
    }
    results.push_back(found(r));
  }
  EXPECT_EQ(results[0], std::vector<std::string>{"E3 expression nested too deeply"});
  ASSERT_EQ(results[1].size(), kMaxDiagnostics + 1);
  EXPECT_EQ(std::count_if(results[1].begin(), results[1].end(),
                          [](const std::string& m) {
                            return m.ends_with(" too many messages; checking stopped here");
                          }),
            1);
}

}  // namespace
}  // namespace tarvo::sim::seq
