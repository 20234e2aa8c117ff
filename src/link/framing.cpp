#include "link/framing.h"

namespace tarvo::link {

std::string frameCommand(std::string_view command) {
  std::string length = std::to_string(command.size());
  if (length.size() < 4) length.insert(0, 4 - length.size(), '0');
  std::string frame;
  frame.reserve(4 + length.size() + command.size());
  frame.append("MSG:").append(length).append(command);
  return frame;
}

}  // namespace tarvo::link
