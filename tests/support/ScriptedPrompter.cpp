#include "support/ScriptedPrompter.h"

#include <algorithm>

namespace tarvo::test {

QMessageBox::StandardButton ScriptedPrompter::message(Icon icon, const QString& title,
                                                      const QString& text,
                                                      QMessageBox::StandardButtons buttons) {
  shown.push_back({icon, title, text, buttons, false});
  if (whileOpen_) {
    auto action = std::move(whileOpen_);
    whileOpen_ = nullptr;
    action();
  }
  if (!answers_.empty()) {
    const auto answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  if (buttons.testFlag(QMessageBox::Ok)) return QMessageBox::Ok;
  return buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::NoButton;
}

std::optional<QString> ScriptedPrompter::input(const QString& prompt, const QString& title,
                                               const QString&) {
  shown.push_back({Icon::None, title, prompt, {}, true});
  if (inputs_.empty()) return std::nullopt;
  const InputAnswer answer = inputs_.front();
  inputs_.pop_front();
  if (!answer.given) return std::nullopt;
  return answer.text;
}

QString numberBoxText(const QString& typed, int value, int minimum, int maximum) {
  // Whether the box lets `text` stand while it is being typed: a number on its way into
  // the range (below the minimum is allowed, it may yet grow), never one above the maximum.
  const auto mayStand = [&](const QString& text) {
    if (text == u'-') return minimum < 0;
    bool isNumber = false;
    const qlonglong n = text.toLongLong(&isNumber);
    return isNumber && !text.startsWith(u'+') && n <= maximum && (minimum < 0 || n >= 0);
  };
  QString text = QString::number(std::clamp(value, minimum, maximum));
  bool replaced = false;
  for (const QChar key : typed) {
    const QString next = replaced ? text + key : QString(key);
    if (!mayStand(next)) continue;
    text = next;
    replaced = true;
  }
  return text;
}

std::optional<int> numberBoxValue(const QString& text, int minimum, int maximum) {
  bool isNumber = false;
  const int n = text.toInt(&isNumber);
  if (!isNumber || n < minimum || n > maximum) return std::nullopt;
  return n;
}

std::optional<int> ScriptedPrompter::inputNumber(const QString& prompt, const QString& title,
                                                 int value, int minimum, int maximum) {
  shown.push_back({Icon::None, title, prompt, {}, true, NumberLimits{value, minimum, maximum}});
  if (numbers_.empty()) return std::nullopt;
  const InputAnswer answer = numbers_.front();
  numbers_.pop_front();
  if (!answer.given) return std::nullopt;
  const auto number =
      numberBoxValue(numberBoxText(answer.text, value, minimum, maximum), minimum, maximum);
  if (!number) shown.back().refused = true;
  return number;
}

std::optional<QString> ScriptedPrompter::saveFileName(const QString& title, const QString& filter,
                                                      const QString& suggestedName) {
  shown.push_back({Icon::None, title, filter + u'|' + suggestedName, {}, false});
  if (saveFiles_.empty()) return std::nullopt;
  const QString path = saveFiles_.front();
  saveFiles_.pop_front();
  return path;
}

QString ScriptedPrompter::boxes() const {
  QStringList out;
  for (const ShownBox& box : shown) out << box.title + u'|' + box.text;
  return out.join(QStringLiteral("; "));
}

::testing::AssertionResult ScriptedPrompter::showed(
    qsizetype index, const QString& title, const QString& text, std::optional<Icon> icon,
    std::optional<QMessageBox::StandardButtons> buttons) const {
  if (index >= shown.size())
    return ::testing::AssertionFailure() << "only " << shown.size() << " boxes shown";
  const ShownBox& box = shown[index];
  if (box.title == title && box.text == text && (!icon || box.icon == *icon) &&
      (!buttons || box.buttons == *buttons))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "box " << index << " was [" << box.title.toStdString() << "] ["
         << box.text.toStdString() << "] icon " << static_cast<int>(box.icon) << " buttons "
         << box.buttons.toInt();
}

}  // namespace tarvo::test
