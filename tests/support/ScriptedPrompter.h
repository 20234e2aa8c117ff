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

struct ShownBox {
  Prompter::Icon icon;
  QString title;
  QString text;
  QMessageBox::StandardButtons buttons;
  bool isInput = false;
};

class ScriptedPrompter : public Prompter {
 public:
  QMessageBox::StandardButton message(Icon icon, const QString& title, const QString& text,
                                      QMessageBox::StandardButtons buttons) override;
  std::optional<QString> input(const QString& prompt, const QString& title,
                               const QString& initial) override;
  // Records the dialog as a box titled `title` whose text is filter + "|" + suggested
  // name, and answers from its own queue (cancel when it is empty).
  std::optional<QString> saveFileName(const QString& title, const QString& filter,
                                      const QString& suggestedName) override;

  void answer(QMessageBox::StandardButton button) { answers_.push_back(button); }
  void answerInput(const QString& text) { inputs_.push_back({true, text}); }
  void cancelInput() { inputs_.push_back({false, QString()}); }
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
  std::deque<QString> saveFiles_;
  std::function<void()> whileOpen_;
};

}  // namespace tarvo::test
