#include "engine.h"

#include <algorithm>

#include "replies.h"
#include "text.h"

namespace tarvo::sim {

namespace {

const std::string kNoSession = "No ICC session open";

std::string errLine(std::string_view keyword, std::string_view message) {
  return std::string(keyword) + std::string(message);
}

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
  ParamList* params = nullptr;
  Block* block = nullptr;  // null for a compound
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

// Replies echo names and values the client sent. A line feed among them would
// end the reply early and make the rest read as a reply of its own.
std::vector<Outgoing> oneLineEach(std::vector<Outgoing> out) {
  for (auto& o : out) std::replace(o.line.begin(), o.line.end(), '\n', ' ');
  return out;
}

}  // namespace

Engine::Engine(Plant plant, EngineOptions options)
    : plant_(std::move(plant)), options_(std::move(options)) {}

const std::vector<Engine::CommandEntry>& Engine::commandTable() {
  // One entry per command; new commands go here.
  static const std::vector<CommandEntry> table{
      {"GETVERSION", false, &Engine::getVersion},   {"WATCHDOG", false, &Engine::ignore},
      {"GETCPS", false, &Engine::getCps},           {"GETCMPS", false, &Engine::getCompounds},
      {"OPENCP:", true, &Engine::openCp},           {"OVERRIDECP:", true, &Engine::overrideCp},
      {"CLOSEICC", false, &Engine::closeIcc},       {"GETBLKS ", true, &Engine::getBlocks},
      {"UPLOADCP", false, &Engine::upload},         {"CHECKPOINTCP", false, &Engine::checkpoint},
      {"INITIALIZECP", false, &Engine::initialize}, {"GETPARMS:", true, &Engine::getParams},
      {"MODSTART:", true, &Engine::modStart},       {"MODPARM:", true, &Engine::modParam},
      {"MODEND:", true, &Engine::modEnd},           {"MODDONE:", true, &Engine::modDone},
      {"ADDNEW:", true, &Engine::addNew},           {"CPYNEW:", true, &Engine::copyNew},
      {"MOVEBLK:", true, &Engine::moveBlock},       {"DELBLK:", true, &Engine::deleteBlock},
      {"XREFCFGGET", true, &Engine::xrefCfgGet},    {"XREFCFGPUT", true, &Engine::xrefCfgPut},
      {"XREFRUNS", false, &Engine::xrefRunStart},   {"XREFRUNC", false, &Engine::xrefRunPoll},
      {"XREFRUNE", false, &Engine::xrefRunEnd},     {"XREFBLK:", true, &Engine::xrefBlock},
      {"EDTSEQ:", true, &Engine::editSeq},          {"CANSEQ:", true, &Engine::cancelSeq},
      {"GETSRC:", true, &Engine::getSource},        {"SPUTSTART:", true, &Engine::sourceStart},
      {"SRCPUT:", true, &Engine::sourcePut},        {"SPUTEND", true, &Engine::sourceEnd},
      {"COMPLSEQ:", true, &Engine::compileSeq},     {"INSTALSEQ:", true, &Engine::installSeq},
      {"GETLST:", true, &Engine::getListing},       {"PLBLIST:", true, &Engine::plbListing},
  };
  return table;
}

ConnId Engine::connect() {
  const ConnId id = nextId_++;
  Connection& conn = conns_[id];
  conn.id = id;
  conn.logLimit = LogLimiter(options_.limits.log);
  return id;
}

void Engine::disconnect(ConnId id) {
  const auto it = conns_.find(id);
  if (it == conns_.end()) return;
  endSession(it->second);
  xrefForget(id);
  const std::size_t heldBack = it->second.logLimit.takeHeldBack();
  conns_.erase(it);
  if (heldBack > 0)
    log("conn " + std::to_string(id) + ": " + std::to_string(heldBack) +
        " more log lines about it were held back");
}

std::size_t Engine::heldBytes() const {
  std::size_t n = 0;
  for (const auto& [id, c] : conns_) {
    n += c.host.size() + c.attemptedCp.size();
    if (c.tx) n += c.tx->target.size() + c.tx->bytes + c.tx->malformed.size();
  }
  for (const auto& [id, up] : seq_.uploads) n += up.block.size() + up.bytes;
  for (const auto& [id, up] : xrefUploads_)
    for (const auto& line : up.lines()) n += line.size();
  return n;
}

std::string Engine::sessionCp(ConnId id) const {
  const auto it = conns_.find(id);
  return it == conns_.end() ? std::string() : it->second.sessionCp;
}

std::vector<Outgoing> Engine::handle(ConnId id, std::string_view command) {
  std::vector<Outgoing> out;
  const auto it = conns_.find(id);
  if (it == conns_.end()) {
    log("command for unknown connection " + std::to_string(id) + " dropped");
    return out;
  }
  Context ctx{it->second, out};
  // A stray line end after a bare keyword is tolerated; arguments keep theirs
  // for the handler to judge.
  std::string_view bare = command;
  while (!bare.empty() && (bare.back() == '\n' || bare.back() == '\r')) bare.remove_suffix(1);
  for (const auto& entry : commandTable()) {
    if (entry.prefix) {
      if (text::startsWith(command, entry.keyword)) {
        (this->*entry.handler)(ctx, command.substr(entry.keyword.size()));
        return oneLineEach(std::move(out));
      }
    } else if (bare == entry.keyword) {
      (this->*entry.handler)(ctx, {});
      return oneLineEach(std::move(out));
    }
  }
  logConn(id, "unknown command \"" + text::forLog(command) + "\"");
  return out;
}

void Engine::log(const std::string& message) const {
  if (logger_) logger_(text::logSafe(message));
}

void Engine::logConn(ConnId id, const std::string& message) {
  if (!logger_) return;
  const std::string who = "conn " + std::to_string(id) + ": ";
  const auto it = conns_.find(id);
  if (it != conns_.end()) {
    LogLimiter& limit = it->second.logLimit;
    if (!limit.allow(clock_())) return;
    if (const std::size_t n = limit.takeHeldBack(); n > 0)
      log(who + std::to_string(n) + " log lines about it were held back");
  }
  log(who + message);
}

// --- version, watchdog, lists ----------------------------------------------

void Engine::getVersion(Context& ctx, std::string_view) {
  ctx.reply("VERSION" + options_.version);
}

void Engine::ignore(Context&, std::string_view) {}

void Engine::getCps(Context& ctx, std::string_view) {
  ctx.reply("CLRCPLST");
  for (const auto& cp : plant_.cps) ctx.reply(reply::cpListLine(cp));
  ctx.reply("DNCPLST");
}

void Engine::getCompounds(Context& ctx, std::string_view) {
  ctx.reply("CLRCMPLST");
  for (const auto& cp : plant_.cps)
    for (const auto& c : cp.compounds) ctx.reply(reply::compoundListLine(c, cp));
  ctx.reply("DNCMPLST");
}

// --- ICC sessions ------------------------------------------------------------

std::string Engine::holderName(const Connection& conn) const {
  return conn.host.empty() ? "client " + std::to_string(conn.id) : conn.host;
}

Cp* Engine::sessionCpOf(const Connection& conn) {
  return conn.sessionCp.empty() ? nullptr : plant_.findCp(conn.sessionCp);
}

void Engine::endSession(Connection& conn) {
  conn.tx.reset();
  conn.listedAll.reset();
  // Sequence edits belong to the session: a closed or lost one frees its blocks.
  endSequenceWork(conn.id);
  if (conn.sessionCp.empty()) return;
  const auto it = holders_.find(conn.sessionCp);
  if (it != holders_.end() && it->second == conn.id) holders_.erase(it);
  logConn(conn.id, "session to " + conn.sessionCp + " closed");
  conn.sessionCp.clear();
}

bool Engine::refusedOpen(Context& ctx, std::string_view why) {
  if (why.empty()) return false;
  // As after any failed open, the connection has no session.
  endSession(ctx.conn);
  ctx.conn.attemptedCp.clear();
  ctx.reply(errLine("ERROPENCP", why));
  return true;
}

void Engine::openCp(Context& ctx, std::string_view arg) {
  // "<CP> ALL <host>"; the client pads a short CP name with blanks.
  std::vector<std::string_view> words;
  std::string_view rest = text::trim(arg);
  // The host names the lock holder to other clients and in the log, where a
  // line feed in it would make lines the server never wrote.
  if (refusedOpen(ctx, text::hasControlChar(rest) ? "the command holds control characters" : ""))
    return;
  while (!rest.empty()) {
    const auto blank = rest.find(' ');
    words.push_back(rest.substr(0, blank));
    rest = blank == std::string_view::npos ? std::string_view() : text::trim(rest.substr(blank));
  }
  std::string host;
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (i == 1 && words[i] == "ALL") continue;
    if (!host.empty()) host += ' ';
    host += words[i];
  }
  if (host.size() > options_.limits.maxHostLength)
    return (void)refusedOpen(ctx, "the host name is longer than " +
                                      std::to_string(options_.limits.maxHostLength) +
                                      " characters");
  if (!host.empty()) ctx.conn.host = host;
  openSession(ctx, words.empty() ? std::string_view() : words[0], false);
}

