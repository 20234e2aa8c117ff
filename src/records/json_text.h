#pragma once
// JSON strings in the two shapes our files and machine output use, written by
// nlohmann::json's serializer, and the UTF-8 walking that readers of 8-bit texts need.
#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo::records::json {

// Appends `latin1` as a quoted JSON string. Every byte is one character; characters outside
// printable ASCII are escaped (\u00e9), so the result is plain ASCII.
void appendLatin1(std::string& out, std::string_view latin1);

// Appends `utf8` as a quoted JSON string, UTF-8 passed through. Control characters are
// escaped; bytes that are not well-formed UTF-8 become U+FFFD.
void appendUtf8(std::string& out, std::string_view utf8);

// Reads one code point of UTF-8 at `pos` and moves past it. False (and `pos` unchanged)
// when the bytes there are not well-formed UTF-8.
bool nextCodePoint(std::string_view utf8, std::size_t& pos, char32_t& cp);

void appendCodePoint(std::string& utf8, char32_t cp);

// Each byte as the character of the same number.
std::string latin1ToUtf8(std::string_view latin1);

// The same text with one byte per character; characters beyond U+00FF become '?'.
std::string utf8ToLatin1(std::string_view utf8);

}  // namespace tarvo::records::json
