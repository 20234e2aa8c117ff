#include "app/about.h"

#include <QStringList>

namespace tarvo {

QString aboutText(const QString& clientVersion, const QString& serverVersion) {
  const QStringList lines = {
      QStringLiteral("Tarvolink"),
      QStringLiteral("Client Version:  ") + clientVersion,
      QStringLiteral("Server Version: ") + serverVersion,
      QString(),
      QStringLiteral("Tarvolink Project"),
      QStringLiteral("Remote configuration for distributed control systems"),
      QStringLiteral("Support: support@tarvolink.example"),
      QString(),
      QStringLiteral("Authors:"),
      QStringLiteral("The Tarvolink founding engineers"),
  };
  return lines.join(QLatin1Char('\r'));
}

}  // namespace tarvo
