#include "ui/LineAppender.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>

namespace tarvo {

LineAppender::LineAppender(QPlainTextEdit* box, Join join) : QObject(box), box_(box), join_(join) {}

void LineAppender::clear() {
  setText(QString());
}

void LineAppender::setText(const QString& text) {
  pending_.clear();
  box_->setPlainText(text);
  empty_ = text.isEmpty();
}

void LineAppender::append(QStringView line) {
  const bool indent = join_ == Join::Indented;
  if (empty_) {
    if (join_ == Join::BreakBefore) {
      pending_ += u'\n';
    } else if (line.isEmpty() && !indent) {
      return;  // the box stays empty
    }
  } else {
    pending_ += u'\n';
  }
  if (indent) pending_ += u' ';
  pending_ += line;
  empty_ = false;
  scheduleFlush();
}

void LineAppender::scheduleFlush() {
  if (flushPending_) return;
  flushPending_ = true;
  QTimer::singleShot(0, this, &LineAppender::flush);
}

void LineAppender::flush() {
  flushPending_ = false;
  if (pending_.isEmpty()) return;
  // Appending at the end keeps the user's caret and scroll position where they are.
  QScrollBar* bar = box_->verticalScrollBar();
  const int scrolled = bar->value();
  QTextCursor end(box_->document());
  end.movePosition(QTextCursor::End);
  end.insertText(pending_);
  pending_.clear();
  bar->setValue(scrolled);
}

QString LineAppender::text() {
  flush();
  return box_->toPlainText();
}

}  // namespace tarvo
