#include "browser/block_list.h"

#include "link/columns.h"

namespace tarvo::browser {

namespace {
constexpr std::size_t kNameWidth = 18;
}  // namespace

BlkLine parseBlkLine(std::string_view line) {
  BlkLine r;
  r.lineNo = leadingNumber(cols(line, 8, 12));
  r.cmpName = trimBlanks(cols(line, 14, 31));
  r.nameField = cols(line, 17, 34);
  r.blkName = trimBlanks(r.nameField);
  r.type = trimBlanks(cols(line, 35, 40));
  if (cols(line, 14, 22) == kEndOfListKey)
    r.kind = BlkLineKind::EndOfList;
  else if (trimBlanks(fromCol(line, 35)) == kCompoundType)
    r.kind = BlkLineKind::Compound;
  else
    r.kind = BlkLineKind::Block;
  return r;
}

bool showsProgress(long long lineNo) {
  return lineNo % 20 == 0;
}

void blockNodeText(std::string_view name, std::string_view type, std::string& out) {
  out.assign(name);
  if (out.size() < kNameWidth) out.append(kNameWidth - out.size(), ' ');
  out.append(type);
  const auto last = out.find_last_not_of(' ');
  if (last == std::string::npos) {
    out.clear();
    return;
  }
  out.erase(last + 1);
  out.erase(0, out.find_first_not_of(' '));
}

std::string blockNodeText(std::string_view name, std::string_view type) {
  std::string out;
  blockNodeText(name, type, out);
  return out;
}

std::string_view stripColon(std::string_view s) {
  if (!s.empty() && s.back() == ':') s.remove_suffix(1);
  return s;
}

std::string_view getBlkTyp(std::string_view key, std::string_view text) {
  if (!key.empty() && key.back() == ':') return kCompoundType;
  const std::string_view rest = fromCol(text, 16);
  const auto begin = rest.find_first_not_of(' ');
  if (begin == std::string_view::npos) return {};
  const auto end = rest.find(' ', begin);
  return rest.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin);
}

bool isCmpNm(std::string_view s) {
  return s.find(':') == std::string_view::npos;
}

bool isEndMarker(std::string_view s) {
  for (auto colon = s.find(':'); colon != std::string_view::npos; colon = s.find(':', colon + 1))
    if (s.substr(colon + 1, 7) == "---END_") return true;
  return false;
}

std::string_view getCmpNm(std::string_view buff) {
  return buff.substr(0, buff.find(':'));
}

std::string_view getBlkNm(std::string_view buff) {
  const auto colon = buff.find(':');
  return colon == std::string_view::npos ? std::string_view{} : buff.substr(colon + 1);
}

void BlockListBuilder::reset() {
  curCmpKey_.clear();
  lastBlkKey_.clear();
  inCompound_ = false;
  endAdded_ = false;
}

const BuildStep& BlockListBuilder::feed(std::string_view line) {
  const BlkLine parsed = parseBlkLine(line);
  step_.lineNo = parsed.lineNo;
  step_.progress = showsProgress(parsed.lineNo);
  NodeOp& op = step_.node;
  op.placement = Placement::None;
  op.relKey.clear();

  switch (parsed.kind) {
    case BlkLineKind::EndOfList:
      if (endAdded_) break;
      endAdded_ = true;
      op.key.assign(kEndOfListKey);
      op.text.assign(kEndOfListKey);
      op.kind = NodeKind::EndOfList;
      if (curCmpKey_.empty()) {
        op.placement = Placement::LastTop;
      } else {
        op.placement = Placement::AfterSibling;
        op.relKey = curCmpKey_;
      }
      break;

    case BlkLineKind::Compound:
      lineCmpNm_.assign(parsed.cmpName);
      lastBlkKey_.clear();
      // A compound without a name cannot be keyed; its blocks are left out with it, and
      // the next compound still follows the last one that was added.
      inCompound_ = !lineCmpNm_.empty();
      if (!inCompound_) break;
      op.key = lineCmpNm_;
      op.text = lineCmpNm_;
      op.kind = NodeKind::Compound;
      if (curCmpKey_.empty()) {
        op.placement = Placement::FirstTop;
      } else {
        op.placement = Placement::AfterSibling;
        op.relKey = curCmpKey_;
      }
      curCmpKey_ = op.key;
      break;

    case BlkLineKind::Block:
      // Without a name the line gives no key; the next block follows the last one named.
      if (parsed.blkName.empty()) break;
      op.key.assign(lineCmpNm_);
      op.key.push_back(':');
      op.key.append(parsed.blkName);
      if (inCompound_ && !curCmpKey_.empty()) {
        blockNodeText(parsed.nameField, parsed.type, op.text);
        op.kind = parsed.blkName.substr(0, 3) == "---" ? NodeKind::EndEntry : NodeKind::Block;
        if (lastBlkKey_.empty()) {
          op.placement = Placement::LastChild;
          op.relKey = curCmpKey_;
        } else {
          op.placement = Placement::AfterSibling;
          op.relKey = lastBlkKey_;
        }
      }
      lastBlkKey_ = op.key;
      break;
  }
  return step_;
}

}  // namespace tarvo::browser
