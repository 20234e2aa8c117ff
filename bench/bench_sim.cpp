// tarvo-sim under a parameter read and write loop, over loopback, with the sim a program
// of its own and the clients in this one.
//
//   BM_SimParamLoop/C   C clients at once, each with a session on a CP of its own, each
//                       going round: read a PID block's parameters ("GETPARMS:" until
//                       "DNPRMLST"), then change one ("MODSTART:", "MODPARM:", "MODEND:",
//                       written together, until "DNPRMMOD"). Every client waits for each
//                       answer before it sends the next request, as the client program
//                       does. 2,000 rounds in all per iteration, shared among the clients.
//
// Reported: commands per second (items_per_second: four commands a round), and the reply
// time of each exchange, from the request written to its last reply line read (median and
// 99th percentile, reads and writes apart and together). Opening the sessions is not timed.
//
// The engine alone, in this process, with its plant limits raised to let the plant be large:
//
//   BM_SimBlockOps/N    an add, a copy, a move and two deletes in a compound of N blocks.
//                       items_per_second counts operations; it should not fall as N grows.
//                       another_client_waits_ms is what a read of the server's 64 KiB of such
//                       commands (about 1,600) keeps another client waiting.
//   BM_SimCheckpoint/C  what "CHECKPOINTCP" costs the serving thread on a plant that holds C
//                       copies of a sequence block with a 10,000-line source (600 took the
//                       server to 565 MB before the limits); first_change_us is the first
//                       parameter edit after it, which copies the compound it changes.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench_main.h"
#include "link/framing.h"
#include "link/line_splitter.h"
#include "sim/demo_plant.h"
#include "sim/engine.h"
#include "sim/plant.h"
#include "sim_process.h"

using namespace tarvo;

namespace {

constexpr int kMaxClients = 50;
constexpr int kRoundsPerIteration = 2000;
constexpr int kCommandsPerRound = 4;

std::string cpName(int k) {
  return "CP" + std::to_string(5001 + k);
}
std::string compoundName(int k) {
  return "LOAD" + std::to_string(5001 + k);
}

// One CP per client, each with a compound of a few blocks of the usual types.
sim::Plant loadPlant() {
  sim::Plant plant;
  for (int k = 0; k < kMaxClients; ++k) {
    sim::Cp cp;
    cp.name = cpName(k);
    cp.model = "FCP280";
    cp.description = "Load test CP";
    sim::Compound compound = sim::makeCompound(compoundName(k), "Load test compound");
    for (int loop = 1; loop <= 4; ++loop) {
      const std::string n = std::to_string(loop);
      compound.blocks.push_back(sim::makeBlock("LT10" + n, "AIN"));
      compound.blocks.push_back(sim::makeBlock("LC10" + n, "PID"));
      compound.blocks.push_back(sim::makeBlock("LV10" + n, "AOUT"));
    }
    cp.compounds.push_back(std::move(compound));
    plant.cps.push_back(std::move(cp));
  }
  return plant;
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const auto at = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
  return v[std::min(at, v.size() - 1)];
}

struct Exchanges {
  std::vector<double> readMs;
  std::vector<double> writeMs;
  int failures = 0;
  std::string firstFailure;
};

// One client of the loop: a socket, its session, and where it stands in its rounds.
class LoadClient {
 public:
  LoadClient(int k, Exchanges& log) : log_(log), cp_(cpName(k)) {
    block_ = compoundName(k) + ":LC101";
    QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { onReadyRead(); });
  }

