// The CP utilities: upload, checkpoint (written here or by a writer
// elsewhere) and initialize, one at a time per CP.
#include <algorithm>

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

void Engine::forTunedBlocks(const std::string& cp,
                            const std::function<void(const Compound&, Block&)>& change) {
  // Only blocks that hold tuned values are changed: a checkpoint may share
  // the others, which stay shared.
  const auto tuned = [](const Block& b) { return !b.runtime.empty(); };
  PlantSize before, after;
  editCp(cp)->compounds.editWhere(
      [&](const Compound& c) { return std::any_of(c.blocks.begin(), c.blocks.end(), tuned); },
      [&](Compound& c) {
        c.blocks.editWhere(tuned, [&](Block& b) {
          before.valueBytes += valueBytes(b.params) + valueBytes(b.runtime);
          change(c, b);
          after.valueBytes += valueBytes(b.params) + valueBytes(b.runtime);
        });
      });
  resized(cp, after, before);
}

void Engine::cpUtility(Context& ctx, Utility which) {
  const Cp* cp = sessionCpOf(ctx.conn);
  if (!cp) {
    ctx.reply(errLine("ERRCPUTIL", kNoSession));
    return;
  }
  const std::string name = cp->name;
  if (cp->kind != CpKind::ControlProcessor) {
    ctx.reply(errLine("ERRCPUTIL", name + " is a workstation volume, not a control processor"));
    return;
  }
  const int work = options_.workMs;
  const std::int64_t now = clock_();
  // One utility at a time per CP, whichever connection asks: answers to
  // utilities asked for meanwhile would otherwise queue up behind it.
  if (const auto running = utilities_.find(name); running != utilities_.end()) {
    if (running->second.ticket != 0 || now < running->second.endMs) {
      ctx.reply(errLine("ERRCPUTIL", "The " + running->second.what + " of " + name +
                                         " is still running; try again when it has finished"));
      return;
    }
    utilities_.erase(running);
  }
  UtilityRun& run = utilities_[name];
  run.conn = ctx.conn.id;
  run.endMs = now + work;
  switch (which) {
    case Utility::Upload: {
      run.what = "upload";
      std::size_t values = 0;
      forTunedBlocks(name, [&](const Compound& c, Block& b) {
        const ParamList before = b.params;
        for (auto& r : b.runtime) values += setValue(b.params, r.name, r.value) ? 1 : 0;
        b.runtime.clear();
        reindex(c.name + ":" + b.name, before, b.params);
      });
      logConn(ctx.conn.id,
              "upload of " + name + " took " + std::to_string(values) + " values from the CP");
      break;
    }
    case Utility::Checkpoint: {
      run.what = "checkpoint";
      if (checkpointWriter_) {
        // The plant as it is now is written while the server goes on; the
        // answer waits in line until the write has ended.
        run.ticket = nextTicket_++;
        const std::uint64_t ticket = run.ticket;
        logConn(ctx.conn.id, "checkpoint of " + name + " started");
        ctx.out.push_back({ctx.conn.id, work, "DNCPUTIL", ticket});
        checkpointWriter_(ticket, std::make_shared<const Plant>(plant_));
        return;
      }
      const std::string problem = checkpointSink_ ? checkpointSink_(plant_) : std::string();
      if (!problem.empty()) {
        logConn(ctx.conn.id, "checkpoint of " + name + " failed: " + problem);
        ctx.reply(errLine("ERRCPUTIL", "Checkpoint of " + name + " failed: " + problem), work);
        return;
      }
      logConn(ctx.conn.id,
              "checkpoint of " + name + (checkpointSink_ ? " written" : " done (no plant file)"));
      break;
    }
    case Utility::Initialize:
      run.what = "initialize";
      // The CP restarts from its configuration: what was tuned at the
      // CP and never uploaded is gone.
      forTunedBlocks(name, [](const Compound&, Block& b) { b.runtime.clear(); });
      logConn(ctx.conn.id, "initialized " + name);
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
