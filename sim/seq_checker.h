// The sequence language checker behind tarvo-sim's compile: it reads a
// sequence block's source, reports errors and warnings at the line and column
// they concern, and lays out the compile listing. The language is described in
// sim/README.md.
//
// It never throws and never recurses without bound, and its work grows
// linearly with the size of the source, so any bytes at all may be fed to it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::sim::seq {

struct CheckContext {
  // The block's own name (without its compound): SEQUENCE should name it.
  std::string blockName;
  // Parameters of the block, usable in statements without a declaration.
  std::vector<std::string> parameters;
};

enum class Severity { Error, Warning };

struct Diagnostic {
  std::size_t line = 0;    // 1-based; past the last line means at the end of the source
  std::size_t column = 0;  // 1-based byte column in that line
  Severity severity = Severity::Error;
  std::string text;
  friend bool operator==(const Diagnostic&, const Diagnostic&) = default;
};

struct CheckResult {
  std::vector<Diagnostic> diagnostics;  // ordered by line and column
  std::size_t errors = 0;
  std::size_t warnings = 0;
};

// A source with faults everywhere would otherwise give a listing as long as
// itself several times over; checking stops after this many messages.
inline constexpr std::size_t kMaxDiagnostics = 100;
// How deep brackets and function calls may nest in one expression.
inline constexpr std::size_t kMaxExpressionDepth = 32;

CheckResult checkSequence(const std::vector<std::string>& source, const CheckContext& context);

// "2 errors, 1 warning; line 12: RUNING is not declared": the counts and the
// first error (or, with none, the first warning), for a one-line reply.
std::string summary(const CheckResult& result);

// The compile listing: a heading, every source line with its number, each
// message under the line it concerns (a caret under its column), then the
// totals and every message once more, so that the end of the listing shows
// what went wrong.
std::vector<std::string> listing(std::string_view title, const std::vector<std::string>& source,
                                 const CheckResult& result);

}  // namespace tarvo::sim::seq
