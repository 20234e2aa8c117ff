#pragma once
// The CP/volume and compound lists: filled from the list replies, shown as a pair.
#include <string_view>

namespace tarvo {
class Client;
namespace browser {

class ListsController {
 public:
  explicit ListsController(Client& client);

  void onClrCpLst();
  void onCpLst(std::string_view line);
  void onDnCpLst();
  void onClrCmpLst();
  void onCmpLst(std::string_view line);
  void onDnCmpLst();

 private:
  void showConnectedMenus();
  Client& client_;
};

}  // namespace browser
}  // namespace tarvo
