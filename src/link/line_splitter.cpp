#include "link/line_splitter.h"

namespace tarvo::link {

void LineSplitter::feed(std::string_view data, std::vector<std::string>& out) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t lf = data.find('\n', start);
    if (lf == std::string_view::npos) break;
    if (pending_.empty()) {
      out.emplace_back(data.substr(start, lf - start));
    } else {
      pending_.append(data.substr(start, lf - start));
      out.push_back(std::move(pending_));
      pending_.clear();
    }
    start = lf + 1;
  }
  pending_.append(data.substr(start));
}

}  // namespace tarvo::link
