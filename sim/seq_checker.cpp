#include "seq_checker.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <unordered_set>

namespace tarvo::sim::seq {

namespace {

// --- words and characters --------------------------------------------------------

bool isLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool reserved(std::string_view word) {
  static const std::unordered_set<std::string_view> words{
      "SEQUENCE", "ENDSEQUENCE", "VARS",  "STATEMENTS", "IF",       "THEN",   "ELSEIF",
      "ELSE",     "ENDIF",       "WHILE", "DO",         "ENDWHILE", "REPEAT", "UNTIL",
      "FOR",      "TO",          "BY",    "ENDFOR",     "WAIT",     "EXIT",   "AND",
      "OR",       "NOT",         "MOD",   "TRUE",       "FALSE"};
  return words.count(word) != 0;
}

bool isType(std::string_view word) {
  static const std::unordered_set<std::string_view> types{"B", "BOOLEAN", "I", "INTEGER",
                                                          "R", "REAL",    "S", "STRING"};
  return types.count(word) != 0;
}

// Built-in functions and how many arguments each takes; 0 when unknown.
std::size_t arity(std::string_view name) {
  static const std::unordered_map<std::string_view, std::size_t> functions{
      {"ABS", 1}, {"SQRT", 1}, {"ROUND", 1}, {"MIN", 2}, {"MAX", 2}};
  const auto it = functions.find(name);
  return it == functions.end() ? 0 : it->second;
}

// A name from the source as a message shows it: a runaway one is cut short so
// that one message stays one readable reply line.
std::string shown(std::string_view name) {
  constexpr std::size_t kLongest = 40;
  if (name.size() <= kLongest) return std::string(name);
  return std::string(name.substr(0, kLongest)) + "...";
}

std::string shownChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u < 0x20 || u == 0x7F) return "with code " + std::to_string(u);
  return std::string("'") + c + "'";
}

std::string plural(std::size_t n, std::string_view word) {
  return std::to_string(n) + " " + std::string(word) + (n == 1 ? "" : "s");
}

// --- tokens --------------------------------------------------------------------------

enum class Tok { Name, Number, String, Symbol, End };

struct Token {
  Tok kind = Tok::End;
  std::string text;  // names in capitals; symbols and numbers as written
  std::size_t line = 0;
  std::size_t column = 0;
  std::size_t length = 0;  // bytes it covers in its line
};

enum class Nest { If, While, Repeat, For };
constexpr std::array<const char*, 4> kOpener{"IF", "WHILE", "REPEAT", "FOR"};
constexpr std::array<const char*, 4> kCloser{"ENDIF", "ENDWHILE", "UNTIL", "ENDFOR"};

// (cppcheck takes these array reads for integers returned as pointers.)
const char* opener(Nest b) {
  // cppcheck-suppress CastIntegerToAddressAtReturn
  return kOpener[static_cast<std::size_t>(b)];
}
const char* closer(Nest b) {
  // cppcheck-suppress CastIntegerToAddressAtReturn
  return kCloser[static_cast<std::size_t>(b)];
}

class Checker {
 public:
  Checker(const std::vector<std::string>& source, const CheckContext& context)
      : source_(source), blockName_(upper(context.blockName)) {
    for (const auto& p : context.parameters) params_.insert(upper(p));
  }

  CheckResult run() {
    lex();
    program();
    std::stable_sort(result_.diagnostics.begin(), result_.diagnostics.end(),
                     [](const Diagnostic& a, const Diagnostic& b) {
                       return a.line != b.line ? a.line < b.line : a.column < b.column;
                     });
    return std::move(result_);
  }

 private:
  // --- messages --------------------------------------------------------------------

