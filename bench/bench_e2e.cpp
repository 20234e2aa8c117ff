// From connecting to the tree of a large CP on screen: the client against tarvo-sim over
// loopback, with the sim a program of its own.
//
//   BM_ConnectToTree   "New" pressed; as soon as the CP list shows the CP it is picked; the
//                      session opens, the block list arrives and the tree is shown and
//                      painted. Timed from pressing "New" to the painted tree. Closing the
//                      session and removing the old tree between rounds is not timed.
//
// The CP is tarvo-sim's scale plant: `blocks` process blocks in compounds of 40, listed
// without the ECB and station blocks, as "Show ECB/Station Blocks" starts unticked.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <memory>

#include "app/Client.h"
#include "bench_qt.h"
#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "link/Connection.h"
#include "records/settings_file.h"
#include "sim/demo_plant.h"
#include "sim_process.h"

using namespace tarvo;

namespace {

const QString kCp = QStringLiteral("CP9001");

template <class T>
T* control(Client& client, const char* name) {
  return client.form().findChild<T*>(QLatin1String(name));
}

int cpRow(QComboBox* list) {
  for (int i = 0; i < list->count(); ++i)
    if (list->itemText(i).startsWith(kCp)) return i;
  return -1;
}

bool writeSettings(const QString& path, quint16 port) {
  records::SettingsFile settings;
  settings.entries[0] = {"127.0.0.1", std::to_string(port)};
  const std::string text = records::formatSettings(settings);
  QFile file(path);
  return file.open(QIODevice::WriteOnly) &&
         file.write(text.data(), static_cast<qint64>(text.size())) ==
             static_cast<qint64>(text.size());
}

void BM_ConnectToTree(benchmark::State& state) {
  bench::SimProcess sim;
  QString error;
  if (!sim.start(sim::buildScalePlant(static_cast<std::size_t>(state.range(0))), &error)) {
    state.SkipWithError(error.toLocal8Bit().constData());
    return;
  }
  const QString dir = QDir::temp().filePath(QStringLiteral("tarvo-bench-e2e"));
  QDir().mkpath(dir);
  const QString settings = dir + QStringLiteral("/TarvoIp.txt");
  if (!writeSettings(settings, sim.port())) {
    state.SkipWithError("cannot write the settings file");
    return;
  }
  bench::SilentPrompter prompter;
  Client client(prompter, settings);
  client.start();
  bench::settle();
  QAction* newSession = control<QAction>(client, "SessionNewMP");
  QAction* closeSession = control<QAction>(client, "SessionCloseMP");
  QGroupBox* lists = control<QGroupBox>(client, "CPFRM");
  QGroupBox* treeFrame = control<QGroupBox>(client, "CBFRM");
  QComboBox* cpList = control<QComboBox>(client, "CPListCBO");
  if (!newSession || !closeSession || !lists || !treeFrame || !cpList) {
    state.SkipWithError("a control of the main window is missing");
    return;
  }

  int nodes = 0;
  for (auto _ : state) {
    newSession->trigger();
    if (!bench::waitUntil([&] { return lists->isVisible() && cpRow(cpList) >= 0; })) {
      state.SkipWithError("no CP list");
      break;
    }
    emit cpList->activated(cpRow(cpList));
    if (!bench::waitUntil([&] { return treeFrame->isVisible() || prompter.shown > 0; }) ||
        prompter.shown > 0) {
      state.SkipWithError(("no tree: " + prompter.last).toLocal8Bit().constData());
      break;
    }
    bench::settle();  // the paint of the tree
    nodes = client.tree().blocks().count();

    state.PauseTiming();
    closeSession->trigger();
    if (!bench::waitUntil(
            [&] { return client.connection().state() == link::Connection::Closed; })) {
      state.SkipWithError("the session did not close");
      break;
    }
    client.tree().clear();
    bench::settle();
    state.ResumeTiming();
  }
  state.counters["nodes"] = nodes;
}

}  // namespace

BENCHMARK(BM_ConnectToTree)->Arg(5000)->Iterations(10)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  return bench::runQtBenchmarks(argc, argv, {});
}
