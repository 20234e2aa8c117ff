#pragma once
// The connection's life: the main window's load steps, connecting, the version check, the
// watchdog, connection errors and the server closing, leaving the program, and the server
// options dialog.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <string_view>

#include "link/frmOptions.h"

namespace tarvo {
class Client;
namespace link {

class frmOptions;  // defined in link/frmOptions.h

class LinkController : public QObject {
  Q_OBJECT

 public:
  static constexpr int kWatchdogMs = 30000;

  explicit LinkController(Client& client);

  void load();             // the main window's load steps
  void connectToServer();  // "New"
  void unload();           // the main window is closing
  void openOptions();      // "Tarvo Server"

  // Reads the settings file: returns the selected host ("" when unusable) and sets the
  // main window's port and auto-connect values.
  QString readOptions();

  void onConnected();
  void onVersion(std::string_view line);
  void onFailed();
  void onClosedByPeer();

  QTimer& watchdog() { return watchdog_; }
  frmOptions* optionsDialog() const { return options_; }

  static QString defaultHost() { return QStringLiteral("127.0.0.1"); }

 private:
  Client& client_;
  QTimer watchdog_;
  QPointer<frmOptions> options_;
};

}  // namespace link
}  // namespace tarvo
