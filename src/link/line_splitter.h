#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvo::link {

// Cuts the byte stream from the server into LF-ended lines. A line that has not been
// completed by the end of an arrival is kept and finished by the next one.
//
// A line is never held beyond `maxLine` characters: the rest of a longer one is dropped
// up to its LF, so a server that never ends a line cannot make the client grow without
// end. Every reply of the protocol is far shorter.
class LineSplitter {
 public:
  static constexpr std::size_t kDefaultMaxLine = 64 * 1024;

  explicit LineSplitter(std::size_t maxLine = kDefaultMaxLine) : maxLine_(maxLine) {}

  // Appends every line completed by `data` to `out`, in order, without its LF.
  void feed(std::string_view data, std::vector<std::string>& out);

  // Forgets a kept partial line; a new connection must not inherit the old one's tail.
  void reset() {
    pending_.clear();
    dropping_ = false;
  }

  const std::string& pending() const { return pending_; }
  std::size_t maxLine() const { return maxLine_; }
  // How many lines were cut short since the last call.
  std::size_t takeCutLines() { return std::exchange(cutLines_, 0); }

 private:
  // Keeps as much of `part` as the line still has room for.
  void keep(std::string_view part);

  std::size_t maxLine_;
  std::string pending_;
  bool dropping_ = false;  // the kept line is full; what follows up to its LF is dropped
  std::size_t cutLines_ = 0;
};

}  // namespace tarvo::link
