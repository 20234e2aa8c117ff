// Arbitrary settings files: reading never fails hard, and whatever is read can be written
// and read back to the same entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "records/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvo::records;
  const SettingsRead read =
      parseSettings(std::string_view(reinterpret_cast<const char*>(data), size));
  (void)chooseServer(read);
  if (!read.complete()) return 0;
  // Texts holding a quote or a line end cannot be stored in this format; skip those.
  for (const auto& e : read.file.entries)
    for (const auto& t : {e.host, e.port})
      if (t.find_first_of("\"\r\n") != std::string::npos) return 0;
  const SettingsRead again = parseSettings(formatSettings(read.file));
  if (!again.complete()) std::abort();
  for (std::size_t i = 0; i < read.file.entries.size(); ++i)
    if (again.file.entries[i].host != read.file.entries[i].host ||
        again.file.entries[i].port != read.file.entries[i].port)
      std::abort();
  return 0;
}