void Engine::overrideCp(Context& ctx, std::string_view arg) {
  // The lock text as LOCKOPENCP gave it: the CP in its first 6 characters.
  if (refusedOpen(ctx, text::hasControlChar(text::trim(arg))
                           ? "the lock text holds control characters"
                           : ""))
    return;
  openSession(ctx, text::trim(arg.substr(0, 6)), true);
}

void Engine::openSession(Context& ctx, std::string_view cpName, bool takeOver) {
  Connection& conn = ctx.conn;
  // The client drops its idea of a session as soon as it asks for another.
  endSession(conn);
  // Only told back by CLOSEICC; a CP name has 6 characters.
  conn.attemptedCp = std::string(cpName.substr(0, 32));

  if (cpName.empty()) {
    ctx.reply(errLine("ERROPENCP", "no CP named"));
    return;
  }
  Cp* cp = plant_.findCp(cpName);
  if (!cp) {
    ctx.reply(errLine("ERROPENCP", std::string(cpName) + ": no such CP or volume"));
    return;
  }
  ctx.reply("TRYOPENCP" + cp->name + " contacting ICC");
  if (cp->checkpointBusy) {
    ctx.reply("CHECKPOINT " + cp->name);
    return;
  }
  ctx.reply("TRYOPENCP" + cp->name + " checking configurator lock");

  const auto held = holders_.find(cp->name);
  Connection* other =
      held != holders_.end() && held->second != conn.id ? &conns_.at(held->second) : nullptr;
  const std::string holder = other ? holderName(*other) : cp->heldBy;
  if (!holder.empty()) {
    if (!takeOver) {
      ctx.reply(reply::lockLine(cp->name, holder));
      return;
    }
    logConn(conn.id, holderName(conn) + " takes " + cp->name + " over from " + holder);
    if (other) {
      endSession(*other);
      // The former holder's client goes back to choosing a CP.
      ctx.out.push_back(
          {other->id, 0, "CLOSEICC " + cp->name + " taken over by " + holderName(conn)});
    }
    cp->heldBy.clear();
  }

  holders_[cp->name] = conn.id;
  conn.sessionCp = cp->name;
  std::size_t blocks = 0;
  for (const auto& c : cp->compounds) blocks += c.blocks.size();
  ctx.reply("TRYOPENCP" + cp->name + " loading configuration, " + std::to_string(blocks) +
            " blocks");
  ctx.reply("DNOPENCP" + cp->name);
  logConn(conn.id, "session to " + cp->name + " open for " + holderName(conn));

  // Sent unasked once a session is open: the types a new block may have.
  ctx.reply("BLKTYPNEW");
  for (const auto& t : blockTypes())
    if (acceptedByAdd(t)) ctx.reply(reply::blockTypeLine(t.name));
}

