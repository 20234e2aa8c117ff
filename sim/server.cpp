#include "sim/server.h"

#include <QMetaObject>
#include <QTcpSocket>
#include <algorithm>
#include <deque>

#include "sim/text.h"

namespace tarvo::sim {

namespace {

// What a queued line costs beyond its text.
constexpr std::size_t kQueuedLineOverhead = sizeof(Outgoing) + 1;

}  // namespace

struct SimServer::Client {
  Client(ConnId clientId, QTcpSocket* s, const ServerLimits& limits)
      : id(clientId), socket(s), decoder(limits.maxFrameLength) {
    timer.setSingleShot(true);
    idle.setSingleShot(true);
    quiet.setSingleShot(true);
  }
  ConnId id;
  QTcpSocket* socket;
  FrameDecoder decoder;
  std::size_t heldInput = 0;   // decoder.buffered() as counted in totalInput_
  std::deque<Outgoing> queue;  // lines waiting for their turn
  std::size_t queuedBytes = 0;
  QTimer timer;         // runs while the head of the queue waits its delay
  QTimer idle;          // runs while part of a frame waits for the rest
  QTimer quiet;         // runs from one command to the next
  std::string peer;     // address and port
  std::string address;  // the address alone, as perPeer_ counts it
  // Garbage not logged yet: one line tells a whole run of it.
  struct {
    std::size_t bytes = 0;
    std::string sample;
    std::string reason;
    std::int64_t sinceMs = 0;
  } garbage;
};

// A checkpoint write on the worker thread; its outcome is read on the
// server's thread once the worker is done with it.
struct SimServer::Write {
  std::uint64_t ticket = 0;
  std::string problem;
};

SimServer::SimServer(Engine& engine, QObject* parent) : QObject(parent), engine_(engine) {
  clock_.start();
  writer_.setMaxThreadCount(1);
  acceptSoon_.setSingleShot(true);
  connect(&server_, &QTcpServer::newConnection, this, &SimServer::onNewConnection);
  connect(&server_, &QTcpServer::acceptError, this, &SimServer::onAcceptError);
  connect(&acceptCheck_, &QTimer::timeout, this, &SimServer::superviseAccepting);
  connect(&acceptSoon_, &QTimer::timeout, this, &SimServer::superviseAccepting);
}

SimServer::~SimServer() {
  // A write still going on finishes, and the engine hears how it went, even
  // though nobody is left to tell.
  writer_.waitForDone();
  for (const auto& [ticket, write] : writes_) engine_.checkpointWritten(ticket, write->problem);
  if (saver_) engine_.setCheckpointWriter(nullptr);
  for (auto& [id, client] : clients_) {
    client->socket->disconnect(this);
    client->socket->abort();
    engine_.disconnect(id);
    delete client->socket;
  }
  clients_.clear();
}

bool SimServer::listen(const QHostAddress& address, quint16 port) {
  if (!server_.listen(address, port)) return false;
  acceptCheck_.start(limits_.acceptRetryMs);
  return true;
}

void SimServer::setLimits(const ServerLimits& limits) {
  limits_ = limits;
}

std::size_t SimServer::heldOutputBytes() const {
  std::size_t n = 0;
  for (const auto& [id, c] : clients_)
    n += c->queuedBytes + static_cast<std::size_t>(c->socket->bytesToWrite());
  return n;
}

std::string SimServer::peerAddress(const QTcpSocket& socket) {
  QHostAddress address = socket.peerAddress();
  // The same client over IPv4 and over an IPv4-mapped IPv6 address is one peer.
  bool isV4 = false;
  const quint32 v4 = address.toIPv4Address(&isV4);
  if (isV4) address = QHostAddress(v4);
  return address.toString().toStdString();
}

void SimServer::setCheckpointSaver(CheckpointSaver save) {
  saver_ = std::move(save);
  if (!saver_) {
    engine_.setCheckpointWriter(nullptr);
    return;
  }
  engine_.setCheckpointWriter([this](std::uint64_t ticket, std::shared_ptr<const Plant> snapshot) {
    startWrite(ticket, std::move(snapshot));
  });
}

void SimServer::startWrite(std::uint64_t ticket, std::shared_ptr<const Plant> snapshot) {
  auto write = std::make_shared<Write>();
  write->ticket = ticket;
  writes_.emplace(ticket, write);
  // The worker gets its own copies; it touches nothing else of the server.
  writer_.start([this, save = saver_, write, snapshot = std::move(snapshot)] {
    write->problem = save(*snapshot);
    QMetaObject::invokeMethod(
        this,
        [this, ticket = write->ticket] {
          const auto it = writes_.find(ticket);
          if (it == writes_.end()) return;
          const std::string problem = it->second->problem;
          writes_.erase(it);
          resolve(engine_.checkpointWritten(ticket, problem));
        },
        Qt::QueuedConnection);
  });
}

void SimServer::onNewConnection() {
  if (acceptFailures_ > 0) {
    engine_.log("accepting connections again after " + std::to_string(acceptFailures_) +
                " failed attempts");
    acceptFailures_ = 0;
  }
  if (!supervising_) acceptSoon_.start(0);
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    ++accepted_;
    const std::string address = peerAddress(*socket);
    const std::string peer = address + ":" + std::to_string(socket->peerPort());
    int& fromPeer = perPeer_[address];
    std::string refusal;
    if (clientCount() >= limits_.maxConnections)
      refusal =
          std::to_string(clientCount()) + " clients are connected, the most this server takes";
    else if (fromPeer >= limits_.maxConnectionsPerPeer)
      refusal = std::to_string(fromPeer) + " clients are connected from " + address +
                ", the most it takes from one address";
    if (!refusal.empty()) {
      if (fromPeer == 0) perPeer_.erase(address);
      engine_.logUnaccepted("connection from " + peer + " refused: " + refusal);
      socket->abort();
      socket->deleteLater();
      continue;
    }
    ++fromPeer;
    const ConnId id = engine_.connect();
    auto client = std::make_unique<Client>(id, socket, limits_);
    client->peer = peer;
    client->address = address;
    // TCP flow control holds back what the server has not taken yet.
    socket->setReadBufferSize(limits_.readChunk);
    connect(&client->timer, &QTimer::timeout, this, [this, id] {
      const auto it = clients_.find(id);
      if (it == clients_.end() || it->second->queue.empty()) return;
      it->second->queue.front().delayMs = 0;
      pump(id);
    });
    connect(&client->idle, &QTimer::timeout, this, [this, id] {
      drop(id, "dropped: part of a frame and nothing more for " +
                   std::to_string(limits_.partialFrameTimeoutMs) + " ms");
    });
    connect(&client->quiet, &QTimer::timeout, this, [this, id] {
      drop(id, "dropped: no command for " + std::to_string(limits_.idleTimeoutMs) + " ms");
    });
    client->quiet.start(limits_.idleTimeoutMs);
    connect(socket, &QTcpSocket::readyRead, this, [this, id] { onReadyRead(id); });
    connect(socket, &QTcpSocket::disconnected, this, [this, id] { drop(id, "disconnected"); });
    clients_.emplace(id, std::move(client));
    engine_.logConn(id, "connected from " + peer);
    emit clientConnected(id);
    // Bytes may have come with the connection itself.
    if (socket->bytesAvailable() > 0) onReadyRead(id);
  }
}

