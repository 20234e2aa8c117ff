#include "records/json_text.h"

#include <cstdlib>

namespace tarvo::records::json {

namespace {

constexpr char kHex[] = "0123456789abcdef";
constexpr int kMaxDepth = 16;

void appendEscape(std::string& out, unsigned char c) {
  switch (c) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
  }
  out += "\\u00";
  out += kHex[c >> 4];
  out += kHex[c & 0xF];
}

bool needsEscape(unsigned char c) {
  return c < 0x20 || c == '"' || c == '\\' || c == 0x7F;
}

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  std::optional<Value> document(std::string* error) {
    Value v;
    if (!value(v, 0)) {
      if (error) *error = error_ + " at character " + std::to_string(pos_ + 1);
      return std::nullopt;
    }
    blanks();
    if (pos_ != s_.size()) {
      if (error)
        *error = "unexpected text after the value at character " + std::to_string(pos_ + 1);
      return std::nullopt;
    }
    return v;
  }

 private:
  bool fail(const char* why) {
    error_ = why;
    return false;
  }

  void blanks() {
    while (pos_ < s_.size() &&
           (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n'))
      ++pos_;
  }

  bool literal(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) return fail("unknown word");
    pos_ += word.size();
    return true;
  }

  bool value(Value& v, int depth) {
    if (depth > kMaxDepth) return fail("nested too deep");
    blanks();
    if (pos_ >= s_.size()) return fail("missing value");
    switch (s_[pos_]) {
      case '{': return object(v, depth);
      case '[': return array(v, depth);
      case '"': v.kind = Value::Kind::String; return string(v.text);
      case 't':
        v.kind = Value::Kind::Bool;
        v.boolean = true;
        return literal("true");
      case 'f': v.kind = Value::Kind::Bool; return literal("false");
      case 'n': v.kind = Value::Kind::Null; return literal("null");
      default: return number(v);
    }
  }

  bool object(Value& v, int depth) {
    v.kind = Value::Kind::Object;
    ++pos_;
    blanks();
    if (pos_ < s_.size() && s_[pos_] == '}') {
      ++pos_;
      return true;
    }
    for (;;) {
      blanks();
      if (pos_ >= s_.size() || s_[pos_] != '"') return fail("expected a member name");
      std::string key;
      if (!string(key)) return false;
      blanks();
      if (pos_ >= s_.size() || s_[pos_] != ':') return fail("expected ':'");
      ++pos_;
      Value member;
      if (!value(member, depth + 1)) return false;
      v.members.push_back({std::move(key), std::move(member)});
      blanks();
      if (pos_ < s_.size() && s_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < s_.size() && s_[pos_] == '}') {
        ++pos_;
        return true;
      }
      return fail("expected ',' or '}'");
    }
  }

  bool array(Value& v, int depth) {
    v.kind = Value::Kind::Array;
    ++pos_;
    blanks();
    if (pos_ < s_.size() && s_[pos_] == ']') {
      ++pos_;
      return true;
    }
    for (;;) {
      Value item;
      if (!value(item, depth + 1)) return false;
      v.items.push_back(std::move(item));
      blanks();
      if (pos_ < s_.size() && s_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < s_.size() && s_[pos_] == ']') {
        ++pos_;
        return true;
      }
      return fail("expected ',' or ']'");
    }
  }

  bool hex4(char32_t& out) {
    if (pos_ + 4 > s_.size()) return fail("short \\u escape");
    out = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = s_[pos_++];
      out <<= 4;
      if (c >= '0' && c <= '9')
        out |= static_cast<char32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        out |= static_cast<char32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        out |= static_cast<char32_t>(c - 'A' + 10);
      else
        return fail("bad \\u escape");
    }
    return true;
  }

