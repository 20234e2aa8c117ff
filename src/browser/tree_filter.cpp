#include "browser/tree_filter.h"

namespace tarvo::browser {

char lowerLatin1(char c) {
  const auto u = static_cast<unsigned char>(c);
  // ASCII capitals, and the Latin-1 capitals from À to Þ except the multiplication sign.
  if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
    return static_cast<char>(u + 0x20);
  return c;
}

std::string lowerLatin1(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lowerLatin1(c);
  return out;
}

namespace {

std::string_view ownName(std::string_view key) {
  const std::size_t colon = key.find(':');
  return colon == std::string_view::npos ? key : key.substr(colon + 1);
}

bool holds(std::string_view text, std::string_view needle) {
  return text.find(needle) != std::string_view::npos;
}

bool matches(std::string_view key, std::string_view name, std::string_view type,
             std::string_view needle, bool wholeKey) {
  return wholeKey ? holds(key, needle) : holds(name, needle) || holds(type, needle);
}

}  // namespace

bool filterMatches(std::string_view lowerKey, std::string_view lowerType,
                   std::string_view lowerNeedle) {
  return matches(lowerKey, ownName(lowerKey), lowerType, lowerNeedle,
                 lowerNeedle.find(':') != std::string_view::npos);
}

void FilterIndex::clear() {
  text_.clear();
  nodes_.clear();
}

void FilterIndex::reserve(std::size_t nodes, std::size_t textBytes) {
  nodes_.reserve(nodes);
  text_.reserve(textBytes);
}

int FilterIndex::add(std::string_view key, std::string_view type, int parent) {
  Node node;
  node.key = static_cast<std::uint32_t>(text_.size());
  node.keyLength = static_cast<std::uint32_t>(key.size());
  node.nameOffset = static_cast<std::uint32_t>(key.size() - ownName(key).size());
  node.typeLength = static_cast<std::uint32_t>(type.size());
  node.parent = parent;
  for (char c : key) text_ += lowerLatin1(c);
  for (char c : type) text_ += lowerLatin1(c);
  nodes_.push_back(node);
  return static_cast<int>(nodes_.size() - 1);
}

int FilterIndex::apply(std::string_view needle, std::vector<Shown>& shown) const {
  const std::string lower = lowerLatin1(needle);
  const bool wholeKey = lower.find(':') != std::string::npos;
  const std::string_view all(text_);
  shown.assign(nodes_.size(), Shown::Hidden);
  int first = -1;
  for (std::size_t i = 0; i < nodes_.size(); ++i) {
    const Node& n = nodes_[i];
    const std::string_view key = all.substr(n.key, n.keyLength);
    if (!matches(key, key.substr(n.nameOffset), all.substr(n.key + n.keyLength, n.typeLength),
                 lower, wholeKey))
      continue;
    shown[i] = Shown::Match;
    if (first < 0) first = static_cast<int>(i);
    if (n.parent >= 0 && shown[static_cast<std::size_t>(n.parent)] == Shown::Hidden)
      shown[static_cast<std::size_t>(n.parent)] = Shown::ForChildren;
  }
  return first;
}

}  // namespace tarvo::browser
