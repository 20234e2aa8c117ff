#pragma once
// A plain text box with the numbers of its lines in a gutter at its left, in the box's own
// font, the caret's line marked. The gutter paints only the lines in view and is told only
// of what changes on screen, so a keystroke costs it the same in a ten-line text as in one
// of a hundred thousand lines. Ctrl+wheel and Ctrl++ / Ctrl+- change the text size, also
// while the text can be edited, and the gutter follows.
#include <QPlainTextEdit>
#include <vector>

namespace tarvo {

class NumberedTextEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit NumberedTextEdit(QWidget* parent = nullptr);

  // Off, the box is a plain text box with nothing at its left.
  void setLineNumbersShown(bool shown);
  bool lineNumbersShown() const { return shown_; }
  // The gutter's width: room for the digits of the last line's number.
  int gutterWidth() const;

  // The caret's line and column, both counted from 1.
  int caretLine() const;
  int caretColumn() const;
  // Puts the caret at the start of `line` (counted from 1, kept within the text) and scrolls
  // the line into the middle of the view when it was not in view.
  void goToLine(int line);

  // One step bigger (positive) or smaller, within readable sizes.
  void zoomBy(int steps);

  // The numbers the gutter shows, top down: where each is drawn (in the gutter's
  // coordinates) and whether it is the caret's line. What is painted is drawn from this.
  struct ShownNumber {
    int number;
    int top;
    int height;
    bool current;
  };
  std::vector<ShownNumber> shownNumbers(int fromY, int toY) const;

 protected:
  bool viewportEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  class Gutter;
  friend class Gutter;

  void paintGutter(QPaintEvent* event);
  void lineCountChanged(int count);
  void updateMargins();
  void placeGutter();
  void viewChanged(const QRect& rect, int dy);
  void caretMoved();

  Gutter* gutter_;
  bool shown_ = true;
  int digits_ = 1;
  int caretBlock_ = 0;
};

}  // namespace tarvo