  bool string(std::string& out) {
    ++pos_;  // the opening quote
    while (pos_ < s_.size()) {
      const unsigned char c = static_cast<unsigned char>(s_[pos_]);
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (c < 0x20) return fail("control character in a string");
      if (c != '\\') {
        char32_t cp = 0;
        if (!nextCodePoint(s_, pos_, cp)) return fail("invalid UTF-8 in a string");
        appendCodePoint(out, cp);
        continue;
      }
      if (++pos_ >= s_.size()) break;
      const char e = s_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          char32_t cp = 0;
          if (!hex4(cp)) return false;
          if (cp >= 0xD800 && cp <= 0xDBFF && s_.substr(pos_, 2) == "\\u") {
            pos_ += 2;
            char32_t low = 0;
            if (!hex4(low)) return false;
            cp = (low >= 0xDC00 && low <= 0xDFFF) ? 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00)
                                                  : 0xFFFD;
          } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
          }
          appendCodePoint(out, cp);
          break;
        }
        default: return fail("unknown escape");
      }
    }
    return fail("unterminated string");
  }

  bool number(Value& v) {
    const std::size_t start = pos_;
    if (pos_ < s_.size() && s_[pos_] == '-') ++pos_;
    bool digits = false;
    while (pos_ < s_.size() &&
           ((s_[pos_] >= '0' && s_[pos_] <= '9') || s_[pos_] == '.' || s_[pos_] == 'e' ||
            s_[pos_] == 'E' || s_[pos_] == '+' || s_[pos_] == '-')) {
      digits = digits || (s_[pos_] >= '0' && s_[pos_] <= '9');
      ++pos_;
    }
    if (!digits) return fail("unexpected character");
    const std::string text(s_.substr(start, pos_ - start));
    char* end = nullptr;
    v.kind = Value::Kind::Number;
    v.number = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) return fail("malformed number");
    return true;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
  std::string error_;
};

}  // namespace

void appendLatin1(std::string& out, std::string_view latin1) {
  out += '"';
  for (const char ch : latin1) {
    const auto c = static_cast<unsigned char>(ch);
    if (needsEscape(c) || c >= 0x80)
      appendEscape(out, c);
    else
      out += ch;
  }
  out += '"';
}

void appendUtf8(std::string& out, std::string_view utf8) {
  out += '"';
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto c = static_cast<unsigned char>(utf8[pos]);
    if (c < 0x80) {
      if (needsEscape(c))
        appendEscape(out, c);
      else
        out += static_cast<char>(c);
      ++pos;
      continue;
    }
    const std::size_t start = pos;
    char32_t cp = 0;
    if (nextCodePoint(utf8, pos, cp)) {
      out.append(utf8.substr(start, pos - start));
    } else {
      out += "\\ufffd";
      ++pos;
    }
  }
  out += '"';
}

bool nextCodePoint(std::string_view s, std::size_t& pos, char32_t& cp) {
  if (pos >= s.size()) return false;
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) {
    cp = b0;
    ++pos;
    return true;
  }
  int extra = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1;
    cp = b0 & 0x1F;
    min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2;
    cp = b0 & 0x0F;
    min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3;
    cp = b0 & 0x07;
    min = 0x10000;
  } else {
    return false;
  }
  if (pos + static_cast<std::size_t>(extra) >= s.size()) return false;
  for (int i = 1; i <= extra; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + static_cast<std::size_t>(i)]);
    if ((b & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b & 0x3F);
  }
  // Overlong forms, surrogates and values past Unicode's end are not well-formed.
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  pos += static_cast<std::size_t>(extra) + 1;
  return true;
}

void appendCodePoint(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string utf8ToLatin1(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp = 0;
    if (!nextCodePoint(utf8, pos, cp)) {
      ++pos;
      cp = '?';
    }
    out += cp <= 0xFF ? static_cast<char>(cp) : '?';
  }
  return out;
}

const Value* Value::find(std::string_view key) const {
  for (const auto& [name, v] : members)
    if (name == key) return &v;
  return nullptr;
}

std::optional<Value> parse(std::string_view text, std::string* error) {
  return Parser(text).document(error);
}

}  // namespace tarvo::records::json
