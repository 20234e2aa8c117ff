#pragma once
// The block tree of the open session: requesting the block list, building the tree from
// its lines, and what a click, a key or a double click on a node selects and enables. It
// owns the current selection, which the operations read through the accessors below.
#include <QObject>
#include <QString>
#include <string_view>

#include "browser/BlockTree.h"
#include "browser/block_list.h"

class QTreeWidgetItem;

namespace tarvo {
class Prompter;
namespace link {
class CommandSender;
class ReplyRouter;
}  // namespace link
namespace browser {

class Form1;

class TreeController : public QObject {
  Q_OBJECT

 public:
  TreeController(Form1& form, link::CommandSender& sender, Prompter& prompter);
  ~TreeController() override;

  void bindReplies(link::ReplyRouter& router);

  // Asks for the session CP's block list ("GETBLKS 1 " or "GETBLKS 0 " + CP), or for the
  // list of `cp`, a session on which is being opened.
  void requestList();
  void requestList(const QString& cp);
  // The answer to the next block list request, whatever it is, is for nobody: the session
  // it was asked ahead for did not open. Once per such request; forgotten with the link.
  void passOverNextList() { ++passOver_; }
  void forgetPassOvers() {
    passOver_ = 0;
    passingOver_ = false;
  }
  void refresh();  // "Refresh" and "Show ECB/Station Blocks": hide the tree's frame, ask again
  void clear();    // removes every node
  // Removes the node with `key` and its children; false when there is none. When the
  // selection was among them, the node the view moves to is selected as a click selects
  // it (the focus left where it is), or, with none, nothing is selected and the buttons
  // that need a node are off.
  bool removeNode(const QString& key);

  // The node-click handling: sets the selection and the buttons that suit the node, and
  // gives the tree the focus. Does nothing for null.
  void nodeClick(QTreeWidgetItem* node);
  // Makes the node with `key` the tree's selected node and runs the node-click handling
  // for it once. False, and nothing changes, when there is no such node.
  bool selectNode(const QString& key);
  void focusTree();

  // The current selection, set by the last node click: the block name ("CMP:BLK"), a
  // compound's name or an end entry's key; the type; whether that is a sequence type or
  // "PLB"; and the key of the node itself.
  const QString& currSelBlk() const { return currSelBlk_; }
  const QString& currSelTyp() const { return currSelTyp_; }
  bool currIsSeq() const { return currIsSeq_; }
  bool currIsPLB() const { return currIsPLB_; }
  const QString& selNodeKey() const { return selNodeKey_; }
  // The key of the node the user has chosen (clicked, or moved to), or "" when the tree
  // has none: a node that is only current (the focus put there, a new list with nothing
  // clicked yet) is not a choice of the user's.
  QString selectedKey() const;

  // What the block operations hold, which decides Paste and Move To on the next click.
  void setCopySourceKnown(bool known) { copySourceKnown_ = known; }
  void setMoveSourcePending(bool pending) { moveSourcePending_ = pending; }

  BlockTree& blocks() { return tree_; }
  const BlockTree& blocks() const { return tree_; }

 signals:
  void selectionChanged();
  // A double click on a block whose Edit button is enabled.
  void editRequested();
  // The space bar in the tree: the Xref button's action, whether or not the button is
  // enabled.
  void xrefRequested();
  // A new block list is in the tree; nothing of the old one is left.
  void listLoaded();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void onClrBlkLst();
  void onBlkLst(std::string_view line);
  void onDnBlkLst();
  void onErrBlkLst(std::string_view line);
  void onCurrentChanged(QTreeWidgetItem* current);
  void onItemClicked(QTreeWidgetItem* node);
  void onDoubleClick();
  // The node-click handling without the focus, and its opposite.
  void select(QTreeWidgetItem* node);
  void selectNothing();

  Form1& form_;
  link::CommandSender& sender_;
  Prompter& prompter_;
  BlockTree tree_;
  BlockListBuilder builder_;

  QString currSelBlk_;
  QString currSelTyp_;
  bool currIsSeq_ = false;
  bool currIsPLB_ = false;
  QString selNodeKey_;
  bool copySourceKnown_ = false;
  bool moveSourcePending_ = false;
  int passOver_ = 0;          // answers still to pass over
  bool passingOver_ = false;  // in the middle of one of them

  // The current node when the last mouse press began: a click on a node that was already
  // current changes nothing in the view, so the click itself must run the handling.
  QTreeWidgetItem* currentAtPress_ = nullptr;
  // Set while the tree itself puts its first node current on getting the focus, which is
  // not a choice of the user's.
  bool placingFocusNode_ = false;
};

}  // namespace browser
}  // namespace tarvo