void Engine::closeIcc(Context& ctx, std::string_view) {
  Connection& conn = ctx.conn;
  // The client also sends CLOSEICC after a refused open and waits for the
  // answer to bring its lists back, so there is always one.
  std::string cp = !conn.sessionCp.empty() ? conn.sessionCp : conn.attemptedCp;
  endSession(conn);
  conn.attemptedCp.clear();
  ctx.reply("CLOSEICC " + (cp.empty() ? std::string("None") : cp));
}

void Engine::getBlocks(Context& ctx, std::string_view arg) {
  // "0 <CP>" or "1 <CP>": 1 includes ECB and station blocks.
  const Cp* cp = sessionCpOf(ctx.conn);
  if (!cp) {
    ctx.reply(errLine("ERRBLKLST", kNoSession));
    return;
  }
  if (arg.size() < 2 || (arg[0] != '0' && arg[0] != '1') || arg[1] != ' ') {
    ctx.reply(errLine("ERRBLKLST", "Block list option must be 0 or 1"));
    return;
  }
  const bool all = arg[0] == '1';
  const std::string_view asked = text::trim(arg.substr(2));
  if (asked != cp->name) {
    ctx.reply(errLine("ERRBLKLST", std::string(asked.empty() ? "(no CP)" : asked) +
                                       " is not the CP of this session (" + cp->name + ")"));
    return;
  }
  ctx.conn.listedAll = all;

  ctx.reply("CLRBLKLST");
  int n = 1;
  for (const auto& c : cp->compounds) {
    ctx.reply(reply::blockListCompoundLine(n++, c.name));
    for (const auto& b : c.blocks) {
      if (!all && b.blockType().ecbOrStation()) continue;
      ctx.reply(reply::blockListBlockLine(n++, b.name, b.type));
    }
    ctx.reply(reply::blockListEndOfCompound(n++, c.name));
  }
  ctx.reply(reply::blockListEndLine(n));
  ctx.reply("DNBLKLST");
}

// --- CP utilities ------------------------------------------------------------

void Engine::upload(Context& ctx, std::string_view) {
  cpUtility(ctx, Utility::Upload);
}
void Engine::checkpoint(Context& ctx, std::string_view) {
  cpUtility(ctx, Utility::Checkpoint);
}
void Engine::initialize(Context& ctx, std::string_view) {
  cpUtility(ctx, Utility::Initialize);
}

