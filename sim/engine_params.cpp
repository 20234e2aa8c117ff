// Block and compound parameters: the parameter list, and the edit from
// MODSTART to MODEND, checked as a whole and applied all at once or not at all.
#include <algorithm>

#include "sim/engine.h"
#include "sim/engine_detail.h"
#include "sim/replies.h"
#include "sim/text.h"

namespace tarvo::sim {

using detail::errLine;
using detail::kNoSession;

namespace {

std::string joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) {
    if (!out.empty()) out += "; ";
    out += p;
  }
  return out;
}

// What a configured parameter change is checked against once every value of
// the transaction is in place.
struct Target {
  const BlockType* type = nullptr;
  const ParamList* params = nullptr;
  const Block* block = nullptr;  // null for a compound
};

std::optional<double> numberOf(const ParamList& params, std::string_view name) {
  const std::string* v = findValue(params, name);
  return v ? text::parseNumber(*v) : std::nullopt;
}

// High ends of a range must stay above low ends, the alarm limits in order,
// and a controller's set point inside its measurement range.
void crossCheck(ParamList& params, std::vector<std::string>& errors,
                std::vector<std::string>& warnings) {
  const std::pair<const char*, const char*> ranges[] = {{"HSCO1", "LSCO1"}, {"HSCI1", "LSCI1"}};
  for (const auto& [high, low] : ranges) {
    const auto h = numberOf(params, high);
    const auto l = numberOf(params, low);
    if (h && l && *h <= *l) errors.push_back(std::string(high) + " must be above " + low);
  }
  const auto ha = numberOf(params, "HALM");
  const auto la = numberOf(params, "LALM");
  if (ha && la && *ha < *la) errors.push_back("HALM must not be below LALM");

  const auto spt = numberOf(params, "SPT");
  const auto hi = numberOf(params, "HSCI1");
  const auto lo = numberOf(params, "LSCI1");
  if (spt && hi && lo && *hi > *lo && (*spt > *hi || *spt < *lo)) {
    const double clamped = std::clamp(*spt, *lo, *hi);
    warnings.push_back("SPT " + text::formatNumber(*spt) + " is outside " +
                       text::formatNumber(*lo) + " to " + text::formatNumber(*hi) + ", set to " +
                       text::formatNumber(clamped));
    setValue(params, "SPT", text::formatNumber(clamped));
  }
}

}  // namespace

void Engine::getParams(Context& ctx, std::string_view arg) {
  const Cp* cp = sessionCpOf(ctx.conn);
  if (!cp) {
    ctx.reply(errLine("ERRPRMLST", kNoSession));
    return;
  }
  const std::string_view name = text::trim(arg);
  const BlockName bn = splitBlockName(name);
  const Compound* compound = cp->findCompound(bn.compound);
  const Block* block = compound && !bn.block.empty() ? compound->findBlock(bn.block) : nullptr;
  if (!compound || (!bn.block.empty() && !block) || name.empty()) {
    ctx.reply(errLine(
        "ERRPRMLST", std::string(name.empty() ? "(no name)" : name) + " not found in " + cp->name));
    return;
  }
  ctx.reply("CLRPRMLST");
  if (block) {
    ctx.reply(reply::paramLine("NAME", block->name));
    ctx.reply(reply::paramLine("TYPE", block->type));
    for (const auto& p : block->params) ctx.reply(reply::paramLine(p.name, p.value));
  } else {
    ctx.reply(reply::paramLine("NAME", compound->name));
    ctx.reply(reply::paramLine("TYPE", "COMPND"));
    for (const auto& p : compound->params) ctx.reply(reply::paramLine(p.name, p.value));
  }
  ctx.reply("DNPRMLST");
}

void Engine::Transaction::setMalformed(std::string why) {
  if (!malformed.empty()) return;
  malformed = std::move(why);
  // Refused whole at MODEND: nothing more of it is worth keeping.
  changes = {};
  index.clear();
  bytes = 0;
}

void Engine::modStart(Context& ctx, std::string_view arg) {
  if (ctx.conn.tx)
    logConn(ctx.conn.id, "edit of " + ctx.conn.tx->target + " dropped, it never ended");
  const std::string_view target = text::trim(arg);
  const EngineLimits& limits = options_.limits;
  ctx.conn.tx = Transaction{};
  Transaction& tx = *ctx.conn.tx;
  // The name comes back in the answer and in the log: kept only when it can
  // be a name at all.
  if (text::hasControlChar(target) || target.size() > limits.maxEditBytes) {
    tx.target = text::forLog(target, 40);
    tx.setMalformed("MODSTART names no block: " + tx.target);
  } else {
    tx.target = std::string(target);
  }
}

void Engine::modParam(Context& ctx, std::string_view arg) {
  if (!ctx.conn.tx) {
    ctx.reply(reply::modificationLine("ERRPRMMOD", "", "MODPARM without MODSTART"));
    return;
  }
  Transaction& tx = *ctx.conn.tx;
  if (!tx.malformed.empty()) return;
  // "<name> = <value>"; the value may be empty.
  const auto eq = arg.find('=');
  const std::string_view name = text::trim(arg.substr(0, eq));
  if (eq == std::string_view::npos || name.empty()) {
    tx.setMalformed("Unreadable change \"" + text::forLog(arg) + "\"");
    return;
  }
  std::string value(text::trim(arg.substr(eq + 1)));
  const EngineLimits& limits = options_.limits;
  const auto known = tx.index.find(name);
  const std::size_t before = known != tx.index.end() ? tx.changes[known->second].second.size() : 0;
  const std::size_t bytes =
      tx.bytes - before + value.size() + (known != tx.index.end() ? 0 : name.size());
  const std::size_t count = tx.changes.size() + (known != tx.index.end() ? 0 : 1);
  if (count > limits.maxEditChanges || bytes > limits.maxEditBytes) {
    tx.setMalformed("the edit changes more than " + std::to_string(limits.maxEditChanges) +
                    " parameters or " + std::to_string(limits.maxEditBytes) + " bytes");
    return;
  }
  tx.bytes = bytes;
  if (known != tx.index.end()) {
    tx.changes[known->second].second = std::move(value);
    return;
  }
  tx.index.emplace(std::string(name), tx.changes.size());
  tx.changes.emplace_back(std::string(name), std::move(value));
}

