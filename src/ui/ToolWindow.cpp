#include "ui/ToolWindow.h"

#include <QCloseEvent>
#include <QEvent>

#include "ui/ui_helpers.h"

namespace tarvo {

ToolWindow::ToolWindow(const char* objectName, const QString& caption, QWidget* owner)
    : QDialog(nullptr) {
  setObjectName(QLatin1String(objectName));
  setWindowTitle(caption);
  setAccessibleName(caption);
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  setSizeGripEnabled(true);
  keepAbove(this, owner);
}

void ToolWindow::showRaised() {
  show();
  raise();
  activateWindow();
}

void ToolWindow::reject() {
  close();
}

void ToolWindow::closeEvent(QCloseEvent* event) {
  if (!unloaded_) {
    unloaded_ = true;
    emit unloading();
  }
  event->accept();
}

void ToolWindow::changeEvent(QEvent* event) {
  // A screen reader announces the window by its name: it follows the caption.
  if (event->type() == QEvent::WindowTitleChange) setAccessibleName(windowTitle());
  QDialog::changeEvent(event);
}

}  // namespace tarvo
