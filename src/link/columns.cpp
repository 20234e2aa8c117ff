#include "link/columns.h"

#include <limits>

namespace tarvo {

std::string_view fromCol(std::string_view line, std::size_t col) {
  if (col == 0) col = 1;
  if (col > line.size()) return {};
  return line.substr(col - 1);
}

std::string_view cols(std::string_view line, std::size_t first, std::size_t last) {
  if (first == 0) first = 1;
  if (last < first || first > line.size()) return {};
  return line.substr(first - 1, last - first + 1);
}

std::string_view trimBlanks(std::string_view s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  const auto e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

std::size_t numberStart(std::string_view s, bool& negative) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  return i;
}

long long leadingNumber(std::string_view s) {
  bool negative = false;
  std::size_t i = numberStart(s, negative);
  constexpr long long kMax = std::numeric_limits<long long>::max();
  long long value = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    const int digit = s[i] - '0';
    if (value > (kMax - digit) / 10) {
      value = kMax;
      break;
    }
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

}  // namespace tarvo
