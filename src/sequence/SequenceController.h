#pragma once
// Sequence blocks and PLB listings: opening an edit session on the selected sequence block,
// the editor window and what its buttons send, the replies that fill and drive it, closing
// it with the commands that end the session; and the PLB listing window.
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
namespace sequence {

class SeqEditFRM;
class PLBList;

class SequenceController : public QObject {
  Q_OBJECT

 public:
  // The windows are windows of their own that stay above the main window. The controller
  // answers "Edit Seq" and "View PLB", follows the connection and leaves with the program.
  SequenceController(browser::Form1& form, browser::TreeController& tree,
                     link::Connection& connection, Prompter& prompter);
  ~SequenceController() override;

  void bindReplies(link::ReplyRouter& router);

  void editSeq();  // "Edit Seq": asks the server to prepare the selected block
  void viewPlb();  // "View PLB": asks for the selected PLB's listing

  // The open editor and listing windows; null when there is none.
  SeqEditFRM* seqEditor() const;
  PLBList* plbList() const;

 private:
  // The program is ending: the editor closes (with its closing commands), and the listing.
  void unload();
  // The connection is gone: an edit session asked for and not yet answered never will be,
  // so "Edit Seq" comes back. An open editor stays; its Cancel still closes it.
  void connectionLost();

  void onErrEdtSeq(std::string_view line);  // first of the two "ERREDTSEQ" handlers
  void onDnEdtSeq();
  void onErrEdtSeqSecond(std::string_view line);  // second of the two
  void onWrnEdtSeq(std::string_view line);
  void onClrSeqSrc();
  void onSeqSrc(std::string_view line);
  void onDnSeqSrc();
  void onErrSeqSrc(std::string_view line);
  void onDnPutSrc();
  void onErrPutSrc(std::string_view line);
  void onWrnPutSrc(std::string_view line);
  void onDnCplSeq();
  void onErrCplSeq(std::string_view line);
  void onWrnCplSeq(std::string_view line);
  void onDnInsSeq();
  void onErrInsSeq(std::string_view line);
  void onWrnInsSeq(std::string_view line);
  void onClrGetLst();
  void onSeqLst(std::string_view line);
  void onDnSeqLst();
  void onErrSeqLst(std::string_view line);
  void onWrnSeqLst(std::string_view line);
  void onDnCanSeq();
  void onClrPlbList(std::string_view line);
  void onPlbList(std::string_view line);
  void onPlbEndList();

  void fetch();
  void save();
  void compile();
  void install();
  void viewListing();
  void cancel();
  void goToLine();
  void editorClosing(SeqEditFRM* editor);
  void compileFailed(std::string_view line, bool warning);
  void box(const char* title, std::string_view line);
  void send(const std::string& command);
  void showEditSeq(bool shown);

  browser::Form1& form_;
  browser::TreeController& tree_;
  link::CommandSender& sender_;
  Prompter& prompter_;
  OwnedWindow<SeqEditFRM> editor_;
  OwnedWindow<PLBList> plb_;
  // The block "EDTSEQ:" was sent for: the editor opens on it even if the tree's selection
  // has moved on before the server's answer came.
  QString requestedBlk_;
  QString requestedTyp_;
  // A compile error or warning asked for the listing, which scrolls to its end when done.
  bool cplListingPending_ = false;
  // An Edit is waiting for its source. Cancel drops it: the rest of a source the user
  // walked away from must not end up in the box, where Save would send it as the whole.
  bool fetchWanted_ = false;
};

}  // namespace sequence
}  // namespace tarvo
