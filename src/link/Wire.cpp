#include "link/Wire.h"

#include <QByteArray>
#include <QStringView>

namespace tarvo::link {

std::string toWire(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

WireText typedToWire(const QString& text) {
  return toWireText(
      std::u16string_view(QStringView(text).utf16(), static_cast<std::size_t>(text.size())));
}

QString describeCharacter(char32_t c) {
  return QStringLiteral("\"%1\" (U+%2)")
      .arg(QString::fromUcs4(&c, 1))
      .arg(static_cast<uint>(c), 4, 16, QLatin1Char('0'));
}

}  // namespace tarvo::link
