// The client's arrival path without any view: a stream of reply lines cut into lines and
// each line run through the whole reply dispatcher.
//
//   BM_MemchrScan      the yardstick: the same bytes scanned for line ends with memchr,
//                      counting lines and nothing more
//   BM_SplitDispatch   the client: the bytes fed to the line splitter in socket-sized pieces,
//                      every complete line through the dispatcher's keyword tests, into a
//                      reply handler whose handlers do nothing
//
// The stream mixes the keywords of every family, from the first test of the table to the
// last, with payloads as the server lays them out, and a few lines that match no test.
// Pure: no Qt, so this is what the core costs on its own.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "bench_main.h"
#include "link/line_splitter.h"
#include "link/reply_router.h"

namespace {

// What one read of the socket brings at most, as the connection hands it on.
constexpr std::size_t kReadSize = 64 * 1024;

std::string number(int n, std::size_t width) {
  std::string s = std::to_string(n);
  return s.size() < width ? std::string(width - s.size(), ' ') + s : s;
}

std::string replyLine(int n) {
  const std::string num = number(n % 100000, 5);
  switch (n % 24) {
    case 0: return "BLKLST " + num + " C" + number(n / 50, 5) + "              COMPND";
    case 1: return "BLKLST " + num + "    AI" + number(n, 6) + "          AIN";
    case 2: return "BLKLST " + num + "    PC" + number(n, 6) + "          PID";
    case 3: return "PRMLST MEAS   C00001:AI" + number(n, 6) + ".PNT";
    case 4: return "PRMLST DESCRP Scale measurement " + num;
    case 5: return "PRMLST PBAND  100";
    case 6: return "SEQLST" + num + "  WAIT UNTIL running AND flow > 20.0;";
    case 7: return "SEQSRC  BO01 := TRUE;            { start command }";
    case 8: return "CPLST CP6001 FCP280   Boiler house " + num;
    case 9: return "CMPLST BOILER       CP6001";
    case 10: return "XREFLST BOILER:LC101.MEAS <- BOILER:LT101.PNT";
    case 11: return "PLBLIST " + num + " --| |----( )-- ";
    case 12: return "XREFRUNLINE Reading CP6001 block " + num;
    case 13: return "DNPRMMOD BOILER:LC" + number(n, 6);
    case 14: return "TRYOPENCP CP6001 checking configurator lock";
    case 15: return "BLKTYP PIDA";
    case 16: return "VERSION0.95.1";
    case 17: return "CLRPRMLST";
    case 18: return "DNPRMLST";
    case 19: return "XREFCFGGETLINE CP6001";
    case 20: return "WRNPRMMOD BOILER:LC101 PBAND: 2000 is above 1000, 1000 stored";
    case 21: return "XREFRUNDONE";
    case 22: return "";  // an empty line matches no test
    default: return "NOSUCHREPLY " + num;
  }
}

std::string makeStream(int lines) {
  std::string stream;
  stream.reserve(static_cast<std::size_t>(lines) * 40);
  for (int n = 0; n < lines; ++n) {
    stream += replyLine(n);
    stream += '\n';
  }
  return stream;
}

void BM_MemchrScan(benchmark::State& state) {
  const std::string stream = makeStream(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::size_t lines = 0;
    const char* p = stream.data();
    const char* const end = p + stream.size();
    while (const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
      ++lines;
      p = static_cast<const char*>(lf) + 1;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SplitDispatch(benchmark::State& state) {
  const std::string stream = makeStream(static_cast<int>(state.range(0)));
  const tarvo::link::ReplyRouter unbound;
  std::int64_t handled = 0;
  for (auto _ : state) {
    tarvo::link::LineSplitter splitter;
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < stream.size(); at += kReadSize) {
      lines.clear();
      splitter.feed(std::string_view(stream).substr(at, kReadSize), lines);
      for (const std::string& line : lines) handled += unbound.dispatch(line);
    }
    benchmark::DoNotOptimize(handled);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["handlers/line"] =
      static_cast<double>(handled) / static_cast<double>(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_MemchrScan)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitDispatch)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  return tarvo::bench::runBenchmarks(argc, argv,
                                     {{"split + dispatch / memchr scan, 1,000,000 lines",
                                       "BM_SplitDispatch/1000000", "BM_MemchrScan/1000000"}});
}
