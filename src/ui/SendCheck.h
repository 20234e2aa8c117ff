#pragma once
// What a user's action sends goes out only on a connection that is up. Sent on one that is
// not, it would be dropped while the window went on as if the server had it: a Save would
// look done, and the edits would be gone at the next Edit.
#include <QString>

namespace tarvo {

class Prompter;
namespace link {
class CommandSender;
}

// Whether the commands of a user's action can go out now. When the connection is not up,
// a box says that `what` was not sent and false comes back: the caller then leaves the
// user's work where it is (the text in its box, the changed rows in their grid, the window
// open), to be sent once connected again. `what` is a phrase that can start a sentence:
// "The source of A:SEQ1".
bool canSend(const link::CommandSender& sender, Prompter& prompter, const QString& what);

}  // namespace tarvo
