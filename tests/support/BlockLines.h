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

}  // namespace tarvo::test
