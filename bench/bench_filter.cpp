// Finding blocks in a tree of 100,000 blocks (2,000 compounds of 50): what one keystroke in
// the search field costs, from the text changing to the tree laid out and painted again,
// with the main window on screen.
//
//   BM_Typing        a user typing "lt1234" and deleting it again, one keystroke per
//                    iteration (12 keystrokes, each timed on its own); max_ms is the
//                    slowest one seen
//   BM_NothingFound  "" <-> "zzz": every compound hidden, then everything shown again
//   BM_CompoundsOnly "" <-> "area1": 1,111 compounds match by name, all of their 55,550
//                    blocks are hidden; the most nodes a keystroke hides in this tree
//   BM_ManyBlocks    "" <-> "a": two thirds of the blocks match (names and types), every
//                    compound opens
//   BM_IndexOnly     the pure part: which nodes a text shows, over the built index
//   BM_Rebuild       building the index again after the tree changed (once per change of
//                    the tree while a search is on, never per keystroke)
//
// Run with QT_QPA_PLATFORM=offscreen on a Release build.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTreeWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/Client.h"
#include "bench_qt.h"
#include "block_burst.h"
#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "browser/TreeFilter.h"
#include "browser/tree_filter.h"
#include "link/Connection.h"
#include "link/line_splitter.h"

using namespace tarvo;
using namespace tarvo::browser;
using bench::kBlocksPerCompound;
using bench::lineNumber;
using bench::padded;

namespace {

constexpr int kBlocks = 100000;

// Compounds AREA0..AREA1999, each with 50 blocks named by their kind and a number, as
// plants name them (LT1234 a level transmitter, PIC1234 a pressure controller, ...).
std::vector<std::string> blockListLines() {
  static const char* const kKinds[][2] = {{"LT", "AIN"},   {"FT", "AIN"},     {"PT", "AIN"},
                                          {"TT", "AIN"},   {"LIC", "PIDA"},   {"FIC", "PID"},
                                          {"PIC", "PIDA"}, {"FV", "AOUT"},    {"XS", "CIN"},
                                          {"XY", "COUT"},  {"CALC", "CALCA"}, {"SEQ", "IND"}};
  std::string burst = "CLRBLKLST\n";
  int line = 0;
  for (int b = 0; b < kBlocks; ++b) {
    if (b % kBlocksPerCompound == 0)
      burst += "BLKLST " + lineNumber(++line) + " " +
               padded("AREA" + std::to_string(b / kBlocksPerCompound), 18) + "   COMPND\n";
    const auto& kind = kKinds[b % 12];
    burst += "BLKLST " + lineNumber(++line) + "    " + padded(kind[0] + std::to_string(b), 18) +
             kind[1] + "\n";
  }
  burst += "BLKLST " + lineNumber(++line) + " ***END***\nDNBLKLST\n";
  std::vector<std::string> lines;
  link::LineSplitter splitter;
  splitter.feed(burst, lines);
  return lines;
}

struct Fixture {
  Fixture() : dir(QDir::temp().filePath(QStringLiteral("tarvo-bench-filter"))) {
    QDir().mkpath(dir);
    client = std::make_unique<Client>(prompter, dir + QStringLiteral("/TarvoIp.txt"));
    client->start();
    client->form().updStatBar(QStringLiteral("CP6001"), 2);
    for (const std::string& line : blockListLines()) client->connection().router().dispatch(line);
    settle();
  }
  static void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }
  // One keystroke: the field's text changes, the tree follows and is laid out and painted.
  void type(const QString& text) {
    client->form().filterField()->setText(text);
    settle();
  }
  bench::SilentPrompter prompter;
  QString dir;
  std::unique_ptr<Client> client;
};

std::unique_ptr<Fixture> theFixture;

Fixture& fixture() {
  if (!theFixture) theFixture = std::make_unique<Fixture>();
  return *theFixture;
}

// Times each keystroke of `texts` in turn, one per iteration.
void keystrokes(benchmark::State& state, const QStringList& texts) {
  Fixture& f = fixture();
  f.type(QString());
  f.type(texts.first());  // the first search builds the index
  qsizetype next = 1;
  double maxMs = 0;
  QElapsedTimer timer;
  for (auto _ : state) {
    timer.start();
    f.type(texts[next]);
    maxMs = std::max(maxMs, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    next = (next + 1) % texts.size();
  }
  state.counters["max_ms"] = maxMs;
  state.counters["nodes"] = f.client->tree().blocks().count();
  f.type(QString());
}

void BM_Typing(benchmark::State& state) {
  keystrokes(state,
             {"l", "lt", "lt1", "lt12", "lt123", "lt1234", "lt123", "lt12", "lt1", "lt", "l", ""});
}

void BM_NothingFound(benchmark::State& state) {
  keystrokes(state, {"", "zzz"});
}

void BM_CompoundsOnly(benchmark::State& state) {
  keystrokes(state, {"", "area1"});
}

void BM_ManyBlocks(benchmark::State& state) {
  keystrokes(state, {"", "a"});
}

void BM_IndexOnly(benchmark::State& state) {
  FilterIndex index;
  int parent = -1;
  for (const std::string& line : blockListLines()) {
    if (!line.starts_with("BLKLST")) continue;
    const BlkLine l = parseBlkLine(line);
    if (l.kind == BlkLineKind::Compound)
      parent = index.add(l.cmpName, "COMPND", -1);
    else if (l.kind == BlkLineKind::Block)
      index.add("AREA:" + std::string(l.blkName), l.type, parent);
  }
  std::vector<Shown> shown;
  const char* const texts[] = {"l", "lt", "lt1", "lt12", "lt123", "lt1234"};
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(index.apply(texts[next], shown));
    next = (next + 1) % 6;
  }
}

void BM_Rebuild(benchmark::State& state) {
  Fixture& f = fixture();
  f.type(QStringLiteral("lt12"));
  QTreeWidgetItem* some = f.client->tree().blocks().find(QStringLiteral("AREA0:LT12"));
  const QString text = some->text(0);
  for (auto _ : state) {
    // A change of a node's text makes the index stale; the search follows at once.
    some->setText(0, text);
    f.client->treeFilter().apply();
  }
  f.type(QString());
}

}  // namespace

BENCHMARK(BM_Typing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NothingFound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompoundsOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManyBlocks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rebuild)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  return bench::runQtBenchmarks(argc, argv, {}, [] { theFixture.reset(); });
}
