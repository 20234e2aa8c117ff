#pragma once
// A TCP proxy that makes loopback look like a long link: every byte is handed on a set
// time after it arrived, in each direction, in the order it arrived. A client pointed at
// the rig instead of the server sees every answer one round trip (twice the delay) later,
// so what a program does over a WAN can be measured on one machine.
//
// Only latency is added: no bandwidth limit, no loss. The connection to the server is
// made as soon as the client's is accepted, and the client's close reaches the server
// (and the other way round) after the delay, once everything before it has been handed on.
#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <deque>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace tarvo::bench {

class LatencyRig : public QObject {
  Q_OBJECT

 public:
  // Bytes on their way in one direction; past this the rig stops reading from that side
  // and TCP holds the sender back.
  static constexpr qint64 kMaxHeldBytes = 16 * 1024 * 1024;

  LatencyRig(QString serverHost, quint16 serverPort, int delayMs, QObject* parent = nullptr);
  ~LatencyRig() override;

  // Listens for clients; `port` 0 picks a free one. False when it cannot.
  bool listen(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
  quint16 port() const;
  QString errorString() const;
  int delayMs() const { return delayMs_; }

  // Connections accepted so far.
  int connections() const { return connections_; }

 private:
  class Pipe;
  class Link;
  void accept();

  QString serverHost_;
  quint16 serverPort_;
  int delayMs_;
  QTcpServer* listener_;
  QElapsedTimer clock_;
  int connections_ = 0;
};

}  // namespace tarvo::bench
