#include "browser/ui_helpers.h"

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

}  // namespace tarvo
