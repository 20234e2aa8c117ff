#include "ui/NumberedTextEdit.h"

#include <QAction>
#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QTextBlock>
#include <QWheelEvent>
#include <algorithm>

namespace tarvo {
namespace {

// Room left of the numbers and between them and the text.
constexpr int kPadLeft = 4;
constexpr int kPadRight = 6;
// Zoom limits, in points (or pixels for a font sized so).
constexpr qreal kSmallest = 6;
constexpr qreal kLargest = 48;

int digitsOf(int count) {
  int digits = 1;
  for (; count >= 10; count /= 10) ++digits;
  return digits;
}

}  // namespace

class NumberedTextEdit::Gutter : public QWidget {
 public:
  explicit Gutter(NumberedTextEdit* box) : QWidget(box), box_(box) {
    setObjectName(QStringLiteral("LineNumbers"));
    setAccessibleName(QStringLiteral("Line numbers"));
  }
  QSize sizeHint() const override { return {box_->gutterWidth(), 0}; }

 protected:
  void paintEvent(QPaintEvent* event) override { box_->paintGutter(event); }

 private:
  NumberedTextEdit* box_;
};

NumberedTextEdit::NumberedTextEdit(QWidget* parent)
    : QPlainTextEdit(parent), gutter_(new Gutter(this)) {
  // Each keeps the gutter to what changed on screen: a scroll moves it, a repainted strip of
  // text repaints the same strip of numbers, a new line count may widen it.
  connect(this, &QPlainTextEdit::blockCountChanged, this, &NumberedTextEdit::lineCountChanged);
  connect(this, &QPlainTextEdit::updateRequest, this, &NumberedTextEdit::viewChanged);
  connect(this, &QPlainTextEdit::cursorPositionChanged, this, &NumberedTextEdit::caretMoved);

  auto* bigger = new QAction(this);
  bigger->setShortcuts({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  bigger->setShortcutContext(Qt::WidgetShortcut);
  connect(bigger, &QAction::triggered, this, [this] { zoomBy(1); });
  auto* smaller = new QAction(this);
  smaller->setShortcut(QKeySequence::ZoomOut);
  smaller->setShortcutContext(Qt::WidgetShortcut);
  connect(smaller, &QAction::triggered, this, [this] { zoomBy(-1); });
  addActions({bigger, smaller});

  updateMargins();
}

void NumberedTextEdit::setLineNumbersShown(bool shown) {
  if (shown == shown_) return;
  shown_ = shown;
  gutter_->setVisible(shown);
  updateMargins();
}

int NumberedTextEdit::gutterWidth() const {
  if (!shown_) return 0;
  // The caret's number is drawn bold: room for its digits too.
  QFont bold = font();
  bold.setBold(true);
  const int digit = std::max(QFontMetrics(font()).horizontalAdvance(u'9'),
                             QFontMetrics(bold).horizontalAdvance(u'9'));
  return kPadLeft + digits_ * digit + kPadRight;
}

int NumberedTextEdit::caretLine() const {
  return textCursor().blockNumber() + 1;
}

int NumberedTextEdit::caretColumn() const {
  return textCursor().positionInBlock() + 1;
}

void NumberedTextEdit::goToLine(int line) {
  line = std::clamp(line, 1, blockCount());
  const QTextCursor start(document()->findBlockByNumber(line - 1));
  const bool inView = viewport()->rect().contains(cursorRect(start));
  setTextCursor(start);
  if (inView)
    ensureCursorVisible();  // to the left edge, when scrolled sideways
  else
    centerCursor();
}

void NumberedTextEdit::zoomBy(int steps) {
  QFont f = font();
  if (f.pointSizeF() > 0) {
    f.setPointSizeF(std::clamp(f.pointSizeF() + steps, kSmallest, kLargest));
  } else if (f.pixelSize() > 0) {
    f.setPixelSize(static_cast<int>(std::clamp<qreal>(f.pixelSize() + steps, kSmallest, kLargest)));
  }
  setFont(f);
}

std::vector<NumberedTextEdit::ShownNumber> NumberedTextEdit::shownNumbers(int fromY,
                                                                          int toY) const {
  std::vector<ShownNumber> shown;
  QTextBlock block = firstVisibleBlock();
  if (!block.isValid()) return shown;
  const int current = textCursor().blockNumber();
  const int textHeight = fontMetrics().height();
  int number = block.blockNumber();
  qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
  while (block.isValid() && top <= toY) {
    const qreal height = blockBoundingRect(block).height();
    if (block.isVisible() && top + height >= fromY)
      shown.push_back({number + 1, qRound(top), textHeight, number == current});
    block = block.next();
    top += height;
    ++number;
  }
  return shown;
}

void NumberedTextEdit::paintGutter(QPaintEvent* event) {
  QPainter painter(gutter_);
  const QPalette& colours = gutter_->palette();
  painter.fillRect(event->rect(), colours.color(QPalette::Window));
  QFont bold = font();
  bold.setBold(true);
  const int right = gutter_->width() - kPadRight;
  for (const ShownNumber& n : shownNumbers(event->rect().top(), event->rect().bottom())) {
    painter.setFont(n.current ? bold : font());
    painter.setPen(colours.color(n.current ? QPalette::WindowText : QPalette::PlaceholderText));
    painter.drawText(0, n.top, right, n.height, Qt::AlignRight | Qt::AlignTop,
                     QString::number(n.number));
  }
}

void NumberedTextEdit::lineCountChanged(int count) {
  const int digits = digitsOf(count);
  if (digits == digits_) return;
  digits_ = digits;
  updateMargins();
}

void NumberedTextEdit::updateMargins() {
  setViewportMargins(gutterWidth(), 0, 0, 0);
  placeGutter();
}

void NumberedTextEdit::placeGutter() {
  // Beside the text only: not over a scroll bar below it.
  const QRect view = viewport()->geometry();
  gutter_->setGeometry(view.left() - gutterWidth(), view.top(), gutterWidth(), view.height());
}

void NumberedTextEdit::viewChanged(const QRect& rect, int dy) {
  if (!shown_) return;
  if (dy != 0)
    gutter_->scroll(0, dy);
  else
    gutter_->update(0, rect.y(), gutter_->width(), rect.height());
}

void NumberedTextEdit::caretMoved() {
  const int block = textCursor().blockNumber();
  if (block == caretBlock_) return;
  caretBlock_ = block;
  if (shown_) gutter_->update();
}

bool NumberedTextEdit::viewportEvent(QEvent* event) {
  const bool handled = QPlainTextEdit::viewportEvent(event);
  // The text's area changes with the box's size and with a scroll bar coming or going.
  if (event->type() == QEvent::Resize) placeGutter();
  return handled;
}

void NumberedTextEdit::changeEvent(QEvent* event) {
  QPlainTextEdit::changeEvent(event);
  // Zoomed or given another font: the numbers follow the text's size and line height.
  if (event->type() == QEvent::FontChange) {
    updateMargins();
    gutter_->update();
  }
}

void NumberedTextEdit::wheelEvent(QWheelEvent* event) {
  if (event->modifiers() & Qt::ControlModifier) {
    const int turned = event->angleDelta().y();
    if (turned != 0) zoomBy(turned > 0 ? 1 : -1);
    event->accept();
    return;
  }
  QPlainTextEdit::wheelEvent(event);
}

}  // namespace tarvo
