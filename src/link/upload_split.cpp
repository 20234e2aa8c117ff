#include "link/upload_split.h"

namespace tarvo::link {

UploadLines splitForUpload(std::string_view text) {
  UploadLines out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n') continue;
    if (c == '\r') {
      out.ended.push_back({std::move(out.pending), i + 1});
      out.pending.clear();
      continue;
    }
    out.pending += c;
  }
  return out;
}

}  // namespace tarvo::link
