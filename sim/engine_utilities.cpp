// The CP utilities: upload, checkpoint (written here or by a writer
// elsewhere) and initialize, one at a time per CP.
#include "sim/engine.h"
#include "sim/engine_detail.h"

namespace tarvo::sim {

using detail::errLine;
using detail::kNoSession;
using detail::oneLineEach;

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

}  // namespace tarvo::sim
