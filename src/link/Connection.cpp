#include "link/Connection.h"

#include <QHostInfo>
#include <QTcpSocket>
#include <optional>
#include <vector>

#include "link/framing.h"

namespace tarvo::link {

namespace {

// What the socket reads ahead of us. While a handler runs (a message box is open) nothing
// is read: the socket stops at this much and TCP holds the server back, instead of the
// input piling up in memory. Nothing is lost; it is read once the handler returns.
constexpr qint64 kReadAheadBytes = 1024 * 1024;

}  // namespace

Connection::Connection(QObject* parent) : QObject(parent), socket_(new QTcpSocket(this)) {
  socket_->setObjectName(QStringLiteral("Winsock1"));
  socket_->setReadBufferSize(kReadAheadBytes);
  connect(socket_, &QTcpSocket::connected, this, [this] {
    // Commands leave as soon as they are written: one that follows another (the tail of a
    // long upload, a command sent while the last is still on its way) must not wait for
    // the server to acknowledge the one before, a round trip on a long link.
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    emit connected();
  });
  connect(socket_, &QTcpSocket::readyRead, this, &Connection::onReadyRead);
  connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
    if (error == QAbstractSocket::RemoteHostClosedError) {
      // Qt reports the server's orderly close as an error too; it is not one here.
      return;
    }
    failed_ = true;
    loseLink();
    emit failed(socket_->errorString());
  });
  connect(socket_, &QTcpSocket::disconnected, this, [this] {
    if (failed_) return;
    // Reached only when the server closed first: close() disconnects this signal's
    // effect by setting the flags before aborting the socket.
    peerClosed_ = true;
    loseLink();
    emit closedByPeer();
  });
}

Connection::~Connection() {
  // Nothing may reach a handler while the program is being torn down.
  router_.clear();
  socket_->disconnect(this);
}

int Connection::state() const {
  if (failed_) return Error;
  if (peerClosed_) return Closing;
  switch (socket_->state()) {
    case QAbstractSocket::UnconnectedState: return Closed;
    case QAbstractSocket::HostLookupState: return ResolvingHost;
    case QAbstractSocket::ConnectingState: return Connecting;
    case QAbstractSocket::ConnectedState: return Connected;
    case QAbstractSocket::BoundState: return Open;
    case QAbstractSocket::ListeningState: return Listening;
    case QAbstractSocket::ClosingState: return Closing;
  }
  return Closed;
}

void Connection::setMaxLineLength(std::size_t maxLine) {
  splitter_ = LineSplitter(maxLine);
}

void Connection::connectToHost(const QString& host, quint16 port) {
  close();
  splitter_.reset();
  lists_.reset();
  linkUp_ = true;
  socket_->connectToHost(host, port);
}

void Connection::close() {
  // What was sent last (a "CLOSEICC") still goes out; nothing is waited for.
  if (socket_->state() == QAbstractSocket::ConnectedState) socket_->flush();
  failed_ = true;  // keeps our own close from looking like the server's
  socket_->abort();
  failed_ = false;
  peerClosed_ = false;
  loseLink();
}

void Connection::loseLink() {
  // Said once per connection, however many ways it ends (an error, then our own close).
  if (!linkUp_) return;
  linkUp_ = false;
  emit linkLost();
}

void Connection::sendRawData(std::string_view command) {
  if (socket_->state() != QAbstractSocket::ConnectedState || peerClosed_ || failed_) return;
  const std::string frame = frameCommand(command);
  if (socket_->write(frame.data(), static_cast<qint64>(frame.size())) < 0) return;
  emit commandSent(command);
}

QString Connection::localHostName() const {
  return QHostInfo::localHostName();
}

void Connection::onReadyRead() {
  // A handler may open a modal box whose event loop delivers more data: those lines are
  // queued behind the current ones and run by the loop that is already going.
  std::vector<std::string> lines;
  do {
    const QByteArray data = socket_->readAll();
    lines.clear();
    splitter_.feed(std::string_view(data.constData(), static_cast<std::size_t>(data.size())),
                   lines);
    if (splitter_.takeCutLines() > 0)
      emit lineCutShort(static_cast<qsizetype>(splitter_.maxLine()));
    for (auto& line : lines) {
      queuedBytes_ += line.size() + 1;
      queue_.push_back(std::move(line));
    }
    if (dispatching_) return;
    runQueuedLines();
    // Data that arrived while a handler was running raised no new readyRead.
  } while (socket_->bytesAvailable() > 0);
}

void Connection::runQueuedLines() {
  dispatching_ = true;
  while (!queue_.empty()) {
    const std::string line = std::move(queue_.front());
    queue_.pop_front();
    queuedBytes_ -= line.size() + 1;
    ++dispatched_;
    emit lineReceived(line);
    dispatch(line);
  }
  dispatching_ = false;
}

void Connection::dispatch(std::string_view line) {
  dispatchLine(line, [this, line](ReplyId id) {
    const ListBounds::Verdict verdict = lists_.admit(id, line.size());
    if (verdict == ListBounds::Verdict::Run) router_.handle(id, line);
    const std::optional<ReplyId> cut =
        verdict == ListBounds::Verdict::Cut ? std::optional(id) : lists_.endedCutList(id);
    if (cut)
      emit listCutShort(fromWire(ListBounds::nameOf(*cut)),
                        static_cast<qsizetype>(lists_.rowsKept(*cut)));
  });
}

}  // namespace tarvo::link
