// A test client for tarvo-sim over loopback: sends framed commands and
// collects the reply lines.
#pragma once

#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>
#include <algorithm>
#include <string>
#include <vector>

namespace tarvo::sim::testing {

class LineClient {
 public:
  // `from`, when given, is the local address the connection comes from.
  explicit LineClient(quint16 port, const QHostAddress& from = {}) {
    QObject::connect(&socket_, &QTcpSocket::readyRead, &socket_, [this] {
      partial_ += socket_.readAll().toStdString();
      std::size_t lf;
      while ((lf = partial_.find('\n')) != std::string::npos) {
        lines.push_back(partial_.substr(0, lf));
        partial_.erase(0, lf + 1);
      }
    });
    if (!from.isNull()) socket_.bind(from);
    socket_.connectToHost(QHostAddress::LocalHost, port);
  }

  bool connected() {
    return QTest::qWaitFor([&] { return socket_.state() == QAbstractSocket::ConnectedState; },
                           5000);
  }
  void send(const std::string& bytes) {
    socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    socket_.flush();
  }
  // Waits for a line equal to `text` (or starting with it when `prefix`).
  bool waitForLine(const std::string& text, bool prefix = false, int ms = 5000) {
    return QTest::qWaitFor([&] { return has(text, prefix); }, ms);
  }
  bool has(const std::string& text, bool prefix = false) const {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
      return prefix ? l.compare(0, text.size(), text) == 0 : l == text;
    });
  }
  bool closed() const { return socket_.state() == QAbstractSocket::UnconnectedState; }
  bool waitClosed(int ms = 5000) {
    return QTest::qWaitFor([&] { return closed(); }, ms);
  }
  void close() { socket_.abort(); }

  std::vector<std::string> lines;

 private:
  QTcpSocket socket_;
  std::string partial_;
};

}  // namespace tarvo::sim::testing
