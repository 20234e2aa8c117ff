#include "params/ParamsController.h"

#include <QTreeWidget>

#include "app/Client.h"
#include "app/Prompter.h"
#include "browser/Form1.h"
#include "browser/ui_helpers.h"
#include "link/Connection.h"
#include "params/ParmEditFRM.h"

namespace tarvo::params {
namespace {

std::string toWire(const QString& s) {
  return s.toLatin1().toStdString();
}

}  // namespace

ParamsController::ParamsController(Client& client) : client_(client) {
  // Answers to modifications sent on a connection that is gone will never come; a new
  // connection starts with nothing outstanding.
  auto& link = client_.connection();
  connect(&link, &link::Connection::connected, this, [this] { outstanding_.clear(); });
  connect(&link, &link::Connection::failed, this, [this] { outstanding_.clear(); });
  connect(&link, &link::Connection::closedByPeer, this, [this] { outstanding_.clear(); });
}

ParamsController::~ParamsController() = default;

ParmEditFRM* ParamsController::parmEditor() const {
  return parmEditor_.data();
}

void ParamsController::edit() {
  const QString& block = client_.form().currSelBlk;
  if (block.isEmpty()) return;
  client_.send(fromWire(getParmsCommand(toWire(block))));
}

// ---- the parameter list ---------------------------------------------------------------

void ParamsController::onClrPrmLst() {
  auto& form = client_.form();
  // Owned by the main window (gone with it) but never modal; the cascade below places it,
  // so it is not centred over the main window when shown.
  auto* editor = new ParmEditFRM(form.currSelBlk, &form);
  parmEditor_ = editor;
  connect(editor, &ParmEditFRM::okRequested, this, [this, editor] { ok(editor); });
  connect(editor, &ParmEditFRM::cancelRequested, this, [this, editor] { cancel(editor); });
  connect(editor, &ParmEditFRM::unloading, this, [this, editor] { unload(editor); });

  const TwipsPoint at = editorPositionTwips(form.editWindowCnt);
  editor->move(twipsToPx(at.left), twipsToPx(at.top));
  form.editWindowCnt = nextEditWindowCnt(form.editWindowCnt);

  form.updStatBar(QStringLiteral("Getting Parameters"), 3);
  editor->startList();
}

void ParamsController::onPrmLst(std::string_view line) {
  if (!parmEditor_) return;
  parmEditor_->addParameterLine(line);
}

void ParamsController::onDnPrmLst() {
  if (!parmEditor_) return;
  client_.form().updStatBar(QString(), 3);
  parmEditor_->listDone();
  parmEditor_->show();
  parmEditor_->raise();
  parmEditor_->activateWindow();
}

void ParamsController::onErrPrmLst(std::string_view line) {
  client_.prompter().inform(Prompter::Icon::Exclamation, QStringLiteral("Can not edit block"),
                            QStringLiteral("ERROR MSG: ") + fromWire(paramListError(line)));
  client_.form().updStatBar(QStringLiteral("Error getting parameters"), 3);
}

// ---- OK, Cancel, closing --------------------------------------------------------------

void ParamsController::ok(ParmEditFRM* editor) {
  editor->commitEntry();
  const std::string block = toWire(editor->CBUse);
  const std::vector<std::string> commands = editor->grid().submission(block);
  if (commands.empty()) {
    client_.form().updStatBar(QStringLiteral("EDIT: No Edits"), 3);
  } else {
    // Only a modification that actually left gets an answer to wait for.
    if (client_.connection().state() == link::Connection::Connected) outstanding_.sent(block);
    for (const std::string& command : commands) client_.send(fromWire(command));
  }
  editor->close();
}

void ParamsController::cancel(ParmEditFRM* editor) {
  editor->dropEditRow();
  client_.form().updStatBar(QStringLiteral("EDIT: Cancelled"), 3);
  editor->close();
}

void ParamsController::unload(ParmEditFRM* editor) {
  // The window is on its way out: later list replies must not find it.
  if (parmEditor_ == editor) parmEditor_ = nullptr;
  client_.send(fromWire(modDoneCommand(toWire(editor->CBUse))));
}

// ---- answers to a modification --------------------------------------------------------

QString ParamsController::answeredBlock() {
  return fromWire(outstanding_.answered(toWire(client_.form().currSelBlk)));
}

void ParamsController::focusTree() {
  client_.form().TreeView1->setFocus(Qt::OtherFocusReason);
}

void ParamsController::onErrPrmMod(std::string_view line) {
  const QString block = answeredBlock();
  client_.prompter().inform(Prompter::Icon::Exclamation, QStringLiteral("EDIT Error: ") + block,
                            QStringLiteral("ERROR: ") + fromWire(paramModMessage(line)));
  focusTree();
}

void ParamsController::onWrnPrmMod(std::string_view line) {
  const QString block = answeredBlock();
  client_.prompter().inform(Prompter::Icon::Exclamation, QStringLiteral("EDIT Warning: ") + block,
                            QStringLiteral("WARN MSG: ") + fromWire(paramModMessage(line)));
  focusTree();
}

void ParamsController::onDnPrmMod(std::string_view) {
  client_.form().updStatBar(QStringLiteral("EDIT: ") + answeredBlock(), 3);
  focusTree();
}

}  // namespace tarvo::params
