#include "sim/seq_lexer.h"

#include <algorithm>

namespace tarvo::sim::seq {

namespace {

bool isLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string shownChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u < 0x20 || u == 0x7F) return "with code " + std::to_string(u);
  return std::string("'") + c + "'";
}

std::size_t symbolLength(const std::string& s, std::size_t i) {
  const char c = s[i];
  const char d = i + 1 < s.size() ? s[i + 1] : '\0';
  if ((c == ':' && d == '=') || (c == '<' && (d == '>' || d == '=')) || (c == '>' && d == '='))
    return 2;
  static constexpr std::string_view singles = ":;,()+-*/=<>";
  return singles.find(c) != std::string_view::npos ? 1 : 0;
}

class Lexer {
 public:
  Lexer(const std::vector<std::string>& source, Messages& messages)
      : source_(source), messages_(messages) {}

  std::vector<Token> run() {
    bool inComment = false;
    std::size_t commentLine = 0, commentColumn = 0;
    for (std::size_t li = 0; li < source_.size() && !messages_.stopped(); ++li) {
      const std::string& s = source_[li];
      const std::size_t lineNo = li + 1;
      std::size_t i = 0;
      bool strayReported = false;  // one message per line for characters that mean nothing
      if (inComment) {
        const auto close = s.find('}');
        if (close == std::string::npos) continue;
        inComment = false;
        i = close + 1;
      }
      while (i < s.size()) {
        const char c = s[i];
        const std::size_t col = i + 1;
        if (isBlank(c)) {
          ++i;
        } else if (c == '{') {
          const auto close = s.find('}', i + 1);
          if (close == std::string::npos) {
            inComment = true;
            commentLine = lineNo;
            commentColumn = col;
            break;
          }
          i = close + 1;
        } else if (isLetter(c)) {
          std::size_t j = i;
          while (j < s.size() && (isLetter(s[j]) || isDigit(s[j]))) ++j;
          push(Tok::Name, upper(std::string_view(s).substr(i, j - i)), lineNo, col, j - i);
          i = j;
        } else if (isDigit(c)) {
          i = number(s, i, lineNo);
        } else if (c == '"') {
          const auto close = s.find('"', i + 1);
          if (close == std::string::npos) {
            messages_.error(lineNo, col, "string not closed on its line ('\"' missing)");
            push(Tok::String, {}, lineNo, col, s.size() - i);
            i = s.size();
          } else {
            push(Tok::String, {}, lineNo, col, close + 1 - i);
            i = close + 1;
          }
        } else if (const std::size_t n = symbolLength(s, i); n > 0) {
          push(Tok::Symbol, s.substr(i, n), lineNo, col, n);
          i += n;
        } else {
          if (!strayReported) messages_.error(lineNo, col, "unexpected character " + shownChar(c));
          strayReported = true;
          ++i;
        }
      }
    }
    if (inComment)
      messages_.error(commentLine, commentColumn, "comment never closed ('}' missing)");
    const std::size_t lastLine = std::max<std::size_t>(source_.size(), 1);
    const std::size_t endColumn = source_.empty() ? 1 : source_.back().size() + 1;
    push(Tok::End, {}, lastLine, endColumn, 0);
    return std::move(tokens_);
  }

 private:
  void push(Tok kind, std::string text, std::size_t line, std::size_t column, std::size_t length) {
    tokens_.push_back({kind, std::move(text), line, column, length});
  }

  // Digits, an optional fraction and an optional exponent. Letters or digits
  // run on straight after it make it a malformed number, still read as one.
  std::size_t number(const std::string& s, std::size_t i, std::size_t lineNo) {
    const std::size_t start = i;
    auto digits = [&] {
      while (i < s.size() && isDigit(s[i])) ++i;
    };
    digits();
    if (i + 1 < s.size() && s[i] == '.' && isDigit(s[i + 1])) {
      ++i;
      digits();
    }
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
      std::size_t j = i + 1;
      if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
      if (j < s.size() && isDigit(s[j])) {
        i = j;
        digits();
      }
    }
    if (i < s.size() && (isLetter(s[i]) || isDigit(s[i]) || s[i] == '.')) {
      while (i < s.size() && (isLetter(s[i]) || isDigit(s[i]) || s[i] == '.')) ++i;
      messages_.error(lineNo, start + 1,
                      "malformed number " + shown(std::string_view(s).substr(start, i - start)));
    }
    push(Tok::Number, s.substr(start, i - start), lineNo, start + 1, i - start);
    return i;
  }

  const std::vector<std::string>& source_;
  Messages& messages_;
  std::vector<Token> tokens_;
};

}  // namespace

void Messages::report(Severity severity, std::size_t line, std::size_t column, std::string text) {
  if (stopped_) return;
  if (result_.diagnostics.size() >= kMaxDiagnostics) {
    severity = Severity::Error;
    text = "too many messages; checking stopped here";
    stopped_ = true;
  }
  result_.diagnostics.push_back({line, column, severity, std::move(text)});
  ++(severity == Severity::Error ? result_.errors : result_.warnings);
}

CheckResult Messages::take() {
  std::stable_sort(result_.diagnostics.begin(), result_.diagnostics.end(),
                   [](const Diagnostic& a, const Diagnostic& b) {
                     return a.line != b.line ? a.line < b.line : a.column < b.column;
                   });
  return std::move(result_);
}

std::string shown(std::string_view name) {
  constexpr std::size_t kLongest = 40;
  if (name.size() <= kLongest) return std::string(name);
  return std::string(name.substr(0, kLongest)) + "...";
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string plural(std::size_t n, std::string_view word) {
  return std::to_string(n) + " " + std::string(word) + (n == 1 ? "" : "s");
}

std::vector<Token> lex(const std::vector<std::string>& source, Messages& messages) {
  return Lexer(source, messages).run();
}

}  // namespace tarvo::sim::seq
