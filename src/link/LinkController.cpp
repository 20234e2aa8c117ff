#include "link/LinkController.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTreeWidget>

#include "app/Client.h"
#include "app/Prompter.h"
#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "browser/ui_helpers.h"
#include "icc/SessionController.h"
#include "link/Connection.h"
#include "link/columns.h"
#include "link/frmOptions.h"
#include "link/settings_file.h"

namespace tarvo::link {

LinkController::LinkController(Client& client) : client_(client) {
  watchdog_.setObjectName(QStringLiteral("WatchDogTMR"));
  watchdog_.setInterval(kWatchdogMs);
  connect(&watchdog_, &QTimer::timeout, this, [this] { client_.send(QStringLiteral("WATCHDOG")); });
}

void LinkController::load() {
  auto& form = client_.form();
  form.clientVersion = QStringLiteral("%1.%2.%3")
                           .arg(TARVO_VERSION_MAJOR)
                           .arg(TARVO_VERSION_MINOR)
                           .arg(TARVO_VERSION_PATCH);
  form.updStatBar(QStringLiteral("None"), 1);
  form.updStatBar(QStringLiteral("None"), 2);
  form.updStatBar(QString(), 3);
  form.SessionCloseMP->setVisible(false);
  form.SessionNewMP->setVisible(true);
  form.xrefMP->setEnabled(false);
  form.serverVersion = QStringLiteral("?.?.?");
  form.HostIP = readOptions();
  watchdog_.start();
  if (form.AutoConn == 1) connectToServer();
  form.TreeView1->setRootIsDecorated(true);
  client_.tree().resetBuildState();
  form.ListMenu->menuAction()->setVisible(false);
  form.CPUtilitiesMenu->menuAction()->setVisible(false);
  form.setAlwaysOnTop(true);
  form.editWindowCnt = 0;
}

QString LinkController::readOptions() {
  auto& form = client_.form();
  SettingsRead read;
  QFile file(client_.settingsPath());
  if (file.open(QIODevice::ReadOnly)) {
    const QByteArray bytes = file.read(64 * 1024);
    read =
        parseSettings(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  }
  const ServerChoice choice = chooseServer(read);
  form.PortNum = choice.port;
  form.AutoConn = choice.autoConnect;
  return fromWire(choice.host);
}

void LinkController::connectToServer() {
  auto& form = client_.form();
  auto& link = client_.connection();
  const int state = link.state();
  if (state == Connection::Open || state == Connection::ConnectionPending ||
      state == Connection::ResolvingHost || state == Connection::Connecting ||
      state == Connection::Connected)
    return;
  form.HostIP = readOptions();
  if (form.HostIP.isEmpty()) form.HostIP = defaultHost();
  if (form.PortNum == 0) {
    form.PortNum = kDefaultPort;
    form.AutoConn = 0;
  }
  form.localHostName = link.localHostName();
  if (state != Connection::Closed && state != Connection::Closing) client_.session().closeSession();
  // connectToHost closes a connection the server left half-closed before starting anew.
  link.connectToHost(form.HostIP, static_cast<quint16>(form.PortNum));
}

void LinkController::onConnected() {
  auto& form = client_.form();
  form.updStatBar(form.HostIP, 1);
  client_.send(QStringLiteral("GETVERSION"));
  client_.send(QStringLiteral("GETCPS"));
  client_.send(QStringLiteral("GETCMPS"));
  form.SessionNewMP->setVisible(false);
  form.SessionCloseMP->setVisible(true);
  form.xrefMP->setEnabled(true);
}

void LinkController::onVersion(std::string_view line) {
  auto& form = client_.form();
  form.serverVersion = fromWire(fromCol(line, 8));
  if (form.clientVersion == form.serverVersion) return;
  const QString cr = QStringLiteral("\r");
  client_.prompter().inform(
      Prompter::Icon::Exclamation, QStringLiteral("Version Mismatch"),
      QStringLiteral("The version of this program does not match the server's version.") + cr + cr +
          QStringLiteral("This program is version: ") + form.clientVersion + cr +
          QStringLiteral("The Server is version: ") + form.serverVersion + cr + cr +
          QStringLiteral("The program will continue, but unexpected results may occur!") + cr +
          QStringLiteral("Use at your own risk."));
}

void LinkController::onFailed() {
  auto& form = client_.form();
  client_.prompter().inform(Prompter::Icon::Exclamation,
                            QStringLiteral("Host: %1:%2").arg(form.HostIP).arg(form.PortNum),
                            QStringLiteral("Can not connect to server!\r"));
  client_.connection().close();
}

void LinkController::onClosedByPeer() {
  client_.form().xrefMP->setEnabled(false);
}

void LinkController::unload() {
  watchdog_.stop();
  // Every other window of the program goes with the main window.
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window != &client_.form() && window->isWindow() && window->isVisible()) window->close();
  }
  auto& link = client_.connection();
  const int state = link.state();
  if (state != Connection::Closed && state != Connection::Closing) {
    client_.send(QStringLiteral("CLOSEICC"));
    link.close();
  }
}

void LinkController::openOptions() {
  auto& form = client_.form();
  if (options_) {
    options_->raise();
    options_->activateWindow();
    return;
  }
  options_ = new frmOptions(client_.settingsPath(), client_.prompter());
  connect(options_, &frmOptions::finished, &form, [&form] { form.show(); });
  form.hide();
  options_->show();
}

}  // namespace tarvo::link
