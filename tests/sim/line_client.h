// A test client for tarvo-sim over loopback: sends framed commands and
// collects the reply lines, timing each command from its send to its last line.
#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>
#include <algorithm>
#include <string>
#include <vector>

namespace tarvo::sim::testing {

class LineClient {
 public:
  explicit LineClient(quint16 port) {
    QObject::connect(&socket_, &QTcpSocket::readyRead, &socket_, [this] {
      partial_ += socket_.readAll().toStdString();
      std::size_t lf;
      while ((lf = partial_.find('\n')) != std::string::npos) {
        lines.push_back(partial_.substr(0, lf));
        arrivedMs.push_back(clock_.elapsed());
        partial_.erase(0, lf + 1);
      }
    });
    clock_.start();
    socket_.connectToHost(QHostAddress::LocalHost, port);
  }

  bool connected() {
    return QTest::qWaitFor([&] { return socket_.state() == QAbstractSocket::ConnectedState; },
                           5000);
  }
  // Returns when it was sent, on the clock of arrivedMs.
  qint64 send(const std::string& bytes) {
    socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    socket_.flush();
    return clock_.elapsed();
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
  std::vector<qint64> arrivedMs;  // when each line came

 private:
  QElapsedTimer clock_;
  QTcpSocket socket_;
  std::string partial_;
};

}  // namespace tarvo::sim::testing
