#include "link/line_splitter.h"

namespace tarvo::link {

void LineSplitter::keep(std::string_view part) {
  const std::size_t room = maxLine_ - pending_.size();
  if (part.size() > room) {
    part = part.substr(0, room);
    dropping_ = true;
  }
  pending_.append(part);
}

void LineSplitter::feed(std::string_view data, std::vector<std::string>& out) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t lf = data.find('\n', start);
    if (lf == std::string_view::npos) break;
    const std::string_view part = data.substr(start, lf - start);
    if (pending_.empty() && !dropping_ && part.size() <= maxLine_) {
      out.emplace_back(part);
    } else {
      keep(part);
      if (dropping_) ++cutLines_;
      dropping_ = false;
      out.push_back(std::move(pending_));
      pending_.clear();
    }
    start = lf + 1;
  }
  keep(data.substr(start));
}

}  // namespace tarvo::link
