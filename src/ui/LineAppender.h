#pragma once
// Fills a multi-line text box from reply lines, one line at a time. The box's text is the
// lines joined by line breaks, by one of the rules below; the server may send a hundred
// thousand of them.
//
// Lines are gathered and put into the box as one piece once the burst they came in has
// been handled (at the next turn of the event loop), so filling the box takes time in
// proportion to its text rather than to its square, and the box is laid out once per
// burst, not once per line.
#include <QObject>
#include <QString>
#include <QStringView>

class QPlainTextEdit;

namespace tarvo {

class LineAppender : public QObject {
  Q_OBJECT

 public:
  enum class Join {
    // The first line goes in alone, each later one after a line break. An empty line on
    // an empty box leaves it empty: leading empty lines are dropped.
    SkipLeadingEmpty,
    // Every line, the first included, goes in after a line break: the text starts with
    // an empty line.
    BreakBefore,
    // As SkipLeadingEmpty, with one blank before every line; an empty first line still
    // gives the text " ".
    Indented,
  };

  LineAppender(QPlainTextEdit* box, Join join);

  // The rule for lines appended from now on (a box that shows a source and, later, a
  // listing joins each its own way).
  void setJoin(Join join) { join_ = join; }

  // Empties the box, or replaces its text (a progress text), forgetting lines not yet in.
  void clear();
  void setText(const QString& text);

  void append(QStringView line);
  // Puts the gathered lines into the box now.
  void flush();
  // The box's text with every line appended so far.
  QString text();
  bool isEmpty() const { return empty_; }

 private:
  void scheduleFlush();

  QPlainTextEdit* box_;
  Join join_;
  bool empty_ = true;
  bool flushPending_ = false;
  QString pending_;
};

}  // namespace tarvo
