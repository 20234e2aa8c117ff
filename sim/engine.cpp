// The engine as a whole: its command table, connections coming and going, the
// log, and the commands that only read the plant's lists. Each group of
// commands has a file of its own (engine_*.cpp).
#include "sim/engine.h"

#include "sim/engine_detail.h"
#include "sim/replies.h"
#include "sim/text.h"

namespace tarvo::sim {

using detail::oneLineEach;

Engine::Engine(Plant plant, EngineOptions options)
    : plant_(std::move(plant)),
      options_(std::move(options)),
      refs_(plant_),
      allConnectionsLog_(options_.limits.allConnectionsLog) {
  for (const auto& cp : plant_.cps) {
    const PlantSize size = sizeOf(cp);
    cpSizes_[cp.name] = size;
    plantSize_ += size;
  }
}

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
  if (heldBack > 0 && logger_ && allConnectionsAllow(clock_()))
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

void Engine::logConn(ConnId id, const std::string& message, bool closing) {
  if (!logger_) return;
  const std::int64_t now = clock_();
  const auto it = conns_.find(id);
  LogLimiter* own = it != conns_.end() ? &it->second.logLimit : nullptr;
  if (own && !closing && !own->allow(now)) return;
  if (!allConnectionsAllow(now)) return;
  const std::string who = "conn " + std::to_string(id) + ": ";
  if (const std::size_t n = own ? own->takeHeldBack() : 0; n > 0)
    log(who + std::to_string(n) + " log lines about it were held back");
  log(who + message);
}

void Engine::logUnaccepted(const std::string& message) {
  if (logger_ && allConnectionsAllow(clock_())) log(message);
}

bool Engine::allConnectionsAllow(std::int64_t now) {
  if (!allConnectionsLog_.allow(now)) return false;
  if (const std::size_t n = allConnectionsLog_.takeHeldBack(); n > 0)
    log(std::to_string(n) + " log lines about connections were held back");
  return true;
}

// --- changing the plant ------------------------------------------------------

// The names are copied first: they may point into what the change replaces.
Compound* Engine::editCompound(std::string_view cp, std::string_view compound) {
  const std::string cpName(cp), compoundName(compound);
  // Only a compound that is there is made the plant's own, and its CP with it.
  const Cp* c = plant_.findCp(cpName);
  if (!c || !c->findCompound(compoundName)) return nullptr;
  return editCp(cpName)->compounds.edit(compoundName);
}

Block* Engine::editBlock(std::string_view cp, std::string_view compound, std::string_view block) {
  const std::string cpName(cp), compoundName(compound), blockName(block);
  const Cp* c = plant_.findCp(cpName);
  const Compound* m = c ? c->findCompound(compoundName) : nullptr;
  if (!m || !m->findBlock(blockName)) return nullptr;
  return editCompound(cpName, compoundName)->blocks.edit(blockName);
}

PlantSize Engine::cpSize(std::string_view cp) const {
  const auto it = cpSizes_.find(cp);
  return it == cpSizes_.end() ? PlantSize{} : it->second;
}

std::string Engine::growthRefused(const std::string& cp, const PlantSize& added,
                                  const PlantSize& removed) const {
  const PlantSize& limitCp = options_.limits.maxPerCp;
  const PlantSize& limitAll = options_.limits.maxPlant;
  const PlantSize used = cpSize(cp);
  // Each count in turn: the CP's first, then the plant's.
  struct Count {
    std::size_t PlantSize::*field;
    const char* what;
  };
  static constexpr Count counts[] = {{&PlantSize::blocks, "blocks"},
                                     {&PlantSize::compounds, "compounds"},
                                     {&PlantSize::sourceLines, "lines of source"},
                                     {&PlantSize::sourceBytes, "bytes of source"},
                                     {&PlantSize::valueBytes, "bytes of parameter values"}};
  for (const auto& [field, what] : counts) {
    if (added.*field <= removed.*field) continue;
    const std::size_t more = added.*field - removed.*field;
    if (used.*field + more > limitCp.*field)
      return cp + " would hold " + std::to_string(used.*field + more) + " " + what +
             ", more than the " + std::to_string(limitCp.*field) + " a CP may hold";
    if (plantSize_.*field + more > limitAll.*field)
      return "the plant would hold " + std::to_string(plantSize_.*field + more) + " " + what +
             ", more than the " + std::to_string(limitAll.*field) + " this server keeps";
  }
  return {};
}

void Engine::resized(const std::string& cp, const PlantSize& added, const PlantSize& removed) {
  PlantSize& size = cpSizes_[cp];
  size += added;
  size -= removed;
  plantSize_ += added;
  plantSize_ -= removed;
}

void Engine::reindex(std::string_view owner, const ParamList& before, const ParamList& after) {
  refs_.remove(owner, before);
  refs_.add(owner, after);
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

}  // namespace tarvo::sim
