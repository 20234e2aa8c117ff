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
#include <deque>
#include <string>
#include <string_view>

#include "params/param_protocol.h"

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
  std::size_t listsAsked() const { return asked_.size(); }
  // Parameter lists that came without being asked for since the connection was made.
  std::size_t unaskedLists() const { return unasked_; }

 private:
  void onClrPrmLst();
  void onPrmLst(std::string_view line);
  void onDnPrmLst();
  void onErrPrmLst(std::string_view line);
  void onErrPrmMod(std::string_view line);
  void onWrnPrmMod(std::string_view line);
  void onDnPrmMod();

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
  std::deque<std::string> asked_;
  std::size_t unasked_ = 0;
  bool unaskedSayPending_ = false;
};

}  // namespace params
}  // namespace tarvo
