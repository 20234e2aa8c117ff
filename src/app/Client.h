#pragma once
// The running client, and the one place where its parts meet: it makes the main window, the
// connection and one controller per subsystem, gives each controller only what it uses,
// connects the user's commands and the effects that cross subsystems, and, as the reply
// dispatcher's receiver, hands each reply line to the controller that owns it.
#include <QObject>
#include <QString>
#include <memory>

#include "link/reply_handler.h"

namespace tarvo {
class Prompter;
class LinkController;
namespace link {
class Connection;
class ChangeJournal;
}  // namespace link
namespace browser {
class Form1;
class ListsController;
class TreeController;
class TreeFilter;
}  // namespace browser
namespace icc {
class SessionController;
class CpUtilController;
}  // namespace icc
namespace params {
class ParamsController;
}
namespace blocks {
class BlocksController;
}
namespace tools {
class ToolsController;
}

class Client : public QObject, public link::ReplyHandler {
  Q_OBJECT

 public:
  // `settingsPath` is the settings file ("TarvoIp.txt" beside the program, or a test's own).
  Client(Prompter& prompter, QString settingsPath, QObject* parent = nullptr);
  ~Client() override;

  // The main window's load steps (reads the settings, connects when asked to), then shows it.
  void start();

  browser::Form1& form() { return *form_; }
  link::Connection& connection() { return *connection_; }
  Prompter& prompter() { return prompter_; }
  const QString& settingsPath() const { return settingsPath_; }

  LinkController& linkController() { return *link_; }
  browser::ListsController& lists() { return *lists_; }
  browser::TreeController& tree() { return *tree_; }
  icc::SessionController& session() { return *session_; }
  icc::CpUtilController& cpUtilities() { return *cpUtil_; }
  params::ParamsController& params() { return *params_; }
  blocks::BlocksController& blocks() { return *blocks_; }
  // Every change asked of the server and its answer, written to the user's journal.
  link::ChangeJournal& journal() { return *journal_; }
  // Finding blocks in the tree; the journal and trace windows and the exports.
  browser::TreeFilter& treeFilter() { return *treeFilter_; }
  tools::ToolsController& tools() { return *tools_; }

  // ReplyHandler
  void onVersion(std::string_view line) override;
  void onClrCpLst(std::string_view line) override;
  void onCpLst(std::string_view line) override;
  void onDnCpLst(std::string_view line) override;
  void onClrCmpLst(std::string_view line) override;
  void onCmpLst(std::string_view line) override;
  void onDnCmpLst(std::string_view line) override;
  void onBlkTypNew(std::string_view line) override;
  void onBlkTyp(std::string_view line) override;
  void onClrPrmLst(std::string_view line) override;
  void onPrmLst(std::string_view line) override;
  void onDnPrmLst(std::string_view line) override;
  void onErrPrmLst(std::string_view line) override;
  void onClrBlkLst(std::string_view line) override;
  void onBlkLst(std::string_view line) override;
  void onDnBlkLst(std::string_view line) override;
  void onErrBlkLst(std::string_view line) override;
  void onErrPrmMod(std::string_view line) override;
  void onWrnPrmMod(std::string_view line) override;
  void onDnPrmMod(std::string_view line) override;
  void onErrDelBlk(std::string_view line) override;
  void onWrnDelBlk(std::string_view line) override;
  void onDnDelBlk(std::string_view line) override;
  void onDnAddNew(std::string_view line) override;
  void onWrnAddNew(std::string_view line) override;
  void onErrAddNew(std::string_view line) override;
  void onDnCpyNew(std::string_view line) override;
  void onWrnCpyNew(std::string_view line) override;
  void onErrCpyNew(std::string_view line) override;
  void onDnMoveBlk(std::string_view line) override;
  void onWrnMoveBlk(std::string_view line) override;
  void onErrMoveBlk(std::string_view line) override;
  void onTryOpenCp(std::string_view line) override;
  void onDnOpenCp(std::string_view line) override;
  void onErrOpenCp(std::string_view line) override;
  void onLockOpenCp(std::string_view line) override;
  void onCheckpoint(std::string_view line) override;
  void onCloseIcc(std::string_view line) override;
  void onDnCpUtil(std::string_view line) override;
  void onErrCpUtil(std::string_view line) override;

 private:
  void wireCommands();
  void wireButtons();
  void wireEffects();
  void wireJournal();
  void wireExtras();

  Prompter& prompter_;
  QString settingsPath_;
  std::unique_ptr<browser::Form1> form_;
  link::Connection* connection_;
  std::unique_ptr<browser::ListsController> lists_;
  std::unique_ptr<browser::TreeController> tree_;
  std::unique_ptr<icc::SessionController> session_;
  std::unique_ptr<LinkController> link_;
  std::unique_ptr<icc::CpUtilController> cpUtil_;
  std::unique_ptr<params::ParamsController> params_;
  std::unique_ptr<blocks::BlocksController> blocks_;
  link::ChangeJournal* journal_ = nullptr;
  std::unique_ptr<browser::TreeFilter> treeFilter_;
  std::unique_ptr<tools::ToolsController> tools_;
};

}  // namespace tarvo
