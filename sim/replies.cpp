#include "sim/replies.h"

#include "sim/text.h"

namespace tarvo::sim::reply {

namespace {

constexpr std::size_t kMessageColumn = 91;

// The client reads the line number as a 16-bit integer. A CP never holds
// that many lines; plants built for load tests may, so the number wraps
// instead of overflowing the client.
std::string lineNumber(int lineNo) {
  return text::padLeft(std::to_string(lineNo % 32768), 5);
}

std::string blockListPrefix(int lineNo) {
  return "BLKLST " + lineNumber(lineNo) + " ";
}

}  // namespace

std::string cpListLine(const Cp& cp) {
  return "CPLST    " + text::padRight(cp.name, 6) + "  " + text::padRight(cp.model, 8) +
         cp.description;
}

std::string compoundListLine(const Compound& compound, const Cp& cp) {
  return "CMPLST      " + text::padRight(compound.name, 13) + cp.name;
}

std::string blockListCompoundLine(int lineNo, std::string_view compound) {
  return blockListPrefix(lineNo) + text::padRight(compound, 18) + "   COMPND";
}

std::string blockListBlockLine(int lineNo, std::string_view block, std::string_view type) {
  return blockListPrefix(lineNo) + "   " + text::padRight(block, 18) + std::string(type);
}

std::string blockListEndOfCompound(int lineNo, std::string_view compound) {
  return blockListBlockLine(lineNo, endEntryName(compound), "END_ZONE");
}

std::string endEntryName(std::string_view compound) {
  // Cut to the block-name field of the list line (columns 17-34).
  return ("---END_" + std::string(compound)).substr(0, 18);
}

std::string blockListEndLine(int lineNo) {
  return blockListPrefix(lineNo) + "***END***";
}

std::string paramLine(std::string_view name, std::string_view value) {
  return "PRMLST " + text::padRight(name, 6) + std::string(value);
}

std::string modificationLine(std::string_view keyword, std::string_view block,
                             std::string_view message) {
  std::string line(keyword);
  line += ' ';
  line += block;
  line = text::padRight(line, kMessageColumn - 1);
  line += message;
  return line;
}

std::string blockRecord(RecordLayout layout, std::string_view keyword, std::string_view relKey,
                        std::string_view name, std::string_view type, std::string_view message) {
  std::string line = text::padRight(keyword, layout == RecordLayout::Move ? 10 : 9);
  line += text::padRight(relKey, kRecordKeyWidth);
  line += text::padRight(name, kRecordNameWidth);
  line += text::padRight(type, kRecordTypeWidth);
  if (message.empty()) {
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
  }
  line = text::padRight(line, kMessageColumn - 1);
  line += message;
  return line;
}

std::string blockTypeLine(std::string_view type) {
  return "BLKTYP   " + std::string(type);
}

std::string lockLine(std::string_view cp, std::string_view holder) {
  return "LOCKOPENCP " + text::padRight(cp, 6) + " held by " + std::string(holder);
}

}  // namespace tarvo::sim::reply