  void report(Severity severity, std::size_t line, std::size_t column, std::string text) {
    if (stopped_) return;
    if (result_.diagnostics.size() >= kMaxDiagnostics) {
      severity = Severity::Error;
      text = "too many messages; checking stopped here";
      stopped_ = true;
    }
    result_.diagnostics.push_back({line, column, severity, std::move(text)});
    ++(severity == Severity::Error ? result_.errors : result_.warnings);
  }
  void error(std::size_t line, std::size_t column, std::string text) {
    report(Severity::Error, line, column, std::move(text));
  }
  void error(const Token& at, std::string text) { error(at.line, at.column, std::move(text)); }
  void warning(const Token& at, std::string text) {
    report(Severity::Warning, at.line, at.column, std::move(text));
  }

  static std::string describe(const Token& t) {
    switch (t.kind) {
      case Tok::End: return "the end of the source";
      case Tok::String: return "a string";
      case Tok::Symbol: return "'" + t.text + "'";
      default: return shown(t.text);
    }
  }

  // --- reading the source into tokens ----------------------------------------------

  void push(Tok kind, std::string text, std::size_t line, std::size_t column, std::size_t length) {
    tokens_.push_back({kind, std::move(text), line, column, length});
  }

  void lex() {
    bool inComment = false;
    std::size_t commentLine = 0, commentColumn = 0;
    for (std::size_t li = 0; li < source_.size() && !stopped_; ++li) {
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
            error(lineNo, col, "string not closed on its line ('\"' missing)");
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
          if (!strayReported) error(lineNo, col, "unexpected character " + shownChar(c));
          strayReported = true;
          ++i;
        }
      }
    }
    if (inComment) error(commentLine, commentColumn, "comment never closed ('}' missing)");
    const std::size_t lastLine = std::max<std::size_t>(source_.size(), 1);
    const std::size_t endColumn = source_.empty() ? 1 : source_.back().size() + 1;
    push(Tok::End, {}, lastLine, endColumn, 0);
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
      error(lineNo, start + 1,
            "malformed number " + shown(std::string_view(s).substr(start, i - start)));
    }
    push(Tok::Number, s.substr(start, i - start), lineNo, start + 1, i - start);
    return i;
  }

  static std::size_t symbolLength(const std::string& s, std::size_t i) {
    const char c = s[i];
    const char d = i + 1 < s.size() ? s[i + 1] : '\0';
    if ((c == ':' && d == '=') || (c == '<' && (d == '>' || d == '=')) || (c == '>' && d == '='))
      return 2;
    static constexpr std::string_view singles = ":;,()+-*/=<>";
    return singles.find(c) != std::string_view::npos ? 1 : 0;
  }

  // --- walking the tokens ------------------------------------------------------------

  const Token& peek(std::size_t ahead = 0) const {
    return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
  }
  const Token& take() {
    const Token& t = tokens_[pos_];
    if (pos_ + 1 < tokens_.size()) ++pos_;
    return t;
  }
  bool atEnd() const { return peek().kind == Tok::End; }
  static bool isWord(const Token& t, std::string_view w) {
    return t.kind == Tok::Name && t.text == w;
  }
  static bool isSym(const Token& t, std::string_view s) {
    return t.kind == Tok::Symbol && t.text == s;
  }
  bool acceptWord(std::string_view w) {
    if (!isWord(peek(), w)) return false;
    take();
    return true;
  }
  bool acceptSym(std::string_view s) {
    if (!isSym(peek(), s)) return false;
    take();
    return true;
  }
  bool expectWord(std::string_view w) {
    if (acceptWord(w)) return true;
    error(peek(), std::string(w) + " expected, found " + describe(peek()));
    return false;
  }
  bool expectSym(std::string_view s) {
    if (acceptSym(s)) return true;
    error(peek(), "'" + std::string(s) + "' expected, found " + describe(peek()));
    return false;
  }
  // A missing ';' is reported where it belongs: right after the token before.
  bool endOfStatement() {
    if (acceptSym(";")) return true;
    const Token& before = tokens_[pos_ > 0 ? pos_ - 1 : 0];
    error(before.line, before.column + before.length, "';' missing after " + describe(before));
    return false;
  }

  // Skips the rest of a faulty statement: up to and including its ';', but
  // never into the next line, so that every line gets checked on its own.
  void recover(std::size_t start) {
    const std::size_t line = pos_ > start ? tokens_[pos_ - 1].line : peek().line;
    while (!atEnd() && peek().line == line && !isWord(peek(), "ENDSEQUENCE")) {
      if (isSym(take(), ";")) break;
    }
    if (pos_ == start && !atEnd() && !isWord(peek(), "ENDSEQUENCE")) take();
  }

  // --- the sequence as a whole -------------------------------------------------------

  void program() {
    if (atEnd() && result_.diagnostics.empty()) {
      error(peek(), "the source holds no code");
      return;
    }
    if (!isWord(peek(), "SEQUENCE")) {
      error(peek(), "the source must begin with SEQUENCE and the sequence's name");
      while (!atEnd() && !isWord(peek(), "SEQUENCE") && !isWord(peek(), "VARS") &&
             !isWord(peek(), "STATEMENTS"))
        take();
    }
    if (acceptWord("SEQUENCE")) {
      const Token& name = peek();
      if (name.kind == Tok::Name && !reserved(name.text)) {
        take();
        if (!blockName_.empty() && name.text != blockName_)
          warning(name, "SEQUENCE " + shown(name.text) + " is not named after its block " +
                            shown(blockName_));
      } else {
        error(name, "sequence name expected after SEQUENCE, found " + describe(name));
      }
      acceptSym(";");
    }
    if (acceptWord("VARS")) declarations();
    if (!acceptWord("STATEMENTS")) {
      error(peek(), "STATEMENTS expected, found " + describe(peek()));
      skipTo("STATEMENTS");
    }
    statements();
    if (acceptWord("ENDSEQUENCE")) {
      acceptSym(";");
      if (!atEnd()) error(peek(), "text after ENDSEQUENCE");
    } else {
      error(peek(), "ENDSEQUENCE missing at the end of the source");
    }
    for (const auto& o : open_)
      error(o.line, o.column,
            std::string(opener(o.kind)) + " is never closed (" + closer(o.kind) + " missing)");
    for (const auto& v : vars_)
      if (!v.used) warning(v.at, shown(v.at.text) + " is declared but never used");
  }

  // Jumps to the next `word` when there is one; otherwise stays, so that what
  // follows is still checked.
  void skipTo(std::string_view word) {
    for (std::size_t i = pos_; i < tokens_.size(); ++i) {
      if (isWord(tokens_[i], word)) {
        pos_ = i + 1;
        return;
      }
    }
  }

  // --- VARS ------------------------------------------------------------------------------

  void declarations() {
    while (!stopped_ && !atEnd() && !isWord(peek(), "STATEMENTS") &&
           !isWord(peek(), "ENDSEQUENCE")) {
      const std::size_t start = pos_;
      if (!declaration()) recover(start);
    }
  }

  // name {, name} : type [:= initial value] ;
  bool declaration() {
    for (;;) {
      const Token& name = peek();
      if (name.kind != Tok::Name) {
        error(name, "variable name expected, found " + describe(name));
        return false;
      }
      if (isSym(peek(1), ":=")) {
        error(name, "statement among the declarations (STATEMENTS missing?)");
        return false;
      }
      if (reserved(name.text)) {
        error(name, name.text + " is a reserved word and cannot name a variable");
        return false;
      }
      take();
      declare(name);
      if (!acceptSym(",")) break;
    }
    if (!expectSym(":")) return false;
    const Token& type = peek();
    if (type.kind != Tok::Name || !isType(type.text)) {
      error(type, "type expected (B, I, R or S), found " + describe(type));
      return false;
    }
    take();
    if (acceptSym(":=") && !initialValue()) return false;
    return endOfStatement();
  }

  void declare(const Token& name) {
    if (params_.count(name.text)) {
      error(name, shown(name.text) + " is a parameter of the block and cannot be declared");
      return;
    }
    const auto [it, added] = varIndex_.emplace(name.text, vars_.size());
    if (!added) {
      error(name, shown(name.text) + " is declared twice (first at line " +
                      std::to_string(vars_[it->second].at.line) + ")");
      return;
    }
    vars_.push_back({name, false});
  }

  // A constant or the block parameter the variable is bound to.
  bool initialValue() {
    const Token& v = peek();
    if (v.kind == Tok::Number || v.kind == Tok::String) {
      take();
      return true;
    }
    if (isSym(v, "-") && peek(1).kind == Tok::Number) {
      take();
      take();
      return true;
    }
    if (v.kind == Tok::Name && !reserved(v.text) && !isSym(peek(1), "(")) {
      take();
      if (!params_.count(v.text)) error(v, shown(v.text) + " is not a parameter of the block");
      return true;
    }
    if (isWord(v, "TRUE") || isWord(v, "FALSE")) {
      take();
      return true;
    }
    error(v, "initial value expected (a constant or a block parameter), found " + describe(v));
    return false;
  }

  // --- STATEMENTS ----------------------------------------------------------------------

  void statements() {
    while (!stopped_ && !atEnd() && !isWord(peek(), "ENDSEQUENCE")) {
      const std::size_t start = pos_;
      if (!statement()) recover(start);
    }
  }

  // Returns false when the statement cannot be read on; faults in names alone
  // are reported and reading goes on.
  bool statement() {
    const Token& t = peek();
    if (t.kind != Tok::Name) {
      error(t, "statement expected, found " + describe(t));
      return false;
    }
    const std::string& w = t.text;
    if (!reserved(w)) return assignment();
    if (w == "WAIT") {
      take();
      acceptWord("UNTIL");  // WAIT UNTIL condition, or WAIT seconds
      return expression() && endOfStatement();
    }
    if (w == "IF" || w == "WHILE") {
      // Opened even if its condition is faulty, so that its END still matches.
      openBlock(w == "IF" ? Nest::If : Nest::While, take());
      return expression() && expectWord(w == "IF" ? "THEN" : "DO");
    }
    if (w == "ELSEIF") {
      branch(take(), false);
      return expression() && expectWord("THEN");
    }
    if (w == "ELSE") {
      branch(take(), true);
      return true;
    }
    if (w == "REPEAT") {
      openBlock(Nest::Repeat, take());
      return true;
    }
    if (w == "FOR") {
      openBlock(Nest::For, take());
      return forHeader();
    }
    if (w == "ENDIF" || w == "ENDWHILE" || w == "ENDFOR") {
      closeBlock(w == "ENDIF" ? Nest::If : w == "ENDWHILE" ? Nest::While : Nest::For, take());
      return endOfStatement();
    }
    if (w == "UNTIL") {
      closeBlock(Nest::Repeat, take());
      return expression() && endOfStatement();
    }
    if (w == "EXIT") {
      const Token& word = take();
      if (count(Nest::While) + count(Nest::Repeat) + count(Nest::For) == 0)
        error(word, "EXIT outside a loop");
      return endOfStatement();
    }
    error(t, w + " is out of place here");
    return false;
  }

  bool assignment() {
    const Token& target = take();
    if (!isSym(peek(), ":=")) {
      if (known(target.text))
        error(peek(), "':=' expected after " + shown(target.text) + ", found " + describe(peek()));
      else
        error(target, "unknown statement " + shown(target.text));
      return false;
    }
    take();
    use(target);
    return expression() && endOfStatement();
  }

  // FOR variable := first TO last [BY step] DO
  bool forHeader() {
    const Token& v = peek();
    if (v.kind != Tok::Name || reserved(v.text)) {
      error(v, "loop variable expected after FOR, found " + describe(v));
      return false;
    }
    take();
    use(v);
    if (!expectSym(":=") || !expression() || !expectWord("TO") || !expression()) return false;
    if (acceptWord("BY") && !expression()) return false;
    return expectWord("DO");
  }

  // --- IF / WHILE / REPEAT / FOR nesting ---------------------------------------------

  struct Open {
    Nest kind;
    std::size_t line, column;
    bool sawElse = false;
  };

  std::size_t& count(Nest kind) { return openCount_[static_cast<std::size_t>(kind)]; }

  void openBlock(Nest kind, const Token& at) {
    open_.push_back({kind, at.line, at.column});
    ++count(kind);
  }

  void branch(const Token& at, bool isElse) {
    if (count(Nest::If) == 0) {
      error(at, at.text + " without IF");
      return;
    }
    Open& top = open_.back();
    if (top.kind != Nest::If) {
      error(at, at.text + " inside the " + opener(top.kind) + " of line " +
                    std::to_string(top.line) + ", which is not closed");
      return;
    }
    if (top.sawElse)
      error(at, at.text + " after the ELSE of the IF of line " + std::to_string(top.line));
    if (isElse) top.sawElse = true;
  }

  // Closes the innermost block of `kind`; blocks opened inside it and never
  // closed are reported. Each block is opened and closed once, so this stays
  // linear however the source is nested.
  void closeBlock(Nest kind, const Token& at) {
    if (count(kind) == 0) {
      error(at, at.text + " without " + opener(kind));
      return;
    }
    while (open_.back().kind != kind) {
      const Open& o = open_.back();
      error(o.line, o.column,
            std::string(opener(o.kind)) + " is not closed (" + closer(o.kind) + " missing before " +
                at.text + " at line " + std::to_string(at.line) + ")");
      --count(o.kind);
      open_.pop_back();
    }
    --count(kind);
    open_.pop_back();
  }

  // --- names -------------------------------------------------------------------------

  bool known(const std::string& name) const {
    return varIndex_.count(name) != 0 || params_.count(name) != 0;
  }

  void use(const Token& name) {
    if (const auto it = varIndex_.find(name.text); it != varIndex_.end()) {
      vars_[it->second].used = true;
    } else if (!params_.count(name.text)) {
      error(name, shown(name.text) + " is not declared");
    }
  }

  // --- expressions -------------------------------------------------------------------
  // Only brackets and function arguments recurse, and only kMaxExpressionDepth
  // deep; chains of operators are loops.

  bool expression(std::size_t depth = 0) {
    if (depth > kMaxExpressionDepth) {
      error(peek(), "expression nested too deeply");
      return false;
    }
    if (!conjunction(depth)) return false;
    while (acceptWord("OR"))
      if (!conjunction(depth)) return false;
    return true;
  }

  bool conjunction(std::size_t depth) {
    if (!comparison(depth)) return false;
    while (acceptWord("AND"))
      if (!comparison(depth)) return false;
    return true;
  }

  bool comparison(std::size_t depth) {
    while (acceptWord("NOT")) {
    }
    if (!sum(depth)) return false;
    for (const char* op : {"=", "<>", "<", ">", "<=", ">="})
      if (acceptSym(op)) return sum(depth);
    return true;
  }

  bool sum(std::size_t depth) {
    if (!product(depth)) return false;
    while (acceptSym("+") || acceptSym("-"))
      if (!product(depth)) return false;
    return true;
  }

  bool product(std::size_t depth) {
    if (!operand(depth)) return false;
    while (acceptSym("*") || acceptSym("/") || acceptWord("MOD"))
      if (!operand(depth)) return false;
    return true;
  }

  bool operand(std::size_t depth) {
    while (acceptSym("-") || acceptSym("+")) {
    }
    const Token& t = peek();
    if (t.kind == Tok::Number || t.kind == Tok::String) {
      take();
      return true;
    }
    if (isSym(t, "(")) {
      take();
      return expression(depth + 1) && expectSym(")");
    }
    if (t.kind != Tok::Name) {
      error(t, "operand expected, found " + describe(t));
      return false;
    }
    if (isWord(t, "TRUE") || isWord(t, "FALSE")) {
      take();
      return true;
    }
    if (reserved(t.text)) {
      error(t, t.text + " is out of place in an expression");
      return false;
    }
    take();
    if (!isSym(peek(), "(")) {
      use(t);
      return true;
    }
    take();
    std::size_t args = 0;
    if (!isSym(peek(), ")")) {
      do {
        if (!expression(depth + 1)) return false;
        ++args;
      } while (acceptSym(","));
    }
    if (!expectSym(")")) return false;
    const std::size_t wanted = arity(t.text);
    if (wanted == 0)
      error(t, "unknown function " + shown(t.text));
    else if (args != wanted)
      error(t, t.text + " takes " + plural(wanted, "argument") + ", not " + std::to_string(args));
    return true;
  }

  struct Var {
    Token at;  // where it is declared
    bool used = false;
  };

  const std::vector<std::string>& source_;
  std::string blockName_;
  std::unordered_set<std::string> params_;
  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
  std::vector<Var> vars_;
  std::unordered_map<std::string, std::size_t> varIndex_;
  std::vector<Open> open_;
  std::array<std::size_t, 4> openCount_{};
  bool stopped_ = false;
  CheckResult result_;
};

