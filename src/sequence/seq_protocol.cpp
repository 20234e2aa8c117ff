#include "sequence/seq_protocol.h"

#include "link/columns.h"
#include "link/upload_split.h"

namespace tarvo::sequence {
namespace {

std::string command(std::string_view keyword, std::string_view argument) {
  std::string out(keyword);
  out += argument;
  return out;
}

}  // namespace

std::string editSeqCommand(std::string_view block) {
  return command("EDTSEQ:", block);
}
std::string cancelSeqCommand(std::string_view block) {
  return command("CANSEQ:", block);
}
std::string modDoneCommand(std::string_view block) {
  return command("MODDONE:", block);
}
std::string getSourceCommand(std::string_view block) {
  return command("GETSRC:", block);
}
std::string compileCommand(std::string_view block, std::string_view type) {
  return command("COMPLSEQ:", block) + " " + std::string(type);
}
std::string installCommand(std::string_view block) {
  return command("INSTALSEQ:", block);
}
std::string getListingCommand(std::string_view block) {
  return command("GETLST:", block);
}
std::string plbListCommand(std::string_view nodeKey) {
  return command("PLBLIST:", nodeKey);
}

std::string_view sourceLine(std::string_view line) {
  return fromCol(line, 7);
}
std::string_view replyMessage(std::string_view line) {
  return fromCol(line, 10);
}
std::string_view plbListingName(std::string_view line) {
  return fromCol(line, 12);
}
std::string_view plbListingLine(std::string_view line) {
  return fromCol(line, 9);
}

SaveCommands saveCommands(std::string_view block, std::string_view text) {
  const link::UploadLines lines = link::splitForUpload(text);
  SaveCommands out;
  out.length = text.size();
  auto add = [&out](std::string cmd, std::size_t progress) {
    out.commands.push_back(std::move(cmd));
    out.progress.push_back(progress);
  };
  add(command("SPUTSTART:", block), 0);
  for (const link::UploadLines::Line& line : lines.ended)
    add(command("SRCPUT:", line.text) + "\n", line.crPos);
  if (!lines.pending.empty()) add(command("SRCPUT:", lines.pending), 0);
  add(command("SPUTEND", lines.pending), 0);
  return out;
}

}  // namespace tarvo::sequence
