#include "ui/ui_helpers.h"

#include <QWidget>
#include <QWindow>

namespace tarvo {

QFont listFont() {
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  return font;
}

QFont sourceFont() {
  QFont font(QStringLiteral("Fixedsys"));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  return font;
}

void keepAbove(QWidget* window, QWidget* owner) {
  if (!window || !owner) return;
  // Both need their native windows for the stacking relation between them.
  window->winId();
  owner->winId();
  if (QWindow* handle = window->windowHandle()) handle->setTransientParent(owner->windowHandle());
}

}  // namespace tarvo
