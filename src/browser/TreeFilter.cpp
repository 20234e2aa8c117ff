#include "browser/TreeFilter.h"

#include <QAbstractItemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeWidget>
#include <algorithm>

#include "browser/BlockTree.h"
#include "browser/TreeController.h"
#include "browser/block_list.h"
#include "link/Wire.h"

namespace tarvo::browser {

namespace {

// A node's text as wire text, into a buffer that keeps its capacity from node to node.
std::string_view latin1(const QString& s, std::string& buffer) {
  buffer.resize(static_cast<std::size_t>(s.size()));
  for (qsizetype i = 0; i < s.size(); ++i) {
    const char16_t c = s[i].unicode();
    buffer[static_cast<std::size_t>(i)] = c <= 0xFF ? static_cast<char>(c) : '?';
  }
  return buffer;
}

}  // namespace

TreeFilter::TreeFilter(QLineEdit* field, TreeController& tree)
    : field_(field), tree_(tree), view_(tree.blocks().view()) {
  connect(field_, &QLineEdit::textChanged, this, [this] { apply(); });
  connect(field_, &QLineEdit::returnPressed, this, [this] { selectFirstMatch(); });
  field_->installEventFilter(this);
  // Every change of the tree, whoever makes it, shows up in its model.
  const QAbstractItemModel* model = view_->model();
  connect(model, &QAbstractItemModel::rowsInserted, this, [this] { treeChanged(); });
  connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { treeChanged(); });
  connect(model, &QAbstractItemModel::rowsMoved, this, [this] { treeChanged(); });
  connect(model, &QAbstractItemModel::modelReset, this, [this] { treeChanged(); });
  connect(model, &QAbstractItemModel::layoutChanged, this, [this] { treeChanged(); });
  connect(model, &QAbstractItemModel::dataChanged, this, [this] { treeChanged(); });
  connect(view_, &QTreeWidget::itemExpanded, this,
          [this](QTreeWidgetItem* item) { compoundOpened(item); });
}

TreeFilter::~TreeFilter() {
  field_->removeEventFilter(this);
}

void TreeFilter::treeChanged() {
  stale_ = true;
  if (!isActive() || reapplyPending_) return;
  // Once the change is complete: a reply may add a node and then select or colour it, and
  // several changes in a row cost one pass.
  reapplyPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        reapplyPending_ = false;
        if (isActive() && stale_) apply();
      },
      Qt::QueuedConnection);
}

void TreeFilter::rebuild() {
  index_.clear();
  items_.clear();
  topNodes_.clear();
  hidden_.clear();
  const auto expected = static_cast<std::size_t>(tree_.blocks().count());
  index_.reserve(expected, expected * 24);
  items_.reserve(expected);
  hidden_.reserve(expected);
  std::string key;
  std::string text;
  for (int i = 0; i < view_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* top = view_->topLevelItem(i);
    latin1(BlockTree::keyOf(top), key);
    const std::string_view type = key == kEndOfListKey ? std::string_view() : kCompoundType;
    const int parent = index_.add(key, type, -1);
    topNodes_.push_back(static_cast<std::size_t>(parent));
    items_.push_back(top);
    hidden_.push_back(top->isHidden() ? Hidden : Visible);
    for (int j = 0; j < top->childCount(); ++j) {
      QTreeWidgetItem* block = top->child(j);
      latin1(BlockTree::keyOf(block), key);
      index_.add(key, getBlkTyp(key, latin1(block->text(0), text)), parent);
      items_.push_back(block);
      // Asked only when it matters: the blocks of a closed compound are left alone.
      hidden_.push_back(Unknown);
    }
  }
  stale_ = false;
}

void TreeFilter::setNodeHidden(std::size_t k, bool hide) {
  State& state = hidden_[k];
  if (state == Unknown) state = items_[k]->isHidden() ? Hidden : Visible;
  if ((state == Hidden) == hide) return;
  items_[k]->setHidden(hide);
  state = hide ? Hidden : Visible;
}

