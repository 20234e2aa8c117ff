#pragma once
// A loopback server for GUI tests: records every command frame the client sends and plays
// reply lines back on request.
#include <QByteArray>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

namespace tarvo::test {

// Processes events until `done` holds or `timeoutMs` passes; returns the last `done()`.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000);

class FakeServer : public QObject {
  Q_OBJECT

 public:
  FakeServer();
  quint16 port() const { return server_.serverPort(); }

  // Waits for the client's connection.
  bool waitForClient(int timeoutMs = 5000);
  bool hasClient() const { return !client_.isNull(); }

  // Sends raw bytes, or lines each ended with LF.
  void sendRaw(const QByteArray& bytes);
  void sendLines(const QStringList& lines);

  // Waits until at least `count` commands have been received in all.
  bool waitForCommands(int count, int timeoutMs = 5000);
  // Commands received so far: the text inside each frame, and "unframed:" followed by any
  // bytes that came outside a frame.
  QStringList commands;

  void dropClient();
  bool waitForDisconnect(int timeoutMs = 5000);

 private:
  void onData();
  QTcpServer server_;
  QPointer<QTcpSocket> client_;
  QByteArray buffer_;
  bool disconnected_ = false;
};

}  // namespace tarvo::test
