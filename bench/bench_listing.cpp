// Showing a compile listing that arrives line by line in the sequence editor.
//
//   BM_SetPlainText    the yardstick: the finished listing put into a text box set up as the
//                      editor's, with one setPlainText, then one turn of the event loop
//   BM_ClientListing   the client: the listing's reply lines, in bursts of 1,000, cut into
//                      lines and run through the reply dispatcher into the open editor, the
//                      event loop turning between bursts, from "CLRGETLST" to "DNSEQLST" and
//                      the last turn that shows it
//   BM_SetTextPerLine  the way to avoid: the box's whole text set anew for every line
//
// Run with QT_QPA_PLATFORM=offscreen on a Release build.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>
#include <string>
#include <vector>

#include "app/Client.h"
#include "bench_qt.h"
#include "link/Connection.h"
#include "link/line_splitter.h"
#include "sequence/SeqEditFRM.h"
#include "sequence/SequenceController.h"
#include "ui/ui_helpers.h"

using namespace tarvo;
using bench::settle;

namespace {

constexpr int kBurstLines = 1000;

// Listing line n as the server numbers the source: "   12  statement".
std::string listingLine(int n) {
  static const char* const kText[] = {
      "  WAIT UNTIL running AND flow > 20.0;", "  BO01 := TRUE;            { start command }",
      "  IF highlvl THEN", "         ^", "       *** WARNING: hours is never used"};
  std::string number = std::to_string(n);
  return std::string(number.size() < 5 ? 5 - number.size() : 0, ' ') + number + "  " + kText[n % 5];
}

// The reply lines in bursts as they come off the wire, each line ended by LF.
std::vector<std::string> makeBursts(int lines) {
  std::vector<std::string> bursts(1, "CLRGETLST\n");
  for (int n = 0; n < lines; ++n) {
    if (n % kBurstLines == 0 && n != 0) bursts.emplace_back();
    bursts.back() += "SEQLST" + listingLine(n) + "\n";
  }
  bursts.back() += "DNSEQLST\n";
  return bursts;
}

// The text the editor ends with: every line after a line break.
QString finishedText(int lines) {
  QString text;
  for (int n = 0; n < lines; ++n) text += u'\n' + QString::fromStdString(listingLine(n));
  return text;
}

// A shown text box set up as the editor's.
struct ShownBox {
  ShownBox() {
    box = new QPlainTextEdit(&window);
    box->setFont(sourceFont());
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setUndoRedoEnabled(false);
    window.resize(642, 464);
    box->resize(641, 433);
    window.show();
    settle();
  }
  QWidget window;
  QPlainTextEdit* box;
};

void BM_SetPlainText(benchmark::State& state) {
  const QString text = finishedText(static_cast<int>(state.range(0)));
  ShownBox shown;
  for (auto _ : state) {
    state.PauseTiming();
    shown.box->clear();
    settle();
    state.ResumeTiming();
    shown.box->setPlainText(text);
    settle();
    benchmark::DoNotOptimize(shown.box->document()->blockCount());
  }
}

// A client whose editor is open and showing a listing. Nothing goes out: there is no
// connection, and sends are dropped.
struct EditorFixture {
  EditorFixture() : dir(QDir::temp().filePath(QStringLiteral("tarvo-bench-listing"))) {
    QDir().mkpath(dir);
    client = std::make_unique<Client>(prompter, dir + QStringLiteral("/TarvoIp.txt"));
    client->start();
    client->connection().router().dispatch("DNEDTSEQ");
    editor = client->sequence().seqEditor();
    bench::control<QPushButton>(editor, "ListingPB")->setEnabled(true);
    bench::control<QPushButton>(editor, "ListingPB")->click();
    settle();
  }
  bench::SilentPrompter prompter;
  QString dir;
  std::unique_ptr<Client> client;
  sequence::SeqEditFRM* editor = nullptr;
};

void BM_ClientListing(benchmark::State& state) {
  const std::vector<std::string> bursts = makeBursts(static_cast<int>(state.range(0)));
  EditorFixture fixture;
  Client& client = *fixture.client;
  for (auto _ : state) {
    state.PauseTiming();
    bench::control<QPlainTextEdit>(fixture.editor, "SourceTB")->clear();
    settle();
    state.ResumeTiming();
    link::LineSplitter splitter;
    std::vector<std::string> lines;
    for (const std::string& burst : bursts) {
      lines.clear();
      splitter.feed(burst, lines);
      for (const std::string& line : lines) client.connection().router().dispatch(line);
      settle();
    }
    benchmark::DoNotOptimize(
        bench::control<QPlainTextEdit>(fixture.editor, "SourceTB")->document()->blockCount());
  }
  state.counters["blocks"] =
      bench::control<QPlainTextEdit>(fixture.editor, "SourceTB")->document()->blockCount();
}

void BM_SetTextPerLine(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  std::vector<QString> lines;
  for (int n = 0; n < count; ++n) lines.push_back(QString::fromStdString(listingLine(n)));
  ShownBox shown;
  for (auto _ : state) {
    state.PauseTiming();
    shown.box->clear();
    settle();
    state.ResumeTiming();
    for (int n = 0; n < count; ++n) {
      shown.box->setPlainText(shown.box->toPlainText() + u'\n' + lines[n]);
      if ((n + 1) % kBurstLines == 0) settle();
    }
    settle();
    benchmark::DoNotOptimize(shown.box->document()->blockCount());
  }
}

}  // namespace

BENCHMARK(BM_SetPlainText)->Arg(2000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClientListing)->Arg(2000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetTextPerLine)->Arg(2000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  return bench::runQtBenchmarks(argc, argv,
                                {{"client listing / setPlainText, 2,000 lines",
                                  "BM_ClientListing/2000", "BM_SetPlainText/2000"},
                                 {"client listing / setPlainText, 10,000 lines",
                                  "BM_ClientListing/10000", "BM_SetPlainText/10000"},
                                 {"client listing / setPlainText, 100,000 lines",
                                  "BM_ClientListing/100000", "BM_SetPlainText/100000"}});
}
