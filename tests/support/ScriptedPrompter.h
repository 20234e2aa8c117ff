#pragma once
// A prompter for tests: records every box and answers from a queue (Ok, or the first
// button offered, when the queue is empty).
#include <gtest/gtest.h>

#include <QList>
#include <QString>
#include <deque>
#include <functional>
#include <optional>

#include "ui/Prompter.h"

namespace tarvo::test {

// The limits of a number box: the number offered and the range it takes.
struct NumberLimits {
  int value;
  int minimum;
  int maximum;
  bool operator==(const NumberLimits&) const = default;
};

struct ShownBox {
  Prompter::Icon icon;
  QString title;
  QString text;
  QMessageBox::StandardButtons buttons;
  bool isInput = false;
  std::optional<NumberLimits> limits = std::nullopt;  // a number box's
  bool refused = false;                               // it would not take what was typed
};

// What a number box from `minimum` to `maximum` that offers `value` (kept within them) shows
// once `typed` was typed into it key by key, as the real box keeps it: the first key taken
// replaces the number offered; a key that would leave no number (a letter, a minus sign
// when no number below zero is allowed) or a number above `maximum` is refused.
QString numberBoxText(const QString& typed, int value, int minimum, int maximum);
// The number in that text when the box takes it (it lies within the limits).
std::optional<int> numberBoxValue(const QString& text, int minimum, int maximum);

class ScriptedPrompter : public Prompter {
 public:
  QMessageBox::StandardButton message(Icon icon, const QString& title, const QString& text,
                                      QMessageBox::StandardButtons buttons) override;
  std::optional<QString> input(const QString& prompt, const QString& title,
                               const QString& initial) override;
  // Records the limits; answers from answerNumber()'s queue as the real box would: a number
  // the box refuses leaves it open, and the user then cancels (nullopt). Cancel when the
  // queue is empty.
  std::optional<int> inputNumber(const QString& prompt, const QString& title, int value,
                                 int minimum, int maximum) override;
  // Records the dialog as a box titled `title` whose text is filter + "|" + suggested
  // name, and answers from its own queue (cancel when it is empty).
  std::optional<QString> saveFileName(const QString& title, const QString& filter,
                                      const QString& suggestedName) override;

  void answer(QMessageBox::StandardButton button) { answers_.push_back(button); }
  void answerInput(const QString& text) { inputs_.push_back({true, text}); }
  void cancelInput() { inputs_.push_back({false, QString()}); }
  // Types `keys` into the next number box and presses Enter.
  void answerNumber(const QString& keys) { numbers_.push_back({true, keys}); }
  void cancelNumber() { numbers_.push_back({false, QString()}); }
  void answerSaveFile(const QString& path) { saveFiles_.push_back(path); }
  // Runs while a box is "open", as the user could still act then (events keep flowing).
  void setWhileOpen(std::function<void()> action) { whileOpen_ = std::move(action); }

  QList<ShownBox> shown;
  void clear() { shown.clear(); }
  // The boxes shown, each as its title and text joined by "|", one after another with "; ".
  QString boxes() const;
  // Whether box `index` was shown with this title and text, and with this icon and these
  // buttons when they are given.
  ::testing::AssertionResult showed(qsizetype index, const QString& title, const QString& text,
                                    std::optional<Icon> icon = {},
                                    std::optional<QMessageBox::StandardButtons> buttons = {}) const;

 private:
  std::deque<QMessageBox::StandardButton> answers_;
  struct InputAnswer {
    bool given;
    QString text;
  };
  std::deque<InputAnswer> inputs_;
  std::deque<InputAnswer> numbers_;
  std::deque<QString> saveFiles_;
  std::function<void()> whileOpen_;
};

}  // namespace tarvo::test
