// The sequence checker's walk through the tokens: the grammar of a sequence
// block's source, read in one pass that reports what it cannot read and skips
// to the next statement. What the names and the nesting of blocks must obey is
// checked by seq_rules.h as the walk goes.
#include "sim/seq_checker.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "sim/seq_lexer.h"
#include "sim/seq_rules.h"

namespace tarvo::sim::seq {

namespace {

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

std::string describe(const Token& t) {
  switch (t.kind) {
    case Tok::End: return "the end of the source";
    case Tok::String: return "a string";
    case Tok::Symbol: return "'" + t.text + "'";
    default: return shown(t.text);
  }
}

class Parser {
 public:
  Parser(const std::vector<std::string>& source, const CheckContext& context)
      : tokens_(lex(source, messages_)), names_(context, messages_), nesting_(messages_) {}

  CheckResult run() {
    program();
    return messages_.take();
  }

 private:
  void error(std::size_t line, std::size_t column, std::string text) {
    messages_.error(line, column, std::move(text));
  }
  void error(const Token& at, std::string text) { messages_.error(at, std::move(text)); }
  void warning(const Token& at, std::string text) { messages_.warning(at, std::move(text)); }

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
    if (atEnd() && messages_.empty()) {
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
        if (!names_.blockName().empty() && name.text != names_.blockName())
          warning(name, "SEQUENCE " + shown(name.text) + " is not named after its block " +
                            shown(names_.blockName()));
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
    nesting_.reportUnclosed();
    names_.reportUnused();
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
    while (!messages_.stopped() && !atEnd() && !isWord(peek(), "STATEMENTS") &&
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
      names_.declare(name);
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
      if (!names_.isParameter(v.text)) error(v, shown(v.text) + " is not a parameter of the block");
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
    while (!messages_.stopped() && !atEnd() && !isWord(peek(), "ENDSEQUENCE")) {
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
      nesting_.open(w == "IF" ? Nest::If : Nest::While, take());
      return expression() && expectWord(w == "IF" ? "THEN" : "DO");
    }
    if (w == "ELSEIF") {
      nesting_.branch(take(), false);
      return expression() && expectWord("THEN");
    }
    if (w == "ELSE") {
      nesting_.branch(take(), true);
      return true;
    }
    if (w == "REPEAT") {
      nesting_.open(Nest::Repeat, take());
      return true;
    }
    if (w == "FOR") {
      nesting_.open(Nest::For, take());
      return forHeader();
    }
    if (w == "ENDIF" || w == "ENDWHILE" || w == "ENDFOR") {
      nesting_.close(w == "ENDIF" ? Nest::If : w == "ENDWHILE" ? Nest::While : Nest::For, take());
      return endOfStatement();
    }
    if (w == "UNTIL") {
      nesting_.close(Nest::Repeat, take());
      return expression() && endOfStatement();
    }
    if (w == "EXIT") {
      const Token& word = take();
      if (!nesting_.inLoop()) error(word, "EXIT outside a loop");
      return endOfStatement();
    }
    error(t, w + " is out of place here");
    return false;
  }

  bool assignment() {
    const Token& target = take();
    if (!isSym(peek(), ":=")) {
      if (names_.known(target.text))
        error(peek(), "':=' expected after " + shown(target.text) + ", found " + describe(peek()));
      else
        error(target, "unknown statement " + shown(target.text));
      return false;
    }
    take();
    names_.use(target);
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
    names_.use(v);
    if (!expectSym(":=") || !expression() || !expectWord("TO") || !expression()) return false;
    if (acceptWord("BY") && !expression()) return false;
    return expectWord("DO");
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
      names_.use(t);
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

  // Declared first: the tokens are read into it.
  Messages messages_;
  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
  Names names_;
  Nesting nesting_;
};

}  // namespace

CheckResult checkSequence(const std::vector<std::string>& source, const CheckContext& context) {
  return Parser(source, context).run();
}

}  // namespace tarvo::sim::seq
