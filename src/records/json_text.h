#pragma once
// Just enough JSON for one-object-per-line files and machine output: writing strings from
// the wire (Latin-1) or from the system (UTF-8), and reading a line back into values.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvo::records::json {

// Appends `latin1` as a quoted JSON string. Every byte is one character; characters outside
// printable ASCII are written as \u00XX escapes, so the result is plain ASCII.
void appendLatin1(std::string& out, std::string_view latin1);

// Appends `utf8` as a quoted JSON string, UTF-8 passed through. Control characters are
// escaped; a byte that is not part of valid UTF-8 becomes U+FFFD.
void appendUtf8(std::string& out, std::string_view utf8);

// Reads one code point of UTF-8 at `pos` and moves past it. False (and `pos` unchanged)
// when the bytes there are not well-formed UTF-8.
bool nextCodePoint(std::string_view utf8, std::size_t& pos, char32_t& cp);

void appendCodePoint(std::string& utf8, char32_t cp);

// The same text with one byte per character; characters beyond U+00FF become '?'.
std::string utf8ToLatin1(std::string_view utf8);

struct Member;

struct Value {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;  // a string's text, UTF-8
  std::vector<Value> items;
  // An object's members in their order. (A struct of its own rather than std::pair: the
  // element type must be complete where the vector's members are instantiated.)
  std::vector<Member> members;

  // The member `key` of an object, or null when there is none.
  const Value* find(std::string_view key) const;
};

struct Member {
  std::string name;
  Value value;
};

// Parses a whole JSON text (nothing but blanks may follow the value). Nesting deeper than
// 16 levels is refused, so no input can exhaust the stack.
std::optional<Value> parse(std::string_view text, std::string* error = nullptr);

}  // namespace tarvo::records::json
