#pragma once
// The cross-reference: the setup window with its three lists and their editor, the
// generation and its polling, and one block's cross-reference asked for from the tree.
#include <QObject>
#include <QString>
#include <string>
#include <string_view>

#include "ui/ToolWindow.h"

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
namespace xref {

class XrefOptionsFRM;
class XrefOptionsBoxFRM;
class XrefFRM;

class XrefController : public QObject {
  Q_OBJECT

 public:
  // The windows are windows of their own; the editor and the listing stay above the window
  // they were asked for from (the main window, or the setup window). The controller
  // answers "Cross-Reference", "Xref" and the space bar in the tree, follows the
  // connection and leaves with the program.
  XrefController(browser::Form1& form, browser::TreeController& tree, link::Connection& connection,
                 Prompter& prompter);
  ~XrefController() override;

  void bindReplies(link::ReplyRouter& router);

  // "Cross-Reference": opens the setup window, the main window hidden while it is open.
  void openSetup();
  // "Xref" and the space bar in the tree: the cross-reference of the selected node.
  void xrefBlock();

  // The open windows, or null.
  XrefOptionsFRM* setupWindow() const;
  XrefOptionsBoxFRM* listEditor() const;
  XrefFRM* listingWindow() const;

 private:
  // The setup window's list buttons: ask for list "C", "D" or "H".
  void requestList(std::string_view letter);
  // "Create Xref", once the user has confirmed it.
  void createXref();
  // A tick of the setup window's timer.
  void poll();
  // The connection is gone: the setup window closes and the main window comes back.
  void connectionLost();
  // The program is ending: the setup window closes (and says so to the server) first.
  void unload();

  void onXrefCfgGetStrt(std::string_view line);
  void onXrefCfgGetLine(std::string_view line);
  void onXrefCfgGetDone(std::string_view line);
  void onXrefRunLine(std::string_view line);
  void onXrefRunDone();
  void onClrXrefLst();
  void onXrefLst(std::string_view line);
  void onEndXrefLst();
  void onNoneXrefLst();

  // The editor for list `letter`: made, or emptied for it when it shows another list.
  XrefOptionsBoxFRM& editorFor(std::string_view letter);
  void okList(XrefOptionsBoxFRM* editor);
  void setupUnloaded();
  void send(std::string_view command);

  browser::Form1& form_;
  browser::TreeController& tree_;
  link::Connection& connection_;
  link::CommandSender& sender_;
  Prompter& prompter_;

  // Each is forgotten the moment its window starts closing, so no later reply reaches it.
  OwnedWindow<XrefOptionsFRM> setup_;
  OwnedWindow<XrefOptionsBoxFRM> editor_;
  OwnedWindow<XrefFRM> listing_;
  // The letter of the list the editor shows, which its OK sends back under. A reply for
  // another letter starts another list: the editor then shows that one alone.
  std::string xrefCfgType_;
  bool leaving_ = false;
};

}  // namespace xref
}  // namespace tarvo
