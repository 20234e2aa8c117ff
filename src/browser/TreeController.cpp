#include "browser/TreeController.h"

#include <QAction>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>

#include "browser/Form1.h"
#include "link/CommandSender.h"
#include "link/Wire.h"
#include "link/columns.h"
#include "link/reply_router.h"
#include "ui/Prompter.h"
#include "ui/SendCheck.h"
#include "ui/ui_helpers.h"

namespace tarvo::browser {

namespace {

bool isSequenceType(std::string_view type) {
  return type == "DEP" || type == "IND" || type == "EXC" || type == "MON";
}

}  // namespace

using Button = Form1::Button;

TreeController::TreeController(Form1& form, link::CommandSender& sender, Prompter& prompter)
    : form_(form), sender_(sender), prompter_(prompter), tree_(form.treeView()) {
  QTreeWidget* view = tree_.view();
  // Moving the current node, with the mouse or with the keyboard, selects it: a user going
  // through the tree with the arrow keys sees the buttons follow. A click on the node that
  // is already current moves nothing, so the click runs the handling itself then.
  connect(view, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { onCurrentChanged(current); });
  connect(view, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* node) { onItemClicked(node); });
  connect(view, &QTreeWidget::itemDoubleClicked, this, [this] { onDoubleClick(); });
  view->installEventFilter(this);
  view->viewport()->installEventFilter(this);
  // "Show ECB/Station Blocks" has ticked itself when this runs; the list follows it, and
  // when it can not be asked for the tick goes back to what the tree shows.
  for (Form1::Command command : {Form1::Command::Refresh, Form1::Command::ShowEcbs}) {
    QAction* action = form.action(command);
    connect(action, &QAction::triggered, this, [this, action] {
      if (canSend(sender_, prompter_,
                  QStringLiteral("The request for the block list of ") + form_.sessionCp())) {
        refresh();
      } else if (action->isCheckable()) {
        action->setChecked(!action->isChecked());
      }
    });
  }
}

void TreeController::bindReplies(link::ReplyRouter& router) {
  using link::ReplyId;
  router.bind(ReplyId::ClrBlkLst, this, &TreeController::onClrBlkLst);
  router.bind(ReplyId::BlkLst, this, &TreeController::onBlkLst);
  router.bind(ReplyId::DnBlkLst, this, &TreeController::onDnBlkLst);
  router.bind(ReplyId::ErrBlkLst, this, &TreeController::onErrBlkLst);
}

QString TreeController::selectedKey() const {
  const QTreeWidgetItem* node = tree_.view()->currentItem();
  return node && node->isSelected() ? BlockTree::keyOf(node) : QString();
}

TreeController::~TreeController() = default;

void TreeController::requestList() {
  requestList(form_.sessionCp());
}

void TreeController::requestList(const QString& cp) {
  sender_.sendRawData((form_.isCommandChecked(Form1::Command::ShowEcbs)
                           ? QStringLiteral("GETBLKS 1 ")
                           : QStringLiteral("GETBLKS 0 ")) +
                      cp);
}

void TreeController::refresh() {
  form_.showTreeFrame(false);
  requestList();
}

bool TreeController::removeNode(const QString& key) {
  if (!tree_.remove(key)) return false;
  // The view has put its current node elsewhere, quietly, if the one removed held it; and
  // the node the buttons describe may be gone. Both are made to agree again: a node the
  // view shows selected is selected as a click does, and with none nothing is.
  const QString shown = selectedKey();
  if (!shown.isEmpty()) {
    if (shown != selNodeKey_) select(tree_.find(shown));
  } else if (!selNodeKey_.isEmpty() && !tree_.contains(selNodeKey_)) {
    selectNothing();
  }
  return true;
}

void TreeController::selectNothing() {
  {
    const QSignalBlocker quiet(tree_.view());
    tree_.view()->setCurrentItem(nullptr);
    tree_.view()->clearSelection();
  }
  currSelBlk_.clear();
  currSelTyp_.clear();
  currIsSeq_ = currIsPLB_ = false;
  selNodeKey_.clear();
  for (Button button :
       {Button::Edit, Button::Add, Button::Delete, Button::Copy, Button::Paste, Button::MoveTo,
        Button::MoveFrom, Button::Xref, Button::EditSeq, Button::ViewPlb})
    form_.setButtonEnabled(button, false);
  emit selectionChanged();
}

void TreeController::clear() {
  tree_.clear();
  // The old list's compound and block are gone with their nodes.
  builder_.reset();
}

void TreeController::onClrBlkLst() {
  if (passOver_ > 0) {
    passingOver_ = true;
    return;
  }
  form_.updStatBar(QStringLiteral("Getting Cmp:Blk Names"), 3);
  // A list of many thousand lines may arrive in one burst: it is built out of the view and
  // shown whole when it is complete, which also keeps the view from doing its bookkeeping
  // once per node.
  tree_.beginList();
  builder_.reset();
}

void TreeController::onBlkLst(std::string_view line) {
  if (passingOver_) return;
  const BuildStep& step = builder_.feed(line);
  if (step.progress)
    form_.updStatBar(
        QStringLiteral("Getting Cmp:Blk Names [") + QString::number(step.lineNo) + u']', 3);
  tree_.apply(step.node);
}

