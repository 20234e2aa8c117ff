// Building the configuration tree from a block list that arrives in one burst.
//
//   BM_BareFill        the yardstick: a QTreeWidget filled with standard items holding the
//                      same nodes (text, key, colour), straight from a prepared table, each
//                      item added to the view as it is made
//   BM_BareFillDetached the faster yardstick: the same items built outside the view, the
//                      top-level ones (with their children) handed to it in one call, as
//                      the client itself does
//   BM_ClientList      the client: the burst cut into lines, every line through the reply
//                      dispatcher, the tree built by the tree controller (status texts,
//                      keys, order), from "CLRBLKLST" to "DNBLKLST"
//   BM_ClientListShown the same with the tree's frame left on screen while the list arrives
//   BM_ParseOnly       the part of BM_ClientList that is text: splitting and dispatching the
//                      burst and running each line through the list builder, no tree
//   BM_ApplyOnly       the part that is tree: prepared node operations applied to the keyed
//                      tree
//
// Removing the previous tree is left out of the timing in all of them.
// Run with QT_QPA_PLATFORM=offscreen on a Release build.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBrush>
#include <QDir>
#include <QGroupBox>
#include <QTreeWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/Client.h"
#include "bench_qt.h"
#include "block_burst.h"
#include "browser/BlockTree.h"
#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "browser/block_list.h"
#include "link/Connection.h"
#include "link/line_splitter.h"
#include "link/reply_router.h"
#include "ui/ui_helpers.h"

using namespace tarvo;
using namespace tarvo::browser;
using bench::makeBurst;
using bench::settle;

