#include "support/ScriptedPrompter.h"

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
