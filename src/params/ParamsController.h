#pragma once
// Parameter editing: asking for a block's parameters, the editor windows that the list
// replies fill, what OK, Cancel and closing an editor send, and the server's answers to a
// modification.
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "params/param_protocol.h"
#include "records/journal_changes.h"

namespace tarvo {
class Prompter;
namespace link {
class CommandSender;
class Connection;
class ReplyRouter;
}  // namespace link
namespace browser {
class Form1;
class TreeController;
}  // namespace browser
namespace params {

class ParmEditFRM;

class ParamsController : public QObject {
  Q_OBJECT

 public:
  // Editors are windows of their own that stay above the main window. The controller
  // answers "Edit" (and a double click in the tree), follows the connection and leaves
  // with the program.
  ParamsController(browser::Form1& form, browser::TreeController& tree,
                   link::Connection& connection, Prompter& prompter);
  ~ParamsController() override;

  void bindReplies(link::ReplyRouter& router);

  // At most this many editors exist at once, those whose list is still to come included.
  static constexpr int kMaxEditors = 32;

  // "Edit": asks for the selected block's parameters.
  void edit();

  // The editor whose list is arriving or last arrived; null when there is none.
  ParmEditFRM* parmEditor() const;
  // Where the next editor goes in the cascade.
  std::int32_t editWindowCnt() const { return editWindowCnt_; }
  // Modifications sent and not yet answered.
  std::size_t outstandingEdits() const { return outstanding_.size(); }
  // Editors not yet unloaded, and parameter lists asked for and not yet begun.
  int editorCount() const { return static_cast<int>(editors_.size()); }
  std::size_t listsAsked() const { return reads_.editorsWaiting(); }
  // Parameter lists that came without being asked for since the connection was made.
  std::size_t unaskedLists() const { return unasked_; }

  // Reads the live parameters of `blocks` for a revert's check: every "GETPARMS:" goes
  // out at once, and liveValuesRead() follows the last answer (liveValuesLost() when the
  // connection is not up or goes). Editors are not touched.
  void readLiveValues(const std::vector<std::string>& blocks);
  // Ends the blocks read: for each set with values, one transaction setting them ("MODSTART:"
  // ... "MODEND:"), as OK in an editor sends it; then "MODDONE:" for every block read.
  void finishReads(const std::vector<records::RevertSet>& sets);

 signals:
  // Of the blocks asked, those whose list arrived, with their parameters.
  void liveValuesRead(const records::LiveValues& live);
  void liveValuesLost();

 private:
  void onClrPrmLst();
  void onPrmLst(std::string_view line);
  void onDnPrmLst();
  void onErrPrmLst(std::string_view line);
  void onErrPrmMod(std::string_view line);
  void onWrnPrmMod(std::string_view line);
  void onDnPrmMod();
  // A read was answered: once every read is, the values go to whoever asked.
  void readAnswered();

  // The connection is gone: answers to what was sent on it will never come, and an
  // editor whose list was still arriving is unloaded.
  void connectionReset();
  // The program is ending: every editor is unloaded, with its "MODDONE:".
  void unloadAll();

  void ok(ParmEditFRM* editor);
  void cancel(ParmEditFRM* editor);
  void unload(ParmEditFRM* editor);
  // Closes an editor from here, not from its own buttons: its memory goes at once rather
  // than when the event loop next idles, which a flood of lists may keep it from doing.
  void discard(ParmEditFRM* editor);
  // Says, once for each burst of them, how many lists came unasked.
  void sayUnasked();
  void exportGrid(ParmEditFRM* editor);
  // "Compare with File...": the values a dump file holds for the editor's block, shown
  // beside the grid's.
  void compareWithFile(ParmEditFRM* editor);
  QString answeredBlock();
  void focusTree();

  browser::Form1& form_;
  browser::TreeController& tree_;
  link::CommandSender& sender_;
  Prompter& prompter_;
  QPointer<ParmEditFRM> parmEditor_;
  QList<QPointer<ParmEditFRM>> editors_;  // every editor not yet unloaded
  std::int32_t editWindowCnt_ = 0;
  OutstandingEdits outstanding_;
  // The blocks "GETPARMS:" was sent for, oldest first: each list or error answers one.
  std::size_t unasked_ = 0;
  bool unaskedSayPending_ = false;
  ParamReads reads_;
};

}  // namespace params
}  // namespace tarvo
