#pragma once
// The cross-reference: the setup window with its three lists and their editor, the
// generation and its polling, and one block's cross-reference asked for from the tree.
#include <QObject>
#include <QPointer>
#include <QString>
#include <string>
#include <string_view>

class QWidget;

namespace tarvo {
class Prompter;
namespace link {
class CommandSender;
}
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
  // they were asked for from (`owner`, the main window, or the setup window).
  XrefController(QWidget* owner, browser::Form1& form, browser::TreeController& tree,
                 link::CommandSender& sender, Prompter& prompter);
  ~XrefController() override;

  // "Cross-Reference": opens the setup window, the main window hidden while it is open.
  void openSetup();
  // The setup window's list buttons: ask for list "C", "D" or "H".
  void requestList(std::string_view letter);
  // "Create Xref", once the user has confirmed it.
  void createXref();
  // A tick of the setup window's timer.
  void poll();
  // "Xref" and the space bar in the tree: the cross-reference of the selected node.
  void xrefBlock();

  // The connection is gone: the setup window closes and the main window comes back.
  void connectionLost();
  // The program is ending: the setup window closes (and says so to the server) first.
  void unload();

  void onXrefCfgGetStrt(std::string_view line);
  void onXrefCfgGetLine(std::string_view line);
  void onXrefCfgGetDone(std::string_view line);
  void onXrefRunLine(std::string_view line);
  void onXrefRunDone(std::string_view line);
  void onClrXrefLst(std::string_view line);
  void onXrefLst(std::string_view line);
  void onEndXrefLst(std::string_view line);
  void onNoneXrefLst(std::string_view line);

  // The list last named by a reply, which the editor's OK sends back under.
  QString xrefCfgType() const;
  // The open windows, or null.
  XrefOptionsFRM* setupWindow() const;
  XrefOptionsBoxFRM* listEditor() const;
  XrefFRM* listingWindow() const;

 private:
  void okList(XrefOptionsBoxFRM* editor);
  void setupUnloaded(XrefOptionsFRM* window);
  void send(std::string_view command);

  QWidget* owner_;
  browser::Form1& form_;
  browser::TreeController& tree_;
  link::CommandSender& sender_;
  Prompter& prompter_;

  // Each is cleared the moment its window starts closing, so no later reply reaches it.
  QPointer<XrefOptionsFRM> setup_;
  QPointer<XrefOptionsBoxFRM> editor_;
  QPointer<XrefFRM> listing_;
  std::string xrefCfgType_;
  bool leaving_ = false;
};

}  // namespace xref
}  // namespace tarvo
