#pragma once
// The latency rig in front of a server, run as a program of its own so that its timers do
// not share a thread with what is measured. Its first line says where it listens.
#include <QByteArray>
#include <QProcess>
#include <QStringList>

namespace tarvo::bench {

class RigProcess {
 public:
  RigProcess() = default;
  RigProcess(const RigProcess&) = delete;
  RigProcess& operator=(const RigProcess&) = delete;
  ~RigProcess() {
    process_.kill();
    process_.waitForFinished(3000);
  }

  // Starts `program` (the latency-rig) delaying each direction by `delayMs`, in front of
  // the server on 127.0.0.1:`serverPort`. False when it does not say where it listens.
  bool start(const QString& program, quint16 serverPort, int delayMs) {
    process_.start(program,
                   {QStringLiteral("--delay-ms"), QString::number(delayMs),
                    QStringLiteral("--server"), QStringLiteral("127.0.0.1:%1").arg(serverPort)});
    QByteArray first;
    while (!first.contains('\n') && process_.waitForReadyRead(10000)) first += process_.readAll();
    // "latency-rig listening on 127.0.0.1:PORT, ..."
    const qsizetype colon = first.indexOf(':');
    port_ = colon < 0 ? 0 : first.mid(colon + 1, first.indexOf(',') - colon - 1).toUShort();
    return port_ != 0;
  }
  quint16 port() const { return port_; }

 private:
  QProcess process_;
  quint16 port_ = 0;
};

}  // namespace tarvo::bench
