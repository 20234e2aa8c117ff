#pragma once
// Finding blocks in the tree: which nodes a search text shows. Pure, so that the rule is
// tested on its own and a keystroke on a tree of a hundred thousand blocks stays cheap:
// every node's texts are lowered once, when the index is built, and a search only scans
// them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::browser {

// Lower case of Latin-1 text (A-Z and the accented capitals).
char lowerLatin1(char c);
std::string lowerLatin1(std::string_view s);

// Whether a node with this key and type matches a search text already in lower case, given
// the node's key and type in lower case too. A block matches when its own name (the part of
// the key after the colon) or its type holds the text; a compound by its name or its type.
// A text holding a colon is looked for in the whole "CMP:BLK" key instead, so that
// "boiler:lt" finds the level transmitters of BOILER. An empty text matches everything.
bool filterMatches(std::string_view lowerKey, std::string_view lowerType,
                   std::string_view lowerNeedle);

// What the search shows of one node.
enum class Shown : std::uint8_t {
  Hidden,
  Match,       // the node itself matches
  ForChildren  // a compound that does not match but holds a block that does
};

// The nodes of the tree in their order (each compound followed by its blocks), with their
// keys and types lowered once.
class FilterIndex {
 public:
  void clear();
  void reserve(std::size_t nodes, std::size_t textBytes);
  // Adds the next node; `parent` is the index of its compound, or -1 for a top-level node.
  // Returns the node's index.
  int add(std::string_view key, std::string_view type, int parent);

  std::size_t size() const { return nodes_.size(); }
  int parentOf(std::size_t node) const { return nodes_[node].parent; }

  // What `needle` (any case) shows of each node, written to `shown` (resized to size()).
  // A top-level node is shown when it matches or one of its blocks does. Returns the index
  // of the first node in tree order that matches itself, or -1.
  int apply(std::string_view needle, std::vector<Shown>& shown) const;

 private:
  struct Node {
    std::uint32_t key = 0;  // offset of the lowered key in text_
    std::uint32_t keyLength = 0;
    std::uint32_t nameOffset = 0;  // where the node's own name starts within its key
    std::uint32_t typeLength = 0;  // the lowered type follows the key in text_
    int parent = -1;
  };
  std::string text_;
  std::vector<Node> nodes_;
};

}  // namespace tarvo::browser
