#include "xref/xref_protocol.h"

#include "link/columns.h"
#include "link/upload_split.h"

namespace tarvo::xref {

std::string cfgGetCommand(std::string_view letter) {
  return std::string("XREFCFGGET").append(letter);
}

std::string_view cfgStrtLetter(std::string_view line) {
  return cols(line, 15, 15);
}

std::string_view cfgDoneLetter(std::string_view line) {
  return cols(line, 15, 15);
}

std::string_view cfgLineLetter(std::string_view line) {
  return cols(line, 16, 16);
}

std::string_view cfgLineText(std::string_view line) {
  return fromCol(line, 17);
}

std::string_view cfgEditorTitle(std::string_view letter) {
  if (letter == kCpList) return "Enter CP/Vol Names";
  if (letter == kDisplayList) return "Enter Display base directories";
  if (letter == kHistorianList) return "Enter Historian names";
  return {};
}

std::vector<std::string> cfgUploadCommands(std::string_view letter, std::string_view text) {
  const std::string put = std::string("XREFCFGPUT").append(letter);
  const link::UploadLines lines = link::splitForUpload(text);
  std::vector<std::string> commands;
  commands.reserve(lines.ended.size() + 3);
  commands.push_back(put + "STRT");
  for (const link::UploadLines::Line& line : lines.ended)
    commands.push_back(put + "LINE:" + line.text + '\n');
  if (!lines.pending.empty()) commands.push_back(put + "LINE:" + lines.pending);
  commands.push_back(put + "DONE");
  return commands;
}

std::string_view runLineText(std::string_view line) {
  return fromCol(line, 12);
}

std::string blockCommand(std::string_view key) {
  return std::string("XREFBLK:").append(key);
}

std::string_view listingText(std::string_view line) {
  return fromCol(line, 9);
}

}  // namespace tarvo::xref
