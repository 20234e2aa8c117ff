#pragma once
// Every message box and input box of the program goes through a Prompter, so tests can
// answer them from a script and check exactly what the user would have been shown.
#include <QMessageBox>
#include <QString>
#include <optional>

class QWidget;

namespace tarvo {

class Prompter {
 public:
  enum class Icon { None, Information, Question, Exclamation, Critical };

  virtual ~Prompter() = default;

  // Shows a modal box and returns the button pressed (QMessageBox::Ok, Yes, No, ...).
  virtual QMessageBox::StandardButton message(Icon icon, const QString& title, const QString& text,
                                              QMessageBox::StandardButtons buttons) = 0;

  // Asks for one line of text; nullopt when the user cancels.
  virtual std::optional<QString> input(const QString& prompt, const QString& title,
                                       const QString& initial = {}) = 0;

  // Asks for a whole number from `minimum` to `maximum`, offering `value`; nullopt when the
  // user cancels. The box itself keeps what is typed within those limits: a key that would
  // go past `maximum` is refused, and a number below `minimum` cannot be confirmed. A
  // prompter that cannot ask gets no number.
  virtual std::optional<int> inputNumber(const QString& prompt, const QString& title, int value,
                                         int minimum, int maximum) {
    (void)prompt;
    (void)title;
    (void)value;
    (void)minimum;
    (void)maximum;
    return std::nullopt;
  }

  // Asks where to save a file: the path chosen, or nullopt when the user cancels.
  // `filter` is a file dialog's filter ("CSV files (*.csv)"); `suggestedName` the name
  // offered. A prompter that cannot ask saves nothing.
  virtual std::optional<QString> saveFileName(const QString& title, const QString& filter,
                                              const QString& suggestedName) {
    (void)title;
    (void)filter;
    (void)suggestedName;
    return std::nullopt;
  }

  // Convenience for the common "OK" box.
  void inform(Icon icon, const QString& title, const QString& text) {
    message(icon, title, text, QMessageBox::Ok);
  }
};

// What a message box shows of a text. A short text is shown whole. A long one (a server's
// message can be as long as a reply line) would take the box seconds of layout and fill
// the screen: its beginning is shown with a note, and the text for the box's details,
// itself cut at a size a text box shows at once.
struct BoxText {
  QString shown;
  QString details;  // empty when everything is shown
};
BoxText boxText(const QString& text);

// The real thing: standard Qt dialogs, parented to the active window.
class DialogPrompter : public Prompter {
 public:
  QMessageBox::StandardButton message(Icon icon, const QString& title, const QString& text,
                                      QMessageBox::StandardButtons buttons) override;
  std::optional<QString> input(const QString& prompt, const QString& title,
                               const QString& initial) override;
  std::optional<int> inputNumber(const QString& prompt, const QString& title, int value,
                                 int minimum, int maximum) override;
  std::optional<QString> saveFileName(const QString& title, const QString& filter,
                                      const QString& suggestedName) override;
};

}  // namespace tarvo
