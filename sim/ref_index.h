// Which configured values name a block, kept up to date as blocks come, go and
// change, so that telling who still names a moved block does not read the
// whole plant.
#pragma once

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sim/plant.h"

namespace tarvo::sim {

class ReferenceIndex {
 public:
  ReferenceIndex() = default;
  explicit ReferenceIndex(const Plant& plant);

  // The parameters of `owner` ("CMP:BLK", or a compound's name) as they are
  // now (add) or were until now (remove).
  void add(std::string_view owner, const ParamList& params);
  void remove(std::string_view owner, const ParamList& params);
  // The "OWNER.PARAM"s whose value names block "CMP:BLK": the name itself (a
  // block reference) or the name, a dot and more (a connection). How many
  // there are, and the first `most` of them in name order.
  struct Holders {
    std::size_t count = 0;
    std::vector<std::string> first;
  };
  Holders holdersOf(std::string_view block, std::size_t most) const;
  std::size_t size() const { return holders_; }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, std::set<std::string, std::less<>>, Hash, std::equal_to<>> named_;
  std::size_t holders_ = 0;
};

}  // namespace tarvo::sim
