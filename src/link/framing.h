#pragma once
#include <string>
#include <string_view>

namespace tarvo::link {

// One command as it goes on the wire: "MSG:", the length in decimal with at least four
// digits (zero-filled; longer texts simply get more digits), then the text itself.
std::string frameCommand(std::string_view command);

}  // namespace tarvo::link