  bool open(quint16 port) {
    socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket_.waitForConnected(10000)) return false;
    state_ = State::Opening;
    send("OPENCP:" + cp_ + " ALL bench");
    return true;
  }
  bool sessionOpen() const { return state_ == State::Idle || state_ == State::Done; }
  bool failed() const { return state_ == State::Failed; }

  // Starts `rounds` rounds; done() once they are all answered.
  void run(int rounds) {
    roundsLeft_ = rounds;
    nextRound();
  }
  bool done() const { return state_ == State::Done || state_ == State::Failed; }

  void close() {
    send("CLOSEICC");
    socket_.disconnectFromHost();
  }

 private:
  enum class State { Closed, Opening, Idle, Reading, Writing, Done, Failed };

  void send(const std::string& command) {
    const std::string frame = link::frameCommand(command);
    socket_.write(frame.data(), static_cast<qint64>(frame.size()));
  }

  void nextRound() {
    if (roundsLeft_-- <= 0) {
      state_ = State::Done;
      return;
    }
    state_ = State::Reading;
    clock_.start();
    send("GETPARMS:" + block_);
  }

  void fail(const std::string& line) {
    if (log_.failures++ == 0) log_.firstFailure = cp_ + ": " + line;
    state_ = State::Failed;
  }

  void onReadyRead() {
    const QByteArray data = socket_.readAll();
    lines_.clear();
    splitter_.feed(std::string_view(data.constData(), static_cast<std::size_t>(data.size())),
                   lines_);
    for (const std::string& line : lines_) onLine(line);
  }

  void onLine(const std::string& line) {
    switch (state_) {
      case State::Opening:
        if (line.starts_with("DNOPENCP"))
          state_ = State::Idle;
        else if (line.starts_with("ERROPENCP") || line.starts_with("LOCKOPENCP"))
          fail(line);
        break;
      case State::Reading:
        if (line == "DNPRMLST") {
          log_.readMs.push_back(static_cast<double>(clock_.nsecsElapsed()) / 1e6);
          state_ = State::Writing;
          clock_.start();
          // The value changes every round, so every write is a real change.
          const std::string value = std::to_string(50 + (++written_ % 100));
          send("MODSTART:" + block_);
          send("MODPARM:PBAND = " + value);
          send("MODEND:" + block_);
        } else if (line.starts_with("ERRPRMLST")) {
          fail(line);
        }
        break;
      case State::Writing:
        if (line.starts_with("DNPRMMOD")) {
          log_.writeMs.push_back(static_cast<double>(clock_.nsecsElapsed()) / 1e6);
          nextRound();
        } else if (line.starts_with("ERRPRMMOD") || line.starts_with("WRNPRMMOD")) {
          fail(line);
        }
        break;
      default: break;
    }
  }

  Exchanges& log_;
  std::string cp_;
  std::string block_;
  QTcpSocket socket_;
  link::LineSplitter splitter_;
  std::vector<std::string> lines_;
  State state_ = State::Closed;
  QElapsedTimer clock_;
  int roundsLeft_ = 0;
  int written_ = 0;
};

