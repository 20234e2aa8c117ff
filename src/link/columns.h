#pragma once
// Reply lines carry their fields at fixed 1-based columns. These helpers read them without
// ever going past the end of a line: a column beyond the end reads as "".
#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo {

// The text from 1-based column `col` to the end of the line.
std::string_view fromCol(std::string_view line, std::size_t col);

// Columns `first` to `last` (1-based, inclusive), cut short at the end of the line.
std::string_view cols(std::string_view line, std::size_t first, std::size_t last);

// Removes blanks (spaces) at both ends, as the server pads its fields with blanks.
std::string_view trimBlanks(std::string_view s);

// The leading decimal number of a text, as a lenient numeric conversion reads it: leading
// blanks and tabs skipped, an optional sign, then digits up to the first other character.
// No digits gives 0. Values beyond the range of long long saturate.
long long leadingNumber(std::string_view s);

// Where the digits of such a number start: after leading blanks, tabs and one optional
// sign, which `negative` reports.
std::size_t numberStart(std::string_view s, bool& negative);

bool startsWith(std::string_view s, std::string_view prefix);

}  // namespace tarvo
