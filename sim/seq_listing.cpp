// The compile listing and the one-line summary of a sequence check.
#include <algorithm>

#include "sim/seq_checker.h"
#include "sim/seq_lexer.h"

namespace tarvo::sim::seq {

namespace {

const char* severityWord(Severity s) {
  return s == Severity::Error ? "ERROR" : "WARNING";
}

}  // namespace

std::string summary(const CheckResult& result) {
  std::string out = plural(result.errors, "error") + ", " + plural(result.warnings, "warning");
  const auto& d = result.diagnostics;
  auto first = std::find_if(d.begin(), d.end(),
                            [](const Diagnostic& x) { return x.severity == Severity::Error; });
  if (first == d.end()) first = d.begin();
  if (first != d.end()) out += "; line " + std::to_string(first->line) + ": " + first->text;
  return out;
}

std::vector<std::string> listing(std::string_view title, const std::vector<std::string>& source,
                                 const CheckResult& result) {
  constexpr std::size_t kNumberWidth = 5;
  const std::string indent(kNumberWidth + 2, ' ');
  std::vector<std::string> out{std::string(title), ""};
  const auto& diags = result.diagnostics;
  std::size_t next = 0;

  auto message = [&](const Diagnostic& d) {
    return indent + "*** " + severityWord(d.severity) + ": " + d.text;
  };
  for (std::size_t i = 0; i < source.size(); ++i) {
    const std::string& line = source[i];
    std::string number = std::to_string(i + 1);
    if (number.size() < kNumberWidth) number.insert(0, kNumberWidth - number.size(), ' ');
    number.append("  ").append(line);
    out.push_back(std::move(number));
    for (; next < diags.size() && diags[next].line == i + 1; ++next) {
      // The caret keeps the line's tabs so that it stands under the column.
      std::string caret = indent;
      const std::size_t before = diags[next].column > 0 ? diags[next].column - 1 : 0;
      for (std::size_t k = 0; k < before; ++k)
        caret += k < line.size() && line[k] == '\t' ? '\t' : ' ';
      caret += '^';
      out.push_back(std::move(caret));
      out.push_back(message(diags[next]));
    }
  }
  for (; next < diags.size(); ++next) out.push_back(message(diags[next]));

  out.emplace_back();
  out.push_back(plural(result.errors, "error") + ", " + plural(result.warnings, "warning"));
  for (const auto& d : diags)
    out.push_back("  line " + std::to_string(d.line) + ", column " + std::to_string(d.column) +
                  ": " + severityWord(d.severity) + ": " + d.text);
  out.push_back(result.errors > 0 ? "Not installable: correct the errors, save and compile again."
                                  : "Ready to install.");
  return out;
}

}  // namespace tarvo::sim::seq
