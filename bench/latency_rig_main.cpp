// latency-rig: a TCP proxy that delays each direction by a set time, to try the programs
// as over a long link. For example, a 50 ms round trip in front of tarvo-sim:
//
//   build/bench/latency-rig --delay-ms 25 --port 1600 --server 127.0.0.1:1582 &
//   build/src/app/tarvoctl --port 1600 cps
#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

#include "latency_rig.h"

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("latency-rig"));
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Hands every byte on after a set delay, in each direction, in order: a long link on "
      "one machine."));
  parser.addHelpOption();
  const QCommandLineOption delay(QStringLiteral("delay-ms"),
                                 QStringLiteral("one-way delay in milliseconds (default 25)"),
                                 QStringLiteral("N"), QStringLiteral("25"));
  const QCommandLineOption server(QStringLiteral("server"),
                                  QStringLiteral("where to connect (default 127.0.0.1:1582)"),
                                  QStringLiteral("HOST:PORT"), QStringLiteral("127.0.0.1:1582"));
  const QCommandLineOption listen(QStringLiteral("listen"),
                                  QStringLiteral("address to listen on (default 127.0.0.1)"),
                                  QStringLiteral("ADDR"), QStringLiteral("127.0.0.1"));
  const QCommandLineOption port(QStringLiteral("port"),
                                QStringLiteral("port to listen on; 0 picks a free one (default)"),
                                QStringLiteral("N"), QStringLiteral("0"));
  parser.addOptions({delay, server, listen, port});
  parser.process(app);

  auto fail = [](const QString& why) {
    std::fprintf(stderr, "latency-rig: %s\n", qPrintable(why));
    return 2;
  };
  bool ok = false;
  const int delayMs = parser.value(delay).toInt(&ok);
  if (!ok || delayMs < 0 || delayMs > 60000)
    return fail(QStringLiteral("--delay-ms needs 0 to 60000, not ") + parser.value(delay));
  const QString target = parser.value(server);
  const qsizetype colon = target.lastIndexOf(QLatin1Char(':'));
  const quint16 serverPort = colon > 0 ? target.mid(colon + 1).toUShort(&ok) : 0;
  if (colon <= 0 || !ok || serverPort == 0)
    return fail(QStringLiteral("--server needs HOST:PORT, not ") + target);
  const quint16 listenPort = parser.value(port).toUShort(&ok);
  if (!ok) return fail(QStringLiteral("--port needs 0 to 65535, not ") + parser.value(port));
  const QHostAddress address(parser.value(listen));
  if (address.isNull())
    return fail(QStringLiteral("--listen needs an IP address, not ") + parser.value(listen));

  tarvo::bench::LatencyRig rig(target.left(colon), serverPort, delayMs);
  if (!rig.listen(address, listenPort)) return fail(rig.errorString());
  std::printf("latency-rig listening on %s:%u, %d ms each way to %s\n",
              qPrintable(address.toString()), rig.port(), delayMs, qPrintable(target));
  std::fflush(stdout);
  return QCoreApplication::exec();
}