namespace {

std::vector<std::string> splitBurst(const std::string& burst) {
  std::vector<std::string> lines;
  link::LineSplitter splitter;
  splitter.feed(burst, lines);
  return lines;
}

// The node operations of a list, prepared once.
std::vector<NodeOp> makeOps(int blocks) {
  std::vector<NodeOp> ops;
  BlockListBuilder builder;
  builder.reset();
  for (const auto& line : splitBurst(makeBurst(blocks)))
    if (line.starts_with("BLKLST")) ops.push_back(builder.feed(line).node);
  return ops;
}

struct BareNode {
  bool top;
  QString key;
  QString text;
  QColor colour;
};

std::vector<BareNode> makeBareNodes(int blocks) {
  std::vector<BareNode> nodes;
  for (const NodeOp& op : makeOps(blocks))
    nodes.push_back({op.kind == NodeKind::Compound || op.kind == NodeKind::EndOfList,
                     QString::fromStdString(op.key), QString::fromStdString(op.text),
                     BlockTree::colourOf(op.kind)});
  return nodes;
}

QTreeWidgetItem* makeItem(const BareNode& n) {
  auto* item = new QTreeWidgetItem;
  item->setText(0, n.text);
  item->setData(0, Qt::UserRole, n.key);
  item->setForeground(0, QBrush(n.colour));
  return item;
}

struct ClientFixture {
  ClientFixture() : dir(QDir::temp().filePath(QStringLiteral("tarvo-bench-tree"))) {
    QDir().mkpath(dir);
    client = std::make_unique<Client>(prompter, dir + QStringLiteral("/TarvoIp.txt"));
    client->start();
    client->form().updStatBar(QStringLiteral("CP6001"), 2);
  }
  bench::SilentPrompter prompter;
  QString dir;
  std::unique_ptr<Client> client;
};

std::unique_ptr<ClientFixture> theFixture;

ClientFixture& fixture() {
  if (!theFixture) theFixture = std::make_unique<ClientFixture>();
  return *theFixture;
}

// A shown window holding a tree set up as the main window's block tree.
QTreeWidget* makeShownTree(QWidget& window) {
  auto* view = new QTreeWidget(&window);
  view->setHeaderHidden(true);
  view->setColumnCount(1);
  view->setFont(listFont());
  view->setUniformRowHeights(true);
  window.resize(400, 600);
  window.show();
  return view;
}

// Item by item into the view, or (detached) built outside it and handed over in one call.
void runBareFill(benchmark::State& state, bool detached) {
  const auto nodes = makeBareNodes(static_cast<int>(state.range(0)));
  QWidget window;
  QTreeWidget* view = makeShownTree(window);
  settle();
  for (auto _ : state) {
    state.PauseTiming();
    view->clear();
    settle();
    state.ResumeTiming();
    QList<QTreeWidgetItem*> top;
    for (const BareNode& n : nodes) {
      QTreeWidgetItem* item = makeItem(n);
      if (!n.top)
        top.back()->addChild(item);
      else if (detached)
        top.append(item);
      else
        view->addTopLevelItem(top.emplace_back(item));
    }
    if (detached) view->addTopLevelItems(top);
    benchmark::DoNotOptimize(view->topLevelItemCount());
  }
  state.counters["nodes"] = static_cast<double>(nodes.size());
}

void BM_BareFill(benchmark::State& state) {
  runBareFill(state, false);
}
void BM_BareFillDetached(benchmark::State& state) {
  runBareFill(state, true);
}

void runClientList(benchmark::State& state, bool hideFrame) {
  const std::string burst = makeBurst(static_cast<int>(state.range(0)));
  Client& client = *fixture().client;
  for (auto _ : state) {
    state.PauseTiming();
    client.tree().clear();
    settle();
    if (hideFrame)
      client.tree().refresh();  // as "Refresh" or an opened session does before the list
    else
      client.form().showTreeFrame(true);
    state.ResumeTiming();
    link::LineSplitter splitter;
    std::vector<std::string> lines;
    splitter.feed(burst, lines);
    for (const auto& line : lines) client.connection().router().dispatch(line);
    benchmark::DoNotOptimize(client.tree().blocks().count());
  }
  state.counters["nodes"] = client.tree().blocks().count();
}

void BM_ClientList(benchmark::State& state) {
  runClientList(state, true);
}
void BM_ClientListShown(benchmark::State& state) {
  runClientList(state, false);
}

// Receives the burst as the client does, but only runs the list builder.
struct ParseOnlyHandler {
  ParseOnlyHandler() {
    router.bind(link::ReplyId::ClrBlkLst, [this](std::string_view) { builder.reset(); });
    router.bind(link::ReplyId::BlkLst, [this](std::string_view line) {
      const BuildStep& step = builder.feed(line);
      sum += step.node.key.size() + step.node.text.size();
    });
  }
  link::ReplyRouter router;
  BlockListBuilder builder;
  std::size_t sum = 0;
};

void BM_ParseOnly(benchmark::State& state) {
  const std::string burst = makeBurst(static_cast<int>(state.range(0)));
  ParseOnlyHandler handler;
  for (auto _ : state) {
    link::LineSplitter splitter;
    std::vector<std::string> lines;
    splitter.feed(burst, lines);
    for (const auto& line : lines) handler.router.dispatch(line);
    benchmark::DoNotOptimize(handler.sum);
  }
}

void BM_ApplyOnly(benchmark::State& state) {
  const auto ops = makeOps(static_cast<int>(state.range(0)));
  QWidget window;
  QTreeWidget* view = makeShownTree(window);
  BlockTree tree(view);
  settle();
  for (auto _ : state) {
    state.PauseTiming();
    tree.clear();
    settle();
    state.ResumeTiming();
    tree.beginList();
    for (const NodeOp& op : ops) tree.apply(op);
    tree.finishList();
    benchmark::DoNotOptimize(tree.count());
  }
}

}  // namespace

BENCHMARK(BM_BareFill)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareFillDetached)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClientList)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClientListShown)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseOnly)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyOnly)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  return bench::runQtBenchmarks(
      argc, argv,
      {{"client list / bare fill, 20,000 blocks", "BM_ClientList/20000", "BM_BareFill/20000"},
       {"client list / bare fill, 100,000 blocks", "BM_ClientList/100000", "BM_BareFill/100000"},
       {"client list shown / bare fill, 20,000 blocks", "BM_ClientListShown/20000",
        "BM_BareFill/20000"},
       {"client list shown / bare fill, 100,000 blocks", "BM_ClientListShown/100000",
        "BM_BareFill/100000"},
       {"client list / detached fill, 20,000 blocks", "BM_ClientList/20000",
        "BM_BareFillDetached/20000"},
       {"client list / detached fill, 100,000 blocks", "BM_ClientList/100000",
        "BM_BareFillDetached/100000"}},
      [] { theFixture.reset(); });
}