void Engine::cpUtility(Context& ctx, Utility which) {
  Cp* cp = sessionCpOf(ctx.conn);
  if (!cp) {
    ctx.reply(errLine("ERRCPUTIL", kNoSession));
    return;
  }
  if (cp->kind != CpKind::ControlProcessor) {
    ctx.reply(errLine("ERRCPUTIL", cp->name + " is a workstation volume, not a control processor"));
    return;
  }
  const int work = options_.workMs;
  const std::int64_t now = clock_();
  // One utility at a time per CP, whichever connection asks: answers to
  // utilities asked for meanwhile would otherwise queue up behind it.
  if (const auto running = utilities_.find(cp->name); running != utilities_.end()) {
    if (running->second.ticket != 0 || now < running->second.endMs) {
      ctx.reply(errLine("ERRCPUTIL", "The " + running->second.what + " of " + cp->name +
                                         " is still running; try again when it has finished"));
      return;
    }
    utilities_.erase(running);
  }
  UtilityRun& run = utilities_[cp->name];
  run.conn = ctx.conn.id;
  run.endMs = now + work;
  switch (which) {
    case Utility::Upload: {
      run.what = "upload";
      std::size_t values = 0;
      for (auto& c : cp->compounds) {
        for (auto& b : c.blocks) {
          for (auto& r : b.runtime) values += setValue(b.params, r.name, r.value) ? 1 : 0;
          b.runtime.clear();
        }
      }
      logConn(ctx.conn.id,
              "upload of " + cp->name + " took " + std::to_string(values) + " values from the CP");
      break;
    }
    case Utility::Checkpoint: {
      run.what = "checkpoint";
      if (checkpointWriter_) {
        // The plant as it is now is written while the server goes on; the
        // answer waits in line until the write has ended.
        run.ticket = nextTicket_++;
        const std::uint64_t ticket = run.ticket;
        logConn(ctx.conn.id, "checkpoint of " + cp->name + " started");
        ctx.out.push_back({ctx.conn.id, work, "DNCPUTIL", ticket});
        checkpointWriter_(ticket, std::make_shared<const Plant>(plant_));
        return;
      }
      const std::string problem = checkpointSink_ ? checkpointSink_(plant_) : std::string();
      if (!problem.empty()) {
        logConn(ctx.conn.id, "checkpoint of " + cp->name + " failed: " + problem);
        ctx.reply(errLine("ERRCPUTIL", "Checkpoint of " + cp->name + " failed: " + problem), work);
        return;
      }
      logConn(ctx.conn.id, "checkpoint of " + cp->name +
                               (checkpointSink_ ? " written" : " done (no plant file)"));
      break;
    }
    case Utility::Initialize:
      run.what = "initialize";
      // The CP restarts from its configuration: what was tuned at the
      // CP and never uploaded is gone.
      for (auto& c : cp->compounds)
        for (auto& b : c.blocks) b.runtime.clear();
      logConn(ctx.conn.id, "initialized " + cp->name);
      break;
  }
  ctx.reply("DNCPUTIL", work);
}

std::vector<Outgoing> Engine::checkpointWritten(std::uint64_t ticket, const std::string& problem) {
  std::vector<Outgoing> out;
  if (ticket == 0) return out;
  for (auto& [cp, run] : utilities_) {
    if (run.ticket != ticket) continue;
    run.ticket = 0;
    if (problem.empty()) {
      logConn(run.conn, "checkpoint of " + cp + " written");
      out.push_back({run.conn, 0, "DNCPUTIL", ticket});
    } else {
      const std::string why = cp + " failed: " + problem;
      logConn(run.conn, "checkpoint of " + why);
      out.push_back({run.conn, 0, errLine("ERRCPUTIL", "Checkpoint of " + why), ticket});
    }
    break;
  }
  return oneLineEach(std::move(out));
}

// --- parameters ----------------------------------------------------------------

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
  Cp* cp = sessionCpOf(ctx.conn);
  if (!cp) return refuse(kNoSession);
  if (!tx.malformed.empty()) return refuse(tx.malformed);

  const BlockName bn = splitBlockName(tx.target);
  Compound* compound = cp->findCompound(bn.compound);
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

  *target.params = std::move(result);
  // The new configuration is loaded into the running CP, replacing what
  // was tuned there.
  if (target.block) {
    auto& rt = target.block->runtime;
    std::erase_if(rt, [&](const Param& r) { return tx.index.count(r.name) > 0; });
  }
  if (warnings.empty())
    ctx.reply("DNPRMMOD " + tx.target);
  else
    ctx.reply(reply::modificationLine("WRNPRMMOD", tx.target, joined(warnings)));
}

}  // namespace tarvo::sim
