// tarvoctl as a user runs it: the program, against tarvo-sim (a program of its own), over
// loopback and through the latency rig (a program of its own too), so that a round trip
// costs what the rig's delay says.
//
//   BM_CtlApply/D/W/B     `tarvoctl apply` of B blocks x 5 changes with --window W, the
//                         rig delaying each direction by D ms (0: no rig)
//   BM_CtlCommand/C/D     one command (cps, compounds, blocks, params, set, apply of 10
//                         blocks, the same apply with --window 1, dump and diff of the
//                         2,000 blocks), through the rig at D ms each way and over loopback;
//                         the counter `round_trips` is the time the rig added, in round trips
//   BM_CtlRead/C/D        `tarvoctl dump CPT01` (C 0) or `tarvoctl diff CPT01 FILE` of its
//                         dump (C 1): 2,000 blocks and their compounds, every parameter, the
//                         rig delaying each direction by D ms (0: no rig)
//
// Every apply gets a file of values the blocks do not hold yet: apply leaves out a value
// a block holds already, and a run that sent nothing would time nothing.
//
// Times are of the whole program, start to exit, so they include its start-up (the same
// with and without the rig).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "bench_main.h"
#include "rig_process.h"
#include "sim/plant.h"
#include "sim_process.h"

using namespace tarvo;

