#pragma once
// The block list of a CP as the server sends it ("BLKLST" lines), the names that the tree's
// keys are made of, and the rules that turn the list, line by line, into tree nodes. Pure:
// the Qt tree applies the node operations that come out of here.
#include <string>
#include <string_view>

namespace tarvo::browser {

// Key and text of the node that ends the list.
inline constexpr std::string_view kEndOfListKey = "***END***";
// Type of a compound line, and of the selection when it is a compound (by key).
inline constexpr std::string_view kCompoundType = "COMPND";
// Type of the selection when it is the end of the list or a compound's end entry.
inline constexpr std::string_view kEndZoneType = "END_ZONE";

// ---------------------------------------------------------------------------------------
// One "BLKLST" line.

enum class BlkLineKind { EndOfList, Compound, Block };

// The fields of a "BLKLST" line (1-based columns). Views point into the line.
struct BlkLine {
  BlkLineKind kind = BlkLineKind::Block;
  long long lineNo = 0;        // columns 8-12; 0 when they hold no number
  std::string_view cmpName;    // columns 14-31, blanks removed (meaningful on a compound line)
  std::string_view blkName;    // columns 17-34, blanks removed (meaningful on a block line)
  std::string_view nameField;  // columns 17-34 as they stand, for the node text
  std::string_view type;       // columns 35-40, blanks removed
};

// Reads a line that starts with "BLKLST". Short lines read as blank past their end.
BlkLine parseBlkLine(std::string_view line);

// Every 20th line number (0 included) shows the list's progress in the status bar.
bool showsProgress(long long lineNo);

// Text of a block node: the block name padded with blanks to 18 characters, then the block
// type; blanks at both ends of the result removed. Written into `out` (its capacity is
// reused, which matters when a whole list is built).
void blockNodeText(std::string_view name, std::string_view type, std::string& out);
std::string blockNodeText(std::string_view name, std::string_view type);

// ---------------------------------------------------------------------------------------
// Names. A block is "CMP:BLK"; a compound's name has no colon; "***END***" ends the list and
// a compound's end entry is "CMP:---END_...".

// s without its last character when that is ":".
std::string_view stripColon(std::string_view s);

// The block type of a node: "COMPND" when the key ends with ":", otherwise the first word of
// the node text at or after its 16th character ("" when there is none).
std::string_view getBlkTyp(std::string_view key, std::string_view text);

// True when s holds no ":" (a compound's name, or the end-of-list key).
bool isCmpNm(std::string_view s);

// True when some ":" in s is directly followed by "---END_".
bool isEndMarker(std::string_view s);

// The text before the first ":" (all of s when there is none) and the text after it.
std::string_view getCmpNm(std::string_view buff);
std::string_view getBlkNm(std::string_view buff);

// ---------------------------------------------------------------------------------------
// Building the tree from the list.

// What a node is, which decides its colour.
enum class NodeKind {
  Compound,   // dark red
  Block,      // blue
  EndEntry,   // a block line whose name starts with "---": dark blue
  EndOfList,  // the button-face colour
};

enum class Placement {
  None,          // the line adds no node
  FirstTop,      // first node of the top level
  LastTop,       // last node of the top level
  AfterSibling,  // next sibling of the node `relKey`
  LastChild,     // last child of the node `relKey`
};

struct NodeOp {
  Placement placement = Placement::None;
  std::string relKey;
  std::string key;
  std::string text;
  NodeKind kind = NodeKind::Block;
};

struct BuildStep {
  long long lineNo = 0;
  bool progress = false;  // the status bar shows "Getting Cmp:Blk Names [lineNo]"
  NodeOp node;
};

// Follows the list line by line: the compound the next blocks go under, the block the next
// one follows. Keeps the server's order: compounds in order at the top level, each one's
// blocks in order under it, the end of the list after the last compound.
class BlockListBuilder {
 public:
  // A new list begins: nothing added yet.
  void reset();

  // The node operation for one "BLKLST" line. The reference stays valid until the next
  // call; its strings keep their capacity from line to line.
  const BuildStep& feed(std::string_view line);

  const std::string& lineCmpNm() const { return lineCmpNm_; }

 private:
  BuildStep step_;
  std::string curCmpKey_;   // the compound most recently added ("" before the first)
  std::string lastBlkKey_;  // the block most recently added under it ("" after a compound)
  std::string lineCmpNm_;   // compound name of the latest compound line
  // False until a compound line with a name has been seen, and after one without a name:
  // its blocks have no compound to go under.
  bool inCompound_ = false;
  // The tree's keys are unique, so a second end line in one list cannot add a node.
  bool endAdded_ = false;
};

}  // namespace tarvo::browser
