#pragma once
// The configuration tree with its keys: every node carries a unique key (Qt::UserRole) and a
// text, and a hash from key to node beside the QTreeWidget makes finding, inserting, moving
// and removing a node by its key take constant time, however long the list.
#include <QBrush>
#include <QColor>
#include <QHash>
#include <QList>
#include <QString>
#include <string>

#include "browser/block_list.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace tarvo::browser {

// A node's key with its hash worked out once: when the table grows, as it does many times
// while a long list arrives, its entries move without their keys being hashed again.
struct NodeKey {
  explicit NodeKey(const QString& key) : text(key), hash(qHash(key)) {}
  QString text;
  size_t hash;
  friend bool operator==(const NodeKey& a, const NodeKey& b) {
    return a.hash == b.hash && a.text == b.text;
  }
  friend size_t qHash(const NodeKey& key, size_t seed = 0) noexcept { return key.hash ^ seed; }
};

// Changes made here are the program's, not the user moving the current node: they run with
// the view's signals blocked, so no selection handling fires for a node being added, removed
// or cleared away.
class BlockTree {
 public:
  explicit BlockTree(QTreeWidget* view);
  ~BlockTree();
  BlockTree(const BlockTree&) = delete;
  BlockTree& operator=(const BlockTree&) = delete;

  QTreeWidget* view() const { return view_; }

  // Text colour of each kind of node; nodes that block operations insert use Block's blue.
  static QColor colourOf(NodeKind kind);

  static QString keyOf(const QTreeWidgetItem* node);
  QTreeWidgetItem* find(const QString& key) const { return byKey_.value(NodeKey(key), nullptr); }
  bool contains(const QString& key) const { return byKey_.contains(NodeKey(key)); }
  int count() const { return static_cast<int>(byKey_.size()); }

  // Each adds a node and returns it, or returns nullptr and adds nothing when the key is
  // empty or already in the tree, or the node it is placed by is missing. The node's text
  // colour is that of `kind`.
  QTreeWidgetItem* addFirstTop(const QString& key, const QString& text, NodeKind kind);
  QTreeWidgetItem* addLastTop(const QString& key, const QString& text, NodeKind kind);
  QTreeWidgetItem* addAfter(const QString& siblingKey, const QString& key, const QString& text,
                            NodeKind kind);
  QTreeWidgetItem* addBefore(const QString& siblingKey, const QString& key, const QString& text,
                             NodeKind kind);
  QTreeWidgetItem* addLastChild(const QString& parentKey, const QString& key, const QString& text,
                                NodeKind kind);
  // Carries out one step of building the tree from the block list.
  QTreeWidgetItem* apply(const NodeOp& op);

  // The node that follows `node` under the same parent, or nullptr.
  QTreeWidgetItem* nextSibling(QTreeWidgetItem* node) const;

  // Removes the node with its children. False when there is no such node.
  bool remove(const QString& key);
  // Removes every node.
  void clear();

  // A whole list: clears the tree and collects the nodes added from now on out of the view,
  // where adding a node costs no model notification and no view bookkeeping; finishing puts
  // them into the view in one step. Finding, adding and removing by key work the same in
  // between, but the view shows nothing until then.
  void beginList();
  void finishList();

 private:
  // The parent of top-level nodes: the view's invisible root, or nullptr while a list is
  // collected, whose top-level nodes are in pendingTop_.
  QTreeWidgetItem* root() const;
  QTreeWidgetItem* parentOf(QTreeWidgetItem* node) const;
  // A level of the tree by its parent as parentOf() gives it.
  int childCount(QTreeWidgetItem* parent) const;
  QTreeWidgetItem* child(QTreeWidgetItem* parent, int index) const;
  int indexOf(QTreeWidgetItem* parent, QTreeWidgetItem* node) const;
  // Makes the node and puts it under `parent` at `index`, or last when -1; nullptr when the
  // key is empty or taken.
  QTreeWidgetItem* insert(QTreeWidgetItem* parent, int index, const QString& key,
                          const QString& text, NodeKind kind);
  QTreeWidgetItem* insertAfter(QTreeWidgetItem* sibling, const QString& key, const QString& text,
                               NodeKind kind);
  QTreeWidgetItem* relative(const std::string& key);
  void forget(QTreeWidgetItem* node);
  void forgetRecent();
  void makeBrushes();

  // The last top-level node and the last lower node that apply() added: the nodes that the
  // next line of a list is placed by, found without converting or hashing its key.
  struct Recent {
    std::string key;
    QTreeWidgetItem* node = nullptr;
  };
  Recent recent_[2];

  QTreeWidget* view_;
  QHash<NodeKey, QTreeWidgetItem*> byKey_;
  // While a list is collected its top-level nodes are held here, each with its children,
  // rather than under a parent item: handing them to the view then touches each node once,
  // where taking them from a parent first would walk every node twice.
  bool collecting_ = false;
  QList<QTreeWidgetItem*> pendingTop_;  // owned
  // One brush per kind of node, shared by all its nodes rather than made for each.
  QBrush brushes_[4];
};

}  // namespace tarvo::browser
