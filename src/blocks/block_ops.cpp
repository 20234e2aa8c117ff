#include "blocks/block_ops.h"

#include <initializer_list>
#include <utility>

#include "browser/block_list.h"
#include "link/columns.h"

namespace tarvo::blocks {

namespace {

constexpr std::size_t kMessageColumn = 91;
constexpr std::size_t kBlockPartWidth = 12;

std::string field(std::string_view line, std::size_t first, std::size_t last) {
  return std::string(trimBlanks(cols(line, first, last)));
}

std::string joined(std::string_view keyword, std::initializer_list<std::string_view> parts) {
  std::string out(keyword);
  bool first = true;
  for (std::string_view p : parts) {
    if (!first) out += ' ';
    out += p;
    first = false;
  }
  return out;
}

}  // namespace

BlockRecord parseBlockRecord(std::string_view line, RecordColumns columns) {
  // The move keywords are one character longer, and every field after them moves along.
  const std::size_t shift = columns == RecordColumns::Move ? 1 : 0;
  BlockRecord r;
  r.keyword = field(line, 1, 9 + shift);
  r.relKey = field(line, 10 + shift, 37 + shift);
  r.name = field(line, 38 + shift, 63 + shift);
  r.type = field(line, 64 + shift, 69 + shift);
  r.message = std::string(trimBlanks(fromCol(line, kMessageColumn)));
  return r;
}

bool selectsNode(std::string_view line) {
  static constexpr std::pair<std::string_view, bool> kReplies[] = {
      {"DNADDNEW", true},  {"DNADDNEX", false},  {"DNCPYNEW", true}, {"DNCPYNEX", false},
      {"DNMOVEBLK", true}, {"DNMOVEBLX", false}, {"DNDELBLK", true}, {"DNDELBLX", false},
  };
  for (const auto& [keyword, selects] : kReplies)
    if (startsWith(line, keyword)) return selects;
  return false;
}

std::string insertedNodeText(std::string_view fullName, std::string_view type) {
  const auto colon = fullName.rfind(':');
  std::string_view part = colon == std::string_view::npos ? fullName : fullName.substr(colon + 1);
  part = trimBlanks(part.substr(0, kBlockPartWidth));
  return browser::blockNodeText(part, type);
}

std::string compoundCopyNodeText(std::string_view line) {
  return std::string(trimBlanks(fromCol(line, 38)));
}

std::string addNewCommand(std::string_view fullName, std::string_view location,
                          std::string_view type) {
  return joined("ADDNEW:", {fullName, location, type});
}

std::string copyNewCommand(std::string_view newFullName, std::string_view source,
                           std::string_view sourceType, std::string_view location) {
  return joined("CPYNEW:", {newFullName, source, sourceType, location});
}

std::string moveBlockCommand(std::string_view location, std::string_view source,
                             std::string_view sourceType) {
  return joined("MOVEBLK:", {location, source, sourceType});
}

std::string deleteBlockCommand(std::string_view name) {
  return "DELBLK:" + std::string(name);
}

AddKind addKind(std::string_view currSelBlk, std::string_view currSelTyp) {
  if (currSelBlk == browser::kEndOfListKey) return AddKind::Compound;
  const bool blockLike =
      !currSelTyp.empty() || browser::isEndMarker(currSelBlk) || !browser::isCmpNm(currSelBlk);
  return blockLike ? AddKind::Block : AddKind::Compound;
}

std::optional<std::string> addBlockCommand(std::string_view currSelBlk,
                                           std::string_view pendingNewName,
                                           std::string_view newType) {
  const std::string type = upperName(newType);
  if (type.empty()) return std::nullopt;
  const std::string fullName = type == browser::kCompoundType
                                   ? std::string(pendingNewName)
                                   : pasteFullName(currSelBlk, pendingNewName);
  return addNewCommand(fullName, currSelBlk, type);
}

std::string pasteFullName(std::string_view currSelBlk, std::string_view typedName) {
  std::string out(browser::getCmpNm(currSelBlk));
  out += ':';
  out += typedName;
  return out;
}

std::optional<std::string> movedNodeKey(std::string_view name, bool nameInTree,
                                        std::string_view moveSrcBlk, bool answersSource) {
  if (nameInTree) return std::string(name);
  if (answersSource && !browser::isCmpNm(moveSrcBlk) && !browser::isCmpNm(name) &&
      browser::getBlkNm(moveSrcBlk) == browser::getBlkNm(name))
    return std::string(moveSrcBlk);
  return std::nullopt;
}

std::string upperName(std::string_view typed) {
  std::string out(typed);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    // Latin-1 puts each accented small letter 0x20 above its capital, as ASCII does; the
    // division sign sits among them, and the two small letters without a Latin-1 capital
    // (sharp s, y with diaeresis) lie outside the range.
    if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7))
      c = static_cast<char>(u - 0x20);
  }
  return out;
}

std::string nameProblem(std::string_view typed) {
  for (char c : typed) {
    const auto u = static_cast<unsigned char>(c);
    if (c == ' ' || c == ':' || u < 0x20 || (u >= 0x7F && u <= 0x9F))
      return "A block or compound name can not contain blanks, colons or control characters.";
  }
  return {};
}

}  // namespace tarvo::blocks
