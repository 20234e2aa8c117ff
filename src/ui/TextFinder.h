#pragma once
// Find in a text box, as every window with a long text offers it: Ctrl+F goes to the
// window's find field, Enter or F3 looks for its text after the caret, Shift+Enter or
// Shift+F3 before it, in any case. A search that runs past the end (or the start) goes on
// from the other end and says so; one that finds nothing leaves the caret where it was.
#include <QObject>
#include <QString>

class QAction;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace tarvo {

class TextFinder : public QObject {
  Q_OBJECT

 public:
  enum class Direction { Forward, Backward };
  enum class Outcome { Found, Wrapped, NotFound };

  // The keys act anywhere in `window`; `field` holds the text looked for in `box`.
  TextFinder(QWidget* window, QLineEdit* field, QPlainTextEdit* box);

  Outcome find(Direction direction);
  Outcome findNext() { return find(Direction::Forward); }
  Outcome findPrevious() { return find(Direction::Backward); }

  // The keys and the menu items for them: "Find...", "Find Next", "Find Previous".
  QAction* findAction() const { return find_; }
  QAction* findNextAction() const { return next_; }
  QAction* findPreviousAction() const { return previous_; }
  // Off, the keys do nothing (a window whose text is not in view has nothing to search).
  void setEnabled(bool enabled);

  // What a search says: nothing when found on the way, a sentence starting "Wrapped" when
  // it went on from the other end, or that nothing was found.
  static QString describe(Outcome outcome, Direction direction, const QString& what);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 signals:
  // Ctrl+F, or F3 with nothing to look for yet: the window shows its field if it was
  // hidden; it is given the focus right after.
  void fieldWanted();
  // A search is about to run (a window adds what it holds back first).
  void aboutToSearch();
  // A search has run; `status` is describe()'s text for it.
  void searched(Outcome outcome, const QString& status);

 private:
  void focusField();

  QLineEdit* field_;
  QPlainTextEdit* box_;
  QAction* find_;
  QAction* next_;
  QAction* previous_;
};

}  // namespace tarvo
