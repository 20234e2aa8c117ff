// A long parameter list into the parameter editor's grid.
//
//   BM_ParamListToShown/N   from "CLRPRMLST" through N "PRMLST" lines to "DNPRMLST" and the
//                           editor shown and painted: what the user waits for after "Edit"
//   BM_RowsAfterShown/N     N "PRMLST" lines that arrive after "DNPRMLST", while the editor
//                           is already on screen (a server that ends the list early)
//
// The lines come in bursts of 100, the event loop turning between bursts as it does
// between arrivals, so a shown editor gets its chance to repaint. Each list answers an
// "Edit" pressed on a block (the client opens no editor for a list it did not ask for),
// over a loopback connection to a server that reads nothing. Pressing Edit and closing
// the editor are not timed. Twice the rows should take twice the time: the ratios below say whether
// it does.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QTableWidget>
#include <QTcpServer>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/Client.h"
#include "app/LinkController.h"
#include "bench_qt.h"
#include "browser/TreeController.h"
#include "link/Connection.h"
#include "params/ParamsController.h"
#include "params/ParmEditFRM.h"

using namespace tarvo;

namespace {

constexpr int kBurstLines = 100;

// "PRMLST", a blank, the name in columns 8 to 13, the value from column 14.
std::vector<std::string> paramLines(int count) {
  std::vector<std::string> lines;
  for (int n = 0; n < count; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "P%05d", n % 100000);
    std::string line = "PRMLST ";
    line += name;
    line += ' ';
    line += n % 3 ? std::to_string(n * 7 % 1000) + ".5" : "LOAD:BLK" + std::to_string(n) + ".OUT";
    lines.push_back(std::move(line));
  }
  return lines;
}

struct EditorFixture {
  EditorFixture() : dir(QDir::temp().filePath(QStringLiteral("tarvo-bench-params"))) {
    QDir().mkpath(dir);
    client = std::make_unique<Client>(prompter, dir + QStringLiteral("/TarvoIp.txt"));
    client->start();
    server.listen(QHostAddress::LocalHost, 0);
    client->linkController().setServerOverride(QStringLiteral("127.0.0.1"), server.serverPort());
    client->linkController().connectToServer();
    bench::waitUntil([this] { return client->connection().isConnected(); });
    for (const char* line : {"CLRBLKLST", "BLKLST     1 CMP1                 COMPND",
                             "BLKLST     2    PID1              PID", "DNBLKLST"})
      client->connection().router().dispatch(line);
    client->tree().selectNode(QStringLiteral("CMP1:PID1"));
    bench::settle();
  }
  // "Edit" on the selected block: the next list is the one asked for.
  void ask() { client->params().edit(); }
  void dispatch(const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      client->connection().router().dispatch(lines[i]);
      if ((i + 1) % kBurstLines == 0) bench::settle();
    }
    bench::settle();
  }
  params::ParmEditFRM* editor() { return client->params().parmEditor(); }
  void closeEditor() {
    if (params::ParmEditFRM* e = editor()) e->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    bench::settle();
  }

  bench::SilentPrompter prompter;
  QString dir;
  QTcpServer server;
  std::unique_ptr<Client> client;
};

std::unique_ptr<EditorFixture> theFixture;

EditorFixture& fixture() {
  if (!theFixture) theFixture = std::make_unique<EditorFixture>();
  return *theFixture;
}

void BM_ParamListToShown(benchmark::State& state) {
  EditorFixture& f = fixture();
  std::vector<std::string> lines{"CLRPRMLST"};
  for (std::string& line : paramLines(static_cast<int>(state.range(0))))
    lines.push_back(std::move(line));
  lines.emplace_back("DNPRMLST");
  int rows = 0;
  for (auto _ : state) {
    state.PauseTiming();
    f.ask();
    state.ResumeTiming();
    f.dispatch(lines);
    rows = f.editor() && f.editor()->isVisible()
               ? bench::control<QTableWidget>(f.editor(), "MSHFlexGrid1")->rowCount()
               : -1;
    state.PauseTiming();
    f.closeEditor();
    state.ResumeTiming();
  }
  state.counters["rows"] = rows;
}

void BM_RowsAfterShown(benchmark::State& state) {
  EditorFixture& f = fixture();
  const std::vector<std::string> lines = paramLines(static_cast<int>(state.range(0)));
  int rows = 0;
  for (auto _ : state) {
    state.PauseTiming();
    f.ask();
    f.dispatch({"CLRPRMLST", "PRMLST NAME   LOAD", "PRMLST TYPE   PID", "DNPRMLST"});
    state.ResumeTiming();
    f.dispatch(lines);
    rows = f.editor() && f.editor()->isVisible()
               ? bench::control<QTableWidget>(f.editor(), "MSHFlexGrid1")->rowCount()
               : -1;
    state.PauseTiming();
    f.closeEditor();
    state.ResumeTiming();
  }
  state.counters["rows"] = rows;
}

}  // namespace

BENCHMARK(BM_ParamListToShown)->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowsAfterShown)->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  return bench::runQtBenchmarks(argc, argv,
                                {{"list to shown, 8,000 / 2,000 rows", "BM_ParamListToShown/8000",
                                  "BM_ParamListToShown/2000"},
                                 {"rows after shown, 8,000 / 2,000 rows", "BM_RowsAfterShown/8000",
                                  "BM_RowsAfterShown/2000"}},
                                [] { theFixture.reset(); });
}
