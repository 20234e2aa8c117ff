// tarvo-sim: a stand-in Tarvo configuration server for Tarvolink.

#include <QCoreApplication>
#include <cstdio>

#include "sim/sim_app.h"

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("tarvo-sim"));

  const tarvo::sim::ParsedArgs args = tarvo::sim::parseSimArgs(QCoreApplication::arguments());
  if (args.help) {
    std::fputs(args.text.toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (!args.options) {
    std::fprintf(stderr, "tarvo-sim: %s\n", args.text.toLocal8Bit().constData());
    return 2;
  }

  tarvo::sim::SimInstance sim;
  QString error;
  if (!sim.start(*args.options, &error)) {
    std::fprintf(stderr, "tarvo-sim: %s\n", error.toLocal8Bit().constData());
    return 1;
  }
  // Scripts and tests read the port from this line.
  std::printf("tarvo-sim listening on %s\n", sim.endpoint().toLocal8Bit().constData());
  std::fflush(stdout);
  return app.exec();
}
