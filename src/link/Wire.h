#pragma once
// Wire text and Qt text, converted in one place. The wire is single-byte (Latin-1): text
// from it is one character a byte; text to it is checked first when the user typed it.
#include <QString>
#include <string>
#include <string_view>

#include "link/wire_text.h"

namespace tarvo::link {

inline QString fromWire(std::string_view s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// The bytes of text that holds only Latin-1 characters: what came from the wire, fixed
// texts, and typed text checked with typedToWire(). Any other character would go as "?".
std::string toWire(const QString& text);

// Typed text as the wire carries it (line breaks as CR LF), or where it can not go.
WireText typedToWire(const QString& text);

// A character the wire can not carry, as a message names it: "€" (U+20AC).
QString describeCharacter(char32_t c);

}  // namespace tarvo::link