void SimServer::onAcceptError() {
  // Out of file descriptors, say: trying again at once would only spin.
  // Whether it really failed is for the check to say: after a burst of
  // accepts the listening socket may still report an old error.
  if (supervising_) return;
  server_.pauseAccepting();
  acceptPaused_ = true;
  acceptSoon_.start(0);
}

void SimServer::superviseAccepting() {
  if (!server_.isListening()) return;
  // QTcpServer's listening socket keeps the first error it meets, and the
  // "would block" that ends every burst of accepts is one: a connection that
  // cannot be accepted later goes unreported, and Qt tries again and again at
  // full speed. A wait that finds nothing waiting clears that error; one that
  // finds a connection and accepts nothing is such a failure.
  supervising_ = true;
  for (int i = 0; i < 16; ++i) {
    const std::uint64_t before = accepted_;
    bool timedOut = false;
    const bool found = server_.waitForNewConnection(0, &timedOut);
    if (found && accepted_ == before) {
      server_.pauseAccepting();
      acceptPaused_ = true;
      if (acceptFailures_++ == 0) {
        const QString why = server_.errorString();
        engine_.log("cannot accept connections (" +
                    (why.isEmpty() ? std::string("out of file descriptors?") : why.toStdString()) +
                    "); trying again every " + std::to_string(limits_.acceptRetryMs) + " ms");
      }
      break;
    }
    if (acceptPaused_) {
      server_.resumeAccepting();
      acceptPaused_ = false;
    }
    if (!found) break;
  }
  supervising_ = false;
}

void SimServer::flushGarbage(Client& c, bool final) {
  if (c.garbage.bytes == 0) return;
  engine_.logConn(c.id,
                  "bad frame, " + c.garbage.reason + ": " + std::to_string(c.garbage.bytes) +
                      " bytes skipped starting \"" + text::forLog(c.garbage.sample) + "\"",
                  final);
  c.garbage = {};
}

