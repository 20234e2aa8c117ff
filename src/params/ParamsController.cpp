#include "params/ParamsController.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "link/Connection.h"
#include "link/Wire.h"
#include "link/reply_router.h"
#include "params/ParmEditFRM.h"
#include "params/editor_cascade.h"
#include "params/grid_export.h"
#include "records/RegularFile.h"
#include "records/config_diff.h"
#include "ui/Prompter.h"
#include "ui/SendCheck.h"
#include "ui/save_file.h"
#include "ui/ui_helpers.h"

namespace tarvo::params {
namespace {

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

// A dump file larger than this is not read: it is far more than a whole CP's parameters.
constexpr qint64 kMaxDumpBytes = 64 * 1024 * 1024;

// The (parameter, value) rows a dump file holds for `block`, in the file's order; nothing,
// and why in `problem`, when the file cannot be read as one.
std::optional<std::vector<std::pair<std::string, std::string>>> readDumpValues(
    const QString& path, std::string_view block, QString& problem) {
  QFile file(path);
  if (!records::openRegularFile(file, QIODevice::ReadOnly, &problem)) return std::nullopt;
  if (file.size() > kMaxDumpBytes) {
    problem = QStringLiteral("it is larger than %1 MiB.").arg(kMaxDumpBytes / (1024 * 1024));
    return std::nullopt;
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    problem = file.errorString();
    return std::nullopt;
  }
  const records::ConfigFile dump = records::parseConfigFile(
      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  if (!dump.errors.empty()) {
    QStringList errors;
    for (const std::string& e : dump.errors) errors << link::fromWire(e);
    problem = errors.join(u'\r');
    return std::nullopt;
  }
  std::vector<std::pair<std::string, std::string>> values;
  std::string name(block);
  for (char& ch : name)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  if (const auto rows = dump.rowsOf.find(name); rows != dump.rowsOf.end())
    for (const std::size_t r : rows->second)
      values.emplace_back(dump.rows[r].param, dump.rows[r].value);
  return values;
}

}  // namespace

ParamsController::ParamsController(browser::Form1& form, browser::TreeController& tree,
                                   link::Connection& connection, Prompter& prompter)
    : form_(form), tree_(tree), sender_(connection), prompter_(prompter) {
  connect(form.button(browser::Form1::Button::Edit), &QPushButton::clicked, this,
          &ParamsController::edit);
  connect(&tree, &browser::TreeController::editRequested, this, &ParamsController::edit);
  connect(&connection, &link::Connection::linkLost, this, &ParamsController::connectionReset);
  connect(&form, &browser::Form1::unloading, this, &ParamsController::unloadAll);
}

ParamsController::~ParamsController() {
  // Editors are not children of any window: they go with the controller that made them.
  for (const QPointer<ParmEditFRM>& editor : editors_) delete editor.data();
}

void ParamsController::bindReplies(link::ReplyRouter& router) {
  using link::ReplyId;
  using P = ParamsController;
  router.bind(ReplyId::ClrPrmLst, this, &P::onClrPrmLst);
  router.bind(ReplyId::PrmLst, this, &P::onPrmLst);
  router.bind(ReplyId::DnPrmLst, this, &P::onDnPrmLst);
  router.bind(ReplyId::ErrPrmLst, this, &P::onErrPrmLst);
  router.bind(ReplyId::ErrPrmMod, this, &P::onErrPrmMod);
  router.bind(ReplyId::WrnPrmMod, this, &P::onWrnPrmMod);
  router.bind(ReplyId::DnPrmMod, this, &P::onDnPrmMod);
}

ParmEditFRM* ParamsController::parmEditor() const {
  return parmEditor_.data();
}

void ParamsController::edit() {
  const QString& block = tree_.currSelBlk();
  if (block.isEmpty()) return;
  if (editors_.size() + static_cast<qsizetype>(reads_.editorsWaiting()) >= kMaxEditors) {
    prompter_.inform(Prompter::Icon::Exclamation, QStringLiteral("Can not edit block"),
                     QStringLiteral("%1 parameter editors are open already. Close one of them "
                                    "and press Edit again.")
                         .arg(kMaxEditors));
    return;
  }
  if (!canSend(sender_, prompter_, QStringLiteral("The request for the parameters of ") + block))
    return;
  const std::string wireBlock = link::toWire(block);
  sender_.sendRawData(getParmsCommand(wireBlock));
  reads_.askedForEditor(wireBlock);
}

void ParamsController::readLiveValues(const std::vector<std::string>& blocks) {
  if (!sender_.isConnected()) {
    emit liveValuesLost();
    return;
  }
  reads_.clearBatch();
  for (const std::string& block : blocks) {
    sender_.sendRawData(getParmsCommand(block));
    reads_.askedForRead(block);
  }
  if (blocks.empty()) emit liveValuesRead(reads_.values());
}

void ParamsController::finishReads(const std::vector<records::RevertSet>& sets) {
  for (const std::string& block : reads_.blocksRead()) {
    const auto set = std::find_if(sets.begin(), sets.end(),
                                  [&](const records::RevertSet& s) { return s.block == block; });
    if (set != sets.end() && !set->values.empty()) {
      outstanding_.sent(block);
      sender_.sendRawData(modStartCommand(block));
      for (const auto& [param, value] : set->values)
        sender_.sendRawData(modParmCommand(param, value));
      sender_.sendRawData(modEndCommand(block));
    }
    // As an editor does when it closes: the server may let the block go.
    sender_.sendRawData(modDoneCommand(block));
  }
  reads_.clearBatch();
}

void ParamsController::readAnswered() {
  if (reads_.readsWaiting() == 0) emit liveValuesRead(reads_.values());
}

void ParamsController::connectionReset() {
  outstanding_.clear();
  unasked_ = 0;
  const bool reading = reads_.readsWaiting() > 0;
  reads_.clear();
  if (reading) emit liveValuesLost();
  // An editor whose list was still arriving will never get the rest: unload it rather
  // than leave a window nothing can show or close.
  if (parmEditor_ && !parmEditor_->isVisible()) discard(parmEditor_);
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
  const ParamReads::Answer answer = reads_.listBegins();
  if (answer.read) return;  // a read's list, for no editor
  // An editor whose list never completed can be neither shown nor closed by anything once
  // the next list begins: it is unloaded now, with its "MODDONE:", not left behind.
  if (parmEditor_ && !parmEditor_->isVisible()) discard(parmEditor_);
  if (!answer.editorFor) {
    // Nobody pressed Edit for this list: it opens no window, and its rows find none.
    parmEditor_ = nullptr;
    ++unasked_;
    sayUnasked();
    return;
  }
  // The block Edit was pressed for, even if the tree's selection has moved on since.
  const QString block = link::fromWire(*answer.editorFor);
  auto* editor = new ParmEditFRM(block, &form_);
  parmEditor_ = editor;
  editors_.append(editor);
  connect(editor, &ParmEditFRM::okRequested, this, [this, editor] { ok(editor); });
  connect(editor, &ParmEditFRM::cancelRequested, this, [this, editor] { cancel(editor); });
  connect(editor, &ParmEditFRM::unloading, this, [this, editor] { unload(editor); });
  connect(editor, &ParmEditFRM::exportRequested, this, [this, editor] { exportGrid(editor); });
  connect(editor, &ParmEditFRM::compareRequested, this,
          [this, editor] { compareWithFile(editor); });

  placeEditor(editor, &form_, editWindowCnt_);
  editWindowCnt_ = nextEditWindowCnt(editWindowCnt_);

  form_.updStatBar(QStringLiteral("Getting Parameters"), 3);
  editor->startList();
}

void ParamsController::onPrmLst(std::string_view line) {
  if (reads_.row(line)) return;
  if (!parmEditor_) return;
  parmEditor_->addParameterLine(line);
}

void ParamsController::onDnPrmLst() {
  if (reads_.listDone()) {
    readAnswered();
    return;
  }
  if (!parmEditor_) return;
  form_.updStatBar(QString(), 3);
  parmEditor_->listDone();
  parmEditor_->show();
  parmEditor_->raise();
  parmEditor_->activateWindow();
}

void ParamsController::sayUnasked() {
  if (unaskedSayPending_) return;
  unaskedSayPending_ = true;
  // After the burst they came in, with the count it brought.
  QTimer::singleShot(0, this, [this] {
    unaskedSayPending_ = false;
    if (unasked_ == 0) return;
    form_.updStatBar(
        unasked_ == 1
            ? QStringLiteral("A parameter list not asked for was ignored")
            : QStringLiteral("%1 parameter lists not asked for were ignored").arg(unasked_),
        3);
  });
}

void ParamsController::onErrPrmLst(std::string_view line) {
  if (reads_.listRefused().read) {
    readAnswered();
    return;
  }
  prompter_.inform(Prompter::Icon::Exclamation, QStringLiteral("Can not edit block"),
                   QStringLiteral("ERROR MSG: ") + link::fromWire(paramListError(line)));
  form_.updStatBar(QStringLiteral("Error getting parameters"), 3);
}

// ---- OK, Cancel, closing --------------------------------------------------------------

void ParamsController::ok(ParmEditFRM* editor) {
  editor->commitEntry();
  const std::string block = link::toWire(editor->CBUse);
  const std::vector<std::string> commands = editor->grid().submission(block);
  if (commands.empty()) {
    form_.updStatBar(QStringLiteral("EDIT: No Edits"), 3);
  } else {
    // Not sent, the changed rows stay in the open window, to be sent once connected.
    if (!canSend(sender_, prompter_, QStringLiteral("The changes to ") + editor->CBUse)) return;
    outstanding_.sent(block);
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
  sender_.sendRawData(modDoneCommand(link::toWire(editor->CBUse)));
}

void ParamsController::discard(ParmEditFRM* editor) {
  const QPointer<ParmEditFRM> held = editor;
  held->close();  // unloads it, with its "MODDONE:"
  delete held.data();
}

void ParamsController::exportGrid(ParmEditFRM* editor) {
  const std::optional<QString> path =
      saveToChosenFile(prompter_, QStringLiteral("Export to CSV"), csvFilter(),
                       fileNamePart(editor->CBUse) + QStringLiteral("-parameters.csv"),
                       csvFileBytes(gridCsv(editor->grid())));
  if (path) form_.updStatBar(QStringLiteral("EXPORT: ") + *path, 3);
}

void ParamsController::compareWithFile(ParmEditFRM* editor) {
  const QString title = QStringLiteral("Compare with File");
  const QPointer<ParmEditFRM> guard(editor);
  const std::optional<QString> path = prompter_.openFileName(title, csvFilter());
  // The editor may have gone while the dialog was open (the connection dropped).
  if (!path || !guard) return;
  QString problem;
  const std::optional<std::vector<std::pair<std::string, std::string>>> values =
      readDumpValues(*path, link::toWire(editor->CBUse), problem);
  if (!guard) return;
  if (!values) {
    prompter_.inform(Prompter::Icon::Exclamation, title,
                     QStringLiteral("%1 can not be compared:\r%2")
                         .arg(QDir::toNativeSeparators(*path), problem));
    return;
  }
  if (values->empty()) {
    prompter_.inform(Prompter::Icon::Information, title,
                     QStringLiteral("%1 holds no parameters of %2.")
                         .arg(QDir::toNativeSeparators(*path), editor->CBUse));
    return;
  }
  editor->showFileComparison(QFileInfo(*path).fileName(), *values);
}

// ---- answers to a modification --------------------------------------------------------

QString ParamsController::answeredBlock() {
  return link::fromWire(outstanding_.answered(link::toWire(tree_.currSelBlk())));
}

void ParamsController::focusTree() {
  tree_.focusTree();
}

void ParamsController::onErrPrmMod(std::string_view line) {
  const QString block = answeredBlock();
  prompter_.inform(Prompter::Icon::Exclamation, QStringLiteral("EDIT Error: ") + block,
                   QStringLiteral("ERROR: ") + link::fromWire(paramModMessage(line)));
  focusTree();
}

void ParamsController::onWrnPrmMod(std::string_view line) {
  const QString block = answeredBlock();
  prompter_.inform(Prompter::Icon::Exclamation, QStringLiteral("EDIT Warning: ") + block,
                   QStringLiteral("WARN MSG: ") + link::fromWire(paramModMessage(line)));
  focusTree();
}

void ParamsController::onDnPrmMod() {
  form_.updStatBar(QStringLiteral("EDIT: ") + answeredBlock(), 3);
  focusTree();
}

}  // namespace tarvo::params
