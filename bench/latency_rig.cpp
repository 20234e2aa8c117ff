#include "latency_rig.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <utility>

namespace tarvo::bench {

namespace {

// What the rig reads from a socket ahead of handing it on.
constexpr qint64 kReadBufferBytes = 1024 * 1024;

void lowDelay(QTcpSocket* socket) {
  // The rig adds the delay it is asked for and no other: no waiting for small writes.
  socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

}  // namespace

// One direction of a connection: what `from` sends reaches `to` `delayMs` later.
class LatencyRig::Pipe : public QObject {
 public:
  Pipe(QTcpSocket* from, QTcpSocket* to, int delayMs, const QElapsedTimer& clock,
       std::function<void()> done, QObject* parent)
      : QObject(parent),
        from_(from),
        to_(to),
        delayMs_(delayMs),
        clock_(clock),
        done_(std::move(done)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Pipe::deliver);
    connect(from_, &QTcpSocket::readyRead, this, &Pipe::take);
    connect(from_, &QTcpSocket::disconnected, this, &Pipe::fromEnded);
    connect(from_, &QTcpSocket::errorOccurred, this, &Pipe::fromEnded);
    connect(to_, &QTcpSocket::connected, this, &Pipe::deliver);
    connect(to_, &QTcpSocket::bytesWritten, this, &Pipe::take);
  }

  bool finished() const { return finished_; }

  // Reads what `from` has, up to what may be held, and puts it on its way.
  void take() {
    if (ended_) return;
    const qint64 room = kMaxHeldBytes - held_ - to_->bytesToWrite();
    if (room <= 0) return;
    QByteArray bytes = from_->read(std::min(room, from_->bytesAvailable()));
    if (bytes.isEmpty()) return;
    held_ += bytes.size();
    chunks_.push_back({clock_.elapsed() + delayMs_, std::move(bytes), false});
    schedule();
  }

 private:
  struct Chunk {
    qint64 due;
    QByteArray bytes;
    bool end;  // `from` closed here
  };

  void fromEnded() {
    if (ended_) return;
    // What arrived before the close still goes first.
    while (from_->bytesAvailable() > 0) {
      QByteArray bytes = from_->readAll();
      held_ += bytes.size();
      chunks_.push_back({clock_.elapsed() + delayMs_, std::move(bytes), false});
    }
    ended_ = true;
    chunks_.push_back({clock_.elapsed() + delayMs_, {}, true});
    schedule();
  }

  void schedule() {
    if (timer_.isActive() || chunks_.empty()) return;
    timer_.start(static_cast<int>(std::max<qint64>(0, chunks_.front().due - clock_.elapsed())));
  }

  void deliver() {
    if (to_->state() == QAbstractSocket::ConnectingState ||
        to_->state() == QAbstractSocket::HostLookupState)
      return;  // `connected` brings us back
    const bool open = to_->state() == QAbstractSocket::ConnectedState;
    const qint64 now = clock_.elapsed();
    while (!chunks_.empty() && chunks_.front().due <= now) {
      Chunk c = std::move(chunks_.front());
      chunks_.pop_front();
      held_ -= c.bytes.size();
      if (c.end) {
        if (open) to_->disconnectFromHost();
        finished_ = true;
        done_();
        return;
      }
      // A side already gone takes nothing more; the rest is dropped as the network would.
      if (open) to_->write(c.bytes);
    }
    schedule();
    take();
  }

  QTcpSocket* from_;
  QTcpSocket* to_;
  int delayMs_;
  const QElapsedTimer& clock_;
  std::function<void()> done_;
  QTimer timer_;
  std::deque<Chunk> chunks_;
  qint64 held_ = 0;
  bool ended_ = false;
  bool finished_ = false;
};

// A client's connection and the rig's own connection to the server, joined by two pipes.
class LatencyRig::Link : public QObject {
 public:
  Link(QTcpSocket* client, const QString& host, quint16 port, int delayMs,
       const QElapsedTimer& clock, QObject* parent)
      : QObject(parent), client_(client), server_(new QTcpSocket(this)) {
    client_->setParent(this);
    for (QTcpSocket* s : {client_, server_}) s->setReadBufferSize(kReadBufferBytes);
    lowDelay(client_);
    connect(server_, &QTcpSocket::connected, this, [this] { lowDelay(server_); });
    auto oneDone = [this] {
      if (up_->finished() && down_->finished()) deleteLater();
    };
    up_ = new Pipe(client_, server_, delayMs, clock, oneDone, this);
    down_ = new Pipe(server_, client_, delayMs, clock, oneDone, this);
    server_->connectToHost(host, port);
    up_->take();
  }

 private:
  QTcpSocket* client_;
  QTcpSocket* server_;
  Pipe* up_ = nullptr;
  Pipe* down_ = nullptr;
};

LatencyRig::LatencyRig(QString serverHost, quint16 serverPort, int delayMs, QObject* parent)
    : QObject(parent),
      serverHost_(std::move(serverHost)),
      serverPort_(serverPort),
      delayMs_(std::max(0, delayMs)),
      listener_(new QTcpServer(this)) {
  clock_.start();
  connect(listener_, &QTcpServer::newConnection, this, &LatencyRig::accept);
}

LatencyRig::~LatencyRig() = default;

bool LatencyRig::listen(const QHostAddress& address, quint16 port) {
  return listener_->listen(address, port);
}

quint16 LatencyRig::port() const {
  return listener_->serverPort();
}

QString LatencyRig::errorString() const {
  return listener_->errorString();
}

void LatencyRig::accept() {
  while (QTcpSocket* client = listener_->nextPendingConnection()) {
    ++connections_;
    new Link(client, serverHost_, serverPort_, delayMs_, clock_, this);
  }
}

}  // namespace tarvo::bench
