// Typing in the sequence editor, with the line numbers beside the source and without them.
//
//   BM_Type/LINES/GUTTER      one character typed in the middle of a source of LINES lines
//                             (the next iteration takes it away with Backspace), and the
//                             window repainted, as the user sees it after the key
//   BM_NewLine/LINES/GUTTER   Enter (then Backspace): every number below the caret changes
//
// GUTTER 1 is the editor as it is; 0 the same editor with its gutter turned off. The ratios
// say what the numbers cost a keystroke; 100 against 10,000 and 100,000 lines shows that
// the cost does not grow with the source.
//
// Run with QT_QPA_PLATFORM=offscreen on a Release build.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>

#include "bench_qt.h"
#include "sequence/SeqEditFRM.h"
#include "ui/NumberedTextEdit.h"

using namespace tarvo;
using bench::settle;

namespace {

QString source(int lines) {
  QString text;
  for (int n = 1; n <= lines; ++n) {
    if (n > 1) text += u'\n';
    text += n % 7 == 0 ? QStringLiteral("  WAIT UNTIL running AND flow > 20.0;  { step %1 }").arg(n)
                       : QStringLiteral("  BO01 := TRUE;");
  }
  return text;
}

// The editor window in Editing mode holding the source, the caret in its middle.
struct Editor {
  Editor(int lines, bool gutter) : window(QStringLiteral("FEEDWT:PMPSEQ"), QStringLiteral("IND")) {
    window.controls.fetchRequested();
    window.controls.transferStarted();
    window.controls.sourceComplete();
    window.paint();
    window.lines().setText(source(lines));
    window.show();
    box = bench::control<NumberedTextEdit>(&window, "SourceTB");
    box->setLineNumbersShown(gutter);
    window.goToLine(lines / 2);
    box->moveCursor(QTextCursor::EndOfLine);
    settle();
  }

  void press(Qt::Key key, const QString& text = {}) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(box, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(box, &up);
    settle();  // laid out and painted
  }

  sequence::SeqEditFRM window;
  NumberedTextEdit* box = nullptr;
};

void typeAndTakeBack(benchmark::State& state, Qt::Key key, const QString& text) {
  Editor editor(static_cast<int>(state.range(0)), state.range(1) != 0);
  const int lines = editor.box->blockCount();
  bool typed = false;
  for (auto _ : state) {
    if (typed)
      editor.press(Qt::Key_Backspace);
    else
      editor.press(key, text);
    typed = !typed;
  }
  if (typed) editor.press(Qt::Key_Backspace);
  if (editor.box->blockCount() != lines) state.SkipWithError("the source changed its length");
}

void BM_Type(benchmark::State& state) {
  typeAndTakeBack(state, Qt::Key_X, QStringLiteral("x"));
}

void BM_NewLine(benchmark::State& state) {
  typeAndTakeBack(state, Qt::Key_Return, QStringLiteral("\r"));
}

}  // namespace

BENCHMARK(BM_Type)
    ->Args({100, 1})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Args({100000, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NewLine)
    ->Args({100, 1})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Args({100000, 1})
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  return bench::runQtBenchmarks(
      argc, argv,
      {{"a character, numbers / none, 10,000 lines", "BM_Type/10000/1", "BM_Type/10000/0"},
       {"a new line, numbers / none, 10,000 lines", "BM_NewLine/10000/1", "BM_NewLine/10000/0"},
       {"a character with numbers, 10,000 / 100 lines", "BM_Type/10000/1", "BM_Type/100/1"},
       {"a character with numbers, 100,000 / 100 lines", "BM_Type/100000/1", "BM_Type/100/1"},
       {"a new line with numbers, 100,000 / 100 lines", "BM_NewLine/100000/1",
        "BM_NewLine/100/1"}});
}
