// The memory of the whole client process holding a large block tree. A program of its own,
// so that its peak is this tree's and not what another benchmark left behind.
//
//   BM_TreeMemory/N   the client started and shown; a block list of N blocks arriving in
//                     socket-sized pieces through the line splitter and the dispatcher, as
//                     from the connection; the tree shown and painted. Reported: the
//                     process's peak resident size (VmHWM) and its resident size (VmRSS)
//                     before the list and after it, in MB (2^20 bytes), read from
//                     /proc/self/status (0 where there is none).
//
// Run it once per process (it runs one iteration): a second list in the same process
// would only show how much of the first one's memory is reused.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QGroupBox>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/Client.h"
#include "bench_qt.h"
#include "block_burst.h"
#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "link/Connection.h"
#include "link/line_splitter.h"

using namespace tarvo;

namespace {

constexpr std::size_t kReadSize = 64 * 1024;

// A "Vm...:   123 kB" field of /proc/self/status, in MB.
double statusMb(std::string_view field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.starts_with(field) && line.size() > field.size() && line[field.size()] == ':')
      return std::stod(line.substr(field.size() + 1)) / 1024.0;
  return 0;
}

void BM_TreeMemory(benchmark::State& state) {
  const QString dir = QDir::temp().filePath(QStringLiteral("tarvo-bench-memory"));
  QDir().mkpath(dir);
  bench::SilentPrompter prompter;
  Client client(prompter, dir + QStringLiteral("/TarvoIp.txt"));
  client.start();
  client.form().updStatBar(QStringLiteral("CP6001"), 2);
  bench::settle();

  const double peakBefore = statusMb("VmHWM");
  const double rssBefore = statusMb("VmRSS");
  for (auto _ : state) {
    // The reply is made as it is read, a socket's read at a time, so that the process
    // holds no more of it at once than the connection would.
    link::LineSplitter splitter;
    std::vector<std::string> lines;
    std::string read;
    auto arrive = [&] {
      lines.clear();
      splitter.feed(read, lines);
      read.clear();
      for (const std::string& line : lines) client.connection().router().dispatch(line);
    };
    bench::forEachListLine(static_cast<int>(state.range(0)), [&](const std::string& line) {
      read += line;
      read += '\n';
      if (read.size() >= kReadSize) arrive();
    });
    arrive();
    bench::settle();
  }
  state.counters["nodes"] = client.tree().blocks().count();
  state.counters["shown"] =
      client.form().findChild<QGroupBox*>(QStringLiteral("CBFRM"))->isVisible();
  state.counters["rss_before_MB"] = rssBefore;
  state.counters["peak_before_MB"] = peakBefore;
  state.counters["rss_MB"] = statusMb("VmRSS");
  state.counters["peak_MB"] = statusMb("VmHWM");
}

}  // namespace

BENCHMARK(BM_TreeMemory)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  return bench::runQtBenchmarks(argc, argv, {});
}
