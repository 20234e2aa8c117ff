#include "browser/TreeController.h"

#include <QAction>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>

#include "app/Client.h"
#include "app/Prompter.h"
#include "browser/Form1.h"
#include "browser/ui_helpers.h"
#include "link/columns.h"
#include "params/ParamsController.h"

namespace tarvo::browser {

namespace {

bool isSequenceType(std::string_view type) {
  return type == "DEP" || type == "IND" || type == "EXC" || type == "MON";
}

}  // namespace

TreeController::TreeController(Client& client) : client_(client), tree_(client.form().TreeView1) {
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
}

TreeController::~TreeController() = default;

void TreeController::resetBuildState() {
  builder_.reset();
}

void TreeController::requestList() {
  const auto& form = client_.form();
  client_.send(
      (form.ShowEcbsMP->isChecked() ? QStringLiteral("GETBLKS 1 ") : QStringLiteral("GETBLKS 0 ")) +
      form.sessionCp());
}

void TreeController::refresh() {
  client_.form().CBFRM->hide();
  requestList();
}

void TreeController::toggleShowEcbs() {
  refresh();
}

void TreeController::clear() {
  tree_.clear();
  // The old list's compound and block are gone with their nodes.
  builder_.reset();
}

void TreeController::onClrBlkLst() {
  auto& form = client_.form();
  form.updStatBar(QStringLiteral("Getting Cmp:Blk Names"), 3);
  // A list of many thousand lines may arrive in one burst: it is built out of the view and
  // shown whole when it is complete, which also keeps the view from doing its bookkeeping
  // once per node.
  tree_.beginList();
  builder_.reset();
}

void TreeController::onBlkLst(std::string_view line) {
  const BuildStep& step = builder_.feed(line);
  if (step.progress)
    client_.form().updStatBar(
        QStringLiteral("Getting Cmp:Blk Names [") + QString::number(step.lineNo) + u']', 3);
  tree_.apply(step.node);
}

void TreeController::onDnBlkLst() {
  tree_.finishList();
  auto& form = client_.form();
  form.updStatBar(QString(), 3);
  // Nothing is selected yet in the new tree. Edit Seq and View PLB keep their state.
  for (QPushButton* button : {form.EditPB, form.AddPB, form.DelPB, form.CopyPB, form.PastePB,
                              form.MoveToPB, form.MoveFromPB, form.XrefPB})
    button->setEnabled(false);
  form.CBFRM->show();
  form.ListMenu->menuAction()->setVisible(true);
  form.CPUtilitiesMenu->menuAction()->setVisible(true);
  form.TreeView1->setEnabled(true);
  moveSrcIdx = -1;
  moveSrcKey.clear();
}

void TreeController::onErrBlkLst(std::string_view line) {
  client_.prompter().inform(Prompter::Icon::Exclamation, QStringLiteral("Can not list blocks"),
                            QStringLiteral("ERROR: ") + fromWire(fromCol(line, 10)));
}

void TreeController::nodeClick(QTreeWidgetItem* node) {
  if (!node) return;
  auto& form = client_.form();
  selNodeKey_ = BlockTree::keyOf(node);
  const QByteArray keyBytes = selNodeKey_.toLatin1();
  const std::string_view key(keyBytes.constData(), static_cast<std::size_t>(keyBytes.size()));
  form.currSelBlk = fromWire(stripColon(key));

  if (key == kEndOfListKey || isEndMarker(key)) {
    form.currSelTyp = fromWire(kEndZoneType);
    for (QPushButton* button : {form.EditSeq, form.PLBEditPB, form.EditPB, form.DelPB, form.CopyPB,
                                form.MoveFromPB, form.XrefPB})
      button->setEnabled(false);
    form.AddPB->setEnabled(true);
    form.PastePB->setEnabled(!copySrcBlk.isEmpty());
    form.MoveToPB->setEnabled(!moveSrcBlk.isEmpty());
  } else {
    const QByteArray textBytes = node->text(0).toLatin1();
    const std::string_view type = getBlkTyp(
        key, std::string_view(textBytes.constData(), static_cast<std::size_t>(textBytes.size())));
    form.currSelTyp = fromWire(type);
    form.currIsSeq = isSequenceType(type);
    form.EditSeq->setEnabled(form.currIsSeq);
    form.currIsPLB = type == "PLB";
    form.PLBEditPB->setEnabled(form.currIsPLB);
    for (QPushButton* button :
         {form.EditPB, form.DelPB, form.AddPB, form.CopyPB, form.MoveFromPB, form.XrefPB})
      button->setEnabled(true);
    if (isCmpNm(stripColon(key))) {
      form.PastePB->setEnabled(false);
      form.MoveToPB->setEnabled(false);
      form.XrefPB->setEnabled(false);
    } else {
      form.PastePB->setEnabled(!copySrcBlk.isEmpty());
      form.MoveToPB->setEnabled(!moveSrcBlk.isEmpty());
    }
  }
  form.TreeView1->setFocus();
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
  if (!current) return;
  // Tabbing into the tree makes its first node current without selecting it; the buttons
  // then describe that node, so it is shown selected too.
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
  auto& form = client_.form();
  // Only a block has parameters to edit; the button's own state decides, not the window's.
  if (form.EditPB->isEnabledTo(&form) && form.currSelBlk.contains(u':')) client_.params().edit();
}

bool TreeController::eventFilter(QObject* watched, QEvent* event) {
  QTreeWidget* view = tree_.view();
  if (watched == view->viewport() && event->type() == QEvent::MouseButtonPress) {
    currentAtPress_ = view->currentItem();
  } else if (watched == view && event->type() == QEvent::KeyPress &&
             static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
    emit xrefRequested();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tarvo::browser
