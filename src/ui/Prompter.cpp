#include "ui/Prompter.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QPointer>
#include <QStandardPaths>
#include <algorithm>

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

constexpr qsizetype kShownChars = 1500;
constexpr qsizetype kShownLines = 25;
constexpr qsizetype kDetailChars = 64 * 1024;

}  // namespace

BoxText boxText(const QString& text) {
  qsizetype cut = std::min(text.size(), kShownChars);
  qsizetype lines = 0;
  for (qsizetype i = 0; i < cut; ++i) {
    if (text[i] == u'\n' && ++lines == kShownLines) {
      cut = i;
      break;
    }
  }
  if (cut == text.size()) return {text, {}};
  BoxText box;
  box.shown =
      text.left(cut) +
      QStringLiteral("\n\n[... %1 more characters; see Show Details]").arg(text.size() - cut);
  box.details = text.left(kDetailChars);
  if (text.size() > kDetailChars)
    box.details +=
        QStringLiteral("\n[... %1 more characters not shown]").arg(text.size() - kDetailChars);
  return box;
}

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
  const BoxText parts = boxText(shown);
  // The window the box stands over may be closed and deleted while the box is open (a
  // reply or a lost connection closes it), and takes the box with it: the box must not be
  // one that is destroyed again on the way out.
  const QPointer<QMessageBox> box =
      new QMessageBox(toQt(icon), title, parts.shown, buttons, parent);
  if (!parts.details.isEmpty()) box->setDetailedText(parts.details);
  if (buttons.testFlag(QMessageBox::Yes)) box->setDefaultButton(QMessageBox::Yes);
  box->setTextFormat(Qt::PlainText);
  const int pressed = box->exec();
  if (!box) return QMessageBox::NoButton;  // nothing was chosen
  delete box.data();
  return static_cast<QMessageBox::StandardButton>(pressed);
}

std::optional<QString> DialogPrompter::input(const QString& prompt, const QString& title,
                                             const QString& initial) {
  bool ok = false;
  QString text = QInputDialog::getText(QApplication::activeWindow(), title, prompt,
                                       QLineEdit::Normal, initial, &ok);
  if (!ok) return std::nullopt;
  return text;
}

std::optional<int> DialogPrompter::inputNumber(const QString& prompt, const QString& title,
                                               int value, int minimum, int maximum) {
  bool ok = false;
  const int number = QInputDialog::getInt(QApplication::activeWindow(), title, prompt, value,
                                          minimum, maximum, 1, &ok);
  if (!ok) return std::nullopt;
  return number;
}

std::optional<QString> DialogPrompter::saveFileName(const QString& title, const QString& filter,
                                                    const QString& suggestedName) {
  // A bare name is offered in the user's documents folder.
  QString start = suggestedName;
  if (QDir::isRelativePath(start))
    start = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                .filePath(suggestedName);
  const QString path =
      QFileDialog::getSaveFileName(QApplication::activeWindow(), title, start, filter);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

}  // namespace tarvo
