// Helpers shared by the engine's own files; nothing outside sim/engine*.cpp
// includes this.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "sim/engine.h"

namespace tarvo::sim::detail {

inline const std::string kNoSession = "No ICC session open";

inline std::string errLine(std::string_view keyword, std::string_view message) {
  return std::string(keyword) + std::string(message);
}

// Replies echo names and values the client sent. A line feed among them would
// end the reply early and make the rest read as a reply of its own.
inline std::vector<Outgoing> oneLineEach(std::vector<Outgoing> out) {
  for (auto& o : out) std::replace(o.line.begin(), o.line.end(), '\n', ' ');
  return out;
}

}  // namespace tarvo::sim::detail
