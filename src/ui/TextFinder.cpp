#include "ui/TextFinder.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace tarvo {
namespace {

QAction* makeAction(QWidget* window, const char* name, const QString& text,
                    const QKeySequence& key) {
  auto* action = new QAction(text, window);
  action->setObjectName(QLatin1String(name));
  action->setShortcut(key);
  window->addAction(action);
  return action;
}

}  // namespace

TextFinder::TextFinder(QWidget* window, QLineEdit* field, QPlainTextEdit* box)
    : QObject(window),
      field_(field),
      box_(box),
      find_(makeAction(window, "FindMP", QStringLiteral("&Find..."),
                       QKeySequence(Qt::CTRL | Qt::Key_F))),
      // Named keys rather than the platform's FindNext, which is Ctrl+G on some desktops.
      next_(
          makeAction(window, "FindNextMP", QStringLiteral("Find &Next"), QKeySequence(Qt::Key_F3))),
      previous_(makeAction(window, "FindPreviousMP", QStringLiteral("Find &Previous"),
                           QKeySequence(Qt::SHIFT | Qt::Key_F3))) {
  connect(find_, &QAction::triggered, this, &TextFinder::focusField);
  connect(next_, &QAction::triggered, this, &TextFinder::findNext);
  connect(previous_, &QAction::triggered, this, &TextFinder::findPrevious);
  // Enter is taken here, as the field's own key: in a dialog it would also press the
  // window's default button.
  field_->installEventFilter(this);
}

bool TextFinder::eventFilter(QObject* watched, QEvent* event) {
  if (watched == field_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      if (next_->isEnabled())
        find(key->modifiers() & Qt::ShiftModifier ? Direction::Backward : Direction::Forward);
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

void TextFinder::setEnabled(bool enabled) {
  for (QAction* action : {find_, next_, previous_}) action->setEnabled(enabled);
}

void TextFinder::focusField() {
  emit fieldWanted();
  field_->setFocus(Qt::ShortcutFocusReason);
  field_->selectAll();
}

TextFinder::Outcome TextFinder::find(Direction direction) {
  emit aboutToSearch();
  const QString what = field_->text();
  if (what.isEmpty()) {
    focusField();
    return Outcome::NotFound;
  }
  QTextDocument::FindFlags flags;
  if (direction == Direction::Backward) flags |= QTextDocument::FindBackward;
  QTextDocument* text = box_->document();
  QTextCursor found = text->find(what, box_->textCursor(), flags);
  Outcome outcome = Outcome::Found;
  if (found.isNull()) {
    QTextCursor otherEnd(text);
    if (direction == Direction::Backward) otherEnd.movePosition(QTextCursor::End);
    found = text->find(what, otherEnd, flags);
    outcome = found.isNull() ? Outcome::NotFound : Outcome::Wrapped;
  }
  if (!found.isNull()) {
    box_->setTextCursor(found);
    box_->ensureCursorVisible();
  }
  emit searched(outcome, describe(outcome, direction, what));
  return outcome;
}

QString TextFinder::describe(Outcome outcome, Direction direction, const QString& what) {
  switch (outcome) {
    case Outcome::Found: return {};
    case Outcome::Wrapped:
      return direction == Direction::Forward ? QStringLiteral("Wrapped to the top")
                                             : QStringLiteral("Wrapped to the bottom");
    case Outcome::NotFound: break;
  }
  return QStringLiteral("\"%1\" not found").arg(what);
}

}  // namespace tarvo
