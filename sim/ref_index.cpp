#include "sim/ref_index.h"

namespace tarvo::sim {

namespace {

// The block a value would name: what comes before its first dot. Block and
// compound names hold no dot, so a value names "CMP:BLK" exactly when it is
// that name or starts with it and a dot. Only a name with a colon can be one.
std::string_view namedBlock(std::string_view value) {
  const std::string_view head = value.substr(0, value.find('.'));
  return head.find(':') == std::string_view::npos ? std::string_view() : head;
}

std::string holder(std::string_view owner, const Param& p) {
  std::string h;
  h.reserve(owner.size() + 1 + p.name.size());
  h.append(owner).append(".").append(p.name);
  return h;
}

}  // namespace

ReferenceIndex::ReferenceIndex(const Plant& plant) {
  for (const auto& cp : plant.cps) {
    for (const auto& c : cp.compounds) {
      add(c.name, c.params);
      for (const auto& b : c.blocks) add(c.name + ":" + b.name, b.params);
    }
  }
}

void ReferenceIndex::add(std::string_view owner, const ParamList& params) {
  for (const auto& p : params) {
    const std::string_view named = namedBlock(p.value);
    if (named.empty()) continue;
    auto it = named_.find(named);
    if (it == named_.end())
      it = named_.emplace(std::string(named), std::set<std::string, std::less<>>()).first;
    if (it->second.insert(holder(owner, p)).second) ++holders_;
  }
}

void ReferenceIndex::remove(std::string_view owner, const ParamList& params) {
  for (const auto& p : params) {
    const std::string_view named = namedBlock(p.value);
    if (named.empty()) continue;
    const auto it = named_.find(named);
    if (it == named_.end()) continue;
    holders_ -= it->second.erase(holder(owner, p));
    if (it->second.empty()) named_.erase(it);
  }
}

ReferenceIndex::Holders ReferenceIndex::holdersOf(std::string_view block, std::size_t most) const {
  Holders h;
  const auto it = named_.find(block);
  if (it == named_.end()) return h;
  h.count = it->second.size();
  for (auto name = it->second.begin(); name != it->second.end() && h.first.size() < most; ++name)
    h.first.push_back(*name);
  return h;
}

}  // namespace tarvo::sim
