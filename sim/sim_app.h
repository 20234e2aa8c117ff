// tarvo-sim as a whole: command-line options, the plant (built in or from a
// plant file), the engine and the listening server. main() is a thin shell
// around this, and tests run it in-process.
#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "sim/engine.h"
#include "sim/server.h"

namespace tarvo::sim {

struct SimOptions {
  QString listen = QStringLiteral("127.0.0.1");
  quint16 port = 1582;
  QString dataFile;  // empty: the built-in demo plant, nothing written
  QString version = QStringLiteral("0.95.1");
  int workMs = 3000;
  int xrefMsPerBlock = 100;
};

struct ParsedArgs {
  std::optional<SimOptions> options;  // empty on error or when help was asked for
  bool help = false;
  QString text;  // the usage text for help, the error otherwise
};

// args as QCoreApplication::arguments() gives them, program name first.
ParsedArgs parseSimArgs(const QStringList& args);

// Writes each log line to standard error.
Engine::Logger stderrLogger();

class SimInstance {
 public:
  explicit SimInstance(Engine::Logger logger = stderrLogger());
  ~SimInstance();

  // Loads or creates the plant and starts listening. On failure returns
  // false with the reason in *error.
  bool start(const SimOptions& options, QString* error);

  quint16 port() const;
  QHostAddress address() const;
  // "ADDR:PORT", with brackets around an IPv6 address.
  QString endpoint() const;
  Engine& engine() { return *engine_; }
  SimServer& server() { return *server_; }

 private:
  Engine::Logger logger_;
  std::unique_ptr<Engine> engine_;
  std::unique_ptr<SimServer> server_;
};

}  // namespace tarvo::sim
