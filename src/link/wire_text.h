#pragma once
// Text typed by the user as the wire carries it. The wire is single-byte: a character
// beyond U+00FF has no byte, and sent as it stands it would reach the server as "?", so
// what the server stored would differ from what the user sees. Such text is refused,
// with the character named, rather than sent.
#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo::link {

struct WireText {
  std::string text;
  // Where the first character that has no single-byte form stands (1-based line and the
  // character itself); line 0 when there is none and `text` is complete.
  std::size_t badLine = 0;
  char32_t badChar = 0;
};

// `raw` is typed text in UTF-16 with its line breaks as U+2029 (paragraph) or U+2028 (line)
// separators or LF; each becomes CR LF. Characters up to U+00FF go as one byte each,
// unchanged.
WireText toWireText(std::u16string_view raw);

}  // namespace tarvo::link
