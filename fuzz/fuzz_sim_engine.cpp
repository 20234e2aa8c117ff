// tarvo-sim's command handling against the demo plant: a sequence of commands from up to
// four connections, with connects and disconnects, a fake clock and checkpoint writes that
// end when the input says. Records are separated by NUL bytes; a record's first byte says
// what happens:
//   low 4 bits 0-11  a command (the rest of the record) on connection (low 2 bits)
//   12               connection (bits 4-5) disconnects and a new one takes its place
//   13               the clock moves on by (bits 4-7) * 250 ms
//   14, 15           the oldest checkpoint write ends well (14) or fails (15)
// Every reply is one line for a live connection, the log never carries a control
// character, what the engine holds for clients stays within its limits, the plant never
// grows past its own (set a little above the demo plant here), a checkpoint's snapshot
// stays as it was taken whatever changes after it, and the plant the engine ends with
// survives a checkpoint and a restart unchanged.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "sim/demo_plant.h"
#include "sim/engine.h"
#include "sim/plant_file.h"

namespace {

using namespace tarvo::sim;

constexpr std::size_t kConnections = 4;

EngineOptions options() {
  static const Plant demo = buildDemoPlant();
  EngineOptions o;
  PlantSize largest;
  for (const auto& cp : demo.cps) {
    const PlantSize size = sizeOf(cp);
    largest.blocks = std::max(largest.blocks, size.blocks);
    largest.compounds = std::max(largest.compounds, size.compounds);
    largest.sourceLines = std::max(largest.sourceLines, size.sourceLines);
    largest.sourceBytes = std::max(largest.sourceBytes, size.sourceBytes);
  }
  o.limits.maxPerCp = largest;
  o.limits.maxPerCp += {4, 2, 200, 8000};
  o.limits.maxPlant = sizeOf(demo);
  o.limits.maxPlant += {8, 3, 300, 12000};
  o.workMs = 500;
  o.xrefMsPerBlock = 2;
  o.limits.maxEditChanges = 40;
  o.limits.maxEditBytes = 2000;
  o.limits.log.burst = 5;
  o.limits.log.msPerLine = 100;
  return o;
}

// What the engine may hold for one connection at most.
std::size_t heldBound(const EngineLimits& limits) {
  return limits.maxHostLength + 64 + limits.maxEditBytes * 2 + 200 + Engine::kMaxSourceBytes + 100 +
         64 * 1024 + 2000;
}

void check(const std::vector<Outgoing>& out, const std::array<ConnId, kConnections>& live) {
  for (const auto& o : out) {
    if (o.line.find('\n') != std::string::npos) std::abort();
    bool known = false;
    for (ConnId c : live) known = known || c == o.conn;
    if (!known) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Plant demo = buildDemoPlant();
  static const EngineOptions opts = options();
  Engine engine(demo, opts);
  std::int64_t now = 1'000'000;
  engine.setClock([&] { return now; });
  engine.setLogger([](const std::string& line) {
    for (char c : line) {
      const auto u = static_cast<unsigned char>(c);
      if (u < 0x20 || u >= 0x7F) std::abort();
    }
  });
  struct Write {
    std::uint64_t ticket;
    std::shared_ptr<const Plant> snapshot;
    std::string text;  // the snapshot's plant file as it was taken
  };
  std::deque<Write> writes;
  engine.setCheckpointWriter([&](std::uint64_t ticket, std::shared_ptr<const Plant> snapshot) {
    if (!snapshot || !(*snapshot == engine.plant())) std::abort();
    std::string text = writePlantText(*snapshot);
    writes.push_back({ticket, std::move(snapshot), std::move(text)});
  });

  std::array<ConnId, kConnections> live{};
  for (auto& c : live) c = engine.connect();
  auto endWrite = [&](bool ok) {
    if (writes.empty()) return;
    const std::uint64_t ticket = writes.front().ticket;
    if (writePlantText(*writes.front().snapshot) != writes.front().text) std::abort();
    writes.pop_front();
    const auto out = engine.checkpointWritten(ticket, ok ? "" : "disk full\nVERSION6.6.6");
    check(out, live);
    for (const auto& o : out)
      if (o.awaits != ticket) std::abort();
  };

  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t start = 0;
  while (start < input.size()) {
    auto end = input.find('\0', start);
    if (end == std::string_view::npos) end = input.size();
    const std::string_view record = input.substr(start, end - start);
    start = end + 1;
    if (record.empty()) continue;
    const auto op = static_cast<unsigned char>(record[0]);
    const std::string_view command = record.substr(1);
    switch (op & 0x0F) {
      case 12: {
        ConnId& c = live[(op >> 4) % kConnections];
        engine.disconnect(c);
        c = engine.connect();
        break;
      }
      case 13: now += static_cast<std::int64_t>(op >> 4) * 250; break;
      case 14: endWrite(true); break;
      case 15: endWrite(false); break;
      default: {
        const auto out = engine.handle(live[op % kConnections], command);
        check(out, live);
        for (const auto& o : out)
          if (o.awaits != 0 && o.line != "DNCPUTIL") std::abort();
      }
    }
    if (engine.heldBytes() > kConnections * heldBound(opts.limits)) std::abort();
    const PlantSize& grown = engine.plantSize();
    const PlantSize& most = opts.limits.maxPlant;
    if (grown.blocks > most.blocks || grown.compounds > most.compounds ||
        grown.sourceLines > most.sourceLines || grown.sourceBytes > most.sourceBytes)
      std::abort();
  }
  while (!writes.empty()) endWrite(true);

  if (!(engine.plantSize() == sizeOf(engine.plant()))) std::abort();
  if (engine.plant() == demo) return 0;  // the demo plant is known to survive
  const PlantReadResult back = readPlantText(writePlantText(engine.plant()));
  if (!back.plant || !(*back.plant == engine.plant())) std::abort();
  return 0;
}
