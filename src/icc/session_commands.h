#pragma once
// Command texts and row readings of the ICC session.
#include <string>
#include <string_view>

namespace tarvo::icc {

// The CP a list row names: the first 6 characters of a CP row, characters 14 to 19 of a
// compound row (where the server puts the compound's CP).
std::string_view cpOfRow(std::string_view row, bool compoundRow);

std::string openCpCommand(std::string_view cp, std::string_view localHost);

}  // namespace tarvo::icc
