#include "xref/XrefController.h"

#include <QAction>
#include <QPointer>
#include <QPushButton>

#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "link/Connection.h"
#include "link/Wire.h"
#include "link/reply_router.h"
#include "ui/Prompter.h"
#include "ui/SendCheck.h"
#include "ui/ui_helpers.h"
#include "xref/XrefWindows.h"
#include "xref/xref_protocol.h"

namespace tarvo::xref {

using browser::Form1;

XrefController::XrefController(browser::Form1& form, browser::TreeController& tree,
                               link::Connection& connection, Prompter& prompter)
    : form_(form), tree_(tree), connection_(connection), sender_(connection), prompter_(prompter) {
  connect(form.action(Form1::Command::CrossReference), &QAction::triggered, this,
          &XrefController::openSetup);
  connect(form.button(Form1::Button::Xref), &QPushButton::clicked, this,
          &XrefController::xrefBlock);
  connect(&tree, &browser::TreeController::xrefRequested, this, &XrefController::xrefBlock);
  connect(&connection, &link::Connection::linkLost, this, &XrefController::connectionLost);
  connect(&form, &Form1::unloading, this, &XrefController::unload);
}

XrefController::~XrefController() = default;

void XrefController::bindReplies(link::ReplyRouter& router) {
  using link::ReplyId;
  using X = XrefController;
  router.bind(ReplyId::ClrXrefLst, this, &X::onClrXrefLst);
  router.bind(ReplyId::XrefLst, this, &X::onXrefLst);
  router.bind(ReplyId::EndXrefLst, this, &X::onEndXrefLst);
  router.bind(ReplyId::NoneXrefLst, this, &X::onNoneXrefLst);
  router.bind(ReplyId::XrefCfgGetStrt, this, &X::onXrefCfgGetStrt);
  router.bind(ReplyId::XrefCfgGetLine, this, &X::onXrefCfgGetLine);
  router.bind(ReplyId::XrefCfgGetDone, this, &X::onXrefCfgGetDone);
  router.bind(ReplyId::XrefRunLine, this, &X::onXrefRunLine);
  router.bind(ReplyId::XrefRunDone, this, &X::onXrefRunDone);
}

XrefOptionsFRM* XrefController::setupWindow() const {
  return setup_.get();
}

XrefOptionsBoxFRM* XrefController::listEditor() const {
  return editor_.get();
}

XrefFRM* XrefController::listingWindow() const {
  return listing_.get();
}

void XrefController::send(std::string_view command) {
  sender_.sendRawData(command);
}

// ---- the setup window -----------------------------------------------------------------

void XrefController::openSetup() {
  if (setup_) {
    setup_->raise();
    setup_->activateWindow();
    return;
  }
  XrefOptionsFRM& window = setup_.ensure([this] {
    auto* w = new XrefOptionsFRM;
    connect(w, &XrefOptionsFRM::cpListRequested, this, [this] { requestList(kCpList); });
    connect(w, &XrefOptionsFRM::displayListRequested, this, [this] { requestList(kDisplayList); });
    connect(w, &XrefOptionsFRM::historianListRequested, this,
            [this] { requestList(kHistorianList); });
    connect(w, &XrefOptionsFRM::createRequested, this, &XrefController::createXref);
    connect(w, &XrefOptionsFRM::pollDue, this, &XrefController::poll);
    connect(w, &ToolWindow::unloading, this, &XrefController::setupUnloaded);
    // The new window's output box is empty.
    connection_.restartList(link::ReplyId::XrefRunLine);
    return w;
  });
  form_.hide();
  window.show();
}

void XrefController::requestList(std::string_view letter) {
  if (!canSend(sender_, prompter_,
               QStringLiteral("The request for the list \"") +
                   link::fromWire(cfgEditorTitle(letter)) + u'"'))
    return;
  send(cfgGetCommand(letter));
}

void XrefController::createXref() {
  const QPointer<XrefOptionsFRM> window = setup_.get();
  if (!window) return;
  const QString what = QStringLiteral("The start of the cross-reference generation");
  if (!canSend(sender_, prompter_, what)) return;
  const auto answer = prompter_.message(
      Prompter::Icon::Question, QStringLiteral("Are you sure"),
      QStringLiteral("There can be no Active ICC Configurator Sessions, Continue?"),
      QMessageBox::Ok | QMessageBox::Cancel);
  if (answer != QMessageBox::Ok) return;
  // The window may have closed while the question was open (the QPointer is then null): a
  // run started now would have nobody to poll it or to end it.
  // cppcheck-suppress identicalConditionAfterEarlyExit
  if (!window || window != setup_.get() || !canSend(sender_, prompter_, what)) return;
  send(kRunStart);
  window->runStarted();
}

void XrefController::poll() {
  // A connection that is gone takes no polls; the window closes when it learns of it.
  if (setup_ && sender_.isConnected()) send(kRunPoll);
}

void XrefController::setupUnloaded() {
  send(kRunEnd);
  if (!leaving_) form_.show();
}

void XrefController::connectionLost() {
  if (setup_) setup_->runEnded(XrefOptionsFRM::RunEnd::ConnectionLost);
  setup_.close();
}

void XrefController::unload() {
  leaving_ = true;
  setup_.close();
  editor_.close();
  listing_.close();
}

void XrefController::onXrefRunLine(std::string_view line) {
  if (setup_) setup_->appendOutput(link::fromWire(runLineText(line)));
}

void XrefController::onXrefRunDone() {
  // A run's end that comes after the window has closed is for nobody: the user has
  // stopped following it.
  if (!setup_) return;
  setup_->runEnded(XrefOptionsFRM::RunEnd::Finished);
  setup_.close();  // which says so to the server and brings the main window back
  prompter_.inform(Prompter::Icon::Information, QStringLiteral("Cross-Reference"),
                   QStringLiteral("Cross-Reference Generation Complete"));
  form_.show();
}

// ---- the list editor ------------------------------------------------------------------

XrefOptionsBoxFRM& XrefController::editorFor(std::string_view letter) {
  const bool made = !editor_;
  XrefOptionsBoxFRM& editor = editor_.ensure([this] {
    auto* e = new XrefOptionsBoxFRM(setup_ ? static_cast<QWidget*>(setup_.get()) : &form_);
    connect(e, &XrefOptionsBoxFRM::okRequested, this, [this, e] { okList(e); });
    return e;
  });
  if (made || letter != xrefCfgType_) {
    // The lines of one list do not join those of another, which OK would send under the
    // wrong letter; a list of the same letter joins what the box holds.
    if (!made) editor.clearList();
    xrefCfgType_ = letter;
    const std::string_view title = cfgEditorTitle(letter);
    editor.setWindowTitle(title.empty() ? QStringLiteral("Enter List ") + link::fromWire(letter)
                                        : link::fromWire(title));
    connection_.restartList(link::ReplyId::XrefCfgGetLine);
  }
  return editor;
}

void XrefController::onXrefCfgGetStrt(std::string_view line) {
  XrefOptionsBoxFRM& editor = editorFor(cfgStrtLetter(line));
  editor.startFilling();
  editor.show();
  editor.raise();
}

void XrefController::onXrefCfgGetLine(std::string_view line) {
  if (editor_) editorFor(cfgLineLetter(line)).appendLine(link::fromWire(cfgLineText(line)));
}

void XrefController::onXrefCfgGetDone(std::string_view line) {
  if (editor_) editorFor(cfgDoneLetter(line)).finishFilling();
}

void XrefController::okList(XrefOptionsBoxFRM* editor) {
  // Every line the box shows is a paragraph; on the wire each ends with CR LF, as it would
  // in a text typed with Enter.
  const link::WireText wire = link::typedToWire(editor->text());
  if (wire.badLine != 0) {
    // Sent as it stands, the character would reach the server as "?". The list stays in
    // the editor, which stays open.
    prompter_.inform(Prompter::Icon::Exclamation, editor->windowTitle(),
                     QStringLiteral("ERROR: Line %1 holds the character %2, which can not be "
                                    "sent to the server. Nothing was sent.")
                         .arg(wire.badLine)
                         .arg(link::describeCharacter(wire.badChar)));
    return;
  }
  if (!canSend(sender_, prompter_,
               QStringLiteral("The list \"") + editor->windowTitle() + QStringLiteral("\"")))
    return;
  for (const std::string& command : cfgUploadCommands(xrefCfgType_, wire.text)) send(command);
  editor->close();
}

// ---- one block's cross-reference ------------------------------------------------------

void XrefController::xrefBlock() {
  // The tree's selected node; a node that is only current (the tree's focus put there, or a
  // new list with nothing clicked yet) is not a choice of the user's.
  const QString key = tree_.selectedKey();
  if (key.isEmpty()) return;
  if (!canSend(sender_, prompter_, QStringLiteral("The request for the cross-reference of ") + key))
    return;
  send(blockCommand(link::toWire(key)));
  form_.setButtonEnabled(browser::Form1::Button::Xref, false);
}

void XrefController::onClrXrefLst() {
  listing_.ensure([this] { return new XrefFRM(&form_); });
  listing_->startListing();
  listing_->show();
  listing_->raise();
}

void XrefController::onXrefLst(std::string_view line) {
  if (listing_) listing_->appendLine(link::fromWire(listingText(line)));
}

void XrefController::onEndXrefLst() {
  if (listing_) listing_->finishListing();
}

void XrefController::onNoneXrefLst() {
  if (listing_) listing_->showNoListing();
}

}  // namespace tarvo::xref
