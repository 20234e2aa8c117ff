#pragma once
// The ICC session on a CP: opening it from the lists, the server's answers (progress, open,
// refused, locked, checkpoint running, closed) and closing session and connection.
#include <QObject>
#include <QString>
#include <string_view>

namespace tarvo {
class Prompter;
namespace link {
class Connection;
class ReplyRouter;
}  // namespace link
namespace browser {
class Form1;
class TreeController;
}  // namespace browser
namespace icc {

class SessionController : public QObject {
  Q_OBJECT

 public:
  SessionController(browser::Form1& form, browser::TreeController& tree,
                    link::Connection& connection, Prompter& prompter);

  void bindReplies(link::ReplyRouter& router);

  // A row was picked in the CP list (fromCompoundList false) or the compound list.
  void rowChosen(const QString& row, bool fromCompoundList);

  // "Close": ends the session and the connection, back to the unconnected window.
  void closeSession();

 private:
  void onTryOpenCp(std::string_view line);
  void onDnOpenCp(std::string_view line);
  void onErrOpenCp(std::string_view line);
  void onLockOpenCp(std::string_view line);
  void onCheckpoint(std::string_view line);
  void onCloseIcc(std::string_view line);
  void showUnconnectedMenus();
  // An open's answer has come: its block list request, sent with it, is wanted (true) or
  // is to be passed over. False when no request went out with it.
  bool listAskedAhead(bool wanted);

  browser::Form1& form_;
  browser::TreeController& tree_;
  link::Connection& connection_;
  Prompter& prompter_;
  // Opens ("OPENCP:") sent with their block list request behind them whose
  // answer has not come yet. The server answers in order: each answer is for the oldest.
  int listsAhead_ = 0;
};

}  // namespace icc
}  // namespace tarvo
