// The cross-reference commands: the three setup lists, the generation and
// the listing of one block or compound.
#include <algorithm>

#include "sim/engine.h"
#include "sim/text.h"

namespace tarvo::sim {

namespace {

// A bare command may come with a stray line end; it names nothing.
std::string_view withoutLineEnd(std::string_view s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string listName(char letter) {
  switch (letter) {
    case 'C': return "C (CP/volume names)";
    case 'D': return "D (display directories)";
    case 'H': return "H (historians)";
    default: return text::forLog(std::string_view(&letter, 1));
  }
}

}  // namespace

// --- setup lists ---------------------------------------------------------------

void Engine::xrefCfgGet(Context& ctx, std::string_view arg) {
  const std::string_view letter = withoutLineEnd(arg);
  const auto* list = letter.size() == 1 ? xrefLists_.byLetter(letter[0]) : nullptr;
  if (!list) {
    // There is no error reply the client would show: it simply opens no editor.
    logConn(ctx.conn.id, "no cross-reference list \"" + text::forLog(letter) + "\"");
    return;
  }
  ctx.reply(xref::cfgStartLine(letter[0]));
  for (const auto& entry : *list) ctx.reply(xref::cfgLine(letter[0], entry));
  ctx.reply(xref::cfgDoneLine(letter[0]));
}

void Engine::xrefCfgPut(Context& ctx, std::string_view arg) {
  // Letter, then "STRT", "LINE:" + text or "DONE". Nothing is answered: a
  // refused upload is logged and leaves the list as it was.
  if (arg.empty()) {
    logConn(ctx.conn.id, "XREFCFGPUT without a list letter ignored");
    return;
  }
  const char letter = arg[0];
  const std::string_view rest = arg.substr(1);
  const auto pending = xrefUploads_.find(ctx.conn.id);

  if (text::startsWith(rest, "LINE:")) {
    if (pending == xrefUploads_.end()) {
      logConn(ctx.conn.id, "cross-reference list line without STRT ignored");
      return;
    }
    xref::Upload& up = pending->second;
    if (up.letter() != letter)
      up.refuse("a line for list " + listName(letter) + " came in it");
    else
      up.addLine(rest.substr(5));
    return;
  }

  const std::string_view step = withoutLineEnd(rest);
  if (step == "STRT") {
    if (pending != xrefUploads_.end()) {
      logConn(ctx.conn.id, "upload of cross-reference list " + listName(pending->second.letter()) +
                               " dropped, it never ended");
      xrefUploads_.erase(pending);
    }
    xref::Upload up(letter);
    if (!xrefLists_.byLetter(letter)) up.refuse("there is no such list");
    xrefUploads_.emplace(ctx.conn.id, std::move(up));
    return;
  }
  if (step == "DONE") {
    if (pending == xrefUploads_.end()) {
      logConn(ctx.conn.id, "cross-reference list DONE without STRT ignored");
      return;
    }
    xref::Upload up = std::move(pending->second);
    xrefUploads_.erase(pending);
    if (up.letter() != letter) up.refuse("it was ended as list " + listName(letter));
    if (up.refused()) {
      logConn(ctx.conn.id, "upload of cross-reference list " + listName(up.letter()) +
                               " refused, the list is unchanged: " + up.refusal());
      return;
    }
    *xrefLists_.byLetter(letter) = up.lines();
    logConn(ctx.conn.id, "cross-reference list " + listName(letter) + " replaced, " +
                             std::to_string(up.lines().size()) + " lines");
    return;
  }
  logConn(ctx.conn.id, "unknown command \"XREFCFGPUT" + text::forLog(arg) + "\"");
}

// --- generation ------------------------------------------------------------------

void Engine::xrefSettle(ConnId cause, std::int64_t now) {
  // A run that has done its work becomes the cross-reference, whether or not
  // anyone has polled for its end yet. The line about it counts against the
  // connection whose command found it done.
  if (!xrefRun_ || !xrefRun_->finished(now)) return;
  xrefLatest_ = std::move(xrefRun_);
  logConn(cause, "cross-reference generation finished, " +
                     std::to_string(xrefLatest_->plan.references.size()) + " references");
}

void Engine::xrefDeliver(Context& ctx, std::int64_t now) {
  const auto it = xrefFollowers_.find(ctx.conn.id);
  if (it == xrefFollowers_.end()) return;
  xref::Follower& f = it->second;
  for (auto& note : f.notes) ctx.reply("XREFRUNLINE" + note);
  f.notes.clear();
  const auto& lines = f.run->plan.lines;
  const std::size_t due = f.run->linesDue(now);
  for (; f.delivered < due; ++f.delivered) ctx.reply("XREFRUNLINE" + lines[f.delivered].text);
  if (f.run->finished(now) && f.delivered == lines.size()) {
    ctx.reply("XREFRUNDONE");
    xrefFollowers_.erase(it);
  }
}

void Engine::xrefRunStart(Context& ctx, std::string_view) {
  const std::int64_t now = clock_();
  xrefSettle(ctx.conn.id, now);
  const auto mine = xrefFollowers_.find(ctx.conn.id);
  if (xrefRun_ && mine != xrefFollowers_.end() && mine->second.run == xrefRun_) {
    logConn(ctx.conn.id, "cross-reference generation already running for it");
  } else if (xrefRun_) {
    // One cross-reference per server: a second client follows the run that
    // is already on its way instead of starting another.
    xrefFollowers_[ctx.conn.id] = {
        xrefRun_, 0, {"Following the generation that " + xrefRun_->startedBy + " started"}};
    logConn(ctx.conn.id, "follows the cross-reference generation of " + xrefRun_->startedBy);
  } else {
    std::vector<xref::Session> sessions;
    for (const auto& [cp, holder] : holders_)
      sessions.push_back({cp, holderName(conns_.at(holder))});
    auto run = std::make_shared<xref::Run>();
    run->plan = xref::plan(plant_, xrefLists_, sessions, options_.xrefMsPerBlock);
    run->startMs = now;
    run->startedBy = holderName(ctx.conn);
    xrefRun_ = run;
    xrefFollowers_[ctx.conn.id] = {xrefRun_, 0, {}};
    logConn(ctx.conn.id, "cross-reference generation started, " +
                             std::to_string(run->plan.durationMs) + " ms of work");
    xrefSettle(ctx.conn.id, now);
  }
  xrefDeliver(ctx, now);
}

void Engine::xrefRunPoll(Context& ctx, std::string_view) {
  const std::int64_t now = clock_();
  xrefSettle(ctx.conn.id, now);
  xrefDeliver(ctx, now);
}

void Engine::xrefRunEnd(Context& ctx, std::string_view) {
  xrefStopFollowing(ctx.conn.id);
}

void Engine::xrefForget(ConnId id) {
  xrefUploads_.erase(id);
  xrefStopFollowing(id);
}

void Engine::xrefStopFollowing(ConnId id) {
  xrefSettle(id, clock_());
  if (xrefFollowers_.erase(id) == 0 || !xrefRun_) return;
  // The run goes on while anyone still waits for it.
  const bool followed = std::any_of(xrefFollowers_.begin(), xrefFollowers_.end(),
                                    [&](const auto& f) { return f.second.run == xrefRun_; });
  if (followed) return;
  logConn(id, "cross-reference generation stopped, the cross-reference is unchanged");
  xrefRun_.reset();
}

// --- listing -----------------------------------------------------------------------

void Engine::xrefBlock(Context& ctx, std::string_view arg) {
  xrefSettle(ctx.conn.id, clock_());
  ctx.reply("CLRXREFLST");
  const auto lines =
      xrefLatest_ ? xref::listing(xrefLatest_->plan.references, arg) : std::vector<std::string>();
  if (lines.empty()) {
    ctx.reply("NONEXREFLST");
    return;
  }
  for (const auto& l : lines) ctx.reply("XREFLST " + l);
  ctx.reply("ENDXREFLST");
}

}  // namespace tarvo::sim
