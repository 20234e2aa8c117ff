#pragma once
// The running client: it makes the main window, the connection and one controller per
// subsystem, gives each controller only what it uses, and lets each bind the replies it
// owns. Each controller connects the commands and buttons it answers itself.
#include <QObject>
#include <QString>
#include <memory>

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

class Client : public QObject {
  Q_OBJECT

 public:
  // `settingsPath` is the settings file ("TarvoIp.txt" beside the program, or a test's own).
  Client(Prompter& prompter, QString settingsPath, QObject* parent = nullptr);
  ~Client() override;

  // The main window's load steps (reads the settings, connects when asked to), then shows it.
  void start();

  browser::Form1& form() { return *form_; }
  link::Connection& connection() { return *connection_; }

  LinkController& linkController() { return *link_; }
  browser::TreeController& tree() { return *tree_; }
  browser::TreeFilter& treeFilter() { return *treeFilter_; }
  icc::SessionController& session() { return *session_; }
  params::ParamsController& params() { return *params_; }
  blocks::BlocksController& blocks() { return *blocks_; }
  sequence::SequenceController& sequence() { return *sequence_; }
  xref::XrefController& xref() { return *xref_; }
  tools::ToolsController& tools() { return *tools_; }
  // Every change asked of the server and its answer, written to the user's journal.
  records::ChangeJournal& journal() { return *journal_; }

 private:
  void wireJournal();
  void wireRevert();

  Prompter& prompter_;
  std::unique_ptr<browser::Form1> form_;
  link::Connection* connection_;
  records::ChangeJournal* journal_;
  std::unique_ptr<browser::ListsController> lists_;
  std::unique_ptr<browser::TreeController> tree_;
  std::unique_ptr<browser::TreeFilter> treeFilter_;
  std::unique_ptr<icc::SessionController> session_;
  std::unique_ptr<icc::CpUtilController> cpUtil_;
  std::unique_ptr<xref::XrefController> xref_;
  std::unique_ptr<sequence::SequenceController> sequence_;
  std::unique_ptr<params::ParamsController> params_;
  std::unique_ptr<blocks::BlocksController> blocks_;
  std::unique_ptr<tools::ToolsController> tools_;
  std::unique_ptr<LinkController> link_;
};

}  // namespace tarvo
