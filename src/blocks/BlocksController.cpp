#include "blocks/BlocksController.h"

#include <QPushButton>
#include <QTreeWidgetItem>
#include <optional>
#include <string>

#include "blocks/BlockTypesFRM.h"
#include "blocks/block_ops.h"
#include "browser/BlockTree.h"
#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "browser/block_list.h"
#include "link/CommandSender.h"
#include "link/Wire.h"
#include "link/columns.h"
#include "link/reply_router.h"
#include "ui/Prompter.h"
#include "ui/SendCheck.h"
#include "ui/ui_helpers.h"

namespace tarvo::blocks {

namespace {

using Button = browser::Form1::Button;
using Icon = Prompter::Icon;

QString compoundType() {
  return link::fromWire(browser::kCompoundType);
}

QString errorTitle() {
  return QStringLiteral("Error");
}

}  // namespace

BlocksController::BlocksController(browser::Form1& form, browser::TreeController& tree,
                                   link::CommandSender& sender, Prompter& prompter)
    : form_(form), tree_(tree), sender_(sender), prompter_(prompter) {
  const std::pair<Button, void (BlocksController::*)()> buttons[] = {
      {Button::Paste, &BlocksController::paste},
      {Button::Add, &BlocksController::add},
      {Button::MoveTo, &BlocksController::moveTo},
      {Button::Copy, &BlocksController::copy},
      {Button::Delete, &BlocksController::deleteBlock},
      {Button::MoveFrom, &BlocksController::moveFrom}};
  for (const auto& [button, handler] : buttons)
    connect(form.button(button), &QPushButton::clicked, this, handler);
  connect(&tree, &browser::TreeController::listLoaded, this, &BlocksController::listLoaded);
  connect(&form, &browser::Form1::unloading, this, &BlocksController::unload);
}

BlocksController::~BlocksController() = default;

void BlocksController::bindReplies(link::ReplyRouter& router) {
  using link::ReplyId;
  using B = BlocksController;
  router.bind(ReplyId::BlkTypNew, this, &B::onBlkTypNew);
  router.bind(ReplyId::BlkTyp, this, &B::onBlkTyp);
  router.bind(ReplyId::ErrDelBlk, this, &B::onErrDelBlk);
  router.bind(ReplyId::WrnDelBlk, this, &B::onWrnDelBlk);
  router.bind(ReplyId::DnDelBlk, this, &B::onDnDelBlk);
  router.bind(ReplyId::DnAddNew, this, &B::onDnAddNew);
  router.bind(ReplyId::WrnAddNew, this, &B::onWrnAddNew);
  router.bind(ReplyId::ErrAddNew, this, &B::onErrAddNew);
  router.bind(ReplyId::DnCpyNew, this, &B::onDnCpyNew);
  router.bind(ReplyId::WrnCpyNew, this, &B::onWrnCpyNew);
  router.bind(ReplyId::ErrCpyNew, this, &B::onErrCpyNew);
  router.bind(ReplyId::DnMoveBlk, this, &B::onDnMoveBlk);
  router.bind(ReplyId::WrnMoveBlk, this, &B::onWrnMoveBlk);
  router.bind(ReplyId::ErrMoveBlk, this, &B::onErrMoveBlk);
}

BlockTypesFRM& BlocksController::blockTypes() {
  if (!types_) {
    types_ = std::make_unique<BlockTypesFRM>();
    connect(types_.get(), &BlockTypesFRM::okRequested, this, &BlocksController::typeChosen);
  }
  return *types_;
}

void BlocksController::unload() {
  if (types_) types_->hide();
}

void BlocksController::warn(const QString& title, const QString& text) {
  prompter_.inform(Icon::Exclamation, title, text);
}

// ---- Add --------------------------------------------------------------------------------

QString BlocksController::askName(const QString& prompt, const QString& title) {
  const std::optional<QString> answer = prompter_.input(prompt, title);
  if (!answer) return {};
  const link::WireText typed = link::typedToWire(*answer);
  if (typed.badLine != 0) {
    // Sent as it stands the character would reach the server as "?", which would then
    // name another block than the one the user sees.
    warn(title, QStringLiteral("The name holds the character %1, which can not be sent to the "
                               "server. Nothing was sent.")
                    .arg(link::describeCharacter(typed.badChar)));
    return {};
  }
  const std::string name = upperName(typed.text);
  if (name.empty()) return {};
  // The name goes out as one blank-separated field among others: one that would split or
  // shift the fields is refused here, before the server acts on the wrong place.
  if (const std::string problem = nameProblem(name); !problem.empty()) {
    warn(title, link::fromWire(problem));
    return {};
  }
  return link::fromWire(name);
}

void BlocksController::add() {
  const bool compound = addKind(link::toWire(tree_.currSelBlk()),
                                link::toWire(tree_.currSelTyp())) == AddKind::Compound;
  // Asked before the name is typed, so that nothing is typed in vain.
  if (!canSend(sender_, prompter_,
               compound ? QStringLiteral("The new compound") : QStringLiteral("The new block")))
    return;
  if (compound) {
    pendingNewName_ =
        askName(QStringLiteral("Enter New Compound Name"), QStringLiteral("New Compound"));
    if (!pendingNewName_.isEmpty()) addblock(compoundType());
  } else {
    pendingNewName_ = askName(QStringLiteral("Enter New Block Name"), QStringLiteral("New Block"));
    // The rest happens when the user confirms a type in the chooser.
    if (!pendingNewName_.isEmpty()) blockTypes().showChooser();
  }
}

bool BlocksController::addblock(const QString& newType1) {
  // The chooser may still be open after a later Add was cancelled: nothing to name then.
  if (pendingNewName_.isEmpty()) return true;
  const auto command = addBlockCommand(link::toWire(tree_.currSelBlk()),
                                       link::toWire(pendingNewName_), link::toWire(newType1));
  if (!command) return true;
  if (!canSend(sender_, prompter_,
               QStringLiteral("The new ") +
                   (newType1 == compoundType() ? QStringLiteral("compound ")
                                               : QStringLiteral("block ")) +
                   pendingNewName_))
    return false;
  sender_.sendRawData(*command);
  return true;
}

void BlocksController::typeChosen(const QString& type) {
  if (type == compoundType()) {
    // Compounds are added from a compound or the end of the list, never inside one.
    warn(QStringLiteral("Add Compound ERROR"),
         QStringLiteral("Can not insert COMPND at this location"));
    return;
  }
  // Not sent, the chooser stays open with the name, to confirm once connected again.
  if (addblock(type)) types_->hide();
}

void BlocksController::onBlkTypNew() {
  blockTypes().clearTypes();
}

void BlocksController::onBlkTyp(std::string_view line) {
  // How many the chooser gets is bounded with the other lists, on the link.
  blockTypes().addType(link::fromWire(fromCol(line, 10)));
}

void BlocksController::onDnAddNew(std::string_view line) {
  added(line, false);
}

void BlocksController::onWrnAddNew(std::string_view line) {
  added(line, true);
}

void BlocksController::added(std::string_view line, bool warned) {
  const BlockRecord r = parseBlockRecord(line, RecordColumns::AddCopy);
  const QString name = link::fromWire(r.name);
  bool fits = true;
  if (r.type != browser::kCompoundType) {
    fits = insertConfirmed(link::fromWire(r.relKey), name,
                           link::fromWire(insertedNodeText(r.name, r.type)));
    if (fits && (warned || selectsNode(line))) tree_.selectNode(name);
  } else {
    // A new compound comes with its end entry, which only the list names.
    tree_.refresh();
  }
  form_.updStatBar(QStringLiteral("ADD: ") + name, 3);
  if (!fits) reloadList(QStringLiteral("ADD"), name);
  if (warned)
    warn(QStringLiteral("ADD Warning: ") + name,
         QStringLiteral("WARNING: ") + link::fromWire(r.message));
}

void BlocksController::onErrAddNew(std::string_view line) {
  const BlockRecord r = parseBlockRecord(line, RecordColumns::AddCopy);
  warn(QStringLiteral("ADD Error: ") + link::fromWire(r.name),
       QStringLiteral("ERROR: ") + link::fromWire(r.message));
}

// ---- Copy and Paste ---------------------------------------------------------------------

void BlocksController::copy() {
  copySrcBlk_ = tree_.currSelBlk();
  copySrcTyp_ = tree_.currSelTyp();
  const bool copiable =
      !copySrcTyp_.isEmpty() && !copySrcBlk_.isEmpty() && copySrcTyp_ != compoundType();
  form_.setButtonEnabled(Button::Paste, copiable);
  // A refused source is remembered but never pasted: later clicks leave Paste off too.
  tree_.setCopySourceKnown(copiable);
  if (copySrcTyp_.isEmpty()) warn(errorTitle(), QStringLiteral("Can not Copy at this location"));
  if (copySrcTyp_ == compoundType())
    warn(errorTitle(), QStringLiteral("QUORIN SAYS: Can not Copy Compounds"));
  tree_.focusTree();
}

void BlocksController::paste() {
  if (copySrcBlk_.isEmpty() || copySrcTyp_.isEmpty() || copySrcTyp_ == compoundType()) return;
  const QString what = QStringLiteral("The copy of ") + copySrcBlk_;
  if (!canSend(sender_, prompter_, what)) return;
  const QString name = askName(QStringLiteral("Enter New Block Name"), QStringLiteral("New Block"));
  if (name.isEmpty() || !canSend(sender_, prompter_, what)) return;
  const std::string location = link::toWire(tree_.currSelBlk());
  sender_.sendRawData(copyNewCommand(pasteFullName(location, link::toWire(name)),
                                     link::toWire(copySrcBlk_), link::toWire(copySrcTyp_),
                                     location));
}

void BlocksController::onDnCpyNew(std::string_view line) {
  copied(line, false);
}

void BlocksController::onWrnCpyNew(std::string_view line) {
  copied(line, true);
}

void BlocksController::copied(std::string_view line, bool warned) {
  const BlockRecord r = parseBlockRecord(line, RecordColumns::AddCopy);
  const QString name = link::fromWire(r.name);
  const std::string text = r.type == browser::kCompoundType ? compoundCopyNodeText(line)
                                                            : insertedNodeText(r.name, r.type);
  form_.updStatBar(QStringLiteral("COPY: ") + name, 3);
  if (!insertConfirmed(link::fromWire(r.relKey), name, link::fromWire(text)))
    reloadList(QStringLiteral("COPY"), name);
  else if (warned || selectsNode(line))
    tree_.selectNode(name);
  if (warned)
    warn(QStringLiteral("COPY Warning: ") + name,
         QStringLiteral("WARNING: ") + link::fromWire(r.message));
}

void BlocksController::onErrCpyNew(std::string_view line) {
  const BlockRecord r = parseBlockRecord(line, RecordColumns::AddCopy);
  warn(QStringLiteral("COPY Error: ") + link::fromWire(r.name),
       QStringLiteral("ERROR: ") + link::fromWire(r.message));
}

// ---- Move From and Move To --------------------------------------------------------------

void BlocksController::moveFrom() {
  const QString& sel = tree_.currSelBlk();
  const QString& typ = tree_.currSelTyp();
  if (sel == moveSrcBlk_) {
    // The source clicked again: the move is called off.
    forgetMoveSource();
    unhighlight();
    form_.setButtonEnabled(Button::MoveTo, false);
    return;
  }
  if (typ == compoundType() || !sel.contains(u':')) {
    form_.setButtonEnabled(Button::MoveTo, false);  // a pending move stays as it was
  } else {
    moveSrcBlk_ = sel;
    moveSrcTyp_ = typ;
    form_.setButtonEnabled(Button::MoveTo, true);
    tree_.setMoveSourcePending(true);
    unhighlight();
    const QString key = tree_.selNodeKey();
    if (QTreeWidgetItem* node = tree_.blocks().find(key)) {
      highlightBack_ = node->background(0);
      node->setBackground(0, highlightColour());
      highlightKey_ = key;
    }
  }
  if (moveSrcTyp_.isEmpty()) warn(errorTitle(), QStringLiteral("Can not move from this location"));
  if (typ == compoundType())
    warn(errorTitle(), QStringLiteral("QUORIN SAYS: Can not MOVE Compounds yet"));
  tree_.focusTree();
}

void BlocksController::moveTo() {
  const QString& sel = tree_.currSelBlk();
  // The pending move is cleared by the server's confirmation, not here.
  if (moveSrcBlk_.isEmpty() || moveSrcBlk_ == sel) return;
  if (!canSend(sender_, prompter_, QStringLiteral("The move of ") + moveSrcBlk_)) return;
  sender_.sendRawData(
      moveBlockCommand(link::toWire(sel), link::toWire(moveSrcBlk_), link::toWire(moveSrcTyp_)));
}

void BlocksController::onDnMoveBlk(std::string_view line) {
  moved(line, false);
}

void BlocksController::onWrnMoveBlk(std::string_view line) {
  moved(line, true);
}

void BlocksController::moved(std::string_view line, bool warned) {
  const BlockRecord r = parseBlockRecord(line, RecordColumns::Move);
  const QString name = link::fromWire(r.name);
  const QString relKey = link::fromWire(r.relKey);
  form_.updStatBar(QStringLiteral("MOVE: ") + name, 3);
  // The warning form answers the pending move as "DNMOVEBLK" does.
  const bool answersSource = warned || selectsNode(line);
  const std::optional<std::string> oldKey =
      movedNodeKey(r.name, tree_.blocks().contains(name), link::toWire(moveSrcBlk_), answersSource);
  QTreeWidgetItem* node = nullptr;
  // The old node goes only once its new place is known to exist.
  if (oldKey && tree_.blocks().contains(relKey) && link::fromWire(*oldKey) != relKey) {
    removeNode(link::fromWire(*oldKey));
    node = insertConfirmed(relKey, name, link::fromWire(insertedNodeText(r.name, r.type)));
  }
  if (answersSource) {
    if (node) tree_.selectNode(name);
    form_.setButtonEnabled(Button::MoveFrom, false);
    form_.setButtonEnabled(Button::MoveTo, false);
    forgetMoveSource();
  }
  if (!node) reloadList(QStringLiteral("MOVE"), name);
  if (warned)
    warn(QStringLiteral("MOVE Warning: ") + name,
         QStringLiteral("WARNING: ") + link::fromWire(r.message));
}

void BlocksController::onErrMoveBlk(std::string_view line) {
  const BlockRecord r = parseBlockRecord(line, RecordColumns::Move);
  warn(QStringLiteral("MOVE Error: ") + link::fromWire(r.name),
       QStringLiteral("ERROR: ") + link::fromWire(r.message));
}

// ---- Delete -----------------------------------------------------------------------------

void BlocksController::deleteBlock() {
  // A copy: the selection may change while the question is open.
  const QString sel = tree_.currSelBlk();
  const QString what = QStringLiteral("The deletion of ") + sel;
  if (!canSend(sender_, prompter_, what)) return;
  if (prompter_.message(Icon::Question, QStringLiteral("Are you sure"),
                        QStringLiteral("Delete: ") + sel,
                        QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes &&
      canSend(sender_, prompter_, what))
    sender_.sendRawData(deleteBlockCommand(link::toWire(sel)));
}

void BlocksController::onErrDelBlk(std::string_view line) {
  warn(QStringLiteral("DELETE Error"),
       QStringLiteral("ERROR: ") + link::fromWire(fromCol(line, 10)));
  tree_.focusTree();
}

void BlocksController::onWrnDelBlk(std::string_view line) {
  warn(QStringLiteral("DELETE Warning"),
       QStringLiteral("WARNING: ") + link::fromWire(fromCol(line, 10)));
  tree_.focusTree();
}

void BlocksController::onDnDelBlk(std::string_view line) {
  const QString name = link::fromWire(fromCol(line, 9));
  if (name == moveSrcBlk_) forgetMoveSource();
  form_.updStatBar(QStringLiteral("DEL: ") + name, 3);
  QTreeWidgetItem* node = tree_.blocks().find(name);
  if (!node) {
    // The "X" form may name a block the list leaves out, which has no node to remove; the
    // other one names a node this tree ought to have.
    if (selectsNode(line)) reloadList(QStringLiteral("DEL"), name);
    return;
  }
  if (selectsNode(line))
    if (QTreeWidgetItem* next = tree_.blocks().nextSibling(node))
      tree_.selectNode(browser::BlockTree::keyOf(next));
  removeNode(name);
}

// ---- the tree ---------------------------------------------------------------------------

QTreeWidgetItem* BlocksController::insertConfirmed(const QString& relKey, const QString& name,
                                                   const QString& text) {
  // Refuses a missing relative and a name that is taken; the node gets the block's blue.
  return tree_.blocks().addBefore(relKey, name, text, browser::NodeKind::Block);
}

void BlocksController::removeNode(const QString& key) {
  tree_.removeNode(key);
  if (!highlightKey_.isEmpty() && !tree_.blocks().contains(highlightKey_)) highlightKey_.clear();
}

void BlocksController::reloadList(const QString& operation, const QString& name) {
  form_.updStatBar(operation + QStringLiteral(": ") + name +
                       QStringLiteral(" does not fit the tree shown; reloading the block list"),
                   3);
  tree_.refresh();
}

void BlocksController::unhighlight() {
  if (highlightKey_.isEmpty()) return;
  if (QTreeWidgetItem* node = tree_.blocks().find(highlightKey_))
    node->setBackground(0, highlightBack_);
  highlightKey_.clear();
}

void BlocksController::forgetMoveSource() {
  moveSrcBlk_.clear();
  moveSrcTyp_.clear();
  tree_.setMoveSourcePending(false);
}

void BlocksController::listLoaded() {
  // The pending move itself stays; only its node is gone with the old tree.
  highlightKey_.clear();
}

}  // namespace tarvo::blocks