void Engine::modEnd(Context& ctx, std::string_view arg) {
  const std::string_view name = text::trim(arg);
  if (!ctx.conn.tx) {
    ctx.reply(reply::modificationLine("ERRPRMMOD", name, "MODEND without MODSTART"));
    return;
  }
  const Transaction tx = std::move(*ctx.conn.tx);
  ctx.conn.tx.reset();
  if (!tx.malformed.empty() && name != tx.target) {
    // Whatever MODEND names, that edit changed nothing.
    ctx.reply(reply::modificationLine("ERRPRMMOD", tx.target, tx.malformed + "; nothing changed"));
    return;
  }
  if (name != tx.target) {
    ctx.reply(reply::modificationLine("ERRPRMMOD", name,
                                      "MODEND for " + std::string(name) +
                                          " does not match MODSTART for " + tx.target +
                                          "; nothing changed"));
    return;
  }
  commit(ctx, tx);
}

void Engine::modDone(Context& ctx, std::string_view arg) {
  // The client's editor is closed: an edit it never ended is dropped.
  if (ctx.conn.tx && ctx.conn.tx->target == text::trim(arg)) ctx.conn.tx.reset();
}

void Engine::commit(Context& ctx, const Transaction& tx) {
  auto refuse = [&](const std::string& message) {
    ctx.reply(reply::modificationLine("ERRPRMMOD", tx.target, message));
  };
  const Cp* cp = sessionCpOf(ctx.conn);
  if (!cp) return refuse(kNoSession);
  if (!tx.malformed.empty()) return refuse(tx.malformed);

  const BlockName bn = splitBlockName(tx.target);
  const Compound* compound = cp->findCompound(bn.compound);
  Target target;
  if (compound && bn.block.empty()) {
    target.type = &compoundType();
    target.params = &compound->params;
  } else if (compound) {
    target.block = compound->findBlock(bn.block);
    if (target.block) {
      target.type = &target.block->blockType();
      target.params = &target.block->params;
    }
  }
  if (!target.params) return refuse(tx.target + " not found in " + cp->name);

  std::vector<std::string> errors;
  std::vector<std::string> warnings;
  ParamList result = *target.params;
  for (const auto& [name, value] : tx.changes) {
    if (name == "NAME" || name == "TYPE") {
      errors.push_back(name + " can not be changed");
      continue;
    }
    const ParamDef* def = target.type->param(name);
    if (!def) {
      errors.push_back(name + " is not a parameter of " + target.type->name + " blocks");
      continue;
    }
    ValueCheck check = checkValue(*def, value);
    if (check.verdict == Verdict::Refused) {
      errors.push_back(check.message);
      continue;
    }
    if (check.verdict == Verdict::Adjusted) warnings.push_back(check.message);

    Reference ref;
    const bool connection = def->kind == ParamKind::Connection ||
                            (def->kind == ParamKind::Mixed && !text::parseNumber(check.value));
    if (!check.value.empty() && (connection || def->kind == ParamKind::BlockRef) &&
        parseReference(check.value, connection, ref)) {
      const Block* source = plant_.findBlock(ref.compound, ref.block);
      if (!source) {
        warnings.push_back(name + ": " + ref.compound + ":" + ref.block +
                           " does not exist yet, left unresolved");
      } else if (connection && !source->blockType().hasSource(ref.param)) {
        errors.push_back(name + ": " + source->type + " block " + ref.compound + ":" + ref.block +
                         " has no parameter " + ref.param);
        continue;
      }
    }
    setValue(result, name, check.value);
  }
  if (errors.empty()) crossCheck(result, errors, warnings);
  if (!errors.empty()) return refuse(joined(errors) + "; nothing changed");
  // Values replaced, and those tuned at the CP that the edit replaces there.
  PlantSize before, after;
  before.valueBytes = valueBytes(*target.params);
  after.valueBytes = valueBytes(result);
  if (target.block)
    for (const auto& r : target.block->runtime)
      if (tx.index.count(r.name) > 0) before.valueBytes += r.value.size();
  if (const std::string why = growthRefused(cp->name, after, before); !why.empty())
    return refuse(why + "; nothing changed");
  resized(cp->name, after, before);

  reindex(tx.target, *target.params, result);
  if (target.block) {
    Block* block = editBlock(cp->name, bn.compound, bn.block);
    block->params = std::move(result);
    // The new configuration is loaded into the running CP, replacing what
    // was tuned there.
    std::erase_if(block->runtime, [&](const Param& r) { return tx.index.count(r.name) > 0; });
  } else {
    editCompound(cp->name, bn.compound)->params = std::move(result);
  }
  if (warnings.empty())
    ctx.reply("DNPRMMOD " + tx.target);
  else
    ctx.reply(reply::modificationLine("WRNPRMMOD", tx.target, joined(warnings)));
}

}  // namespace tarvo::sim
