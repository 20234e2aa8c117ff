#pragma once
// The block tree as a spreadsheet: one row per compound and per block.
#include <string>
#include <vector>

namespace tarvo::browser {

struct TreeNodeText {
  std::string key;   // "CMP:BLK", or a compound's name
  std::string text;  // the node's text, which holds a block's type
};

// CSV with the heading "compound,block,type": a compound's row has an empty block and the
// type "COMPND"; a block's row its compound, its name and its type. The end of the list
// and the compounds' end entries are not blocks and are left out. Texts stay Latin-1.
std::string blocksCsv(const std::vector<TreeNodeText>& nodes);

}  // namespace tarvo::browser