void TreeController::onDnBlkLst() {
  if (passingOver_) {
    passingOver_ = false;
    --passOver_;
    return;
  }
  tree_.finishList();
  form_.updStatBar(QString(), 3);
  // Nothing is selected yet in the new tree. Edit Seq and View PLB keep their state.
  for (Button button : {Button::Edit, Button::Add, Button::Delete, Button::Copy, Button::Paste,
                        Button::MoveTo, Button::MoveFrom, Button::Xref})
    form_.setButtonEnabled(button, false);
  form_.showTreeFrame(true);
  form_.setMenuShown(Form1::Menu::List, true);
  form_.setMenuShown(Form1::Menu::CpUtilities, true);
  form_.treeView()->setEnabled(true);
  emit listLoaded();
}

void TreeController::onErrBlkLst(std::string_view line) {
  if (passOver_ > 0 && !passingOver_) {
    --passOver_;
    return;
  }
  prompter_.inform(Prompter::Icon::Exclamation, QStringLiteral("Can not list blocks"),
                   QStringLiteral("ERROR: ") + link::fromWire(fromCol(line, 10)));
}

void TreeController::nodeClick(QTreeWidgetItem* node) {
  if (!node) return;
  select(node);
  focusTree();
}

void TreeController::select(QTreeWidgetItem* node) {
  selNodeKey_ = BlockTree::keyOf(node);
  const std::string keyText = link::toWire(selNodeKey_);
  const std::string_view key = keyText;
  currSelBlk_ = link::fromWire(stripColon(key));

  if (key == kEndOfListKey || isEndMarker(key)) {
    currSelTyp_ = link::fromWire(kEndZoneType);
    for (Button button : {Button::EditSeq, Button::ViewPlb, Button::Edit, Button::Delete,
                          Button::Copy, Button::MoveFrom, Button::Xref})
      form_.setButtonEnabled(button, false);
    form_.setButtonEnabled(Button::Add, true);
    form_.setButtonEnabled(Button::Paste, copySourceKnown_);
    form_.setButtonEnabled(Button::MoveTo, moveSourcePending_);
  } else {
    const std::string nodeText = link::toWire(node->text(0));
    const std::string_view type = getBlkTyp(key, nodeText);
    currSelTyp_ = link::fromWire(type);
    currIsSeq_ = isSequenceType(type);
    form_.setButtonEnabled(Button::EditSeq, currIsSeq_);
    currIsPLB_ = type == "PLB";
    form_.setButtonEnabled(Button::ViewPlb, currIsPLB_);
    for (Button button :
         {Button::Edit, Button::Delete, Button::Add, Button::Copy, Button::MoveFrom, Button::Xref})
      form_.setButtonEnabled(button, true);
    if (isCmpNm(stripColon(key))) {
      form_.setButtonEnabled(Button::Paste, false);
      form_.setButtonEnabled(Button::MoveTo, false);
      form_.setButtonEnabled(Button::Xref, false);
    } else {
      form_.setButtonEnabled(Button::Paste, copySourceKnown_);
      form_.setButtonEnabled(Button::MoveTo, moveSourcePending_);
    }
  }
  emit selectionChanged();
}

void TreeController::focusTree() {
  form_.treeView()->setFocus(Qt::OtherFocusReason);
}

bool TreeController::selectNode(const QString& key) {
  QTreeWidgetItem* node = tree_.find(key);
  if (!node) return false;
  {
    // The handling runs once, below, whether or not the node was current already.
    const QSignalBlocker quiet(tree_.view());
    tree_.view()->setCurrentItem(node);
  }
  tree_.view()->scrollToItem(node);
  nodeClick(node);
  return true;
}

void TreeController::onCurrentChanged(QTreeWidgetItem* current) {
  if (!current || placingFocusNode_) return;
  // A key that moves the current node selects the node it moves to, so the buttons
  // describe it; show it selected as well.
  if (!current->isSelected()) {
    const QSignalBlocker quiet(tree_.view());
    tree_.view()->setCurrentItem(current);
  }
  nodeClick(current);
}

void TreeController::onItemClicked(QTreeWidgetItem* node) {
  if (node == currentAtPress_) nodeClick(node);
}

void TreeController::onDoubleClick() {
  // Only a block has parameters to edit. The button's own state decides, not the window's,
  // which a running CP utility disables as a whole.
  if (form_.isButtonEnabled(Button::Edit) && currSelBlk_.contains(u':')) emit editRequested();
}

bool TreeController::eventFilter(QObject* watched, QEvent* event) {
  QTreeWidget* view = tree_.view();
  if (watched == view->viewport() && event->type() == QEvent::MouseButtonPress) {
    currentAtPress_ = view->currentItem();
  } else if (watched == view && event->type() == QEvent::FocusIn && !view->currentItem() &&
             view->topLevelItemCount() > 0) {
    // Given the focus with no current node, the view would make its first node current
    // and so select it, with nothing clicked. Put the focus there ourselves, quietly:
    // focus alone selects nothing, the next click or moving key does.
    placingFocusNode_ = true;
    view->setCurrentItem(view->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
    placingFocusNode_ = false;
  } else if (watched == view && event->type() == QEvent::KeyPress &&
             static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
    emit xrefRequested();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tarvo::browser
