// Arbitrary bytes as a plant file. Reading never fails hard; a file that reads is written
// back and must read again to the same plant, and the line-by-line reader must agree with
// reading the text whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sim/plant_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvo::sim;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const PlantReadResult read = readPlantText(text);
  if (read.plant.has_value() == !read.error.empty()) std::abort();

  // Fed line by line, with CR LF line ends, the reader sees the same records.
  PlantReader reader;
  std::size_t start = 0;
  while (start <= text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    if (line.empty() || line.back() != '\r') line += '\r';
    if (!reader.addLine(line)) break;
    start = end + 1;
  }
  const PlantReadResult again = reader.finish();
  if (again.plant.has_value() != read.plant.has_value()) std::abort();
  if (!read.plant) {
    if (again.errorLine != read.errorLine) std::abort();
    return 0;
  }
  const std::string written = writePlantText(*read.plant);
  const PlantReadResult back = readPlantText(written);
  if (!back.plant || !(*back.plant == *read.plant)) std::abort();
  return 0;
}