namespace {

constexpr int kCompounds = 20;
constexpr int kBlocksEach = 100;
constexpr int kChangesEach = 5;

std::string blockName(int n) {
  const std::string c = std::to_string(n / kBlocksEach + 1);
  const std::string b = std::to_string(n % kBlocksEach + 1);
  return "C" + std::string(2 - c.size(), '0') + c + ":B" + std::string(3 - b.size(), '0') + b;
}

// 2,000 PID blocks on one CP.
sim::Plant plant() {
  sim::Plant p;
  sim::Cp cp;
  cp.name = "CPT01";
  cp.model = "FCP280";
  cp.description = "Bench CP";
  for (int c = 0; c < kCompounds; ++c) {
    sim::Compound compound =
        sim::makeCompound(blockName(c * kBlocksEach).substr(0, 3), "Bench compound");
    for (int b = 0; b < kBlocksEach; ++b)
      compound.blocks.push_back(sim::makeBlock(blockName(c * kBlocksEach + b).substr(4), "PID"));
    cp.compounds.push_back(std::move(compound));
  }
  p.cps.push_back(std::move(cp));
  return p;
}

struct Setup {
  bench::SimProcess sim;
  std::map<int, std::unique_ptr<bench::RigProcess>> rigs;
  QTemporaryDir dir;
  int applies = 0;  // files written for apply, so that each one's values are new
};
std::unique_ptr<Setup> theSetup;

Setup* setup(benchmark::State& state) {
  if (theSetup) return theSetup.get();
  theSetup = std::make_unique<Setup>();
  QString error;
  if (!theSetup->sim.start(plant(), &error)) {
    theSetup.reset();
    state.SkipWithError(error.toLocal8Bit().constData());
    return nullptr;
  }
  return theSetup.get();
}

// The port that reaches the simulator with `delayMs` each way.
quint16 portFor(Setup& s, int delayMs) {
  if (delayMs == 0) return s.sim.port();
  auto& rig = s.rigs[delayMs];
  if (!rig) {
    rig = std::make_unique<bench::RigProcess>();
    if (!rig->start(QStringLiteral(TARVO_LATENCY_RIG), s.sim.port(), delayMs)) return 0;
  }
  return rig->port();
}

// A file of changes to `blocks` blocks, every value other than the last file's.
QString csvOf(Setup& s, int blocks) {
  const int run = ++s.applies;
  const QString path = s.dir.filePath(QStringLiteral("apply.csv"));
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  const char* params[kChangesEach] = {"DESCRP", "PERIOD", "PHASE", "PBAND", "INT"};
  for (int n = 0; n < blocks; ++n)
    for (int k = 0; k < kChangesEach; ++k) {
      const int value = k == 0   ? n * 1000 + run
                        : k == 1 ? (n + run) % 13
                        : k == 2 ? (n + run) % 999
                        : k == 3 ? 50 + (n + run) % 100
                                 : 1 + (n + run) % 7;
      file.write(QStringLiteral("%1,%2,%3\n")
                     .arg(QString::fromStdString(blockName(n)), QLatin1String(params[k]))
                     .arg(value)
                     .toLatin1());
    }
  return path;
}

// Runs tarvoctl to its end, its output to `output` (none when empty); the seconds it took,
// or a negative number when it failed.
double runCtl(Setup& s, int delayMs, const QStringList& args, const QString& output = {}) {
  const quint16 port = portFor(s, delayMs);
  if (port == 0) return -1;
  QProcess ctl;
  ctl.setStandardOutputFile(output.isEmpty() ? QProcess::nullDevice() : output);
  QElapsedTimer clock;
  clock.start();
  ctl.start(
      QStringLiteral(TARVO_CTL_PROGRAM),
      QStringList{QStringLiteral("--port"), QString::number(port), QStringLiteral("--journal-dir"),
                  s.dir.filePath(QStringLiteral("journal"))} +
          args);
  if (!ctl.waitForFinished(600000) || ctl.exitCode() != 0) {
    std::fprintf(stderr, "tarvoctl %s: exit %d (%d) %s\n", qPrintable(args.join(u' ')),
                 ctl.exitCode(), int(ctl.exitStatus()), ctl.readAllStandardError().constData());
    return -1;
  }
  return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

void BM_CtlApply(benchmark::State& state) {
  Setup* s = setup(state);
  if (!s) return;
  const int delayMs = static_cast<int>(state.range(0));
  const int blocks = static_cast<int>(state.range(2));
  const QStringList args{QStringLiteral("--window"), QString::number(state.range(1)),
                         QStringLiteral("apply"), QStringLiteral("CPT01")};
  for (auto _ : state) {
    state.PauseTiming();
    const QString csv = csvOf(*s, blocks);
    state.ResumeTiming();
    const double seconds = runCtl(*s, delayMs, args + QStringList{csv});
    if (seconds < 0) {
      state.SkipWithError("tarvoctl failed");
      return;
    }
    state.SetIterationTime(seconds);
  }
  state.SetItemsProcessed(state.iterations() * blocks);
}

const QStringList kCommands[] = {
    {QStringLiteral("cps")},
    {QStringLiteral("compounds")},
    {QStringLiteral("blocks"), QStringLiteral("CPT01")},
    {QStringLiteral("params"), QStringLiteral("CPT01"), QStringLiteral("C01:B001")},
    {QStringLiteral("set"), QStringLiteral("CPT01"), QStringLiteral("C01:B001"),
     QStringLiteral("PHASE=7")},
    {QStringLiteral("apply"), QStringLiteral("CPT01")},
    {QStringLiteral("--window"), QStringLiteral("1"), QStringLiteral("apply"),
     QStringLiteral("CPT01")},
    {QStringLiteral("dump"), QStringLiteral("CPT01")},
    {QStringLiteral("diff"), QStringLiteral("CPT01")},
};

// The arguments of one run: an apply gets a new file, a diff a fresh dump to compare with
// (diff exits 0 only when nothing differs).
QStringList prepared(Setup& s, const QStringList& args) {
  if (args.contains(QStringLiteral("apply"))) return args + QStringList{csvOf(s, 10)};
  if (args.contains(QStringLiteral("diff"))) {
    const QString dump = s.dir.filePath(QStringLiteral("dump.csv"));
    if (runCtl(s, 0, {QStringLiteral("dump"), QStringLiteral("CPT01")}, dump) < 0) return {};
    return args + QStringList{dump};
  }
  return args;
}

void BM_CtlRead(benchmark::State& state) {
  Setup* s = setup(state);
  if (!s) return;
  const int delayMs = static_cast<int>(state.range(1));
  const QStringList args = state.range(0) == 0
                               ? QStringList{QStringLiteral("dump"), QStringLiteral("CPT01")}
                               : QStringList{QStringLiteral("diff"), QStringLiteral("CPT01")};
  for (auto _ : state) {
    state.PauseTiming();
    const QStringList run = prepared(*s, args);
    state.ResumeTiming();
    const double seconds = run.isEmpty() ? -1 : runCtl(*s, delayMs, run);
    if (seconds < 0) {
      state.SkipWithError("tarvoctl failed");
      return;
    }
    state.SetIterationTime(seconds);
  }
  state.SetLabel(args.front().toStdString());
  state.SetItemsProcessed(state.iterations() * kCompounds * kBlocksEach);
}

void BM_CtlCommand(benchmark::State& state) {
  Setup* s = setup(state);
  if (!s) return;
  const int delayMs = static_cast<int>(state.range(1));
  const QStringList args = kCommands[state.range(0)];
  state.SetLabel(args.join(u' ').toStdString());
  double loopback = 1e9;
  double delayed = 1e9;
  for (auto _ : state) {
    state.PauseTiming();
    const QStringList first = prepared(*s, args);
    const QStringList second = prepared(*s, args);
    state.ResumeTiming();
    const double near = first.isEmpty() ? -1 : runCtl(*s, 0, first);
    const double far = second.isEmpty() ? -1 : runCtl(*s, delayMs, second);
    if (near < 0 || far < 0) {
      state.SkipWithError("tarvoctl failed");
      return;
    }
    loopback = std::min(loopback, near);
    delayed = std::min(delayed, far);
    state.SetIterationTime(far);
  }
  state.counters["round_trips"] = (delayed - loopback) / (2 * delayMs / 1000.0);
}

}  // namespace

BENCHMARK(BM_CtlApply)
    ->Args({0, 1, 2000})
    ->Args({0, 1024, 2000})
    ->Args({25, 1024, 2000})
    ->Args({25, 256, 2000})
    ->Args({25, 1, 200})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(2);
BENCHMARK(BM_CtlRead)
    ->ArgsProduct({{0, 1}, {0, 25}})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);
BENCHMARK(BM_CtlCommand)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7, 8}, {25}})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int code = bench::runBenchmarks(
      argc, argv,
      {{"apply 2000 x 5, window 1024: 50 ms RT / loopback", "BM_CtlApply/25/1024/2000",
        "BM_CtlApply/0/1024/2000"},
       {"apply 2000 x 5 on loopback: window 1024 / window 1", "BM_CtlApply/0/1024/2000",
        "BM_CtlApply/0/1/2000"},
       {"dump of 2000 blocks: 50 ms RT / loopback", "BM_CtlRead/0/25", "BM_CtlRead/0/0"},
       {"diff of 2000 blocks: 50 ms RT / loopback", "BM_CtlRead/1/25", "BM_CtlRead/1/0"}});
  theSetup.reset();
  return code;
}
