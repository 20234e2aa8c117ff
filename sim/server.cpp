#include "server.h"

#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <deque>

#include "frame_decoder.h"
#include "text.h"

namespace tarvo::sim {

struct SimServer::Client {
  Client(ConnId clientId, QTcpSocket* s, std::size_t maxFrame)
      : id(clientId), socket(s), decoder(maxFrame) {
    timer.setSingleShot(true);
  }
  ConnId id;
  QTcpSocket* socket;
  FrameDecoder decoder;
  std::deque<Outgoing> queue;  // lines waiting for their turn
  QTimer timer;                // runs while the head of the queue waits its delay
  std::string peer;
};

SimServer::SimServer(Engine& engine, QObject* parent)
    : QObject(parent), engine_(engine), maxFrameLength_(FrameDecoder::kDefaultMaxLength) {
  connect(&server_, &QTcpServer::newConnection, this, &SimServer::onNewConnection);
}

SimServer::~SimServer() {
  for (auto& [id, client] : clients_) {
    client->socket->disconnect(this);
    client->socket->abort();
    engine_.disconnect(id);
    delete client->socket;
  }
  clients_.clear();
}

bool SimServer::listen(const QHostAddress& address, quint16 port) {
  return server_.listen(address, port);
}

void SimServer::log(const std::string& message) const {
  if (logger_) logger_(message);
}

void SimServer::onNewConnection() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    const ConnId id = engine_.connect();
    auto client = std::make_unique<Client>(id, socket, maxFrameLength_);
    client->peer =
        socket->peerAddress().toString().toStdString() + ":" + std::to_string(socket->peerPort());
    connect(&client->timer, &QTimer::timeout, this, [this, id] {
      const auto it = clients_.find(id);
      if (it == clients_.end() || it->second->queue.empty()) return;
      it->second->queue.front().delayMs = 0;
      pump(id);
    });
    connect(socket, &QTcpSocket::readyRead, this, [this, id] { onReadyRead(id); });
    connect(socket, &QTcpSocket::disconnected, this, [this, id] { drop(id, "disconnected"); });
    log("conn " + std::to_string(id) + ": connected from " + client->peer);
    clients_.emplace(id, std::move(client));
    emit clientConnected(id);
    // Bytes may have come with the connection itself.
    if (socket->bytesAvailable() > 0) onReadyRead(id);
  }
}

void SimServer::onReadyRead(ConnId id) {
  auto it = clients_.find(id);
  if (it == clients_.end()) return;
  const QByteArray data = it->second->socket->readAll();
  const auto events = it->second->decoder.feed(
      std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
  for (const auto& event : events) {
    switch (event.kind) {
      case FrameDecoder::EventKind::Command: deliver(engine_.handle(id, event.text)); break;
      case FrameDecoder::EventKind::Garbage:
        log("conn " + std::to_string(id) + ": bad frame, " + event.reason + ": " +
            std::to_string(event.byteCount) + " bytes skipped starting \"" +
            text::forLog(event.text) + "\"");
        break;
      case FrameDecoder::EventKind::Oversize: drop(id, "dropped: " + event.reason); return;
    }
    if (clients_.find(id) == clients_.end()) return;
  }
}

void SimServer::deliver(const std::vector<Outgoing>& outgoing) {
  std::vector<ConnId> touched;
  for (const auto& o : outgoing) {
    const auto it = clients_.find(o.conn);
    if (it == clients_.end()) continue;  // that client has gone
    it->second->queue.push_back(o);
    if (std::find(touched.begin(), touched.end(), o.conn) == touched.end())
      touched.push_back(o.conn);
  }
  for (ConnId id : touched) pump(id);
}

void SimServer::pump(ConnId id) {
  const auto it = clients_.find(id);
  if (it == clients_.end()) return;
  Client& c = *it->second;
  while (!c.queue.empty()) {
    Outgoing& head = c.queue.front();
    if (head.delayMs > 0) {
      if (!c.timer.isActive()) c.timer.start(head.delayMs);
      return;
    }
    QByteArray bytes(head.line.data(), static_cast<qsizetype>(head.line.size()));
    bytes.append('\n');
    c.socket->write(bytes);
    c.queue.pop_front();
  }
  if (c.socket->bytesToWrite() > maxPendingOutput_)
    drop(id, "dropped: it does not read its replies");
}

void SimServer::drop(ConnId id, const std::string& why) {
  const auto it = clients_.find(id);
  if (it == clients_.end()) return;
  std::unique_ptr<Client> client = std::move(it->second);
  clients_.erase(it);
  client->timer.stop();
  client->socket->disconnect(this);
  client->socket->abort();
  client->socket->deleteLater();
  engine_.disconnect(id);
  log("conn " + std::to_string(id) + ": " + why);
  emit clientDisconnected(id);
}

}  // namespace tarvo::sim
