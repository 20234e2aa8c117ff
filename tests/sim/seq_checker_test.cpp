// The sequence language checker: what it accepts, what it reports and where,
// the listing it lays out, and that no input makes it crash, recurse away or
// flood the listing.
#include "seq_checker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::sim::seq {
namespace {

std::vector<std::string> linesOf(std::string_view text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const auto lf = text.find('\n', start);
    out.emplace_back(text.substr(start, lf == std::string_view::npos ? lf : lf - start));
    if (lf == std::string_view::npos) return out;
    start = lf + 1;
  }
}

CheckResult check(std::string_view text) {
  const CheckContext context{"S1", {"DESCRP", "BI01", "BI02", "RI01", "BO01", "RO01", "ACTIVE"}};
  return checkSequence(linesOf(text), context);
}

// Every statement form, in lower and upper case, with comments over several
// lines, 8-bit text in comments and strings, and bound and unbound variables.
constexpr std::string_view kClean =
    "{ a sequence that uses every statement \xE9t\xE9\n"
    "  over two lines }\n"
    "SEQUENCE S1\n"
    "VARS\n"
    "  run, stop : B := BI01;\n"
    "  level     : R := RI01;   { bound to a parameter }\n"
    "  n, i      : I := -3;\n"
    "  note      : S := \"d\xFC"
    "se\";\n"
    "  flag      : BOOLEAN;\n"
    "STATEMENTS\n"
    "  if run and not stop then\n"
    "    BO01 := TRUE;\n"
    "  ELSEIF level >= 2.5E1 THEN\n"
    "    RO01 := ABS(level - 10) * 2 / (1 + MIN(level, 3.0));\n"
    "  ELSE\n"
    "    RO01 := MAX(-level, SQRT(ROUND(level)));\n"
    "  ENDIF;\n"
    "  WHILE n <> 0 DO n := n MOD 2; IF n = 1 THEN EXIT; ENDIF; ENDWHILE;\n"
    "  REPEAT\n"
    "    WAIT 1;\n"
    "  UNTIL (level < 5) OR flag;\n"
    "  FOR i := 1 TO 10 BY 2 DO\n"
    "    WAIT UNTIL run;\n"
    "  ENDFOR;\n"
    "  note := \"done\"; DESCRP := note;\n"
    "ENDSEQUENCE;\n";

TEST(SeqChecker, EveryStatementFormChecksClean) {
  const CheckResult r = check(kClean);
  EXPECT_EQ(r.errors, 0u);
  EXPECT_EQ(r.warnings, 0u);
  for (const auto& d : r.diagnostics) ADD_FAILURE() << d.line << ": " << d.text;
}

struct Expected {
  Severity severity;
  std::size_t line;
  std::string mentions;
};

// One sequence with `vars` declared and `body` as its statements, on numbered
// lines: line 1 SEQUENCE, 2 VARS, the declarations from 3, then STATEMENTS
// and the statements, then ENDSEQUENCE.
std::string program(std::string_view vars, std::string_view body) {
  return "SEQUENCE S1\nVARS\n" + std::string(vars) + "STATEMENTS\n" + std::string(body) +
         "ENDSEQUENCE";
}

