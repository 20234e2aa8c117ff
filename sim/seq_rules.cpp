#include "sim/seq_rules.h"

namespace tarvo::sim::seq {

namespace {

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

}  // namespace

// --- names -------------------------------------------------------------------------

Names::Names(const CheckContext& context, Messages& messages)
    : messages_(messages), blockName_(upper(context.blockName)) {
  for (const auto& p : context.parameters) params_.insert(upper(p));
}

bool Names::known(const std::string& name) const {
  return varIndex_.count(name) != 0 || params_.count(name) != 0;
}

void Names::declare(const Token& name) {
  if (params_.count(name.text)) {
    messages_.error(name, shown(name.text) + " is a parameter of the block and cannot be declared");
    return;
  }
  const auto [it, added] = varIndex_.emplace(name.text, vars_.size());
  if (!added) {
    messages_.error(name, shown(name.text) + " is declared twice (first at line " +
                              std::to_string(vars_[it->second].at.line) + ")");
    return;
  }
  vars_.push_back({name, false});
}

void Names::use(const Token& name) {
  if (const auto it = varIndex_.find(name.text); it != varIndex_.end()) {
    vars_[it->second].used = true;
  } else if (!params_.count(name.text)) {
    messages_.error(name, shown(name.text) + " is not declared");
  }
}

void Names::reportUnused() {
  for (const auto& v : vars_)
    if (!v.used) messages_.warning(v.at, shown(v.at.text) + " is declared but never used");
}

// --- IF / WHILE / REPEAT / FOR nesting ---------------------------------------------

void Nesting::open(Nest kind, const Token& at) {
  open_.push_back({kind, at.line, at.column});
  ++count(kind);
}

void Nesting::branch(const Token& at, bool isElse) {
  if (count(Nest::If) == 0) {
    messages_.error(at, at.text + " without IF");
    return;
  }
  Open& top = open_.back();
  if (top.kind != Nest::If) {
    messages_.error(at, at.text + " inside the " + opener(top.kind) + " of line " +
                            std::to_string(top.line) + ", which is not closed");
    return;
  }
  if (top.sawElse)
    messages_.error(at, at.text + " after the ELSE of the IF of line " + std::to_string(top.line));
  if (isElse) top.sawElse = true;
}

void Nesting::close(Nest kind, const Token& at) {
  if (count(kind) == 0) {
    messages_.error(at, at.text + " without " + opener(kind));
    return;
  }
  while (open_.back().kind != kind) {
    const Open& o = open_.back();
    messages_.error(o.line, o.column,
                    std::string(opener(o.kind)) + " is not closed (" + closer(o.kind) +
                        " missing before " + at.text + " at line " + std::to_string(at.line) + ")");
    --count(o.kind);
    open_.pop_back();
  }
  --count(kind);
  open_.pop_back();
}

bool Nesting::inLoop() const {
  return count(Nest::While) + count(Nest::Repeat) + count(Nest::For) > 0;
}

void Nesting::reportUnclosed() {
  for (const auto& o : open_)
    messages_.error(
        o.line, o.column,
        std::string(opener(o.kind)) + " is never closed (" + closer(o.kind) + " missing)");
}

}  // namespace tarvo::sim::seq
