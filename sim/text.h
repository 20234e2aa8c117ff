// Small text helpers shared by the simulator's engine files. Wire text is
// single-byte ASCII, so everything here works on plain bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvo::sim::text {

std::string_view trim(std::string_view s);
std::string upper(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWith(std::string_view s, std::string_view prefix);

// s cut or blank-padded on the right to exactly width characters.
std::string padRight(std::string_view s, std::size_t width);
// s blank-padded on the left to at least width characters.
std::string padLeft(std::string_view s, std::size_t width);

// A plain decimal number: optional sign, digits, optional fraction and
// exponent. Infinities and NaN are not numbers here.
std::optional<double> parseNumber(std::string_view s);

// Shortest text that reads back as the same double ("120", "0.5", "1e+07").
std::string formatNumber(double v);

// True when s holds a byte below blank or DEL: such a value cannot travel in
// one reply line.
bool hasControlChar(std::string_view s);
// The same, but a TAB is allowed (sequence source keeps its indentation).
bool hasControlCharButTab(std::string_view s);

// A printable rendering of raw client bytes for a log line: control bytes as
// \xNN, cut to maxLen with "..." appended.
std::string forLog(std::string_view s, std::size_t maxLen = 80);

// A whole log line made safe to write: every byte that is not printable ASCII
// (line ends and terminal escapes above all) becomes \xNN, so no client text
// can start a line of its own or steer the terminal. Nothing is cut, and the
// result is printable ASCII, so escaping it again changes nothing.
std::string logSafe(std::string_view line);

}  // namespace tarvo::sim::text
