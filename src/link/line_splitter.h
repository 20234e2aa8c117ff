#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::link {

// Cuts the byte stream from the server into LF-ended lines. A line that has not been
// completed by the end of an arrival is kept and finished by the next one.
class LineSplitter {
 public:
  // Appends every line completed by `data` to `out`, in order, without its LF.
  void feed(std::string_view data, std::vector<std::string>& out);

  // Forgets a kept partial line; a new connection must not inherit the old one's tail.
  void reset() { pending_.clear(); }

  const std::string& pending() const { return pending_; }

 private:
  std::string pending_;
};

}  // namespace tarvo::link
