#include "ui/SendCheck.h"

#include "link/CommandSender.h"
#include "ui/Prompter.h"

namespace tarvo {

bool canSend(const link::CommandSender& sender, Prompter& prompter, const QString& what) {
  if (sender.isConnected()) return true;
  prompter.inform(Prompter::Icon::Exclamation, QStringLiteral("Not Connected"),
                  what + QStringLiteral(" was not sent: there is no connection to the server.\r\r"
                                        "Nothing was changed, and what you entered is kept. "
                                        "Connect again (IccSession, New) and try once more."));
  return false;
}

}  // namespace tarvo
