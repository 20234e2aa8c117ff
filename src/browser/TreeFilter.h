#pragma once
// Finding blocks in the tree: the search field above it shows only the compounds and
// blocks whose name or type holds the text typed, each block with its compound. Enter
// selects the first of them as a click does, Escape clears the field. The tree itself is
// untouched: the other nodes are hidden, not removed, so everything that works on the tree
// by key (the replies that add, move and remove nodes, a new list) works the same, and a
// node added that does not match stays hidden until the search is cleared.
//
// The compounds that hold matching blocks are opened when they hold few enough blocks in
// all to be read through; a search that finds blocks all over the tree leaves them closed,
// each showing only its matches when it is opened. The blocks of a closed or hidden
// compound cannot be seen, so they are brought in line only when it opens: a keystroke
// costs time in proportion to what can be seen, not to the size of the tree.
#include <QObject>
#include <QSet>
#include <QString>
#include <vector>

#include "browser/tree_filter.h"

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarvo::browser {

class TreeController;

class TreeFilter : public QObject {
  Q_OBJECT

 public:
  TreeFilter(QLineEdit* field, TreeController& tree);
  ~TreeFilter() override;

  // Shows what the field's text finds; run on every change of the text, and after every
  // change of the tree while a search is on.
  void apply();
  bool isActive() const { return !text_.isEmpty(); }
  // The first node in tree order that matches itself, or nullptr.
  QTreeWidgetItem* firstMatch();
  // Enter: the first match is selected as a click selects it. False when there is none.
  bool selectFirstMatch();

  // The search opens the compounds holding matches while they hold at most this many blocks
  // in all.
  static constexpr int kMostBlocksOpened = 10000;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void treeChanged();
  void rebuild();
  void compoundOpened(QTreeWidgetItem* item);
  // Hides or shows node `k` of the index when it is not so already.
  void setNodeHidden(std::size_t k, bool hide);
  // The blocks of compound `k` as the search shows them (all of them with no search).
  void syncBlocks(std::size_t k);
  bool holdsMatch(std::size_t k) const;
  // Closes the compounds the search opened, but the one holding the current node.
  void closeOpenedBySearch();

  QLineEdit* field_;
  TreeController& tree_;
  QTreeWidget* view_;
  QString text_;
  FilterIndex index_;
  std::vector<QTreeWidgetItem*> items_;  // the index's nodes
  std::vector<std::size_t> topNodes_;    // the index's node of each top-level row
  enum State : char { Visible, Hidden, Unknown };
  std::vector<State> hidden_;  // whether each node is hidden now, as far as known
  std::vector<Shown> shown_;
  int first_ = -1;
  bool stale_ = true;  // the tree changed since the index was built
  bool reapplyPending_ = false;
  bool applying_ = false;
  QSet<QString> openedBySearch_;  // compounds the search opened, by key
};

}  // namespace tarvo::browser
