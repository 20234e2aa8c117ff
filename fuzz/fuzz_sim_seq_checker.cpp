// Arbitrary bytes as a sequence block's source, one line per LF: the checker must finish
// in time linear in the source, keep its own rules about messages, and lay out a listing
// that shows every source line once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "sim/seq_checker.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvo::sim::seq;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> source;
  std::size_t start = 0;
  while (start <= bytes.size()) {
    const auto lf = bytes.find('\n', start);
    const auto end = lf == std::string_view::npos ? bytes.size() : lf;
    source.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  const CheckContext context{"PMPSEQ", {"BI01", "BI02", "RI01", "BO01", "RO01", "ACTIVE"}};
  const CheckResult result = checkSequence(source, context);

  if (result.errors + result.warnings != result.diagnostics.size()) std::abort();
  // One message more than the limit says that checking stopped.
  if (result.diagnostics.size() > kMaxDiagnostics + 1) std::abort();
  for (std::size_t i = 0; i < result.diagnostics.size(); ++i) {
    const Diagnostic& d = result.diagnostics[i];
    if (d.line == 0 || d.line > source.size() + 1 || d.column == 0 || d.text.empty()) std::abort();
    if (i > 0) {
      const Diagnostic& p = result.diagnostics[i - 1];
      if (p.line > d.line || (p.line == d.line && p.column > d.column)) std::abort();
    }
  }
  const std::string summary = tarvo::sim::seq::summary(result);
  if (summary.find('\n') != std::string::npos) std::abort();
  const auto lines = listing("Sequence compile of FUZZ:PMPSEQ (DEP)", source, result);
  if (lines.size() < source.size()) std::abort();
  return 0;
}
