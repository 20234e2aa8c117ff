#include "xref/XrefController.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "browser/BlockTree.h"
#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "link/CommandSender.h"
#include "ui/Prompter.h"
#include "ui/ui_helpers.h"
#include "xref/XrefWindows.h"
#include "xref/xref_protocol.h"

namespace tarvo::xref {

XrefController::XrefController(QWidget* owner, browser::Form1& form, browser::TreeController& tree,
                               link::CommandSender& sender, Prompter& prompter)
    : owner_(owner), form_(form), tree_(tree), sender_(sender), prompter_(prompter) {}

XrefController::~XrefController() {
  // The windows are not children of any window: they go with the controller that made them.
  delete setup_.data();
  delete editor_.data();
  delete listing_.data();
}

QString XrefController::xrefCfgType() const {
  return fromWire(xrefCfgType_);
}

XrefOptionsFRM* XrefController::setupWindow() const {
  return setup_.data();
}

XrefOptionsBoxFRM* XrefController::listEditor() const {
  return editor_.data();
}

XrefFRM* XrefController::listingWindow() const {
  return listing_.data();
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
  auto* window = new XrefOptionsFRM;
  setup_ = window;
  connect(window->CPPB, &QPushButton::clicked, this, [this] { requestList(kCpList); });
  connect(window->DispsPB, &QPushButton::clicked, this, [this] { requestList(kDisplayList); });
  connect(window->histsPB, &QPushButton::clicked, this, [this] { requestList(kHistorianList); });
  connect(window->CreatePB, &QPushButton::clicked, this, &XrefController::createXref);
  connect(window->Timer1, &QTimer::timeout, this, &XrefController::poll);
  connect(window, &XrefWindow::unloading, this, [this, window] { setupUnloaded(window); });
  form_.hide();
  window->show();
}

void XrefController::requestList(std::string_view letter) {
  send(cfgGetCommand(letter));
}

void XrefController::createXref() {
  const QPointer<XrefOptionsFRM> window = setup_;
  if (!window) return;
  const auto answer = prompter_.message(
      Prompter::Icon::Question, QStringLiteral("Are you sure"),
      QStringLiteral("There can be no Active ICC Configurator Sessions, Continue?"),
      QMessageBox::Ok | QMessageBox::Cancel);
  if (answer != QMessageBox::Ok) return;
  // The window may have closed while the question was open (the QPointer is then null): a
  // run started now would have nobody to poll it or to end it.
  // cppcheck-suppress identicalConditionAfterEarlyExit
  if (!window || window != setup_) return;
  send(kRunStart);
  window->lockConfiguration();
}

void XrefController::poll() {
  // A connection that is gone takes no polls; the window closes when it learns of it.
  if (setup_ && sender_.isConnected()) send(kRunPoll);
}

void XrefController::setupUnloaded(XrefOptionsFRM* window) {
  if (setup_ == window) setup_ = nullptr;
  send(kRunEnd);
  if (!leaving_) form_.show();
}

void XrefController::connectionLost() {
  if (setup_) setup_->close();
}

void XrefController::unload() {
  leaving_ = true;
  if (setup_) setup_->close();
}

void XrefController::onXrefRunLine(std::string_view line) {
  if (setup_) setup_->appendOutput(fromWire(runLineText(line)));
}

void XrefController::onXrefRunDone(std::string_view) {
  // A run's end that comes after the window has closed is for nobody: the user has
  // stopped following it.
  if (!setup_) return;
  setup_->close();  // which says so to the server and brings the main window back
  prompter_.inform(Prompter::Icon::Information, QStringLiteral("Cross-Reference"),
                   QStringLiteral("Cross-Reference Generation Complete"));
  form_.show();
}

// ---- the list editor ------------------------------------------------------------------

void XrefController::onXrefCfgGetStrt(std::string_view line) {
  if (!editor_) {
    auto* editor = new XrefOptionsBoxFRM;
    keepAbove(editor, setup_ ? static_cast<QWidget*>(setup_.data()) : owner_);
    editor_ = editor;
    connect(editor, &XrefOptionsBoxFRM::okRequested, this, [this, editor] { okList(editor); });
    connect(editor, &XrefWindow::unloading, this, [this, editor] {
      if (editor_ == editor) editor_ = nullptr;
    });
  }
  editor_->startFilling();
  editor_->show();
  editor_->raise();
  xrefCfgType_ = cfgStrtLetter(line);
  const std::string_view title = cfgEditorTitle(xrefCfgType_);
  if (!title.empty()) {
    editor_->setWindowTitle(fromWire(title));
    editor_->setAccessibleName(editor_->windowTitle());
  }
}

void XrefController::onXrefCfgGetLine(std::string_view line) {
  xrefCfgType_ = cfgLineLetter(line);
  if (editor_) editor_->appendLine(fromWire(cfgLineText(line)));
}

void XrefController::onXrefCfgGetDone(std::string_view line) {
  xrefCfgType_ = cfgDoneLetter(line);
  if (editor_) editor_->finishFilling();
}

void XrefController::okList(XrefOptionsBoxFRM* editor) {
  // Every line the box shows is a paragraph; on the wire each ends with CR LF, as it would
  // in a text typed with Enter.
  const QString text = editor->text().replace(u'\n', QStringLiteral("\r\n"));
  const QByteArray wire = text.toLatin1();
  for (const std::string& command : cfgUploadCommands(
           xrefCfgType_, std::string_view(wire.constData(), static_cast<std::size_t>(wire.size()))))
    send(command);
  editor->close();
}

// ---- one block's cross-reference ------------------------------------------------------

void XrefController::xrefBlock() {
  // The tree's selected node; a node that is only current (the tree's focus put there, or a
  // new list with nothing clicked yet) is not a choice of the user's.
  const QTreeWidgetItem* node = form_.treeView()->currentItem();
  if (!node || !node->isSelected()) return;
  send(blockCommand(browser::BlockTree::keyOf(node).toLatin1().toStdString()));
  form_.setButtonEnabled(browser::Form1::Button::Xref, false);
}

void XrefController::onClrXrefLst(std::string_view) {
  if (!listing_) {
    auto* window = new XrefFRM;
    keepAbove(window, owner_);
    listing_ = window;
    connect(window, &XrefWindow::unloading, this, [this, window] {
      if (listing_ == window) listing_ = nullptr;
    });
  }
  listing_->startListing();
  listing_->show();
  listing_->raise();
}

void XrefController::onXrefLst(std::string_view line) {
  if (listing_) listing_->appendLine(fromWire(listingText(line)));
}

void XrefController::onEndXrefLst(std::string_view) {
  if (listing_) listing_->finishListing();
}

void XrefController::onNoneXrefLst(std::string_view) {
  if (listing_) listing_->showNoListing();
}

}  // namespace tarvo::xref