TEST(SeqChecker, FaultsAreReportedAtTheLineTheyConcern) {
  // With one variable A declared on line 3, statements start on line 5.
  const std::string a = "  a : B;\n";
  const struct {
    const char* name;
    std::string source;
    std::vector<Expected> expected;
  } cases[] = {
      // Balance of block statements.
      {"IF never closed",
       program(a, "IF a THEN\n  BO01 := a;\n"),
       {{Severity::Error, 5, "IF is never closed (ENDIF missing)"}}},
      {"ENDIF without IF",
       program(a, "BO01 := a;\nENDIF;\n"),
       {{Severity::Error, 6, "ENDIF without IF"}}},
      {"WHILE closed by ENDIF",
       program(a, "WHILE a DO\nENDIF;\n"),
       {{Severity::Error, 5, "WHILE is never closed"}, {Severity::Error, 6, "ENDIF without IF"}}},
      {"inner WHILE left open inside IF",
       program(a, "IF a THEN\nWHILE a DO\nENDIF;\n"),
       {{Severity::Error, 6, "WHILE is not closed (ENDWHILE missing before ENDIF at line 7)"}}},
      {"second ELSE",
       program(a, "IF a THEN\nELSE\nELSE\nENDIF;\n"),
       {{Severity::Error, 7, "ELSE after the ELSE of the IF of line 5"}}},
      {"ELSE without IF",
       program(a, "BO01 := a;\nELSE\n"),
       {{Severity::Error, 6, "ELSE without IF"}}},
      {"UNTIL without REPEAT",
       program(a, "UNTIL a;\n"),
       {{Severity::Error, 5, "UNTIL without REPEAT"}}},
      {"ENDFOR without FOR",
       program(a, "BO01 := a; ENDFOR;\n"),
       {{Severity::Error, 5, "ENDFOR without FOR"}}},
      {"EXIT outside a loop",
       program(a, "IF a THEN EXIT; ENDIF;\n"),
       {{Severity::Error, 5, "EXIT outside a loop"}}},
      // Statement words.
      {"unknown statement",
       program(a, "PRINT a;\nBO01 := a;\n"),
       {{Severity::Error, 5, "unknown statement PRINT"}}},
      {"keyword out of place",
       program(a, "THEN;\nBO01 := a;\n"),
       {{Severity::Error, 5, "THEN is out of place"}}},
      {"THEN missing",
       program(a, "IF a\n  BO01 := a;\nENDIF;\n"),
       {{Severity::Error, 6, "THEN expected, found BO01"}}},
      // Names.
      {"undeclared name in a condition",
       program("", "WAIT UNTIL runing;\n"),
       {{Severity::Error, 4, "RUNING is not declared"}}},
      {"undeclared assignment target",
       program(a, "x := a;\n"),
       {{Severity::Error, 5, "X is not declared"}}},
      {"undeclared loop variable",
       program("", "FOR k := 1 TO 2 DO\nENDFOR;\n"),
       {{Severity::Error, 4, "K is not declared"}}},
      {"declared twice",
       program(a + "  A : R;\n", "BO01 := a;\n"),
       {{Severity::Error, 4, "A is declared twice (first at line 3)"}}},
      {"unknown type",
       program("  a : FLOAT;\n", "BO01 := a;\n"),
       {{Severity::Error, 3, "type expected"}}},
      {"reserved word as a name",
       program("  while : B;\n", ""),
       {{Severity::Error, 3, "WHILE is a reserved word"}}},
      {"block parameter declared again",
       program("  bo01 : B;\n", ""),
       {{Severity::Error, 3, "BO01 is a parameter of the block"}}},
      {"bound to something that is no parameter",
       program("  a : B := BI09;\n", "BO01 := a;\n"),
       {{Severity::Error, 3, "BI09 is not a parameter of the block"}}},
      {"statements without STATEMENTS",
       "SEQUENCE S1\nVARS\n  a : B;\nBO01 := a;\nENDSEQUENCE",
       {{Severity::Warning, 3, "A is declared but never used"},
        {Severity::Error, 4, "STATEMENTS missing?"},
        {Severity::Error, 5, "STATEMENTS expected"}}},
      // Whole-source structure.
      {"no SEQUENCE",
       "VARS\n  a : B;\nSTATEMENTS\nBO01 := a;\nENDSEQUENCE",
       {{Severity::Error, 1, "must begin with SEQUENCE"}}},
      {"no ENDSEQUENCE",
       "SEQUENCE S1\nSTATEMENTS\nBO01 := TRUE;",
       {{Severity::Error, 3, "ENDSEQUENCE missing"}}},
      {"text after ENDSEQUENCE",
       "SEQUENCE S1\nSTATEMENTS\nENDSEQUENCE\nBO01 := TRUE;",
       {{Severity::Error, 4, "text after ENDSEQUENCE"}}},
      {"empty", "", {{Severity::Error, 1, "holds no code"}}},
      {"comments only", "{ nothing }\n\n", {{Severity::Error, 3, "holds no code"}}},
      // Characters and words.
      {"comment never closed",
       program(a, "BO01 := a; { trailing\n"),
       {{Severity::Error, 5, "comment never closed"}, {Severity::Error, 6, "ENDSEQUENCE missing"}}},
      {"string never closed",
       program("  s : S := \"abc;\n", "DESCRP := s;\n"),
       {{Severity::Error, 3, "string not closed"},
        {Severity::Error, 3, "';' missing after a string"}}},
      {"stray characters, one message a line",
       program(a, "BO01 := a; @ # \xA7\n"),
       {{Severity::Error, 5, "unexpected character '@'"}}},
      {"control byte", program(a, "BO01 := a; \x01\n"), {{Severity::Error, 5, "with code 1"}}},
      {"malformed number",
       program("", "RO01 := 12AB;\n"),
       {{Severity::Error, 4, "malformed number 12AB"}}},
      // A missing ';' belongs to the line before; the next line is still checked.
      {"missing semicolon",
       program(a, "BO01 := a\nWAIT UNTIL zz;\n"),
       {{Severity::Error, 5, "';' missing after A"}, {Severity::Error, 6, "ZZ is not declared"}}},
      {"two faults on two lines, no cascade",
       program(a, "BO01 := (a AND;\nRO01 := 1 + ;\nBO01 := a;\n"),
       {{Severity::Error, 5, "operand expected, found ';'"},
        {Severity::Error, 6, "operand expected, found ';'"}}},
      {"unknown function",
       program("", "RO01 := LOG(2);\n"),
       {{Severity::Error, 4, "unknown function LOG"}}},
      {"wrong number of arguments",
       program("", "RO01 := MIN(1);\n"),
       {{Severity::Error, 4, "MIN takes 2 arguments, not 1"}}},
      // Warnings.
      {"unused variable",
       program(a + "  b : R;\n", "BO01 := a;\n"),
       {{Severity::Warning, 4, "B is declared but never used"}}},
      {"sequence named after another block",
       "SEQUENCE OTHER\nSTATEMENTS\nENDSEQUENCE",
       {{Severity::Warning, 1, "SEQUENCE OTHER is not named after its block S1"}}},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    const CheckResult r = check(tc.source);
    std::size_t errors = 0, warnings = 0;
    for (const auto& e : tc.expected) ++(e.severity == Severity::Error ? errors : warnings);
    EXPECT_EQ(r.errors, errors);
    EXPECT_EQ(r.warnings, warnings);
    ASSERT_EQ(r.diagnostics.size(), tc.expected.size());
    for (std::size_t i = 0; i < r.diagnostics.size(); ++i) {
      const Diagnostic& d = r.diagnostics[i];
      EXPECT_EQ(d.severity, tc.expected[i].severity) << d.text;
      EXPECT_EQ(d.line, tc.expected[i].line) << d.text;
      EXPECT_NE(d.text.find(tc.expected[i].mentions), std::string::npos) << d.text;
    }
  }
}

