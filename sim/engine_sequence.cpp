// Sequence blocks: the edit session, source fetch and save, compile, install
// and the compile listing; and the listings of PLBs.
#include <algorithm>

#include "sim/engine.h"
#include "sim/engine_detail.h"
#include "sim/seq_checker.h"
#include "sim/text.h"

namespace tarvo::sim {

using detail::kNoSession;

namespace {

// Longer than any "CMP:BLK" of a plant.
constexpr std::size_t kMaxBlockKey = 64;

// The block a command names, looked up in the session's CP.
struct Target {
  const Block* block = nullptr;
  std::string key;  // "CMP:BLK" as the command gave it
  BlockName name;   // the key's compound and block
  std::string why;  // why there is no block
};

Target findTarget(const Cp* cp, std::string_view arg) {
  Target t;
  t.key = std::string(text::trim(arg));
  if (!cp) {
    t.why = kNoSession;
    return t;
  }
  if (t.key.empty()) {
    t.why = "No block named";
    return t;
  }
  t.name = splitBlockName(t.key);
  const Compound* compound = cp->findCompound(t.name.compound);
  if (compound && t.name.block.empty()) {
    t.why = t.key + " is a compound, not a block";
    return t;
  }
  t.block = compound ? compound->findBlock(t.name.block) : nullptr;
  if (!t.block) t.why = t.key + " not found in " + cp->name;
  return t;
}

Target findSequence(const Cp* cp, std::string_view arg) {
  Target t = findTarget(cp, arg);
  if (t.block && !t.block->blockType().sequence()) {
    t.why = t.key + " is not a sequence block (its type is " + t.block->type +
            "; sequence blocks are DEP, IND, EXC and MON)";
    t.block = nullptr;
  }
  return t;
}

std::string plural(std::size_t n, std::string_view word) {
  return std::to_string(n) + " " + std::string(word) + (n == 1 ? "" : "s");
}

std::string withName(std::string_view keyword, const std::string& key) {
  return key.empty() ? std::string(keyword) : std::string(keyword) + " " + key;
}

}  // namespace

void Engine::SourceUpload::add(std::string_view line) {
  if (!refusal.empty()) return;
  lastUnended = false;
  if (line.find_first_of("\r\n") != std::string_view::npos) {
    refusal = "line " + std::to_string(lines.size() + 1) + " holds a line break character";
  } else if (text::hasControlCharButTab(line)) {
    // Another client reads the source back, and a checkpoint writes it.
    refusal = "line " + std::to_string(lines.size() + 1) + " holds a control character";
  } else if (lines.size() >= kMaxSourceLines || bytes + line.size() > kMaxSourceBytes) {
    refusal = "the source is longer than " + std::to_string(kMaxSourceLines) + " lines or " +
              std::to_string(kMaxSourceBytes) + " bytes";
  } else {
    bytes += line.size();
    lines.emplace_back(line);
    return;
  }
  // Nothing of a refused upload is kept, however much more of it comes.
  lines.clear();
  lines.shrink_to_fit();
}

std::string Engine::notEditor(const Connection& conn, const std::string& key) const {
  const auto it = seq_.editors.find(key);
  if (it == seq_.editors.end()) return key + " is not open for editing (Edit Seq first)";
  if (it->second == conn.id) return {};
  const auto other = conns_.find(it->second);
  return key + " is being edited by " +
         (other != conns_.end() ? holderName(other->second) : std::string("another client"));
}

void Engine::endSequenceWork(ConnId id) {
  std::erase_if(seq_.editors, [id](const auto& e) { return e.second == id; });
  seq_.uploads.erase(id);
}

// --- edit session --------------------------------------------------------------

void Engine::editSeq(Context& ctx, std::string_view arg) {
  const Target t = findSequence(sessionCpOf(ctx.conn), arg);
  if (!t.block) return ctx.reply("ERREDTSEQ" + t.why);
  const auto it = seq_.editors.find(t.key);
  if (it != seq_.editors.end() && it->second != ctx.conn.id)
    return ctx.reply("ERREDTSEQ" + notEditor(ctx.conn, t.key));
  seq_.editors[t.key] = ctx.conn.id;
  logConn(ctx.conn.id, "editing sequence block " + t.key);

  std::string warning;
  if (seq_.uninstalled.count(t.key))
    warning = "The source stored for " + t.key + " was saved but not installed";
  if (t.block->source.empty())
    warning += (warning.empty() ? "" : "; ") + t.key + " holds no source yet, Edit starts empty";
  if (!warning.empty()) ctx.reply("WRNEDTSEQ" + warning);
  ctx.reply(withName("DNEDTSEQ", t.key));
}

void Engine::cancelSeq(Context& ctx, std::string_view arg) {
  // The client cancels more than once on its way out; every one is answered.
  const std::string key(text::trim(arg));
  const auto it = seq_.editors.find(key);
  if (it != seq_.editors.end() && it->second == ctx.conn.id) {
    seq_.editors.erase(it);
    logConn(ctx.conn.id, "edit of " + key + " ended");
  }
  const auto up = seq_.uploads.find(ctx.conn.id);
  if (up != seq_.uploads.end() && up->second.block == key) seq_.uploads.erase(up);
  ctx.reply(withName("DNCANSEQ", key));
}

// --- source transfer -------------------------------------------------------------

void Engine::getSource(Context& ctx, std::string_view arg) {
  const Target t = findSequence(sessionCpOf(ctx.conn), arg);
  if (!t.block) return ctx.reply("ERRSEQSRC" + t.why);
  ctx.reply("CLRSEQSRC");
  for (const auto& line : t.block->source) ctx.reply("SEQSRC" + line);
  ctx.reply("DNSEQSRC");
}

void Engine::sourceStart(Context& ctx, std::string_view arg) {
  const auto old = seq_.uploads.find(ctx.conn.id);
  if (old != seq_.uploads.end())
    logConn(ctx.conn.id, "upload of " + old->second.block + " dropped, it never ended");
  SourceUpload up;
  const std::string_view name = text::trim(arg);
  if (text::hasControlChar(name) || name.size() > kMaxBlockKey) {
    // Held until SPUTEND and logged: only a short, printable form of it.
    up.block = text::forLog(name, 40);
    up.refusal = up.block + " names no block";
  } else {
    up.block = std::string(name);
    const Target t = findSequence(sessionCpOf(ctx.conn), name);
    up.refusal = t.block ? notEditor(ctx.conn, t.key) : t.why;
  }
  seq_.uploads[ctx.conn.id] = std::move(up);
}

void Engine::sourcePut(Context& ctx, std::string_view arg) {
  const auto it = seq_.uploads.find(ctx.conn.id);
  if (it == seq_.uploads.end()) {
    // Answered once, by the SPUTEND that follows.
    logConn(ctx.conn.id, "SRCPUT without SPUTSTART ignored");
    return;
  }
  SourceUpload& up = it->second;
  // A line ended in the text box comes with its LF; the last line without.
  const bool ended = !arg.empty() && arg.back() == '\n';
  if (ended) arg.remove_suffix(1);
  up.add(arg);
  up.lastUnended = !ended && up.refusal.empty();
}

void Engine::sourceEnd(Context& ctx, std::string_view arg) {
  const auto it = seq_.uploads.find(ctx.conn.id);
  if (it == seq_.uploads.end())
    return ctx.reply("ERRPUTSRCSPUTEND without SPUTSTART; nothing stored");
  SourceUpload up = std::move(it->second);
  seq_.uploads.erase(it);

  // SPUTEND carries the last line again when it had no line end: keep it once.
  if (up.refusal.empty() && up.lastUnended) {
    if (!arg.empty() && arg != up.lines.back())
      up.refusal = "the last line came twice and differed";
  } else if (!arg.empty()) {
    up.add(arg);
  }
  // Looked up again: the plant may have changed since SPUTSTART.
  const Target t = findSequence(sessionCpOf(ctx.conn), up.block);
  if (up.refusal.empty()) up.refusal = t.block ? notEditor(ctx.conn, t.key) : t.why;
  if (!up.refusal.empty()) return ctx.reply("ERRPUTSRC" + up.refusal + "; nothing stored");
  const PlantSize before = sizeOf(*t.block);
  PlantSize after = before;
  after.sourceLines = up.lines.size();
  after.sourceBytes = up.bytes;
  const std::string cp = ctx.conn.sessionCp;
  if (const std::string why = growthRefused(cp, after, before); !why.empty())
    return ctx.reply("ERRPUTSRC" + why + "; nothing stored");

  Block* block = editBlock(cp, t.name.compound, t.name.block);
  block->source = std::move(up.lines);
  resized(cp, after, before);
  seq_.uninstalled.insert(t.key);
  logConn(ctx.conn.id,
          "stored " + plural(block->source.size(), "line") + " of source for " + t.key);
  if (block->source.empty())
    ctx.reply("WRNPUTSRC" + t.key + " now holds an empty source");
  else
    ctx.reply(withName("DNPUTSRC", t.key));
}

// --- compile, install, listing -----------------------------------------------------

void Engine::compileSeq(Context& ctx, std::string_view arg) {
  // "<CMP:BLK> <type>"
  const std::string_view rest = text::trim(arg);
  const auto blank = rest.find(' ');
  const std::string_view type =
      blank == std::string_view::npos ? std::string_view() : text::trim(rest.substr(blank));
  const Target t = findSequence(sessionCpOf(ctx.conn), rest.substr(0, blank));
  if (!t.block) return ctx.reply("ERRCPLSEQ" + t.why);
  if (!type.empty() && type != t.block->type)
    return ctx.reply("ERRCPLSEQ" + t.key + " is of type " + t.block->type + ", not " +
                     std::string(type));
  if (const std::string why = notEditor(ctx.conn, t.key); !why.empty())
    return ctx.reply("ERRCPLSEQ" + why);

  const BlockType& bt = t.block->blockType();
  seq::CheckContext context{t.block->name, {}};
  for (const auto& p : bt.params) context.parameters.push_back(p.name);
  for (const auto& o : bt.outputs) context.parameters.push_back(o);
  const seq::CheckResult result = seq::checkSequence(t.block->source, context);
  CompileRecord record{t.block->source,
                       seq::listing("Sequence compile of " + t.key + " (" + t.block->type + ")",
                                    t.block->source, result),
                       result.errors, result.warnings};
  seq_.compiles.insert_or_assign(t.key, std::move(record));

  const std::string outcome = t.key + ": " + seq::summary(result);
  logConn(ctx.conn.id, "compiled " + outcome);
  // A moment's work, so that the client's progress text can be seen.
  const int work = options_.workMs / 6;
  if (result.errors > 0)
    ctx.reply("ERRCPLSEQ" + outcome, work);
  else if (result.warnings > 0)
    ctx.reply("WRNCPLSEQ" + outcome, work);
  else
    ctx.reply(withName("DNCPLSEQ", t.key), work);
}

void Engine::installSeq(Context& ctx, std::string_view arg) {
  const Target t = findSequence(sessionCpOf(ctx.conn), arg);
  if (!t.block) return ctx.reply("ERRINSSEQ" + t.why);
  if (const std::string why = notEditor(ctx.conn, t.key); !why.empty())
    return ctx.reply("ERRINSSEQ" + why);
  const auto it = seq_.compiles.find(t.key);
  if (it == seq_.compiles.end())
    return ctx.reply("ERRINSSEQ" + t.key + " has not been compiled; compile it first");
  const CompileRecord& record = it->second;
  if (record.errors > 0)
    return ctx.reply("ERRINSSEQ" + t.key + ": its last compile found " +
                     plural(record.errors, "error") + "; correct them, save and compile again");
  if (record.source != t.block->source)
    return ctx.reply("ERRINSSEQ" + t.key +
                     ": the source was saved after its last compile; compile it again");
  seq_.uninstalled.erase(t.key);
  logConn(ctx.conn.id, "installed " + t.key);
  ctx.reply(withName("DNINSSEQ", t.key), options_.workMs / 6);
}

void Engine::getListing(Context& ctx, std::string_view arg) {
  const Target t = findSequence(sessionCpOf(ctx.conn), arg);
  if (!t.block) return ctx.reply("ERRSEQLST" + t.why);
  const auto it = seq_.compiles.find(t.key);
  if (it == seq_.compiles.end())
    return ctx.reply("ERRSEQLST" + t.key + " has no compile listing; compile it first");
  ctx.reply("CLRGETLST");
  for (const auto& line : it->second.listing) ctx.reply("SEQLST" + line);
  ctx.reply("DNSEQLST");
}

// --- PLB listings --------------------------------------------------------------

void Engine::plbListing(Context& ctx, std::string_view arg) {
  // The client handles no error for this request: whatever is wrong is said
  // inside an opened and closed listing, so that the user is never left waiting.
  const Target t = findTarget(sessionCpOf(ctx.conn), arg);
  ctx.reply("CLRPLBLIST " + (t.key.empty() ? std::string("(no block)") : t.key));
  if (!t.block) {
    ctx.reply("PLBLIST *** " + t.why);
  } else if (t.block->blockType().cls != TypeClass::Plb) {
    ctx.reply("PLBLIST *** " + t.key + " is not a PLB (its type is " + t.block->type +
              "); only PLBs have a ladder listing");
  } else if (t.block->source.empty()) {
    ctx.reply("PLBLIST *** " + t.key + " holds no ladder logic");
  } else {
    for (const auto& line : t.block->source) ctx.reply("PLBLIST " + line);
  }
  ctx.reply("PLBENDLIST");
}

}  // namespace tarvo::sim
