#pragma once
// What the benchmark programs that run the client's views share.
#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <functional>
#include <vector>

#include "bench_main.h"
#include "ui/Prompter.h"

namespace tarvo::bench {

// A control of a window found by its object name, as a user's tool finds it.
template <class T>
T* control(QObject* window, const char* name) {
  return window->findChild<T*>(QLatin1String(name));
}

// Answers every box at once and remembers what it said: a box in a benchmark means
// something went wrong, which the benchmark reports instead of a time.
class SilentPrompter : public Prompter {
 public:
  QMessageBox::StandardButton message(Icon, const QString& title, const QString& text,
                                      QMessageBox::StandardButtons) override {
    last = title + QStringLiteral(": ") + text;
    ++shown;
    return QMessageBox::Ok;
  }
  std::optional<QString> input(const QString&, const QString&, const QString&) override {
    return std::nullopt;
  }
  int shown = 0;
  QString last;
};

// One turn of the event loop: what is posted (a repaint, a deferred delete) is done.
inline void settle() {
  QCoreApplication::processEvents();
}

// Runs the event loop until `done` holds, sleeping while nothing happens. False when it
// still does not hold after `timeoutMs`.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
  const QDeadlineTimer deadline(timeoutMs);
  QTimer tick;  // so that a wait for more events cannot outlast the deadline
  tick.start(50);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

// main() of a benchmark program that needs a QApplication: offscreen unless told otherwise.
inline int runQtBenchmarks(int argc, char** argv, const std::vector<Ratio>& ratios,
                           const std::function<void()>& beforeExit = {}) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int code = runBenchmarks(argc, argv, ratios);
  if (beforeExit) beforeExit();
  return code;
}

}  // namespace tarvo::bench
