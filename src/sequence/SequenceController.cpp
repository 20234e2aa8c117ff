#include "sequence/SequenceController.h"

#include <QPointer>
#include <QPushButton>
#include <algorithm>
#include <climits>

#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "link/Connection.h"
#include "link/Wire.h"
#include "link/reply_router.h"
#include "sequence/PLBList.h"
#include "sequence/SeqEditFRM.h"
#include "sequence/seq_protocol.h"
#include "ui/Prompter.h"
#include "ui/SendCheck.h"
#include "ui/ui_helpers.h"

namespace tarvo::sequence {
namespace {

using browser::Form1;
using Join = LineAppender::Join;

int barValue(std::size_t n) {
  return static_cast<int>(std::min<std::size_t>(n, INT_MAX));
}

}  // namespace

SequenceController::SequenceController(browser::Form1& form, browser::TreeController& tree,
                                       link::Connection& connection, Prompter& prompter)
    : form_(form), tree_(tree), sender_(connection), prompter_(prompter) {
  connect(form.button(Form1::Button::EditSeq), &QPushButton::clicked, this,
          &SequenceController::editSeq);
  connect(form.button(Form1::Button::ViewPlb), &QPushButton::clicked, this,
          &SequenceController::viewPlb);
  connect(&connection, &link::Connection::linkLost, this, &SequenceController::connectionLost);
  connect(&form, &Form1::unloading, this, &SequenceController::unload);
}

SequenceController::~SequenceController() = default;

void SequenceController::bindReplies(link::ReplyRouter& router) {
  using link::ReplyId;
  using S = SequenceController;
  router.bind(ReplyId::ErrEdtSeq, this, &S::onErrEdtSeq);
  router.bind(ReplyId::DnEdtSeq, this, &S::onDnEdtSeq);
  router.bind(ReplyId::ErrEdtSeqSecond, this, &S::onErrEdtSeqSecond);
  router.bind(ReplyId::WrnEdtSeq, this, &S::onWrnEdtSeq);
  router.bind(ReplyId::ClrSeqSrc, this, &S::onClrSeqSrc);
  router.bind(ReplyId::SeqSrc, this, &S::onSeqSrc);
  router.bind(ReplyId::DnSeqSrc, this, &S::onDnSeqSrc);
  router.bind(ReplyId::ErrSeqSrc, this, &S::onErrSeqSrc);
  router.bind(ReplyId::DnPutSrc, this, &S::onDnPutSrc);
  router.bind(ReplyId::ErrPutSrc, this, &S::onErrPutSrc);
  router.bind(ReplyId::WrnPutSrc, this, &S::onWrnPutSrc);
  router.bind(ReplyId::DnCplSeq, this, &S::onDnCplSeq);
  router.bind(ReplyId::ErrCplSeq, this, &S::onErrCplSeq);
  router.bind(ReplyId::WrnCplSeq, this, &S::onWrnCplSeq);
  router.bind(ReplyId::DnInsSeq, this, &S::onDnInsSeq);
  router.bind(ReplyId::ErrInsSeq, this, &S::onErrInsSeq);
  router.bind(ReplyId::WrnInsSeq, this, &S::onWrnInsSeq);
  router.bind(ReplyId::ClrGetLst, this, &S::onClrGetLst);
  router.bind(ReplyId::SeqLst, this, &S::onSeqLst);
  router.bind(ReplyId::DnSeqLst, this, &S::onDnSeqLst);
  router.bind(ReplyId::ErrSeqLst, this, &S::onErrSeqLst);
  router.bind(ReplyId::WrnSeqLst, this, &S::onWrnSeqLst);
  router.bind(ReplyId::DnCanSeq, this, &S::onDnCanSeq);
  router.bind(ReplyId::ClrPlbList, this, &S::onClrPlbList);
  router.bind(ReplyId::PlbList, this, &S::onPlbList);
  router.bind(ReplyId::PlbEndList, this, &S::onPlbEndList);
}

SeqEditFRM* SequenceController::seqEditor() const {
  return editor_.get();
}

PLBList* SequenceController::plbList() const {
  return plb_.get();
}

void SequenceController::send(const std::string& command) {
  sender_.sendRawData(std::string_view(command));
}

void SequenceController::box(const char* title, std::string_view line) {
  prompter_.inform(Prompter::Icon::Exclamation, QLatin1String(title),
                   QStringLiteral("ERROR MSG: ") + link::fromWire(replyMessage(line)));
}

void SequenceController::showEditSeq(bool shown) {
  form_.setButtonVisible(Form1::Button::EditSeq, shown);
}

void SequenceController::unload() {
  editor_.close();
  plb_.close();
}

void SequenceController::connectionLost() {
  if (editor_ || requestedBlk_.isEmpty()) return;
  requestedBlk_.clear();
  showEditSeq(true);
}

// ---- the edit session -----------------------------------------------------------------

void SequenceController::editSeq() {
  if (!canSend(sender_, prompter_, QStringLiteral("The request to edit ") + tree_.currSelBlk()))
    return;
  requestedBlk_ = tree_.currSelBlk();
  requestedTyp_ = tree_.currSelTyp();
  send(editSeqCommand(link::toWire(requestedBlk_)));
  showEditSeq(false);
  form_.updStatBar(QStringLiteral("Preparing Sequence Block ") + requestedBlk_, 3);
}

void SequenceController::onErrEdtSeq(std::string_view line) {
  if (editor_) editor_->lines().clear();
  const QString block = requestedBlk_.isEmpty() ? tree_.currSelBlk() : requestedBlk_;
  prompter_.inform(Prompter::Icon::Exclamation, block,
                   QStringLiteral("Error \r\n") + link::fromWire(line));
  showEditSeq(true);
}

void SequenceController::onErrEdtSeqSecond(std::string_view line) {
  box("Error Preparing Sequence Block to Edit", line);
  showEditSeq(true);
  requestedBlk_.clear();
  requestedTyp_.clear();
}

void SequenceController::onWrnEdtSeq(std::string_view line) {
  box("Warning Preparing Sequence Block to Edit", line);
}

void SequenceController::onDnEdtSeq() {
  form_.updStatBar(QString(), 3);
  SeqEditFRM& editor = editor_.ensure([this] {
    const bool requested = !requestedBlk_.isEmpty();
    auto* e = new SeqEditFRM(requested ? requestedBlk_ : tree_.currSelBlk(),
                             requested ? requestedTyp_ : tree_.currSelTyp(), &form_);
    fetchWanted_ = false;
    connect(e, &SeqEditFRM::fetchRequested, this, &SequenceController::fetch);
    connect(e, &SeqEditFRM::saveRequested, this, &SequenceController::save);
    connect(e, &SeqEditFRM::compileRequested, this, &SequenceController::compile);
    connect(e, &SeqEditFRM::installRequested, this, &SequenceController::install);
    connect(e, &SeqEditFRM::listingRequested, this, &SequenceController::viewListing);
    connect(e, &SeqEditFRM::cancelRequested, this, &SequenceController::cancel);
    connect(e, &SeqEditFRM::goToLineRequested, this, &SequenceController::goToLine);
    connect(e, &SeqEditFRM::unloading, this, [this, e] { editorClosing(e); });
    showEditSeq(false);
    return e;
  });
  requestedBlk_.clear();
  requestedTyp_.clear();
  editor.showRaised();
}

void SequenceController::cancel() {
  SeqEditFRM* e = editor_.get();
  if (!e) return;
  if (e->controls.leaveMode()) {
    // Back to Ready, locally: unsaved edits go, work at the server goes on.
    e->lines().clear();
    fetchWanted_ = false;
    e->paint();
    return;
  }
  form_.updStatBar(QStringLiteral("EDIT: Cancelled"), 3);
  send(cancelSeqCommand(link::toWire(e->blockName)));
  e->close();
}

void SequenceController::goToLine() {
  const QPointer<SeqEditFRM> e = editor_.get();
  if (!e) return;
  const int last = e->lineCount();
  const auto line = prompter_.inputNumber(QStringLiteral("Line number (1 - %1):").arg(last),
                                          QStringLiteral("Go to Line"), e->caretLine(), 1, last);
  // The editor may have closed, or its text changed, while the box was open.
  if (line && e) e->goToLine(*line);
}

void SequenceController::editorClosing(SeqEditFRM* e) {
  // The window is on its way out, and replies from now on no longer find it.
  fetchWanted_ = false;
  const std::string block = link::toWire(e->blockName);
  send(cancelSeqCommand(block));
  send(modDoneCommand(block));
  showEditSeq(true);
}

void SequenceController::onDnCanSeq() {
  editor_.close();
}

// ---- fetching and saving the source ---------------------------------------------------

void SequenceController::fetch() {
  SeqEditFRM* e = editor_.get();
  if (!e) return;
  if (!canSend(sender_, prompter_, QStringLiteral("The request for the source of ") + e->blockName))
    return;
  e->lines().setText(QStringLiteral("Retrieving source for  ") + e->blockName);
  send(getSourceCommand(link::toWire(e->blockName)));
  fetchWanted_ = true;
  e->controls.fetchRequested();
  e->paint();
}

void SequenceController::onClrSeqSrc() {
  if (!editor_ || !fetchWanted_) return;
  editor_->lines().setJoin(Join::SkipLeadingEmpty);
  editor_->lines().clear();
  editor_->controls.transferStarted();
  editor_->paint();
}

void SequenceController::onSeqSrc(std::string_view line) {
  if (!editor_ || !fetchWanted_) return;
  editor_->lines().setJoin(Join::SkipLeadingEmpty);
  editor_->lines().append(link::fromWire(sourceLine(line)));
}

void SequenceController::onDnSeqSrc() {
  if (!editor_ || !fetchWanted_) return;
  fetchWanted_ = false;
  editor_->lines().flush();
  editor_->controls.sourceComplete();
  editor_->paint();
}

void SequenceController::onErrSeqSrc(std::string_view line) {
  box("Error Retrieving Sequence Block Code", line);
}

void SequenceController::save() {
  SeqEditFRM* e = editor_.get();
  if (!e) return;
  // Nothing changes unless the source goes out: the window stays in Editing with the text.
  if (!canSend(sender_, prompter_, QStringLiteral("The source of ") + e->blockName)) return;
  const link::WireText wire = link::typedToWire(e->rawText());
  if (wire.badLine != 0) {
    // Sent as it stands, the character would reach the server as "?": the stored source
    // would differ from what the user sees. Nothing is sent; the edits stay in the box.
    prompter_.inform(Prompter::Icon::Exclamation,
                     QStringLiteral("Error Saving Sequence Block Code"),
                     QStringLiteral("ERROR: Line %1 holds the character %2, which can not be sent "
                                    "to the server. Nothing was saved.")
                         .arg(wire.badLine)
                         .arg(link::describeCharacter(wire.badChar)));
    return;
  }
  const SaveCommands upload = saveCommands(link::toWire(e->blockName), wire.text);
  e->controls.save.enabled = false;
  // An empty text gives the bar no range at all, which it shows as busy rather than fail.
  e->setProgressRange(barValue(upload.length));
  e->controls.progressShown = true;
  e->paint();
  for (std::size_t i = 0; i < upload.commands.size(); ++i) {
    send(upload.commands[i]);
    if (upload.progress[i] != 0) e->setProgress(barValue(upload.progress[i]));
  }
  e->controls.progressShown = false;
  e->controls.saved();
  e->paint();
}

void SequenceController::onDnPutSrc() {
  if (!editor_) return;
  editor_->controls.sourceStored();
  editor_->paint();
}

void SequenceController::onErrPutSrc(std::string_view line) {
  box("Error Saving Sequence Block Code", line);
}

void SequenceController::onWrnPutSrc(std::string_view line) {
  box("Warning Saving Sequence Block Code", line);
}

// ---- compile and install --------------------------------------------------------------

void SequenceController::compile() {
  SeqEditFRM* e = editor_.get();
  if (!e) return;
  if (!canSend(sender_, prompter_, QStringLiteral("The compile of ") + e->blockName)) return;
  e->controls.workStarted();
  e->lines().setText(QStringLiteral("\n\n       Compiling  ") + e->blockName);
  send(compileCommand(link::toWire(e->blockName), link::toWire(e->blockType)));
  e->paint();
}

void SequenceController::onDnCplSeq() {
  if (!editor_) return;
  editor_->controls.compiled();
  editor_->paint();
}

void SequenceController::compileFailed(std::string_view line, bool warning) {
  box(warning ? "Warning Compiling Sequence Block Code" : "Error Compiling Sequence Block Code",
      line);
  SeqEditFRM* e = editor_.get();
  if (!e) return;
  e->controls.compileFailed(warning);
  // The listing of the block being compiled, whatever the tree has selected meanwhile.
  e->lines().setText(QStringLiteral("Retrieving listing for  ") + e->blockName);
  send(getListingCommand(link::toWire(e->blockName)));
  cplListingPending_ = true;
  e->paint();
}

void SequenceController::onErrCplSeq(std::string_view line) {
  compileFailed(line, false);
}

void SequenceController::onWrnCplSeq(std::string_view line) {
  compileFailed(line, true);
}

void SequenceController::install() {
  SeqEditFRM* e = editor_.get();
  if (!e) return;
  if (!canSend(sender_, prompter_, QStringLiteral("The install of ") + e->blockName)) return;
  e->controls.workStarted();
  e->lines().setText(QStringLiteral("\n\n       Installing  ") + e->blockName);
  send(installCommand(link::toWire(e->blockName)));
  e->paint();
}

void SequenceController::onDnInsSeq() {
  editor_.close();
}

void SequenceController::onErrInsSeq(std::string_view line) {
  box("Error Installing Sequence Block Code", line);
}

void SequenceController::onWrnInsSeq(std::string_view line) {
  box("Warning Installing Sequence Block Code", line);
}

// ---- the compile listing --------------------------------------------------------------

void SequenceController::viewListing() {
  SeqEditFRM* e = editor_.get();
  if (!e) return;
  if (!canSend(sender_, prompter_,
               QStringLiteral("The request for the listing of ") + e->blockName))
    return;
  e->lines().setText(QStringLiteral("Retrieving listing for  ") + e->blockName);
  send(getListingCommand(link::toWire(e->blockName)));
  e->controls.listingRequested();
  e->paint();
}

void SequenceController::onClrGetLst() {
  if (!editor_) return;
  editor_->lines().setJoin(Join::BreakBefore);
  editor_->lines().clear();
  editor_->controls.transferStarted();
  editor_->paint();
}

void SequenceController::onSeqLst(std::string_view line) {
  if (!editor_) return;
  editor_->lines().setJoin(Join::BreakBefore);
  editor_->lines().append(link::fromWire(sourceLine(line)));
}

void SequenceController::onDnSeqLst() {
  if (!editor_) return;
  editor_->lines().flush();
  editor_->controls.listingComplete();
  editor_->paint();
  if (cplListingPending_) {
    // Where the compiler's messages stand.
    editor_->caretToEnd();
    cplListingPending_ = false;
  }
}

void SequenceController::onErrSeqLst(std::string_view line) {
  box("Error Reading Sequence Block Code", line);
}

void SequenceController::onWrnSeqLst(std::string_view line) {
  box("Warning Reading Sequence Block Code", line);
}

// ---- the PLB listing ------------------------------------------------------------------

void SequenceController::viewPlb() {
  if (!canSend(sender_, prompter_,
               QStringLiteral("The request for the PLB listing of ") + tree_.selNodeKey()))
    return;
  send(plbListCommand(link::toWire(tree_.selNodeKey())));
  form_.setButtonEnabled(Form1::Button::ViewPlb, false);
}

void SequenceController::onClrPlbList(std::string_view line) {
  // Closed (OK, Escape, its close box) it is on its way out: the next listing gets a new one.
  PLBList& plb = plb_.ensure([this] { return new PLBList(&form_); });
  plb.show();
  plb.raise();
  plb.startListing(link::fromWire(plbListingName(line)));
}

void SequenceController::onPlbList(std::string_view line) {
  if (plb_) plb_->addLine(link::fromWire(plbListingLine(line)));
}

void SequenceController::onPlbEndList() {
  if (plb_) plb_->listingComplete();
}

}  // namespace tarvo::sequence
