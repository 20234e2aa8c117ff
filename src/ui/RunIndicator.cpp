#include "ui/RunIndicator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

namespace tarvo {
namespace {

// Often enough that the time shown is never more than a quarter of a second behind.
constexpr int kTickMs = 250;

}  // namespace

QString elapsedText(qint64 ms) {
  const qint64 seconds = ms < 0 ? 0 : ms / 1000;
  return QStringLiteral("%1:%2")
      .arg(seconds / 60, 2, 10, QLatin1Char('0'))
      .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

RunIndicator::RunIndicator(const char* name, QWidget* parent)
    : QWidget(parent),
      bar_(new QProgressBar(this)),
      label_(new QLabel(this)),
      clock_(new QTimer(this)) {
  const QString base = QLatin1String(name);
  setObjectName(base);
  bar_->setObjectName(base + QStringLiteral("Bar"));
  label_->setObjectName(base + QStringLiteral("LBL"));
  bar_->setTextVisible(false);
  bar_->setFixedWidth(120);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(bar_);
  layout->addWidget(label_);
  clock_->setInterval(kTickMs);
  connect(clock_, &QTimer::timeout, this, &RunIndicator::tick);
  hide();
}

void RunIndicator::start(const QString& what) {
  what_ = what;
  started_.start();
  shownSeconds_ = 0;
  bar_->setRange(0, 0);  // no known end: the bar moves to and fro
  clock_->start();
  showText(what);
  show();
  if (!running_) {
    running_ = true;
    emit runningChanged(true);
  }
}

void RunIndicator::stop(const QString& how) {
  if (!running_) return;
  running_ = false;
  clock_->stop();
  bar_->setRange(0, 1);
  bar_->setValue(0);
  what_ = how;
  showText(how);
  emit runningChanged(false);
}

QString RunIndicator::text() const {
  return label_->text();
}

void RunIndicator::tick() {
  const qint64 seconds = started_.elapsed() / 1000;
  if (seconds == shownSeconds_) return;
  shownSeconds_ = seconds;
  showText(what_);
}

void RunIndicator::showText(const QString& what) {
  const QString text = what + QStringLiteral(", ") + elapsedText(started_.elapsed());
  label_->setText(text);
  bar_->setAccessibleName(text);
  setAccessibleName(text);
}

}  // namespace tarvo
