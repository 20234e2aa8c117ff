#include "support/FakeServer.h"

#include <QTest>

namespace tarvo::test {

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
  return QTest::qWaitFor(done, timeoutMs);
}

FakeServer::FakeServer() {
  server_.listen(QHostAddress::LocalHost, 0);
  connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      client_ = socket;
      disconnected_ = false;
      buffer_.clear();
      connect(socket, &QTcpSocket::readyRead, this, &FakeServer::onData);
      connect(socket, &QTcpSocket::disconnected, this, [this] { disconnected_ = true; });
    }
  });
}

bool FakeServer::waitForClient(int timeoutMs) {
  return waitUntil([this] { return hasClient(); }, timeoutMs);
}

void FakeServer::sendRaw(const QByteArray& bytes) {
  if (!client_) return;
  client_->write(bytes);
  client_->flush();
}

void FakeServer::sendLines(const QStringList& lines) {
  QByteArray bytes;
  for (const QString& line : lines) bytes += line.toLatin1() + '\n';
  sendRaw(bytes);
}

bool FakeServer::waitForCommands(int count, int timeoutMs) {
  return waitUntil([&] { return commands.size() >= count; }, timeoutMs);
}

void FakeServer::dropClient() {
  if (client_) client_->disconnectFromHost();
}

bool FakeServer::waitForDisconnect(int timeoutMs) {
  return waitUntil([this] { return disconnected_; }, timeoutMs);
}

void FakeServer::onData() {
  buffer_ += client_->readAll();
  for (;;) {
    if (buffer_.size() < 8) return;
    if (!buffer_.startsWith("MSG:")) {
      // Bytes outside any frame go among the commands too, so that sent() fails on them.
      const qsizetype next = buffer_.indexOf("MSG:", 1);
      commands << "unframed:" + QString::fromLatin1(buffer_.left(next < 0 ? buffer_.size() : next));
      buffer_ = next < 0 ? QByteArray() : buffer_.mid(next);
      continue;
    }
    qsizetype i = 4;
    while (i < buffer_.size() && i < 10 && buffer_[i] >= '0' && buffer_[i] <= '9') ++i;
    // Four digits at least; a fifth only when the text is 10000 characters or more.
    if (i == buffer_.size()) return;
    const qsizetype length = buffer_.mid(4, i - 4).toLongLong();
    if (buffer_.size() < i + length) return;
    commands << QString::fromLatin1(buffer_.mid(i, length));
    buffer_.remove(0, i + length);
  }
}

}  // namespace tarvo::test
