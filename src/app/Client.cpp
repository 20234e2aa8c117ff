#include "app/Client.h"

#include <QComboBox>
#include <QScreen>

#include "app/LinkController.h"
#include "app/about.h"
#include "app/frmOptions.h"
#include "blocks/BlocksController.h"
#include "browser/Form1.h"
#include "browser/ListsController.h"
#include "browser/TreeController.h"
#include "browser/TreeFilter.h"
#include "icc/CpUtilController.h"
#include "icc/SessionController.h"
#include "records/ChangeJournal.h"
#include "link/Connection.h"
#include "params/ParamsController.h"
#include "sequence/SequenceController.h"
#include "tools/ToolsController.h"
#include "ui/Prompter.h"
#include "xref/XrefController.h"

namespace tarvo {

using browser::Form1;

Client::Client(Prompter& prompter, QString settingsPath, QObject* parent)
    : QObject(parent),
      prompter_(prompter),
      settingsPath_(std::move(settingsPath)),
      form_(std::make_unique<Form1>()),
      connection_(new link::Connection(this)) {
  // The controllers are made here, in this order, because each takes references to the
  // ones made before it.
  Form1& f = *form_;
  link::Connection& c = *connection_;
  // cppcheck-suppress useInitializationList
  lists_ = std::make_unique<browser::ListsController>(f);
  tree_ = std::make_unique<browser::TreeController>(f, c, prompter_);
  session_ = std::make_unique<icc::SessionController>(f, *tree_, c, prompter_);
  cpUtil_ = std::make_unique<icc::CpUtilController>(f, c, prompter_);
  params_ = std::make_unique<params::ParamsController>(&f, f, *tree_, c, prompter_);
  blocks_ = std::make_unique<blocks::BlocksController>(f, *tree_, c, prompter_);
  sequence_ = std::make_unique<sequence::SequenceController>(&f, f, *tree_, c, prompter_);
  link_ = std::make_unique<LinkController>(f, c, *session_, prompter_, settingsPath_);
  xref_ = std::make_unique<xref::XrefController>(&f, f, *tree_, c, prompter_);
  connection_->setReplyHandler(this);
  wireCommands();
  wireButtons();
  wireXref();  // before wireEffects: a lost connection brings the main window back first
  wireEffects();
  wireJournal();
  wireSequence();
  wireExtras();
}

Client::~Client() {
  // Replies must not reach controllers that are being destroyed.
  connection_->setReplyHandler(nullptr);
  connection_->disconnect(this);
}

void Client::wireCommands() {
  connect(form_.get(), &Form1::commandTriggered, this, [this](Form1::Command command) {
    switch (command) {
      case Form1::Command::New: link_->connectToServer(); break;
      case Form1::Command::Close: session_->closeSession(); break;
      case Form1::Command::ServerOptions: link_->openOptions(); break;
      case Form1::Command::CrossReference: break;
      case Form1::Command::Refresh:
      case Form1::Command::ShowEcbs:  // the item has ticked itself; the list follows it
        tree_->refresh();
        break;
      case Form1::Command::Upload: cpUtil_->run(icc::CpUtility::Upload); break;
      case Form1::Command::Checkpoint: cpUtil_->run(icc::CpUtility::Checkpoint); break;
      case Form1::Command::Initialize: cpUtil_->run(icc::CpUtility::Initialize); break;
      case Form1::Command::About:
        prompter_.message(Prompter::Icon::None, QStringLiteral("About...."),
                          aboutText(link_->clientVersion(), link_->serverVersion()),
                          QMessageBox::Ok);
        break;
      case Form1::Command::AlwaysOnTop:  // the window's own business
      case Form1::Command::Exit:
      case Form1::Command::ChangeJournal:  // wireExtras()
      case Form1::Command::ProtocolTrace:
      case Form1::Command::ExportBlocks: break;
    }
  });
  connect(form_->cpList(), &QComboBox::activated, this,
          [this](int index) { session_->rowChosen(form_->cpList()->itemText(index), false); });
  connect(form_->compoundList(), &QComboBox::activated, this,
          [this](int index) { session_->rowChosen(form_->compoundList()->itemText(index), true); });
}

void Client::wireButtons() {
  connect(form_.get(), &Form1::buttonClicked, this, [this](Form1::Button button) {
    switch (button) {
      case Form1::Button::Edit: params_->edit(); break;
      case Form1::Button::Paste: blocks_->paste(); break;
      case Form1::Button::Add: blocks_->add(); break;
      case Form1::Button::MoveTo: blocks_->moveTo(); break;
      case Form1::Button::Copy: blocks_->copy(); break;
      case Form1::Button::Delete: blocks_->deleteBlock(); break;
      case Form1::Button::MoveFrom: blocks_->moveFrom(); break;
      case Form1::Button::Xref:
      case Form1::Button::EditSeq:
      case Form1::Button::ViewPlb: break;
    }
  });
  connect(tree_.get(), &browser::TreeController::listLoaded, blocks_.get(),
          &blocks::BlocksController::listLoaded);
  connect(tree_.get(), &browser::TreeController::editRequested, params_.get(),
          &params::ParamsController::edit);
}

void Client::wireEffects() {
  link::Connection* c = connection_;
  connect(c, &link::Connection::connected, link_.get(), &LinkController::onConnected);
  connect(c, &link::Connection::failed, this, [this] {
    cpUtil_->connectionLost();
    link_->onFailed();
  });
  connect(c, &link::Connection::closedByPeer, this, [this] {
    cpUtil_->connectionLost();
    link_->onClosedByPeer();
  });
  connect(c, &link::Connection::lineCutShort, this, [this](qsizetype maxLine) {
    form_->updStatBar(
        QStringLiteral("A reply line longer than %1 characters was cut short").arg(maxLine), 3);
  });
  // Answers to modifications sent on a connection that is gone will never come; a new
  // connection starts with nothing outstanding.
  for (auto signal : {&link::Connection::connected, &link::Connection::closedByPeer})
    connect(c, signal, params_.get(), &params::ParamsController::connectionReset);
  connect(c, &link::Connection::failed, params_.get(), &params::ParamsController::connectionReset);
  connect(session_.get(), &icc::SessionController::connectionClosed, this, [this] {
    link_->forgetServerVersion();
    // A CP utility that was waiting will get no answer on this connection.
    cpUtil_->connectionLost();
    params_->connectionReset();
  });
  // Leaving: every parameter editor, loaded or shown, says it is done with its block
  // before the session is closed.
  connect(form_.get(), &Form1::unloading, this, [this] {
    xref_->unload();      // the setup window ends the generation before the session closes
    sequence_->unload();  // its closing commands go before the session's
    params_->unloadAll();
    blocks_->unload();
    link_->unload();
  });
}

void Client::wireXref() {
  connect(form_.get(), &Form1::commandTriggered, xref_.get(), [this](Form1::Command command) {
    if (command == Form1::Command::CrossReference) xref_->openSetup();
  });
  connect(form_.get(), &Form1::buttonClicked, xref_.get(), [this](Form1::Button button) {
    if (button == Form1::Button::Xref) xref_->xrefBlock();
  });
  connect(tree_.get(), &browser::TreeController::xrefRequested, xref_.get(),
          &xref::XrefController::xrefBlock);
  link::Connection* c = connection_;
  connect(c, &link::Connection::failed, xref_.get(), &xref::XrefController::connectionLost);
  connect(c, &link::Connection::closedByPeer, xref_.get(), &xref::XrefController::connectionLost);
  connect(session_.get(), &icc::SessionController::connectionClosed, xref_.get(),
          &xref::XrefController::connectionLost);
}

void Client::wireJournal() {
  journal_ = new records::ChangeJournal(this);
  journal_->watch(*connection_);
  connect(connection_, &link::Connection::connected, journal_,
          [this] { journal_->setServer(link_->hostIp(), static_cast<quint16>(link_->portNum())); });
  // Said once, and only after the handler that was sending has finished: a box opened in
  // the middle of a send would let replies run before the rest of its commands went out.
  connect(
      journal_, &records::ChangeJournal::failed, this,
      [this](const QString& reason) {
        form_->updStatBar(QStringLiteral("Change journal not written: ") + reason, 3);
        prompter_.inform(Prompter::Icon::Exclamation, QStringLiteral("Change Journal"),
                         QStringLiteral("The change journal can not be written:\r") + reason +
                             QStringLiteral("\r\rWork goes on, but changes are not recorded."));
      },
      Qt::QueuedConnection);
}

void Client::wireSequence() {
  connect(form_.get(), &Form1::buttonClicked, this, [this](Form1::Button button) {
    if (button == Form1::Button::EditSeq) sequence_->editSeq();
    if (button == Form1::Button::ViewPlb) sequence_->viewPlb();
  });
  link::Connection* c = connection_;
  auto* s = sequence_.get();
  connect(c, &link::Connection::failed, s, &sequence::SequenceController::connectionLost);
  connect(c, &link::Connection::closedByPeer, s, &sequence::SequenceController::connectionLost);
  connect(session_.get(), &icc::SessionController::connectionClosed, s,
          &sequence::SequenceController::connectionLost);
}

void Client::wireExtras() {
  treeFilter_ = std::make_unique<browser::TreeFilter>(form_->filterField(), *tree_);
  tools_ = std::make_unique<tools::ToolsController>(form_.get(), *form_, *tree_, *connection_,
                                                    journal_->file(), prompter_);
  connect(form_.get(), &Form1::commandTriggered, this, [this](Form1::Command command) {
    switch (command) {
      case Form1::Command::ChangeJournal: tools_->openJournal(); break;
      case Form1::Command::ProtocolTrace: tools_->openTrace(); break;
      case Form1::Command::ExportBlocks: tools_->exportBlocks(); break;
      default: break;
    }
  });
}

void Client::start() {
  link_->load();
  // On a small screen, or at a large scale, the main window starts no larger than the
  // screen's free area (less a title bar), as far as its controls allow.
  if (const QScreen* screen = form_->screen()) {
    const QSize room = screen->availableGeometry().size() - QSize(0, 32);
    form_->resize(form_->size().boundedTo(room).expandedTo(form_->minimumSizeHint()));
  }
  form_->show();
}

void Client::onVersion(std::string_view line) {
  link_->onVersion(line);
}
void Client::onClrCpLst(std::string_view) {
  lists_->onClrCpLst();
}
void Client::onCpLst(std::string_view line) {
  lists_->onCpLst(line);
}
void Client::onDnCpLst(std::string_view) {
  lists_->onDnCpLst();
}
void Client::onClrCmpLst(std::string_view) {
  lists_->onClrCmpLst();
}
void Client::onCmpLst(std::string_view line) {
  lists_->onCmpLst(line);
}
void Client::onDnCmpLst(std::string_view) {
  lists_->onDnCmpLst();
}
void Client::onBlkTypNew(std::string_view line) {
  blocks_->onBlkTypNew(line);
}
void Client::onBlkTyp(std::string_view line) {
  blocks_->onBlkTyp(line);
}
void Client::onClrPrmLst(std::string_view) {
  params_->onClrPrmLst();
}
void Client::onPrmLst(std::string_view line) {
  params_->onPrmLst(line);
}
void Client::onDnPrmLst(std::string_view) {
  params_->onDnPrmLst();
}
void Client::onErrPrmLst(std::string_view line) {
  params_->onErrPrmLst(line);
}
void Client::onClrBlkLst(std::string_view) {
  tree_->onClrBlkLst();
}
void Client::onBlkLst(std::string_view line) {
  tree_->onBlkLst(line);
}
void Client::onDnBlkLst(std::string_view) {
  tree_->onDnBlkLst();
}
void Client::onErrBlkLst(std::string_view line) {
  tree_->onErrBlkLst(line);
}
void Client::onErrPrmMod(std::string_view line) {
  params_->onErrPrmMod(line);
}
void Client::onWrnPrmMod(std::string_view line) {
  params_->onWrnPrmMod(line);
}
void Client::onDnPrmMod(std::string_view line) {
  params_->onDnPrmMod(line);
}
void Client::onErrDelBlk(std::string_view line) {
  blocks_->onErrDelBlk(line);
}
void Client::onWrnDelBlk(std::string_view line) {
  blocks_->onWrnDelBlk(line);
}
void Client::onDnDelBlk(std::string_view line) {
  blocks_->onDnDelBlk(line);
}
void Client::onDnAddNew(std::string_view line) {
  blocks_->onDnAddNew(line);
}
void Client::onWrnAddNew(std::string_view line) {
  blocks_->onWrnAddNew(line);
}
void Client::onErrAddNew(std::string_view line) {
  blocks_->onErrAddNew(line);
}
void Client::onDnCpyNew(std::string_view line) {
  blocks_->onDnCpyNew(line);
}
void Client::onWrnCpyNew(std::string_view line) {
  blocks_->onWrnCpyNew(line);
}
void Client::onErrCpyNew(std::string_view line) {
  blocks_->onErrCpyNew(line);
}
void Client::onDnMoveBlk(std::string_view line) {
  blocks_->onDnMoveBlk(line);
}
void Client::onWrnMoveBlk(std::string_view line) {
  blocks_->onWrnMoveBlk(line);
}
void Client::onErrMoveBlk(std::string_view line) {
  blocks_->onErrMoveBlk(line);
}
void Client::onTryOpenCp(std::string_view line) {
  session_->onTryOpenCp(line);
}
void Client::onDnOpenCp(std::string_view line) {
  session_->onDnOpenCp(line);
}
void Client::onErrOpenCp(std::string_view line) {
  session_->onErrOpenCp(line);
}
void Client::onLockOpenCp(std::string_view line) {
  session_->onLockOpenCp(line);
}
void Client::onCheckpoint(std::string_view line) {
  session_->onCheckpoint(line);
}
void Client::onCloseIcc(std::string_view line) {
  session_->onCloseIcc(line);
}
void Client::onDnCpUtil(std::string_view) {
  cpUtil_->onDnCpUtil();
}
void Client::onErrCpUtil(std::string_view line) {
  cpUtil_->onErrCpUtil(line);
}

// ---- sequence blocks and PLB listings --------------------------------------------------
void Client::onErrEdtSeq(std::string_view line) {
  sequence_->onErrEdtSeq(line);
}
void Client::onDnEdtSeq(std::string_view line) {
  sequence_->onDnEdtSeq(line);
}
void Client::onErrEdtSeqEditor(std::string_view line) {
  sequence_->onErrEdtSeqEditor(line);
}
void Client::onWrnEdtSeq(std::string_view line) {
  sequence_->onWrnEdtSeq(line);
}
void Client::onClrSeqSrc(std::string_view line) {
  sequence_->onClrSeqSrc(line);
}
void Client::onSeqSrc(std::string_view line) {
  sequence_->onSeqSrc(line);
}
void Client::onDnSeqSrc(std::string_view line) {
  sequence_->onDnSeqSrc(line);
}
void Client::onErrSeqSrc(std::string_view line) {
  sequence_->onErrSeqSrc(line);
}
void Client::onDnPutSrc(std::string_view line) {
  sequence_->onDnPutSrc(line);
}
void Client::onErrPutSrc(std::string_view line) {
  sequence_->onErrPutSrc(line);
}
void Client::onWrnPutSrc(std::string_view line) {
  sequence_->onWrnPutSrc(line);
}
void Client::onDnCplSeq(std::string_view line) {
  sequence_->onDnCplSeq(line);
}
void Client::onErrCplSeq(std::string_view line) {
  sequence_->onErrCplSeq(line);
}
void Client::onWrnCplSeq(std::string_view line) {
  sequence_->onWrnCplSeq(line);
}
void Client::onDnInsSeq(std::string_view line) {
  sequence_->onDnInsSeq(line);
}
void Client::onErrInsSeq(std::string_view line) {
  sequence_->onErrInsSeq(line);
}
void Client::onWrnInsSeq(std::string_view line) {
  sequence_->onWrnInsSeq(line);
}
void Client::onClrGetLst(std::string_view line) {
  sequence_->onClrGetLst(line);
}
void Client::onSeqLst(std::string_view line) {
  sequence_->onSeqLst(line);
}
void Client::onDnSeqLst(std::string_view line) {
  sequence_->onDnSeqLst(line);
}
void Client::onErrSeqLst(std::string_view line) {
  sequence_->onErrSeqLst(line);
}
void Client::onWrnSeqLst(std::string_view line) {
  sequence_->onWrnSeqLst(line);
}
void Client::onDnCanSeq(std::string_view line) {
  sequence_->onDnCanSeq(line);
}
void Client::onClrPlbList(std::string_view line) {
  sequence_->onClrPlbList(line);
}
void Client::onPlbList(std::string_view line) {
  sequence_->onPlbList(line);
}
void Client::onPlbEndList(std::string_view line) {
  sequence_->onPlbEndList(line);
}

// ---- cross-reference -------------------------------------------------------------------
void Client::onClrXrefLst(std::string_view line) {
  xref_->onClrXrefLst(line);
}
void Client::onXrefLst(std::string_view line) {
  xref_->onXrefLst(line);
}
void Client::onEndXrefLst(std::string_view line) {
  xref_->onEndXrefLst(line);
}
void Client::onNoneXrefLst(std::string_view line) {
  xref_->onNoneXrefLst(line);
}
void Client::onXrefCfgGetStrt(std::string_view line) {
  xref_->onXrefCfgGetStrt(line);
}
void Client::onXrefCfgGetLine(std::string_view line) {
  xref_->onXrefCfgGetLine(line);
}
void Client::onXrefCfgGetDone(std::string_view line) {
  xref_->onXrefCfgGetDone(line);
}
void Client::onXrefRunLine(std::string_view line) {
  xref_->onXrefRunLine(line);
}
void Client::onXrefRunDone(std::string_view line) {
  xref_->onXrefRunDone(line);
}

}  // namespace tarvo
