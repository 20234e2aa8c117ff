#pragma once
// The connection's life: the main window's load steps, connecting, the version check, the
// watchdog, connection errors and the server closing, leaving the program, and the server
// options dialog. It keeps the server settings in use and both version texts.
#include <QObject>
#include <QString>
#include <QTimer>
#include <string_view>

#include "app/frmOptions.h"
#include "records/settings_file.h"

namespace tarvo {
class Prompter;
namespace link {
class Connection;
class ReplyRouter;
}  // namespace link
namespace browser {
class Form1;
}
namespace icc {
class SessionController;
}

class LinkController : public QObject {
  Q_OBJECT

 public:
  static constexpr int kWatchdogMs = 30000;

  LinkController(browser::Form1& form, link::Connection& connection,
                 icc::SessionController& session, Prompter& prompter, QString settingsPath);

  void bindReplies(link::ReplyRouter& router);

  void load();             // the main window's load steps
  void connectToServer();  // "New"
  void openOptions();      // "Tarvo Server"
  void showAbout();        // "About"

  // A server named on the command line: connected to at start and by every connect of this
  // run, instead of the settings file's choice, until the user applies new settings.
  void setServerOverride(const QString& host, quint16 port);
  bool hasServerOverride() const { return !overrideHost_.isEmpty(); }

  // Reads the settings file: returns the selected host ("" when unusable) and sets the
  // port and auto-connect values.
  QString readOptions();

  const QString& hostIp() const { return HostIP; }
  int portNum() const { return PortNum; }
  int autoConn() const { return AutoConn; }
  const QString& clientVersion() const { return clientVersion_; }
  const QString& serverVersion() const { return serverVersion_; }
  QTimer& watchdog() { return watchdog_; }
  frmOptions* optionsDialog() const { return options_.get(); }

  static QString defaultHost() {
    return QString::fromLatin1(records::kDefaultHost.data(),
                               static_cast<qsizetype>(records::kDefaultHost.size()));
  }

 private:
  void onConnected();
  void onVersion(std::string_view line);
  void onFailed();
  void onClosedByPeer();
  // Every other window has gone: the session's end and the connection's are the last words.
  void unload();

  browser::Form1& form_;
  link::Connection& connection_;
  icc::SessionController& session_;
  Prompter& prompter_;
  QString settingsPath_;

  QString HostIP;
  int PortNum = 0;
  int AutoConn = 0;
  QString clientVersion_;
  QString serverVersion_ = QStringLiteral("?.?.?");
  QTimer watchdog_;
  OwnedWindow<frmOptions> options_;
  bool leaving_ = false;
  QString overrideHost_;
  quint16 overridePort_ = 0;
};

}  // namespace tarvo
