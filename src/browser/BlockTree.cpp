#include "browser/BlockTree.h"

#include <QApplication>
#include <QBrush>
#include <QPalette>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <utility>

namespace tarvo::browser {

namespace {

QString latin1(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// A node keeps its text, key and text colour in members of its own rather than in the
// item's general role table, which costs several allocations per node: a list of a hundred
// thousand blocks is built noticeably faster. Every other role is stored as usual.
class BlockNode final : public QTreeWidgetItem {
 public:
  BlockNode(const QString& key, const QString& text, const QBrush& foreground)
      : QTreeWidgetItem(UserType), key_(key), text_(text), foreground_(foreground) {}

  QVariant data(int column, int role) const override {
    if (column == 0) {
      switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole: return text_;
        case Qt::UserRole: return key_;
        case Qt::ForegroundRole: return foreground_;
        default: break;
      }
    }
    return QTreeWidgetItem::data(column, role);
  }

  void setData(int column, int role, const QVariant& value) override {
    if (column == 0) {
      switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
          text_ = value.toString();
          emitDataChanged();
          return;
        case Qt::UserRole:
          key_ = value.toString();
          emitDataChanged();
          return;
        case Qt::ForegroundRole:
          foreground_ = value.value<QBrush>();
          emitDataChanged();
          return;
        default: break;
      }
    }
    QTreeWidgetItem::setData(column, role, value);
  }

 private:
  QString key_;
  QString text_;
  QBrush foreground_;
};

}  // namespace

BlockTree::BlockTree(QTreeWidget* view) : view_(view) {
  makeBrushes();
}

void BlockTree::makeBrushes() {
  for (NodeKind kind :
       {NodeKind::Compound, NodeKind::Block, NodeKind::EndEntry, NodeKind::EndOfList})
    brushes_[static_cast<int>(kind)] = QBrush(colourOf(kind));
}

BlockTree::~BlockTree() {
  qDeleteAll(pendingTop_);
}

QColor BlockTree::colourOf(NodeKind kind) {
  switch (kind) {
    case NodeKind::Compound: return QColor(64, 0, 0);
    case NodeKind::Block: return QColor(0, 0, 255);
    case NodeKind::EndEntry: return QColor(0, 0, 64);
    case NodeKind::EndOfList: return QApplication::palette().color(QPalette::Button);
  }
  return QColor(0, 0, 255);
}

QString BlockTree::keyOf(const QTreeWidgetItem* node) {
  return node ? node->data(0, Qt::UserRole).toString() : QString();
}

QTreeWidgetItem* BlockTree::root() const {
  return collecting_ ? nullptr : view_->invisibleRootItem();
}

QTreeWidgetItem* BlockTree::parentOf(QTreeWidgetItem* node) const {
  // A top-level node has no parent of its own, whether in the view or being collected.
  QTreeWidgetItem* parent = node->parent();
  return parent ? parent : root();
}

int BlockTree::childCount(QTreeWidgetItem* parent) const {
  return parent ? parent->childCount() : static_cast<int>(pendingTop_.size());
}

QTreeWidgetItem* BlockTree::child(QTreeWidgetItem* parent, int index) const {
  return parent ? parent->child(index) : pendingTop_.value(index, nullptr);
}

int BlockTree::indexOf(QTreeWidgetItem* parent, QTreeWidgetItem* node) const {
  return parent ? parent->indexOfChild(node) : static_cast<int>(pendingTop_.indexOf(node));
}

QTreeWidgetItem* BlockTree::insert(QTreeWidgetItem* parent, int index, const QString& key,
                                   const QString& text, NodeKind kind) {
  if (key.isEmpty()) return nullptr;
  // One look-up both refuses a key that is taken and makes the entry for a new one.
  QTreeWidgetItem*& slot = byKey_[NodeKey(key)];
  if (slot) return nullptr;
  auto* node = new BlockNode(key, text, brushes_[static_cast<int>(kind)]);
  slot = node;
  if (!parent) {
    pendingTop_.insert(index < 0 ? pendingTop_.size() : index, node);
    return node;
  }
  const QSignalBlocker quiet(view_);
  if (index < 0)
    parent->addChild(node);
  else
    parent->insertChild(index, node);
  return node;
}