TEST(SeqChecker, ColumnsPointAtTheFault) {
  const CheckResult r = check(program("  a : B;\n", "  WAIT UNTIL a AND\tzz;\nBO01 := a\n"));
  ASSERT_EQ(r.diagnostics.size(), 2u);
  EXPECT_EQ(r.diagnostics[0].column, 20u);  // ZZ, after a tab counted as one byte
  EXPECT_EQ(r.diagnostics[1].column, 10u);  // right after "BO01 := a"
}

TEST(SeqChecker, ListingNumbersLinesAndPutsMessagesUnderThem) {
  const std::vector<std::string> source = linesOf(program("  a : B;\n", "\tWAIT UNTIL zz;\n"));
  const CheckResult r = check(program("  a : B;\n", "\tWAIT UNTIL zz;\n"));
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
      std::string(7, ' ') + "\t" + std::string(11, ' ') + "^",
      "       *** ERROR: ZZ is not declared",
      "    6  ENDSEQUENCE",
      "",
      "1 error, 1 warning",
      "  line 3, column 3: WARNING: A is declared but never used",
      "  line 5, column 13: ERROR: ZZ is not declared",
      "Not installable: correct the errors, save and compile again.",
  };
  EXPECT_EQ(listing("Title", source, r), expected);
  // The reply names the first error even when a warning comes before it.
  EXPECT_EQ(summary(r), "1 error, 1 warning; line 5: ZZ is not declared");

  const CheckResult clean = check(kClean);
  EXPECT_EQ(listing("T", linesOf(kClean), clean).back(), "Ready to install.");
  EXPECT_EQ(summary(clean), "0 errors, 0 warnings");
  // A message for an empty source still appears, after the heading.
  const auto empty = listing("T", {}, check(""));
  ASSERT_GE(empty.size(), 3u);
  EXPECT_EQ(empty[2], "       *** ERROR: the source holds no code");
}

