#include "link/wire_text.h"

namespace tarvo::link {

WireText toWireText(std::u16string_view raw) {
  WireText out;
  out.text.reserve(raw.size() + raw.size() / 16);
  std::size_t line = 1;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char16_t c = raw[i];
    if (c == u'\u2029' || c == u'\u2028' || c == u'\n') {
      out.text += "\r\n";
      ++line;
    } else if (c <= 0xFF) {
      out.text += static_cast<char>(c);
    } else {
      out.badLine = line;
      out.badChar = c;
      // A character beyond the first plane is a surrogate pair: name it whole.
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < raw.size() && raw[i + 1] >= 0xDC00 &&
          raw[i + 1] <= 0xDFFF)
        out.badChar = char32_t{0x10000} + ((char32_t{c} - char32_t{0xD800}) << 10) +
                      (char32_t{raw[i + 1]} - char32_t{0xDC00});
      out.text.clear();
      return out;
    }
  }
  return out;
}

}  // namespace tarvo::link