void TreeFilter::syncBlocks(std::size_t k) {
  const auto blocks = static_cast<std::size_t>(items_[k]->childCount());
  for (std::size_t c = k + 1; c <= k + blocks; ++c)
    setNodeHidden(c, isActive() && shown_[c] != Shown::Match);
}

bool TreeFilter::holdsMatch(std::size_t k) const {
  const auto blocks = static_cast<std::size_t>(items_[k]->childCount());
  for (std::size_t c = k + 1; c <= k + blocks; ++c)
    if (shown_[c] == Shown::Match) return true;
  return false;
}

void TreeFilter::apply() {
  const bool wasActive = isActive();
  text_ = field_->text();
  if (!wasActive && !isActive()) return;  // nothing is hidden
  if (!wasActive) openedBySearch_.clear();
  if (stale_) rebuild();

  // A character beyond Latin-1 is in no name the server sends.
  const bool latin1Text =
      std::all_of(text_.cbegin(), text_.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
  if (latin1Text) {
    first_ = index_.apply(link::toWire(text_), shown_);
  } else {
    shown_.assign(index_.size(), Shown::Hidden);
    first_ = -1;
  }

  bool openMatches = false;
  if (isActive()) {
    std::size_t blocksToOpen = 0;
    for (const std::size_t k : topNodes_)
      if (shown_[k] != Shown::Hidden && holdsMatch(k))
        blocksToOpen += static_cast<std::size_t>(items_[k]->childCount());
    openMatches = blocksToOpen <= static_cast<std::size_t>(kMostBlocksOpened);
  }

  // One layout for the whole change, not one per node.
  const bool updates = view_->updatesEnabled();
  view_->setUpdatesEnabled(false);
  applying_ = true;
  QTreeWidgetItem* current = view_->currentItem();
  for (const std::size_t k : topNodes_) {
    const bool hide = shown_[k] == Shown::Hidden;
    setNodeHidden(k, hide);
    if (hide) continue;  // its blocks cannot be seen
    QTreeWidgetItem* compound = items_[k];
    if (isActive()) {
      const QString key = BlockTree::keyOf(compound);
      if (openMatches && holdsMatch(k)) {
        if (!compound->isExpanded()) {
          compound->setExpanded(true);
          openedBySearch_.insert(key);
        }
      } else if (openedBySearch_.contains(key) && (!current || current->parent() != compound)) {
        compound->setExpanded(false);
        openedBySearch_.remove(key);
      }
    }
    if (!isActive() || compound->isExpanded()) syncBlocks(k);
  }
  applying_ = false;
  view_->setUpdatesEnabled(updates);
  if (!isActive()) closeOpenedBySearch();
}

void TreeFilter::compoundOpened(QTreeWidgetItem* item) {
  if (applying_ || stale_ || !isActive()) return;
  const int row = view_->indexOfTopLevelItem(item);
  if (row < 0 || static_cast<std::size_t>(row) >= topNodes_.size()) return;
  syncBlocks(topNodes_[static_cast<std::size_t>(row)]);
}

void TreeFilter::closeOpenedBySearch() {
  QTreeWidgetItem* current = view_->currentItem();
  for (const std::size_t k : topNodes_) {
    QTreeWidgetItem* compound = items_[k];
    if (openedBySearch_.contains(BlockTree::keyOf(compound)) &&
        (!current || current->parent() != compound))
      compound->setExpanded(false);
  }
  openedBySearch_.clear();
  if (current) view_->scrollToItem(current);
}

QTreeWidgetItem* TreeFilter::firstMatch() {
  if (!isActive()) return nullptr;
  if (stale_) apply();
  return first_ >= 0 ? items_[static_cast<std::size_t>(first_)] : nullptr;
}

bool TreeFilter::selectFirstMatch() {
  QTreeWidgetItem* node = firstMatch();
  return node && tree_.selectNode(BlockTree::keyOf(node));
}

bool TreeFilter::eventFilter(QObject* watched, QEvent* event) {
  if (watched == field_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !field_->text().isEmpty()) {
    field_->clear();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tarvo::browser
