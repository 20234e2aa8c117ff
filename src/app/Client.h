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
}
namespace records {
class ChangeJournal;
}
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
namespace sequence {
class SequenceController;
}
namespace xref {
class XrefController;
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
  xref::XrefController& xref() { return *xref_; }
  // Every change asked of the server and its answer, written to the user's journal.
  records::ChangeJournal& journal() { return *journal_; }
  sequence::SequenceController& sequence() { return *sequence_; }
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
  // The cross-reference's replies.
  void onClrXrefLst(std::string_view line) override;
  void onXrefLst(std::string_view line) override;
  void onEndXrefLst(std::string_view line) override;
  void onNoneXrefLst(std::string_view line) override;
  void onXrefCfgGetStrt(std::string_view line) override;
  void onXrefCfgGetLine(std::string_view line) override;
  void onXrefCfgGetDone(std::string_view line) override;
  void onXrefRunLine(std::string_view line) override;
  void onXrefRunDone(std::string_view line) override;

  // Sequence blocks and PLB listings
  void onErrEdtSeq(std::string_view line) override;
  void onDnEdtSeq(std::string_view line) override;
  void onErrEdtSeqEditor(std::string_view line) override;
  void onWrnEdtSeq(std::string_view line) override;
  void onClrSeqSrc(std::string_view line) override;
  void onSeqSrc(std::string_view line) override;
  void onDnSeqSrc(std::string_view line) override;
  void onErrSeqSrc(std::string_view line) override;
  void onDnPutSrc(std::string_view line) override;
  void onErrPutSrc(std::string_view line) override;
  void onWrnPutSrc(std::string_view line) override;
  void onDnCplSeq(std::string_view line) override;
  void onErrCplSeq(std::string_view line) override;
  void onWrnCplSeq(std::string_view line) override;
  void onDnInsSeq(std::string_view line) override;
  void onErrInsSeq(std::string_view line) override;
  void onWrnInsSeq(std::string_view line) override;
  void onClrGetLst(std::string_view line) override;
  void onSeqLst(std::string_view line) override;
  void onDnSeqLst(std::string_view line) override;
  void onErrSeqLst(std::string_view line) override;
  void onWrnSeqLst(std::string_view line) override;
  void onDnCanSeq(std::string_view line) override;
  void onClrPlbList(std::string_view line) override;
  void onPlbList(std::string_view line) override;
  void onPlbEndList(std::string_view line) override;

 private:
  void wireCommands();
  void wireButtons();
  void wireEffects();
  void wireXref();
  void wireJournal();
  void wireSequence();
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
  std::unique_ptr<xref::XrefController> xref_;
  records::ChangeJournal* journal_ = nullptr;
  std::unique_ptr<sequence::SequenceController> sequence_;
  std::unique_ptr<browser::TreeFilter> treeFilter_;
  std::unique_ptr<tools::ToolsController> tools_;
};

}  // namespace tarvo
