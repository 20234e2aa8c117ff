#include "params/ParamsController.h"

#include <QGuiApplication>
#include <QScreen>

#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "link/CommandSender.h"
#include "params/ParmEditFRM.h"
#include "params/editor_cascade.h"
#include "params/grid_export.h"
#include "ui/Prompter.h"
#include "ui/save_file.h"
#include "ui/ui_helpers.h"

namespace tarvo::params {
namespace {

std::string toWire(const QString& s) {
  return s.toLatin1().toStdString();
}

PxRect pxRect(const QRect& r) {
  return {r.x(), r.y(), r.width(), r.height()};
}

// Moves a new editor to its cascade place on the main window's screen, kept on that screen
// at the size it is made with (the window manager's frame taken to be as wide as the main
// window's).
void placeEditor(QWidget* editor, QWidget* owner, int editWindowCnt) {
  QScreen* screen = owner ? owner->screen() : editor->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QSize margins = (owner && owner->isVisible())
                            ? owner->frameGeometry().size() - owner->geometry().size()
                            : QSize(0, 0);
  if (screen) {
    // On a small screen the editor is made smaller, as far as its controls allow.
    const QSize fit = editor->size()
                          .boundedTo(screen->availableGeometry().size() - margins)
                          .expandedTo(editor->minimumSizeHint());
    if (fit != editor->size()) editor->resize(fit);
  }
  const QSize size = editor->size() + margins;
  const PxSize frame{size.width(), size.height()};
  const PxPoint at = screen ? editorPlace(editWindowCnt, frame, pxRect(screen->geometry()),
                                          pxRect(screen->availableGeometry()))
                            : editorPlace(editWindowCnt, frame, {}, {});
  editor->move(at.x, at.y);
}

}  // namespace

ParamsController::ParamsController(QWidget* owner, browser::Form1& form,
                                   browser::TreeController& tree, link::CommandSender& sender,
                                   Prompter& prompter)
    : owner_(owner), form_(form), tree_(tree), sender_(sender), prompter_(prompter) {}

ParamsController::~ParamsController() {
  // Editors are not children of any window: they go with the controller that made them.
  for (const QPointer<ParmEditFRM>& editor : editors_) delete editor.data();
}

ParmEditFRM* ParamsController::parmEditor() const {
  return parmEditor_.data();
}

void ParamsController::edit() {
  const QString& block = tree_.currSelBlk();
  if (block.isEmpty()) return;
  sender_.sendRawData(fromWire(getParmsCommand(toWire(block))));
}

void ParamsController::connectionReset() {
  outstanding_.clear();
  // An editor whose list was still arriving will never get the rest: unload it rather
  // than leave a window nothing can show or close.
  if (parmEditor_ && !parmEditor_->isVisible()) parmEditor_->close();
}

void ParamsController::unloadAll() {
  // Closing runs each editor's unload, which sends its "MODDONE:", whether or not the
  // editor was ever shown.
  const QList<QPointer<ParmEditFRM>> editors = editors_;
  for (const QPointer<ParmEditFRM>& editor : editors)
    if (editor) editor->close();
}

// ---- the parameter list ---------------------------------------------------------------

void ParamsController::onClrPrmLst() {
  // An editor whose list never completed can be neither shown nor closed by anything once
  // the next list begins: it is unloaded now, with its "MODDONE:", not left behind.
  if (parmEditor_ && !parmEditor_->isVisible()) parmEditor_->close();
  auto* editor = new ParmEditFRM(tree_.currSelBlk());
  keepAbove(editor, owner_);
  parmEditor_ = editor;
  editors_.append(editor);
  connect(editor, &ParmEditFRM::okRequested, this, [this, editor] { ok(editor); });
  connect(editor, &ParmEditFRM::cancelRequested, this, [this, editor] { cancel(editor); });
  connect(editor, &ParmEditFRM::unloading, this, [this, editor] { unload(editor); });
  connect(editor, &ParmEditFRM::exportRequested, this, [this, editor] { exportGrid(editor); });

  placeEditor(editor, owner_, editWindowCnt_);
  editWindowCnt_ = nextEditWindowCnt(editWindowCnt_);

  form_.updStatBar(QStringLiteral("Getting Parameters"), 3);
  editor->startList();
}

void ParamsController::onPrmLst(std::string_view line) {
  if (!parmEditor_) return;
  parmEditor_->addParameterLine(line);
}

void ParamsController::onDnPrmLst() {
  if (!parmEditor_) return;
  form_.updStatBar(QString(), 3);
  parmEditor_->listDone();
  parmEditor_->show();
  parmEditor_->raise();
  parmEditor_->activateWindow();
}

void ParamsController::onErrPrmLst(std::string_view line) {
  prompter_.inform(Prompter::Icon::Exclamation, QStringLiteral("Can not edit block"),
                   QStringLiteral("ERROR MSG: ") + fromWire(paramListError(line)));
  form_.updStatBar(QStringLiteral("Error getting parameters"), 3);
}

// ---- OK, Cancel, closing --------------------------------------------------------------

void ParamsController::ok(ParmEditFRM* editor) {
  editor->commitEntry();
  const std::string block = toWire(editor->CBUse);
  const std::vector<std::string> commands = editor->grid().submission(block);
  if (commands.empty()) {
    form_.updStatBar(QStringLiteral("EDIT: No Edits"), 3);
  } else {
    // Only a modification that actually left gets an answer to wait for.
    if (sender_.isConnected()) outstanding_.sent(block);
    for (const std::string& command : commands) sender_.sendRawData(command);
  }
  editor->close();
}

void ParamsController::cancel(ParmEditFRM* editor) {
  editor->dropEditRow();
  form_.updStatBar(QStringLiteral("EDIT: Cancelled"), 3);
  editor->close();
}

void ParamsController::unload(ParmEditFRM* editor) {
  // The window is on its way out: later list replies must not find it.
  if (parmEditor_ == editor) parmEditor_ = nullptr;
  editors_.removeAll(editor);
  sender_.sendRawData(modDoneCommand(toWire(editor->CBUse)));
}

void ParamsController::exportGrid(ParmEditFRM* editor) {
  const std::optional<QString> path =
      saveToChosenFile(prompter_, QStringLiteral("Export to CSV"), csvFilter(),
                       fileNamePart(editor->CBUse) + QStringLiteral("-parameters.csv"),
                       csvFileBytes(gridCsv(editor->grid())));
  if (path) form_.updStatBar(QStringLiteral("EXPORT: ") + *path, 3);
}

// ---- answers to a modification --------------------------------------------------------

QString ParamsController::answeredBlock() {
  return fromWire(outstanding_.answered(toWire(tree_.currSelBlk())));
}

void ParamsController::focusTree() {
  tree_.focusTree();
}

void ParamsController::onErrPrmMod(std::string_view line) {
  const QString block = answeredBlock();
  prompter_.inform(Prompter::Icon::Exclamation, QStringLiteral("EDIT Error: ") + block,
                   QStringLiteral("ERROR: ") + fromWire(paramModMessage(line)));
  focusTree();
}

void ParamsController::onWrnPrmMod(std::string_view line) {
  const QString block = answeredBlock();
  prompter_.inform(Prompter::Icon::Exclamation, QStringLiteral("EDIT Warning: ") + block,
                   QStringLiteral("WARN MSG: ") + fromWire(paramModMessage(line)));
  focusTree();
}

void ParamsController::onDnPrmMod(std::string_view) {
  form_.updStatBar(QStringLiteral("EDIT: ") + answeredBlock(), 3);
  focusTree();
}

}  // namespace tarvo::params
