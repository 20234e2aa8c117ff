#include "icc/session_commands.h"

#include "link/columns.h"

namespace tarvo::icc {

std::string_view cpOfRow(std::string_view row, bool compoundRow) {
  return compoundRow ? cols(row, 14, 19) : cols(row, 1, 6);
}

std::string openCpCommand(std::string_view cp, std::string_view localHost) {
  std::string command = "OPENCP:";
  command.append(cp).append(" ALL ").append(localHost);
  return command;
}

}  // namespace tarvo::icc
