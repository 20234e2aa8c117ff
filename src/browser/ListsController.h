#pragma once
// The CP/volume and compound lists: filled from the list replies, shown as a pair.
#include <string_view>

namespace tarvo::browser {

class Form1;

class ListsController {
 public:
  explicit ListsController(Form1& form);

  void onClrCpLst();
  void onCpLst(std::string_view line);
  void onDnCpLst();
  void onClrCmpLst();
  void onCmpLst(std::string_view line);
  void onDnCmpLst();

 private:
  void showConnectedMenus();
  Form1& form_;
};

}  // namespace tarvo::browser
