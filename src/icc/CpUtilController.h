#pragma once
// The whole-CP utilities (upload, checkpoint, initialize): confirm, lock the window while
// the server works, unlock on its answer.
#include <QString>
#include <string_view>

namespace tarvo {
class Prompter;
namespace link {
class CommandSender;
}
namespace browser {
class Form1;
}
namespace icc {

enum class CpUtility { Upload, Checkpoint, Initialize };

class CpUtilController {
 public:
  CpUtilController(browser::Form1& form, link::CommandSender& sender, Prompter& prompter);

  void run(CpUtility utility);
  void onDnCpUtil();
  void onErrCpUtil(std::string_view line);

  // The connection went away: no answer will come, so the window must not stay locked.
  void connectionLost();

  bool waiting() const { return waiting_; }

 private:
  void unlock();
  browser::Form1& form_;
  link::CommandSender& sender_;
  Prompter& prompter_;
  bool waiting_ = false;
  QString operation_;
};

}  // namespace icc
}  // namespace tarvo
