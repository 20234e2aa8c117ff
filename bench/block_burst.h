#pragma once
// A CP's whole block list as the server sends it in answer to "GETBLKS".
#include <string>

namespace tarvo::bench {

inline constexpr int kBlocksPerCompound = 50;

inline std::string padded(std::string s, std::size_t width) {
  s.resize(width, ' ');
  return s;
}

inline std::string lineNumber(int n) {
  std::string s = std::to_string(n % 100000);
  return std::string(5 - s.size(), ' ') + s;
}

// Hands `line` each line of the reply in turn, without its LF: "CLRBLKLST", a compound
// line before every 50 blocks, the blocks of the usual types, the end line and "DNBLKLST".
template <class Sink>
void forEachListLine(int blocks, Sink&& line) {
  static const char* const kTypes[] = {"AIN", "AOUT", "PID",  "PIDA",  "CALC", "CALCA",
                                       "CIN", "COUT", "MAIN", "LOGIC", "IND",  "PLB"};
  line(std::string("CLRBLKLST"));
  int n = 0;
  for (int b = 0; b < blocks; ++b) {
    if (b % kBlocksPerCompound == 0)
      line("BLKLST " + lineNumber(++n) + " " +
           padded("CMP" + std::to_string(b / kBlocksPerCompound), 18) + "   COMPND");
    line("BLKLST " + lineNumber(++n) + "    " + padded("BLK" + std::to_string(b), 18) +
         kTypes[b % 12]);
  }
  line("BLKLST " + lineNumber(++n) + " ***END***");
  line(std::string("DNBLKLST"));
}

// The whole reply, each line ended by LF.
inline std::string makeBurst(int blocks) {
  std::string burst;
  forEachListLine(blocks, [&](const std::string& line) { burst += line + '\n'; });
  return burst;
}

}  // namespace tarvo::bench
