#pragma once
// The ICC session on a CP: opening it from the lists, the server's answers (progress, open,
// refused, locked, checkpoint running, closed) and closing session and connection.
#include <QString>
#include <string_view>

namespace tarvo {
class Client;
namespace icc {

class SessionController {
 public:
  explicit SessionController(Client& client);

  // A row was picked in the CP list (fromCompoundList false) or the compound list.
  void rowChosen(const QString& row, bool fromCompoundList);

  void onTryOpenCp(std::string_view line);
  void onDnOpenCp(std::string_view line);
  void onErrOpenCp(std::string_view line);
  void onLockOpenCp(std::string_view line);
  void onCheckpoint(std::string_view line);
  void onCloseIcc(std::string_view line);

  // "Close": ends the session and the connection, back to the unconnected window.
  void closeSession();

 private:
  void showUnconnectedMenus();
  Client& client_;
};

}  // namespace icc
}  // namespace tarvo
