#pragma once
// The block tree of the open session: requesting the block list, building the tree from
// its lines, and what a click, a key or a double click on a node selects and enables.
#include <QObject>
#include <QString>
#include <string_view>

#include "browser/BlockTree.h"
#include "browser/block_list.h"

class QTreeWidgetItem;

namespace tarvo {
class Client;
namespace browser {

class TreeController : public QObject {
  Q_OBJECT

 public:
  explicit TreeController(Client& client);
  ~TreeController() override;

  // Forgets the tree-building state (current compound and last block).
  void resetBuildState();

  // Asks for the session CP's block list ("GETBLKS 1 " or "GETBLKS 0 " + CP).
  void requestList();
  void refresh();         // "Refresh": hide the tree's frame and ask again
  void toggleShowEcbs();  // "Show ECB/Station Blocks" (the menu item has ticked itself)
  void clear();           // removes every node

  void onClrBlkLst();
  void onBlkLst(std::string_view line);
  void onDnBlkLst();
  void onErrBlkLst(std::string_view line);

  // The node-click handling: sets the selection variables of the main window and the
  // buttons that suit the node, and gives the tree the focus. Does nothing for null.
  void nodeClick(QTreeWidgetItem* node);
  // Makes the node with `key` the tree's selected node and runs the node-click handling
  // for it once. False, and nothing changes, when there is no such node.
  bool selectNode(const QString& key);

  BlockTree& blocks() { return tree_; }
  const BlockTree& blocks() const { return tree_; }
  // Key of the node last clicked.
  const QString& selNodeKey() const { return selNodeKey_; }

  // Copy and move sources of the block operations; they decide Paste and Move To.
  QString copySrcBlk;
  QString moveSrcBlk;
  // The node highlighted as the pending move source: its position index, 0 or less when
  // none (-1 once a new list has been loaded), and its key, which unlike the index survives
  // insertions and removals before it ("" when none).
  int moveSrcIdx = 0;
  QString moveSrcKey;

 signals:
  // The space bar in the tree: the Xref button's action, whether or not the button is
  // enabled.
  void xrefRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void onCurrentChanged(QTreeWidgetItem* current);
  void onItemClicked(QTreeWidgetItem* node);
  void onDoubleClick();

  Client& client_;
  BlockTree tree_;
  BlockListBuilder builder_;
  QString selNodeKey_;
  // The current node when the last mouse press began: a click on a node that was already
  // current changes nothing in the view, so the click itself must run the handling.
  QTreeWidgetItem* currentAtPress_ = nullptr;
};

}  // namespace browser
}  // namespace tarvo
