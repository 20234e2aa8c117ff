#include "ui/Prompter.h"

#include <QApplication>
#include <QInputDialog>

namespace tarvo {
namespace {

QMessageBox::Icon toQt(Prompter::Icon icon) {
  switch (icon) {
    case Prompter::Icon::Information: return QMessageBox::Information;
    case Prompter::Icon::Question: return QMessageBox::Question;
    case Prompter::Icon::Exclamation: return QMessageBox::Warning;
    case Prompter::Icon::Critical: return QMessageBox::Critical;
    case Prompter::Icon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QMessageBox::StandardButton DialogPrompter::message(Icon icon, const QString& title,
                                                    const QString& text,
                                                    QMessageBox::StandardButtons buttons) {
  // The server's texts use lone carriage returns as line breaks; show them as breaks.
  QString shown = text;
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"))
      .replace(QLatin1Char('\r'), QLatin1Char('\n'));
  // A box over a window that is locked for a long operation must still take its click.
  QWidget* parent = QApplication::activeWindow();
  if (parent && !parent->isEnabled()) parent = nullptr;
  QMessageBox box(toQt(icon), title, shown, buttons, parent);
  if (buttons.testFlag(QMessageBox::Yes)) box.setDefaultButton(QMessageBox::Yes);
  box.setTextFormat(Qt::PlainText);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

std::optional<QString> DialogPrompter::input(const QString& prompt, const QString& title,
                                             const QString& initial) {
  bool ok = false;
  QString text = QInputDialog::getText(QApplication::activeWindow(), title, prompt,
                                       QLineEdit::Normal, initial, &ok);
  if (!ok) return std::nullopt;
  return text;
}

}  // namespace tarvo
