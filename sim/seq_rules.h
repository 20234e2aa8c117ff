// The checks behind the sequence checker's walk through the source: names
// (declared once, declared before use, used at all) and the nesting of IF,
// WHILE, REPEAT and FOR. The walk says what it reads; these say what is wrong
// with it. Used only by the checker's own files.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "sim/seq_lexer.h"

namespace tarvo::sim::seq {

// Variables declared under VARS and the block's parameters.
class Names {
 public:
  Names(const CheckContext& context, Messages& messages);

  // The block's own name in capitals, "" when not known.
  const std::string& blockName() const { return blockName_; }
  bool isParameter(const std::string& name) const { return params_.count(name) != 0; }
  bool known(const std::string& name) const;

  void declare(const Token& name);
  // A name read or written by a statement: a variable (now used) or a parameter.
  void use(const Token& name);
  // Warns of every variable declared and never used, in declaration order.
  void reportUnused();

 private:
  struct Var {
    Token at;  // where it is declared
    bool used = false;
  };

  Messages& messages_;
  std::string blockName_;
  std::unordered_set<std::string> params_;
  std::vector<Var> vars_;
  std::unordered_map<std::string, std::size_t> varIndex_;
};

enum class Nest { If, While, Repeat, For };

// The blocks opened and not yet closed, innermost last. Each block is opened
// and closed once, so this stays linear however the source is nested.
class Nesting {
 public:
  explicit Nesting(Messages& messages) : messages_(messages) {}

  void open(Nest kind, const Token& at);
  // ELSEIF (isElse false) or ELSE: only straight inside an IF, ELSE last.
  void branch(const Token& at, bool isElse);
  // Closes the innermost block of `kind`; blocks opened inside it and never
  // closed are reported.
  void close(Nest kind, const Token& at);
  bool inLoop() const;
  // Reports every block still open at the end of the source.
  void reportUnclosed();

 private:
  struct Open {
    Nest kind;
    std::size_t line, column;
    bool sawElse = false;
  };
  std::size_t& count(Nest kind) { return counts_[static_cast<std::size_t>(kind)]; }
  std::size_t count(Nest kind) const { return counts_[static_cast<std::size_t>(kind)]; }

  Messages& messages_;
  std::vector<Open> open_;
  std::array<std::size_t, 4> counts_{};
};

}  // namespace tarvo::sim::seq
