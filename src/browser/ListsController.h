#pragma once
// The CP/volume and compound lists: filled from the list replies, shown as a pair.
#include <string_view>

namespace tarvo::link {
class ReplyRouter;
}

namespace tarvo::browser {

class Form1;

class ListsController {
 public:
  explicit ListsController(Form1& form);

  void bindReplies(link::ReplyRouter& router);

 private:
  void onClrCpLst();
  void onCpLst(std::string_view line);
  void onDnCpLst();
  void onClrCmpLst();
  void onCmpLst(std::string_view line);
  void onDnCmpLst();

  void showConnectedMenus();
  Form1& form_;
};

}  // namespace tarvo::browser