bool runUntil(const std::function<bool()>& done, int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  QTimer tick;
  tick.start(50);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

std::unique_ptr<bench::SimProcess> theSim;

void BM_SimParamLoop(benchmark::State& state) {
  if (!theSim) {
    theSim = std::make_unique<bench::SimProcess>();
    QString error;
    if (!theSim->start(loadPlant(), &error)) {
      theSim.reset();
      state.SkipWithError(error.toLocal8Bit().constData());
      return;
    }
  }
  const int count = static_cast<int>(state.range(0));
  Exchanges log;
  std::vector<std::unique_ptr<LoadClient>> clients;
  for (int k = 0; k < count; ++k) {
    clients.push_back(std::make_unique<LoadClient>(k, log));
    if (!clients.back()->open(theSim->port())) {
      state.SkipWithError("cannot connect");
      return;
    }
  }
  auto all = [&](bool (LoadClient::*test)() const) {
    return std::all_of(clients.begin(), clients.end(),
                       [&](const auto& c) { return ((*c).*test)() || c->failed(); });
  };
  if (!runUntil([&] { return all(&LoadClient::sessionOpen); }, 20000) || log.failures > 0) {
    state.SkipWithError(("sessions did not open: " + log.firstFailure).c_str());
    return;
  }

  const int rounds = kRoundsPerIteration / count;
  for (auto _ : state) {
    for (auto& c : clients) c->run(rounds);
    if (!runUntil([&] { return all(&LoadClient::done); }, 120000) || log.failures > 0) {
      state.SkipWithError(("the loop stopped: " + log.firstFailure).c_str());
      break;
    }
  }
  for (auto& c : clients) c->close();
  runUntil([] { return false; }, 100);  // let the closing commands go out

  state.SetItemsProcessed(state.iterations() * count * rounds * kCommandsPerRound);
  std::vector<double> both = log.readMs;
  both.insert(both.end(), log.writeMs.begin(), log.writeMs.end());
  state.counters["p50_ms"] = percentile(both, 0.50);
  state.counters["p99_ms"] = percentile(both, 0.99);
  state.counters["p99_read_ms"] = percentile(log.readMs, 0.99);
  state.counters["p99_write_ms"] = percentile(log.writeMs, 0.99);
  state.counters["max_ms"] = percentile(both, 1.0);
}

// ---- the engine alone --------------------------------------------------------------------

sim::EngineOptions roomy() {
  sim::EngineOptions o;
  o.workMs = 0;
  o.limits.maxPerCp =
      o.limits.maxPlant = {10'000'000, 100'000, 100'000'000, 1'000'000'000, 1'000'000'000};
  return o;
}

bool answered(benchmark::State& state, const std::vector<sim::Outgoing>& out,
              const std::string& command) {
  if (out.size() == 1 && !out[0].line.starts_with("ERR")) return true;
  state.SkipWithError((command + ": " + (out.empty() ? "no answer" : out[0].line)).c_str());
  return false;
}

void BM_SimBlockOps(benchmark::State& state) {
  const auto blocks = static_cast<std::size_t>(state.range(0));
  sim::Plant plant = sim::buildScalePlant(blocks, blocks);
  const std::string first = plant.findCompound("C00001")->blocks.front().name;
  sim::Engine engine(std::move(plant), roomy());
  const sim::ConnId c = engine.connect();
  engine.handle(c, "OPENCP:CP9001 ALL bench");
  long round = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    const std::string n = "C00001:N" + std::to_string(round),
                      k = "C00001:K" + std::to_string(round);
    ++round;
    for (const std::string& command :
         {"ADDNEW:" + n + " C00001 AIN", "CPYNEW:" + k + " " + n + " AIN C00001:" + first,
          "MOVEBLK:C00001 " + k + " AIN", "DELBLK:" + n, "DELBLK:" + k})
      if (!answered(state, engine.handle(c, command), command)) return;
  }
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  const auto operations = static_cast<double>(state.iterations() * 5);
  state.SetItemsProcessed(state.iterations() * 5);
  // 64 KiB of commands of about 40 bytes each, read and handled at once.
  state.counters["another_client_waits_ms"] = took.count() / operations * 1600;
}

void BM_SimCheckpoint(benchmark::State& state) {
  sim::Plant plant = sim::buildDemoPlant();
  const std::vector<std::string> source(10'000,
                                        "X := X + 1; { filler filler filler filler filler }");
  sim::Compound& feed = *plant.cps.edit("CP6001")->compounds.edit("FEEDWT");
  for (long k = 0; k < state.range(0); ++k) {
    sim::Block b = sim::makeBlock("C" + std::to_string(k), "IND");
    b.source = source;
    feed.blocks.push_back(std::move(b));
  }
  sim::Engine engine(std::move(plant), roomy());
  std::uint64_t ticket = 0;
  std::shared_ptr<const sim::Plant> snapshot;
  engine.setCheckpointWriter([&](std::uint64_t t, std::shared_ptr<const sim::Plant> p) {
    ticket = t;
    snapshot = std::move(p);
  });
  const sim::ConnId c = engine.connect();
  engine.handle(c, "OPENCP:CP6001 ALL bench");
  double changeUs = 0;
  long value = 0;
  for (auto _ : state) {
    engine.handle(c, "CHECKPOINTCP");
    state.PauseTiming();
    // The snapshot is still being written when the next change comes.
    const auto start = std::chrono::steady_clock::now();
    engine.handle(c, "MODSTART:FEEDWT:PMPSEQ");
    engine.handle(c, "MODPARM:TIMINC = " + std::to_string(1 + value++ % 5));
    if (!answered(state, engine.handle(c, "MODEND:FEEDWT:PMPSEQ"), "MODEND")) return;
    changeUs +=
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    engine.checkpointWritten(ticket, "");
    snapshot.reset();
    state.ResumeTiming();
  }
  state.counters["first_change_us"] = changeUs / static_cast<double>(state.iterations());
}

}  // namespace

BENCHMARK(BM_SimBlockOps)->Arg(1000)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SimCheckpoint)->Arg(0)->Arg(600)->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_SimParamLoop)
    ->Arg(1)
    ->Arg(kMaxClients)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0);

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int code = bench::runBenchmarks(argc, argv, {});
  theSim.reset();
  return code;
}
