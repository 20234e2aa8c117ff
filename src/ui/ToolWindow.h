#pragma once
// The program's windows beside the main window: each a window of its own (never a child of
// another, so that a disabled main window leaves it usable), kept above its owner, deleted
// once closed, and saying once that it is closing, whichever way it is closed (a button,
// its close box, Escape, the program ending). Screen readers know it as a dialog named by
// its caption.
//
// OwnedWindow is a controller's hold on one such window: made when first needed, brought
// forward when asked for again, forgotten the moment it starts closing so that no later
// reply reaches it, and deleted with the controller.
#include <QDialog>
#include <QPointer>
#include <QString>

namespace tarvo {

class ToolWindow : public QDialog {
  Q_OBJECT

 public:
  // `owner` is the window this one stays above; null for none.
  ToolWindow(const char* objectName, const QString& caption, QWidget* owner = nullptr);

  // Shows the window, or brings it forward when it is shown already.
  void showRaised();

 signals:
  // The window is closing; emitted once, before it goes.
  void unloading();

 public slots:
  // Escape closes the window (not QDialog's own handling, which only hides it).
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  // Whether the window has begun closing.
  bool unloaded() const { return unloaded_; }

 private:
  bool unloaded_ = false;
};

template <class Window>
class OwnedWindow {
 public:
  OwnedWindow() = default;
  OwnedWindow(const OwnedWindow&) = delete;
  OwnedWindow& operator=(const OwnedWindow&) = delete;
  ~OwnedWindow() { delete window_.data(); }

  Window* get() const { return window_.data(); }
  Window* operator->() const { return window_.data(); }
  explicit operator bool() const { return !window_.isNull(); }

  // The window, made by `make` when there is none. `make` returns a new window, connected
  // as its maker wants; it is forgotten here once it starts closing.
  template <class Make>
  Window& ensure(Make&& make) {
    if (!window_) {
      Window* window = make();
      window_ = window;
      QObject::connect(window, &ToolWindow::unloading, window, [this, window] {
        if (window_ == window) window_ = nullptr;
      });
    }
    return *window_;
  }

  void close() {
    if (window_) window_->close();
  }

 private:
  QPointer<Window> window_;
};

}  // namespace tarvo
