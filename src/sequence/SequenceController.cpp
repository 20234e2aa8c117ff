#include "sequence/SequenceController.h"

#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <climits>

#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "link/CommandSender.h"
#include "sequence/PLBList.h"
#include "sequence/SeqEditFRM.h"
#include "sequence/seq_protocol.h"
#include "ui/Prompter.h"
#include "ui/ui_helpers.h"

namespace tarvo::sequence {
namespace {

using browser::Form1;
using Join = LineAppender::Join;

std::string toWire(const QString& s) {
  return s.toLatin1().toStdString();
}

int barValue(std::size_t n) {
  return static_cast<int>(std::min<std::size_t>(n, INT_MAX));
}

}  // namespace

SequenceController::SequenceController(QWidget* owner, browser::Form1& form,
                                       browser::TreeController& tree, link::CommandSender& sender,
                                       Prompter& prompter)
    : owner_(owner), form_(form), tree_(tree), sender_(sender), prompter_(prompter) {}

SequenceController::~SequenceController() {
  // The windows are nobody's children: they go with the controller that made them.
  delete editor_.data();
  delete plb_.data();
}

SeqEditFRM* SequenceController::seqEditor() const {
  return editor_.data();
}

PLBList* SequenceController::plbList() const {
  return plb_.data();
}

void SequenceController::send(const std::string& command) {
  sender_.sendRawData(std::string_view(command));
}

void SequenceController::box(const char* title, std::string_view line) {
  prompter_.inform(Prompter::Icon::Exclamation, QLatin1String(title),
                   QStringLiteral("ERROR MSG: ") + fromWire(replyMessage(line)));
}

void SequenceController::showEditSeq(bool shown) {
  form_.setButtonVisible(Form1::Button::EditSeq, shown);
}

void SequenceController::unload() {
  if (editor_) editor_->close();
  if (plb_) plb_->close();
}

void SequenceController::connectionLost() {
  if (editor_ || requestedBlk_.isEmpty()) return;
  requestedBlk_.clear();
  showEditSeq(true);
}

// ---- the edit session -----------------------------------------------------------------

void SequenceController::editSeq() {
  requestedBlk_ = tree_.currSelBlk();
  requestedTyp_ = tree_.currSelTyp();
  send(editSeqCommand(toWire(requestedBlk_)));
  showEditSeq(false);
  form_.updStatBar(QStringLiteral("Preparing Sequence Block ") + requestedBlk_, 3);
}

void SequenceController::onErrEdtSeq(std::string_view line) {
  if (editor_) editor_->lines().clear();
  const QString block = requestedBlk_.isEmpty() ? tree_.currSelBlk() : requestedBlk_;
  prompter_.inform(Prompter::Icon::Exclamation, block,
                   QStringLiteral("Error \r\n") + fromWire(line));
  showEditSeq(true);
}

void SequenceController::onErrEdtSeqEditor(std::string_view line) {
  box("Error Preparing Sequence Block to Edit", line);
  showEditSeq(true);
  requestedBlk_.clear();
  requestedTyp_.clear();
}

void SequenceController::onWrnEdtSeq(std::string_view line) {
  box("Warning Preparing Sequence Block to Edit", line);
}

void SequenceController::onDnEdtSeq(std::string_view) {
  form_.updStatBar(QString(), 3);
  if (!editor_) {
    const bool requested = !requestedBlk_.isEmpty();
    auto* editor = new SeqEditFRM(requested ? requestedBlk_ : tree_.currSelBlk(),
                                  requested ? requestedTyp_ : tree_.currSelTyp());
    keepAbove(editor, owner_);
    editor_ = editor;
    fetchWanted_ = false;
    connect(editor->EditPB, &QPushButton::clicked, this, &SequenceController::fetch);
    connect(editor->EditSvPB, &QPushButton::clicked, this, &SequenceController::save);
    connect(editor->CompilePB, &QPushButton::clicked, this, &SequenceController::compile);
    connect(editor->DonePB, &QPushButton::clicked, this, &SequenceController::install);
    connect(editor->ListingPB, &QPushButton::clicked, this, &SequenceController::viewListing);
    connect(editor->CancelPB, &QPushButton::clicked, this, &SequenceController::cancel);
    connect(editor, &SeqEditFRM::unloading, this, &SequenceController::editorClosing);
    showEditSeq(false);
  }
  requestedBlk_.clear();
  requestedTyp_.clear();
  editor_->show();
  editor_->raise();
  editor_->activateWindow();
}

void SequenceController::cancel() {
  SeqEditFRM* e = editor_;
  if (!e) return;
  if (e->controls.leaveMode()) {
    // Back to Ready, locally: unsaved edits go, work at the server goes on.
    e->lines().clear();
    fetchWanted_ = false;
    e->paint();
    return;
  }
  form_.updStatBar(QStringLiteral("EDIT: Cancelled"), 3);
  send(cancelSeqCommand(toWire(e->blockName)));
  e->close();
}

void SequenceController::editorClosing() {
  SeqEditFRM* e = editor_;
  if (!e) return;
  // The window is on its way out: replies from now on must not find it.
  editor_ = nullptr;
  fetchWanted_ = false;
  const std::string block = toWire(e->blockName);
  send(cancelSeqCommand(block));
  send(modDoneCommand(block));
  showEditSeq(true);
}

void SequenceController::onDnCanSeq(std::string_view) {
  if (editor_) editor_->close();
}

// ---- fetching and saving the source ---------------------------------------------------

void SequenceController::fetch() {
  SeqEditFRM* e = editor_;
  if (!e) return;
  e->lines().setText(QStringLiteral("Retrieving source for  ") + e->blockName);
  send(getSourceCommand(toWire(e->blockName)));
  fetchWanted_ = true;
  e->controls.fetchRequested();
  e->paint();
}

void SequenceController::onClrSeqSrc(std::string_view) {
  if (!editor_ || !fetchWanted_) return;
  editor_->lines().setJoin(Join::SkipLeadingEmpty);
  editor_->lines().clear();
  editor_->controls.transferStarted();
  editor_->paint();
}

void SequenceController::onSeqSrc(std::string_view line) {
  if (!editor_ || !fetchWanted_) return;
  editor_->lines().setJoin(Join::SkipLeadingEmpty);
  editor_->lines().append(fromWire(sourceLine(line)));
}

void SequenceController::onDnSeqSrc(std::string_view) {
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
  SeqEditFRM* e = editor_;
  if (!e) return;
  const QString raw = e->rawText();
  const WireText wire = toWireText(
      std::u16string_view(QStringView(raw).utf16(), static_cast<std::size_t>(raw.size())));
  if (wire.badLine != 0) {
    // Sent as it stands, the character would reach the server as "?": the stored source
    // would differ from what the user sees. Nothing is sent; the edits stay in the box.
    const QString shown = QString::fromUcs4(&wire.badChar, 1);
    prompter_.inform(Prompter::Icon::Exclamation,
                     QStringLiteral("Error Saving Sequence Block Code"),
                     QStringLiteral("ERROR: Line %1 holds the character \"%2\" (U+%3), which can "
                                    "not be sent to the server. Nothing was saved.")
                         .arg(wire.badLine)
                         .arg(shown)
                         .arg(static_cast<uint>(wire.badChar), 4, 16, QLatin1Char('0')));
    return;
  }
  const SaveCommands upload = saveCommands(toWire(e->blockName), wire.text);
  e->controls.save.enabled = false;
  // An empty text gives the bar no range at all, which it shows as busy rather than fail.
  e->ProgressBar1->setRange(0, barValue(upload.length));
  e->ProgressBar1->setValue(0);
  e->controls.progressShown = true;
  e->paint();
  for (std::size_t i = 0; i < upload.commands.size(); ++i) {
    send(upload.commands[i]);
    if (upload.progress[i] != 0) e->ProgressBar1->setValue(barValue(upload.progress[i]));
  }
  e->controls.progressShown = false;
  e->controls.saved();
  e->paint();
}

void SequenceController::onDnPutSrc(std::string_view) {
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
  SeqEditFRM* e = editor_;
  if (!e) return;
  e->controls.workStarted();
  e->lines().setText(QStringLiteral("\n\n       Compiling  ") + e->blockName);
  send(compileCommand(toWire(e->blockName), toWire(e->blockType)));
  e->paint();
}

void SequenceController::onDnCplSeq(std::string_view) {
  if (!editor_) return;
  editor_->controls.compiled();
  editor_->paint();
}

void SequenceController::compileFailed(std::string_view line, bool warning) {
  box(warning ? "Warning Compiling Sequence Block Code" : "Error Compiling Sequence Block Code",
      line);
  SeqEditFRM* e = editor_;
  if (!e) return;
  e->controls.compileFailed(warning);
  // The listing of the block being compiled, whatever the tree has selected meanwhile.
  e->lines().setText(QStringLiteral("Retrieving listing for  ") + e->blockName);
  send(getListingCommand(toWire(e->blockName)));
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
  SeqEditFRM* e = editor_;
  if (!e) return;
  e->controls.workStarted();
  e->lines().setText(QStringLiteral("\n\n       Installing  ") + e->blockName);
  send(installCommand(toWire(e->blockName)));
  e->paint();
}

void SequenceController::onDnInsSeq(std::string_view) {
  if (editor_) editor_->close();
}

void SequenceController::onErrInsSeq(std::string_view line) {
  box("Error Installing Sequence Block Code", line);
}

void SequenceController::onWrnInsSeq(std::string_view line) {
  box("Warning Installing Sequence Block Code", line);
}

// ---- the compile listing --------------------------------------------------------------

void SequenceController::viewListing() {
  SeqEditFRM* e = editor_;
  if (!e) return;
  e->lines().setText(QStringLiteral("Retrieving listing for  ") + e->blockName);
  send(getListingCommand(toWire(e->blockName)));
  e->controls.listingRequested();
  e->paint();
}

void SequenceController::onClrGetLst(std::string_view) {
  if (!editor_) return;
  editor_->lines().setJoin(Join::BreakBefore);
  editor_->lines().clear();
  editor_->controls.transferStarted();
  editor_->paint();
}

void SequenceController::onSeqLst(std::string_view line) {
  if (!editor_) return;
  editor_->lines().setJoin(Join::BreakBefore);
  editor_->lines().append(fromWire(sourceLine(line)));
}

void SequenceController::onDnSeqLst(std::string_view) {
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
  send(plbListCommand(toWire(tree_.selNodeKey())));
  form_.setButtonEnabled(Form1::Button::ViewPlb, false);
}

void SequenceController::onClrPlbList(std::string_view line) {
  if (!plb_) {
    auto* plb = new PLBList;
    keepAbove(plb, owner_);
    plb_ = plb;
    // Closed (OK, Escape, its close box) it is on its way out: the next listing gets a new one.
    connect(plb, &QDialog::finished, this, [this, plb] {
      if (plb_ == plb) plb_ = nullptr;
    });
  }
  plb_->show();
  plb_->raise();
  plb_->startListing(fromWire(plbListingName(line)));
}

void SequenceController::onPlbList(std::string_view line) {
  if (plb_) plb_->addLine(fromWire(plbListingLine(line)));
}

void SequenceController::onPlbEndList(std::string_view) {
  if (plb_) plb_->listingComplete();
}

}  // namespace tarvo::sequence
