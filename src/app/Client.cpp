#include "app/Client.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>

#include "app/Prompter.h"
#include "app/about.h"
#include "browser/Form1.h"
#include "browser/ListsController.h"
#include "browser/TreeController.h"
#include "icc/CpUtilController.h"
#include "icc/SessionController.h"
#include "link/Connection.h"
#include "link/LinkController.h"
#include "params/ParamsController.h"

namespace tarvo {

Client::Client(Prompter& prompter, QString settingsPath, QObject* parent)
    : QObject(parent),
      prompter_(prompter),
      settingsPath_(std::move(settingsPath)),
      form_(std::make_unique<browser::Form1>()),
      connection_(new link::Connection(this)) {
  link_ = std::make_unique<link::LinkController>(*this);
  lists_ = std::make_unique<browser::ListsController>(*this);
  tree_ = std::make_unique<browser::TreeController>(*this);
  session_ = std::make_unique<icc::SessionController>(*this);
  cpUtil_ = std::make_unique<icc::CpUtilController>(*this);
  params_ = std::make_unique<params::ParamsController>(*this);
  connection_->setReplyHandler(this);

  auto& f = *form_;
  connect(connection_, &link::Connection::connected, link_.get(),
          &link::LinkController::onConnected);
  connect(connection_, &link::Connection::failed, this, [this] {
    cpUtil_->connectionLost();
    link_->onFailed();
  });
  connect(connection_, &link::Connection::closedByPeer, this, [this] {
    cpUtil_->connectionLost();
    link_->onClosedByPeer();
  });

  connect(f.SessionNewMP, &QAction::triggered, link_.get(), &link::LinkController::connectToServer);
  connect(f.SessionCloseMP, &QAction::triggered, this, [this] { session_->closeSession(); });
  connect(f.SessionExitMP, &QAction::triggered, &f, &QWidget::close);
  connect(&f, &browser::Form1::unloading, link_.get(), &link::LinkController::unload);
  connect(f.AlwaysOnTopMP, &QAction::triggered, &f, [&f] {
    // The action has toggled its own tick already; the window follows it.
    f.setAlwaysOnTop(f.AlwaysOnTopMP->isChecked());
  });
  connect(f.serverMP, &QAction::triggered, link_.get(), &link::LinkController::openOptions);
  connect(f.About, &QAction::triggered, this, [this] {
    prompter_.message(Prompter::Icon::None, QStringLiteral("About...."),
                      aboutText(form_->clientVersion, form_->serverVersion), QMessageBox::Ok);
  });

  connect(f.CPListCBO, &QComboBox::activated, this,
          [this](int index) { session_->rowChosen(form_->CPListCBO->itemText(index), false); });
  connect(f.CmpCBO, &QComboBox::activated, this,
          [this](int index) { session_->rowChosen(form_->CmpCBO->itemText(index), true); });

  connect(f.RefreshListMP, &QAction::triggered, tree_.get(), &browser::TreeController::refresh);
  connect(f.ShowEcbsMP, &QAction::triggered, tree_.get(), &browser::TreeController::toggleShowEcbs);
  connect(f.UploadCPMP, &QAction::triggered, this,
          [this] { cpUtil_->run(icc::CpUtility::Upload); });
  connect(f.CheckpointCPMP, &QAction::triggered, this,
          [this] { cpUtil_->run(icc::CpUtility::Checkpoint); });
  connect(f.InitializeCPMP, &QAction::triggered, this,
          [this] { cpUtil_->run(icc::CpUtility::Initialize); });
  connect(f.EditPB, &QPushButton::clicked, params_.get(), &params::ParamsController::edit);
}

Client::~Client() {
  // Replies must not reach controllers that are being destroyed.
  connection_->setReplyHandler(nullptr);
  connection_->disconnect(this);
}

void Client::start() {
  link_->load();
  form_->show();
}

void Client::send(const QString& command) {
  connection_->sendRawData(command);
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

}  // namespace tarvo
