#include "browser/tree_csv.h"

#include "browser/block_list.h"
#include "records/csv.h"

namespace tarvo::browser {

std::string blocksCsv(const std::vector<TreeNodeText>& nodes) {
  std::string out = records::csvRecord({"compound", "block", "type"});
  for (const TreeNodeText& node : nodes) {
    const std::string_view key = node.key;
    if (key == kEndOfListKey || isEndMarker(key)) continue;
    if (isCmpNm(key))
      out += records::csvRecord({node.key, "", std::string(kCompoundType)});
    else
      out += records::csvRecord({std::string(getCmpNm(key)), std::string(getBlkNm(key)),
                              std::string(getBlkTyp(key, node.text))});
  }
  return out;
}

}  // namespace tarvo::browser
