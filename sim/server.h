// The simulator's TCP front: accepts clients, cuts their bytes into commands,
// hands them to the engine and writes the replies, each after its delay and
// in order per connection.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <cstddef>
#include <map>
#include <memory>
#include <vector>

#include "engine.h"

class QTcpSocket;

namespace tarvo::sim {

class SimServer : public QObject {
  Q_OBJECT

 public:
  // The engine must outlive the server.
  explicit SimServer(Engine& engine, QObject* parent = nullptr);
  ~SimServer() override;

  // Port 0 picks a free port; port() then tells which.
  bool listen(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
  quint16 port() const { return server_.serverPort(); }
  QHostAddress address() const { return server_.serverAddress(); }
  QString errorString() const { return server_.errorString(); }

  int clientCount() const { return static_cast<int>(clients_.size()); }

  void setLogger(Engine::Logger logger) { logger_ = std::move(logger); }
  void setMaxFrameLength(std::size_t bytes) { maxFrameLength_ = bytes; }
  // A client that stops reading while replies pile up is dropped.
  void setMaxPendingOutput(qint64 bytes) { maxPendingOutput_ = bytes; }

 signals:
  void clientConnected(tarvo::sim::ConnId id);
  void clientDisconnected(tarvo::sim::ConnId id);

 private:
  struct Client;

  void onNewConnection();
  void onReadyRead(ConnId id);
  void deliver(const std::vector<Outgoing>& outgoing);
  void pump(ConnId id);
  void drop(ConnId id, const std::string& why);
  void log(const std::string& message) const;

  Engine& engine_;
  QTcpServer server_;
  std::map<ConnId, std::unique_ptr<Client>> clients_;
  Engine::Logger logger_;
  std::size_t maxFrameLength_;
  qint64 maxPendingOutput_ = 8 * 1024 * 1024;
};

}  // namespace tarvo::sim
