#pragma once
// A busy bar and the time a long piece of work has been running ("Generation running,
// 01:23"), for work whose length nobody knows beforehand. The same text is the control's
// accessible name, so a screen reader reads how long it has been going.
#include <QElapsedTimer>
#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;
class QTimer;

namespace tarvo {

// Minutes and seconds, each of two digits at least: "00:07", "01:23", "125:00".
QString elapsedText(qint64 ms);

class RunIndicator : public QWidget {
  Q_OBJECT

 public:
  // Hidden until started. `name` is its object name; the bar and the label inside are
  // named after it ("<name>Bar", "<name>LBL").
  RunIndicator(const char* name, QWidget* parent);

  // Shows it, the bar moving and the clock running from 00:00: "<what>, 00:00".
  void start(const QString& what);
  // Stops the bar and the clock; the time reached stays shown after `how`. Nothing happens
  // when it is not running.
  void stop(const QString& how);
  bool isRunning() const { return running_; }
  // What it shows, which is also what a screen reader reads.
  QString text() const;

 signals:
  void runningChanged(bool running);

 private:
  void showText(const QString& what);
  void tick();

  QProgressBar* bar_;
  QLabel* label_;
  QTimer* clock_;
  QElapsedTimer started_;
  QString what_;
  qint64 shownSeconds_ = -1;
  bool running_ = false;
};

}  // namespace tarvo
