// The first step of the sequence checker: the source cut into tokens, and the
// list of messages that every step of the check writes to. Used only by the
// checker's own files.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "sim/seq_checker.h"

namespace tarvo::sim::seq {

enum class Tok { Name, Number, String, Symbol, End };

struct Token {
  Tok kind = Tok::End;
  std::string text;  // names in capitals; symbols and numbers as written
  std::size_t line = 0;
  std::size_t column = 0;
  std::size_t length = 0;  // bytes it covers in its line
};

// The messages of one check. Past kMaxDiagnostics one last error says that
// checking stopped, and nothing more is kept.
class Messages {
 public:
  void error(std::size_t line, std::size_t column, std::string text) {
    report(Severity::Error, line, column, std::move(text));
  }
  void error(const Token& at, std::string text) { error(at.line, at.column, std::move(text)); }
  void warning(const Token& at, std::string text) {
    report(Severity::Warning, at.line, at.column, std::move(text));
  }
  bool stopped() const { return stopped_; }
  bool empty() const { return result_.diagnostics.empty(); }
  // The result, its messages ordered by line and column (those at one place
  // in the order they were found).
  CheckResult take();

 private:
  void report(Severity severity, std::size_t line, std::size_t column, std::string text);

  bool stopped_ = false;
  CheckResult result_;
};

// A name from the source as a message shows it: a runaway one is cut short so
// that one message stays one readable reply line.
std::string shown(std::string_view name);
std::string upper(std::string_view s);
std::string plural(std::size_t n, std::string_view word);

// The source as tokens, ended by one Tok::End token placed just after the
// last line. Characters that make no token, unclosed strings and comments and
// malformed numbers are reported to `messages`.
std::vector<Token> lex(const std::vector<std::string>& source, Messages& messages);

}  // namespace tarvo::sim::seq