const char* severityWord(Severity s) {
  return s == Severity::Error ? "ERROR" : "WARNING";
}

}  // namespace

CheckResult checkSequence(const std::vector<std::string>& source, const CheckContext& context) {
  return Checker(source, context).run();
}

std::string summary(const CheckResult& result) {
  std::string out = plural(result.errors, "error") + ", " + plural(result.warnings, "warning");
  const auto& d = result.diagnostics;
  auto first = std::find_if(d.begin(), d.end(),
                            [](const Diagnostic& x) { return x.severity == Severity::Error; });
  if (first == d.end()) first = d.begin();
  if (first != d.end()) out += "; line " + std::to_string(first->line) + ": " + first->text;
  return out;
}

std::vector<std::string> listing(std::string_view title, const std::vector<std::string>& source,
                                 const CheckResult& result) {
  constexpr std::size_t kNumberWidth = 5;
  const std::string indent(kNumberWidth + 2, ' ');
  std::vector<std::string> out{std::string(title), ""};
  const auto& diags = result.diagnostics;
  std::size_t next = 0;

  auto message = [&](const Diagnostic& d) {
    return indent + "*** " + severityWord(d.severity) + ": " + d.text;
  };
  for (std::size_t i = 0; i < source.size(); ++i) {
    const std::string& line = source[i];
    std::string number = std::to_string(i + 1);
    if (number.size() < kNumberWidth) number.insert(0, kNumberWidth - number.size(), ' ');
    number.append("  ").append(line);
    out.push_back(std::move(number));
    for (; next < diags.size() && diags[next].line == i + 1; ++next) {
      // The caret keeps the line's tabs so that it stands under the column.
      std::string caret = indent;
      const std::size_t before = diags[next].column > 0 ? diags[next].column - 1 : 0;
      for (std::size_t k = 0; k < before; ++k)
        caret += k < line.size() && line[k] == '\t' ? '\t' : ' ';
      caret += '^';
      out.push_back(std::move(caret));
      out.push_back(message(diags[next]));
    }
  }
  for (; next < diags.size(); ++next) out.push_back(message(diags[next]));

  out.emplace_back();
  out.push_back(plural(result.errors, "error") + ", " + plural(result.warnings, "warning"));
  for (const auto& d : diags)
    out.push_back("  line " + std::to_string(d.line) + ", column " + std::to_string(d.column) +
                  ": " + severityWord(d.severity) + ": " + d.text);
  out.push_back(result.errors > 0 ? "Not installable: correct the errors, save and compile again."
                                  : "Ready to install.");
  return out;
}

}  // namespace tarvo::sim::seq
