#pragma once
// Block-list reply lines as the server lays them out: line number in columns 8 to 12,
// compound name in 14 to 31, block name in 17 to 34, type from 35.
#include <string>

namespace tarvo::test {

// s with blanks added up to `width` characters.
inline std::string pad(std::string s, std::size_t width) {
  if (s.size() < width) s.resize(width, ' ');
  return s;
}

inline std::string lineNumber(int n) {
  const std::string s = std::to_string(n);
  return std::string(s.size() < 5 ? 5 - s.size() : 0, ' ') + s;
}

inline std::string cmpLine(int n, const std::string& name) {
  return "BLKLST " + lineNumber(n) + " " + pad(name, 18) + "   COMPND";
}

inline std::string blkLine(int n, const std::string& name, const std::string& type) {
  return "BLKLST " + lineNumber(n) + "    " + pad(name, 18) + type;
}

inline std::string endLine(int n) {
  return "BLKLST " + lineNumber(n) + " ***END***";
}

// The reply record of add, copy and move: the keyword padded to `keywordWidth` (9 for add
// and copy, 10 for move), the relative key to 28 characters, the name to 26, the type to 6,
// and the message, when there is one, from column 91.
inline std::string recordLine(std::size_t keywordWidth, const std::string& keyword,
                              const std::string& relKey, const std::string& name,
                              const std::string& type, const std::string& message = {}) {
  std::string line = pad(keyword, keywordWidth) + pad(relKey, 28) + pad(name, 26) + pad(type, 6);
  if (!message.empty()) line = pad(line, 90) + message;
  return line;
}

}  // namespace tarvo::test
