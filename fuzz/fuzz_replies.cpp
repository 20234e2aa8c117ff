// Feeds arbitrary server bytes, cut at arbitrary points, through the line splitter and
// the reply dispatcher. Every handler reads the columns its replies use, so a short or
// odd line that reads past its end shows up here.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/columns.h"
#include "link/dispatcher.h"
#include "link/line_splitter.h"

namespace {

class ColumnReader : public tarvo::link::ReplyHandler {
 public:
  std::size_t sink = 0;
  void touch(std::string_view line) {
    for (std::size_t c : {8u, 9u, 10u, 12u, 13u, 14u, 17u, 35u, 91u})
      sink += tarvo::fromCol(line, c).size() + tarvo::cols(line, c, c + 17).size();
    sink += static_cast<std::size_t>(tarvo::leadingNumber(tarvo::cols(line, 8, 12)) & 1);
  }
  void onVersion(std::string_view l) override { touch(l); }
  void onCpLst(std::string_view l) override { touch(l); }
  void onCmpLst(std::string_view l) override { touch(l); }
  void onBlkLst(std::string_view l) override { touch(l); }
  void onPrmLst(std::string_view l) override { touch(l); }
  void onErrPrmMod(std::string_view l) override { touch(l); }
  void onLockOpenCp(std::string_view l) override { touch(l); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tarvo::link::LineSplitter splitter;
  ColumnReader reader;
  std::vector<std::string> lines;
  // The first byte decides where arrivals are cut, so partial lines are exercised too.
  const std::size_t step = size ? (static_cast<std::size_t>(data[0]) % 17) + 1 : 1;
  for (std::size_t at = 0; at < size; at += step) {
    lines.clear();
    splitter.feed(bytes.substr(at, step), lines);
    for (const auto& line : lines) tarvo::link::dispatchLine(line, reader);
  }
  return 0;
}
