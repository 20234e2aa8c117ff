#include "app/LinkController.h"

#include <QAction>
#include <QFile>

#include "app/about.h"
#include "app/frmOptions.h"
#include "browser/Form1.h"
#include "icc/SessionController.h"
#include "link/Connection.h"
#include "link/Wire.h"
#include "link/columns.h"
#include "link/reply_router.h"
#include "records/RegularFile.h"
#include "records/settings_file.h"
#include "ui/Prompter.h"
#include "ui/ui_helpers.h"

namespace tarvo {

using browser::Form1;
using Command = Form1::Command;
using link::Connection;

LinkController::LinkController(Form1& form, Connection& connection, icc::SessionController& session,
                               Prompter& prompter, QString settingsPath)
    : form_(form),
      connection_(connection),
      session_(session),
      prompter_(prompter),
      settingsPath_(std::move(settingsPath)) {
  watchdog_.setObjectName(QStringLiteral("WatchDogTMR"));
  watchdog_.setInterval(kWatchdogMs);
  connect(&watchdog_, &QTimer::timeout, this,
          [this] { connection_.sendRawData(QStringLiteral("WATCHDOG")); });
  connect(form.action(Command::New), &QAction::triggered, this, &LinkController::connectToServer);
  connect(form.action(Command::ServerOptions), &QAction::triggered, this,
          &LinkController::openOptions);
  connect(form.action(Command::About), &QAction::triggered, this, &LinkController::showAbout);
  connect(&connection, &Connection::connected, this, &LinkController::onConnected);
  connect(&connection, &Connection::failed, this, &LinkController::onFailed);
  connect(&connection, &Connection::closedByPeer, this, &LinkController::onClosedByPeer);
  // Whoever ended the connection, the server's version is no longer known.
  connect(&connection, &Connection::linkLost, this,
          [this] { serverVersion_ = QStringLiteral("?.?.?"); });
  connect(&connection, &Connection::lineCutShort, this, [this](qsizetype maxLine) {
    form_.updStatBar(
        QStringLiteral("A reply line longer than %1 characters was cut short").arg(maxLine), 3);
  });
  connect(&connection, &Connection::listCutShort, this,
          [this](const QString& list, qsizetype rowsKept) {
            form_.updStatBar(QStringLiteral("The %1 was cut short after %2 lines; the rest was "
                                            "not kept")
                                 .arg(list)
                                 .arg(rowsKept),
                             3);
          });
  connect(&form, &Form1::unloaded, this, &LinkController::unload);
}

void LinkController::bindReplies(link::ReplyRouter& router) {
  router.bind(link::ReplyId::Version, this, &LinkController::onVersion);
}

void LinkController::load() {
  clientVersion_ = QStringLiteral("%1.%2.%3")
                       .arg(TARVO_VERSION_MAJOR)
                       .arg(TARVO_VERSION_MINOR)
                       .arg(TARVO_VERSION_PATCH);
  form_.updStatBar(QStringLiteral("None"), 1);
  form_.updStatBar(QStringLiteral("None"), 2);
  form_.updStatBar(QString(), 3);
  form_.setCommandVisible(Command::Close, false);
  form_.setCommandVisible(Command::New, true);
  form_.setCommandEnabled(Command::CrossReference, false);
  serverVersion_ = QStringLiteral("?.?.?");
  HostIP = readOptions();
  watchdog_.start();
  if (AutoConn == 1 || hasServerOverride()) connectToServer();
  form_.setMenuShown(Form1::Menu::List, false);
  form_.setMenuShown(Form1::Menu::CpUtilities, false);
  form_.setAlwaysOnTop(true);
}

QString LinkController::readOptions() {
  records::SettingsRead read;
  QFile file(settingsPath_);
  if (records::openRegularFile(file, QIODevice::ReadOnly)) {
    const QByteArray bytes = file.read(64 * 1024);
    read = records::parseSettings(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  }
  const records::ServerChoice choice = records::chooseServer(read);
  PortNum = choice.port;
  AutoConn = choice.autoConnect;
  return link::fromWire(choice.host);
}

void LinkController::connectToServer() {
  const int state = connection_.state();
  if (state == Connection::Open || state == Connection::ConnectionPending ||
      state == Connection::ResolvingHost || state == Connection::Connecting ||
      state == Connection::Connected)
    return;
  if (hasServerOverride()) {
    HostIP = overrideHost_;
    PortNum = overridePort_;
  } else {
    HostIP = readOptions();
    if (HostIP.isEmpty()) HostIP = defaultHost();
    if (PortNum == 0) {
      PortNum = records::kDefaultPort;
      AutoConn = 0;
    }
  }
  if (state != Connection::Closed && state != Connection::Closing) session_.closeSession();
  // connectToHost closes a connection the server left half-closed before starting anew.
  connection_.connectToHost(HostIP, static_cast<quint16>(PortNum));
}

void LinkController::onConnected() {
  form_.updStatBar(HostIP, 1);
  connection_.sendRawData(QStringLiteral("GETVERSION"));
  connection_.sendRawData(QStringLiteral("GETCPS"));
  connection_.sendRawData(QStringLiteral("GETCMPS"));
  form_.setCommandVisible(Command::New, false);
  form_.setCommandVisible(Command::Close, true);
  form_.setCommandEnabled(Command::CrossReference, true);
}

void LinkController::onVersion(std::string_view line) {
  serverVersion_ = link::fromWire(fromCol(line, 8));
  if (clientVersion_ == serverVersion_) return;
  const QString cr = QStringLiteral("\r");
  prompter_.inform(
      Prompter::Icon::Exclamation, QStringLiteral("Version Mismatch"),
      QStringLiteral("The version of this program does not match the server's version.") + cr + cr +
          QStringLiteral("This program is version: ") + clientVersion_ + cr +
          QStringLiteral("The Server is version: ") + serverVersion_ + cr + cr +
          QStringLiteral("The program will continue, but unexpected results may occur!") + cr +
          QStringLiteral("Use at your own risk."));
}

void LinkController::onFailed() {
  prompter_.inform(Prompter::Icon::Exclamation,
                   QStringLiteral("Host: %1:%2").arg(HostIP).arg(PortNum),
                   QStringLiteral("Can not connect to server!\r"));
  connection_.close();
}

void LinkController::onClosedByPeer() {
  form_.setCommandEnabled(Command::CrossReference, false);
}

void LinkController::unload() {
  watchdog_.stop();
  leaving_ = true;
  options_.close();
  const int state = connection_.state();
  if (state != Connection::Closed && state != Connection::Closing) {
    connection_.sendRawData(QStringLiteral("CLOSEICC"));
    connection_.close();
  }
}

void LinkController::setServerOverride(const QString& host, quint16 port) {
  overrideHost_ = host;
  overridePort_ = port;
}

void LinkController::openOptions() {
  if (options_) {
    options_->showRaised();
    return;
  }
  frmOptions& options = options_.ensure([this] {
    auto* dialog = new frmOptions(settingsPath_, prompter_);
    connect(dialog, &ToolWindow::unloading, &form_, [this] {
      if (!leaving_) form_.show();
    });
    // Settings the user has just saved are the ones the next connect is to use.
    connect(dialog, &frmOptions::applied, this, [this] { overrideHost_.clear(); });
    return dialog;
  });
  form_.hide();
  options.show();
}

void LinkController::showAbout() {
  prompter_.message(Prompter::Icon::None, QStringLiteral("About...."),
                    aboutText(clientVersion_, serverVersion_), QMessageBox::Ok);
}

}  // namespace tarvo
