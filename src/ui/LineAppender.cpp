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
  // Appending at the end keeps the user's caret and scroll position where they are. A
  // caret standing at the end (in an empty box, say) would be carried along by the
  // insertion: it is put back.
  QScrollBar* bar = box_->verticalScrollBar();
  QScrollBar* across = box_->horizontalScrollBar();
  const int scrolled = bar->value();
  const int scrolledAcross = across->value();
  const QTextCursor caret = box_->textCursor();
  const int position = caret.position();
  const int anchor = caret.anchor();
  QTextCursor end(box_->document());
  end.movePosition(QTextCursor::End);
  end.insertText(pending_);
  pending_.clear();
  const QTextCursor moved = box_->textCursor();
  if (moved.position() != position || moved.anchor() != anchor) {
    QTextCursor kept(box_->document());
    kept.setPosition(anchor);
    kept.setPosition(position, QTextCursor::KeepAnchor);
    box_->setTextCursor(kept);
  }
  bar->setValue(scrolled);
  across->setValue(scrolledAcross);
}

QString LineAppender::text() {
  flush();
  return box_->toPlainText();
}

}  // namespace tarvo