QTreeWidgetItem* BlockTree::insertAfter(QTreeWidgetItem* sibling, const QString& key,
                                        const QString& text, NodeKind kind) {
  QTreeWidgetItem* parent = parentOf(sibling);
  // While a list arrives the sibling is always the last node of its level: append without
  // looking for its position, which takes time in proportion to the level's size.
  const int index =
      child(parent, childCount(parent) - 1) == sibling ? -1 : indexOf(parent, sibling) + 1;
  return insert(parent, index, key, text, kind);
}

QTreeWidgetItem* BlockTree::addFirstTop(const QString& key, const QString& text, NodeKind kind) {
  return insert(root(), 0, key, text, kind);
}

QTreeWidgetItem* BlockTree::addLastTop(const QString& key, const QString& text, NodeKind kind) {
  return insert(root(), -1, key, text, kind);
}

QTreeWidgetItem* BlockTree::addAfter(const QString& siblingKey, const QString& key,
                                     const QString& text, NodeKind kind) {
  QTreeWidgetItem* sibling = find(siblingKey);
  return sibling ? insertAfter(sibling, key, text, kind) : nullptr;
}

QTreeWidgetItem* BlockTree::addBefore(const QString& siblingKey, const QString& key,
                                      const QString& text, NodeKind kind) {
  QTreeWidgetItem* sibling = find(siblingKey);
  if (!sibling) return nullptr;
  QTreeWidgetItem* parent = parentOf(sibling);
  return insert(parent, indexOf(parent, sibling), key, text, kind);
}

QTreeWidgetItem* BlockTree::addLastChild(const QString& parentKey, const QString& key,
                                         const QString& text, NodeKind kind) {
  QTreeWidgetItem* parent = find(parentKey);
  return parent ? insert(parent, -1, key, text, kind) : nullptr;
}

QTreeWidgetItem* BlockTree::relative(const std::string& key) {
  // A list places each node by the compound or the block added just before it.
  for (const Recent& r : recent_)
    if (r.node && r.key == key) return r.node;
  return find(latin1(key));
}

QTreeWidgetItem* BlockTree::apply(const NodeOp& op) {
  QTreeWidgetItem* node = nullptr;
  switch (op.placement) {
    case Placement::None: return nullptr;
    case Placement::FirstTop:
      node = insert(root(), 0, latin1(op.key), latin1(op.text), op.kind);
      break;
    case Placement::LastTop:
      node = insert(root(), -1, latin1(op.key), latin1(op.text), op.kind);
      break;
    case Placement::AfterSibling:
      if (QTreeWidgetItem* sibling = relative(op.relKey))
        node = insertAfter(sibling, latin1(op.key), latin1(op.text), op.kind);
      break;
    case Placement::LastChild:
      if (QTreeWidgetItem* parent = relative(op.relKey))
        node = insert(parent, -1, latin1(op.key), latin1(op.text), op.kind);
      break;
  }
  if (node) {
    Recent& r = recent_[parentOf(node) == root() ? 0 : 1];
    r.key = op.key;
    r.node = node;
  }
  return node;
}

QTreeWidgetItem* BlockTree::nextSibling(QTreeWidgetItem* node) const {
  if (!node) return nullptr;
  QTreeWidgetItem* parent = parentOf(node);
  return child(parent, indexOf(parent, node) + 1);
}

void BlockTree::forget(QTreeWidgetItem* node) {
  byKey_.remove(NodeKey(keyOf(node)));
  for (int i = 0; i < node->childCount(); ++i) forget(node->child(i));
}

void BlockTree::forgetRecent() {
  for (Recent& r : recent_) r.node = nullptr;
}

bool BlockTree::remove(const QString& key) {
  QTreeWidgetItem* node = find(key);
  if (!node) return false;
  forgetRecent();
  forget(node);
  if (!parentOf(node)) pendingTop_.removeOne(node);
  const QSignalBlocker quiet(view_);
  delete node;  // leaves its parent and takes its children with it
  return true;
}

void BlockTree::clear() {
  forgetRecent();
  const QSignalBlocker quiet(view_);
  qDeleteAll(pendingTop_);
  pendingTop_.clear();
  collecting_ = false;
  view_->clear();
  byKey_.clear();
}

void BlockTree::beginList() {
  const qsizetype expected = byKey_.size();
  clear();
  // The next list is most likely about as long as the last one.
  byKey_.reserve(expected);
  makeBrushes();  // the button-face colour follows the palette in use
  collecting_ = true;
}

void BlockTree::finishList() {
  if (!collecting_) return;
  collecting_ = false;
  const QSignalBlocker quiet(view_);
  view_->addTopLevelItems(std::exchange(pendingTop_, {}));
}

}  // namespace tarvo::browser