// A small fixed generator: the same bytes on every run.
class Bytes {
 public:
  char next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<char>(state_ >> 56);
  }

 private:
  unsigned long long state_ = 42;
};

void expectBounded(const CheckResult& r, std::size_t lines) {
  EXPECT_LE(r.diagnostics.size(), kMaxDiagnostics + 1);
  EXPECT_EQ(r.errors + r.warnings, r.diagnostics.size());
  for (const auto& d : r.diagnostics) {
    EXPECT_GE(d.line, 1u);
    EXPECT_LE(d.line, std::max<std::size_t>(lines, 1));
    EXPECT_EQ(d.text.find('\n'), std::string::npos);
  }
}

TEST(SeqChecker, AnyInputEndsWithBoundedMessages) {
  std::vector<std::vector<std::string>> inputs;
  // Brackets nested far deeper than any expression may be.
  inputs.push_back(
      {"SEQUENCE S1", "STATEMENTS", "RO01 := " + std::string(200000, '('), "ENDSEQUENCE"});
  // Block statements opened and never closed, and closed and never opened.
  std::vector<std::string> opened{"SEQUENCE S1", "STATEMENTS"}, closed = opened;
  for (int i = 0; i < 20000; ++i) {
    opened.push_back("WHILE TRUE DO IF TRUE THEN REPEAT");
    closed.push_back("ENDIF; ENDWHILE; UNTIL TRUE;");
  }
  inputs.push_back(opened);
  inputs.push_back(closed);
  // One enormous line of good statements, and a name far longer than any.
  inputs.push_back({"SEQUENCE S1", "STATEMENTS",
                    [] {
                      std::string s;
                      for (int i = 0; i < 50000; ++i) s += "RO01 := RO01 + 1; ";
                      return s;
                    }(),
                    "ENDSEQUENCE"});
  inputs.push_back({"SEQUENCE S1", "STATEMENTS", std::string(100000, 'Q') + " := 1;"});
  // Bytes of every value, rich in the characters that open something.
  Bytes bytes;
  std::vector<std::string> noise;
  for (int i = 0; i < 3000; ++i) {
    std::string line;
    for (int k = 0; k < 60; ++k) {
      const char c = bytes.next();
      line += (c & 7) == 0 ? "{(\"'"[(c >> 3) & 3] : c;
    }
    noise.push_back(line);
  }
  inputs.push_back(noise);

  for (const auto& input : inputs) {
    SCOPED_TRACE(input.size());
    const CheckResult r = checkSequence(input, CheckContext{"S1", {"RO01"}});
    expectBounded(r, input.size());
  }
  // The clean long line stays clean; the deep brackets are refused once.
  EXPECT_EQ(checkSequence(inputs[3], CheckContext{"S1", {"RO01"}}).errors, 0u);
  const CheckResult deep = checkSequence(inputs[0], CheckContext{"S1", {"RO01"}});
  ASSERT_EQ(deep.errors, 1u);
  EXPECT_EQ(deep.diagnostics[0].text, "expression nested too deeply");
  // Past the limit checking stops with a message that says so.
  const CheckResult many = checkSequence(inputs[1], CheckContext{"S1", {}});
  EXPECT_EQ(many.diagnostics.size(), kMaxDiagnostics + 1);
  EXPECT_EQ(std::count_if(many.diagnostics.begin(), many.diagnostics.end(),
                          [](const Diagnostic& d) {
                            return d.text == "too many messages; checking stopped here";
                          }),
            1);
  // A runaway name is cut short in its message.
  const CheckResult longName = checkSequence(inputs[4], CheckContext{"S1", {}});
  ASSERT_FALSE(longName.diagnostics.empty());
  EXPECT_LT(longName.diagnostics[0].text.size(), 100u);
}

}  // namespace
}  // namespace tarvo::sim::seq