void SimServer::onReadyRead(ConnId id) {
  auto it = clients_.find(id);
  if (it == clients_.end()) return;
  Client* c = it->second.get();
  const QByteArray data = c->socket->readAll();
  const auto events =
      c->decoder.feed(std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
  totalInput_ = totalInput_ - c->heldInput + c->decoder.buffered();
  c->heldInput = c->decoder.buffered();
  for (const auto& event : events) {
    switch (event.kind) {
      case FrameDecoder::EventKind::Command:
        flushGarbage(*c, false);
        c->quiet.start(limits_.idleTimeoutMs);
        deliver(engine_.handle(id, event.text));
        break;
      case FrameDecoder::EventKind::Garbage:
        if (c->garbage.bytes == 0) {
          c->garbage.sample = event.text;
          c->garbage.reason = event.reason;
          c->garbage.sinceMs = nowMs();
        }
        c->garbage.bytes += event.byteCount;
        break;
      case FrameDecoder::EventKind::Oversize: drop(id, "dropped: " + event.reason); return;
    }
    // A reply can make the server drop a client, this one too.
    it = clients_.find(id);
    if (it == clients_.end()) return;
    c = it->second.get();
  }
  if (c->garbage.bytes > 0 && nowMs() - c->garbage.sinceMs >= limits_.garbageReportMs)
    flushGarbage(*c, false);
  if (totalInput_ > limits_.maxTotalInput) {
    drop(id, "dropped: unfinished frames over all clients exceed " +
                 std::to_string(limits_.maxTotalInput) + " bytes");
    return;
  }
  if (c->heldInput > 0)
    c->idle.start(limits_.partialFrameTimeoutMs);
  else
    c->idle.stop();
}

void SimServer::deliver(const std::vector<Outgoing>& outgoing) {
  std::vector<ConnId> touched;
  for (const auto& o : outgoing) {
    const auto it = clients_.find(o.conn);
    if (it == clients_.end()) continue;  // that client has gone
    it->second->queue.push_back(o);
    it->second->queuedBytes += o.line.size() + kQueuedLineOverhead;
    if (std::find(touched.begin(), touched.end(), o.conn) == touched.end())
      touched.push_back(o.conn);
  }
  for (ConnId id : touched) pump(id);
}

void SimServer::resolve(const std::vector<Outgoing>& outcomes) {
  for (const auto& o : outcomes) {
    const auto it = clients_.find(o.conn);
    if (it == clients_.end()) continue;
    Client& c = *it->second;
    for (auto& queued : c.queue) {
      if (queued.awaits != o.awaits) continue;
      c.queuedBytes = c.queuedBytes - queued.line.size() + o.line.size();
      queued.line = o.line;
      queued.awaits = 0;
      break;
    }
    pump(o.conn);
  }
}

void SimServer::pump(ConnId id) {
  const auto it = clients_.find(id);
  if (it == clients_.end()) return;
  Client& c = *it->second;
  while (!c.queue.empty()) {
    Outgoing& head = c.queue.front();
    if (head.delayMs > 0) {
      if (!c.timer.isActive()) c.timer.start(head.delayMs);
      break;
    }
    if (head.awaits != 0) break;  // its outcome is still being written
    QByteArray bytes(head.line.data(), static_cast<qsizetype>(head.line.size()));
    bytes.append('\n');
    c.socket->write(bytes);
    c.queuedBytes -= head.line.size() + kQueuedLineOverhead;
    c.queue.pop_front();
  }
  // Replies held back by a slow utility count as much as those the client
  // does not read.
  if (c.socket->bytesToWrite() + static_cast<qint64>(c.queuedBytes) > limits_.maxPendingOutput)
    drop(id, "dropped: it does not read its replies");
}

void SimServer::drop(ConnId id, const std::string& why) {
  const auto it = clients_.find(id);
  if (it == clients_.end()) return;
  std::unique_ptr<Client> client = std::move(it->second);
  clients_.erase(it);
  totalInput_ -= client->heldInput;
  client->timer.stop();
  client->idle.stop();
  client->quiet.stop();
  if (const auto peer = perPeer_.find(client->address);
      peer != perPeer_.end() && --peer->second <= 0)
    perPeer_.erase(peer);
  client->socket->disconnect(this);
  client->socket->abort();
  client->socket->deleteLater();
  engine_.disconnect(id);
  flushGarbage(*client, true);
  engine_.logConn(id, why, true);
  emit clientDisconnected(id);
}

}  // namespace tarvo::sim
