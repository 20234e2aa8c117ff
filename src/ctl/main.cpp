// tarvoctl: the configuration server from the command line, for scripts and bulk changes.
#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <cstdio>

#include "ctl/CtlCommandLine.h"
#include "ctl/CtlRunner.h"

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  // The client's name: the change journal goes to the same data folder as the client's.
  QCoreApplication::setApplicationName(QStringLiteral("Tarvolink"));

  QFile out;
  QFile err;
  // Unbuffered, down to the C library, so that results and errors reach a terminal or a
  // pipe in the order they happen.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
  err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);

  const tarvo::ctl::ParsedArgs parsed = tarvo::ctl::parseCommandLine(QCoreApplication::arguments());
  if (parsed.help) {
    out.write(QByteArray::fromStdString(tarvo::ctl::usageText()));
    return tarvo::ctl::kExitOk;
  }
  if (parsed.version) {
    out.write(QStringLiteral("tarvoctl %1.%2.%3\n")
                  .arg(TARVO_VERSION_MAJOR)
                  .arg(TARVO_VERSION_MINOR)
                  .arg(TARVO_VERSION_PATCH)
                  .toLatin1());
    return tarvo::ctl::kExitOk;
  }
  if (!parsed.options) {
    err.write(QByteArray::fromStdString("tarvoctl: " + parsed.error +
                                        "\nTry 'tarvoctl --help' for more.\n"));
    return tarvo::ctl::kExitUsage;
  }
  tarvo::ctl::CtlRunner runner(*parsed.options, out, err);
  return runner.run();
}
