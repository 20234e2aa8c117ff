#pragma once
// The whole-CP utilities (upload, checkpoint, initialize): confirm, lock the window while
// the server works, unlock on its answer.
#include <QObject>
#include <QString>
#include <string_view>

namespace tarvo {
class Prompter;
namespace link {
class CommandSender;
class Connection;
class ReplyRouter;
}  // namespace link
namespace browser {
class Form1;
}
namespace icc {

enum class CpUtility { Upload, Checkpoint, Initialize };

class CpUtilController : public QObject {
  Q_OBJECT

 public:
  // Answers the CP Utilities menu and follows the connection.
  CpUtilController(browser::Form1& form, link::Connection& connection, Prompter& prompter);

  void bindReplies(link::ReplyRouter& router);

  // Asks to be sure, then runs `utility` on the session's CP; the main window is locked
  // until the answer comes (or the connection goes).
  void run(CpUtility utility);

 private:
  void onDnCpUtil();
  void onErrCpUtil(std::string_view line);
  // No answer will come on a connection that is gone: the window is unlocked.
  void connectionLost();
  void unlock();

  browser::Form1& form_;
  link::CommandSender& sender_;
  Prompter& prompter_;
  bool waiting_ = false;
  QString operation_;
};

}  // namespace icc
}  // namespace tarvo
