// ICC sessions: opening one on a CP (with its lock, and taking a lock over),
// closing it, and the session CP's block list.
#include "sim/engine.h"
#include "sim/engine_detail.h"
#include "sim/replies.h"
#include "sim/text.h"

namespace tarvo::sim {

using detail::errLine;
using detail::kNoSession;

std::string Engine::holderName(const Connection& conn) const {
  return conn.host.empty() ? "client " + std::to_string(conn.id) : conn.host;
}

const Cp* Engine::sessionCpOf(const Connection& conn) const {
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
  const Cp* cp = plant_.findCp(cpName);
  if (!cp) {
    ctx.reply(errLine("ERROPENCP", std::string(cpName) + ": no such CP or volume"));
    return;
  }
  const std::string name = cp->name;
  ctx.reply("TRYOPENCP" + name + " contacting ICC");
  if (cp->checkpointBusy) {
    ctx.reply("CHECKPOINT " + name);
    return;
  }
  ctx.reply("TRYOPENCP" + name + " checking configurator lock");

  const auto held = holders_.find(name);
  Connection* other =
      held != holders_.end() && held->second != conn.id ? &conns_.at(held->second) : nullptr;
  const std::string holder = other ? holderName(*other) : cp->heldBy;
  if (!holder.empty()) {
    if (!takeOver) {
      ctx.reply(reply::lockLine(name, holder));
      return;
    }
    logConn(conn.id, holderName(conn) + " takes " + name + " over from " + holder);
    if (other) {
      endSession(*other);
      // The former holder's client goes back to choosing a CP.
      ctx.out.push_back({other->id, 0, "CLOSEICC " + name + " taken over by " + holderName(conn)});
    }
    if (!cp->heldBy.empty()) editCp(name)->heldBy.clear();
  }

  holders_[name] = conn.id;
  conn.sessionCp = name;
  ctx.reply("TRYOPENCP" + name + " loading configuration, " + std::to_string(cpSize(name).blocks) +
            " blocks");
  ctx.reply("DNOPENCP" + name);
  logConn(conn.id, "session to " + name + " open for " + holderName(conn));

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

}  // namespace tarvo::sim
