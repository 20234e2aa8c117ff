#include "sim/sim_app.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>

#include "sim/demo_plant.h"
#include "sim/plant_store.h"
#include "sim/text.h"

namespace tarvo::sim {

namespace {

// A minute per block is already far beyond any use; the bound keeps the run's
// duration well inside its 64-bit arithmetic for any plant.
constexpr int kMaxXrefMsPerBlock = 60000;

std::string toStd(const QString& s) {
  return s.toLocal8Bit().toStdString();
}

}  // namespace

ParsedArgs parseSimArgs(const QStringList& args) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Stand-in Tarvo configuration server with a demo plant, for Tarvolink.\n"
                     "\n"
                     "Adding, copying, moving and deleting a block is confirmed with DNADDNEW,\n"
                     "DNCPYNEW, DNMOVEBLK or DNDELBLK, which move the client's selection (to\n"
                     "the new or moved block, past the deleted one), or with DNADDNEX,\n"
                     "DNCPYNEX, DNMOVEBLX or DNDELBLX, which leave it alone. The X forms\n"
                     "are used for a block the client's block list does not\n"
                     "show: an ECB or station block while the list was asked for without them\n"
                     "(GETBLKS 0), or any block before the session has listed its blocks.\n"
                     "A CP's session belongs to one connection, so a change never reaches the\n"
                     "block tree of another client.\n"
                     "\n"
                     "It also keeps the cross-reference setup lists (XREFCFGGET, XREFCFGPUT),\n"
                     "runs generations (XREFRUNS, XREFRUNC, XREFRUNE) and lists a block's\n"
                     "cross-reference (XREFBLK:); see sim/README.md."));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption listen(QStringLiteral("listen"),
                                  QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                  QStringLiteral("ADDR"), QStringLiteral("127.0.0.1"));
  const QCommandLineOption port(QStringLiteral("port"),
                                QStringLiteral("TCP port; 0 picks a free one (default 1582)."),
                                QStringLiteral("N"), QStringLiteral("1582"));
  const QCommandLineOption data(
      QStringLiteral("data"),
      QStringLiteral("Plant file: loaded at start, created from the demo plant when "
                     "missing, written by a checkpoint."),
      QStringLiteral("FILE"));
  const QCommandLineOption version(
      QStringLiteral("version"),
      QStringLiteral("Version text the server reports (default 0.95.1)."), QStringLiteral("TEXT"),
      QStringLiteral("0.95.1"));
  const QCommandLineOption work(
      QStringLiteral("work-ms"),
      QStringLiteral("Duration of upload, checkpoint and initialize in ms (default 3000)."),
      QStringLiteral("N"), QStringLiteral("3000"));
  const QCommandLineOption xrefWork(
      QStringLiteral("xref-ms-per-block"),
      QStringLiteral("Simulated work of a cross-reference generation per block read, in ms; "
                     "a run takes this times the blocks of the CPs in its list (default 100)."),
      QStringLiteral("N"), QStringLiteral("100"));
  parser.addOptions({listen, port, data, version, work, xrefWork});

  ParsedArgs result;
  if (!parser.parse(args)) {
    result.text = parser.errorText();
    return result;
  }
  if (parser.isSet(help)) {
    result.help = true;
    result.text = parser.helpText();
    return result;
  }
  if (!parser.positionalArguments().isEmpty()) {
    result.text = QStringLiteral("unexpected argument: ") + parser.positionalArguments().first();
    return result;
  }

  SimOptions options;
  options.listen = parser.value(listen);
  bool ok = false;
  const uint portValue = parser.value(port).toUInt(&ok);
  if (!ok || portValue > 65535) {
    result.text =
        QStringLiteral("--port needs a number from 0 to 65535, not ") + parser.value(port);
    return result;
  }
  options.port = static_cast<quint16>(portValue);
  options.dataFile = parser.value(data);
  options.version = parser.value(version);
  const int workMs = parser.value(work).toInt(&ok);
  if (!ok || workMs < 0) {
    result.text =
        QStringLiteral("--work-ms needs a number of milliseconds, not ") + parser.value(work);
    return result;
  }
  options.workMs = workMs;
  const int xrefMs = parser.value(xrefWork).toInt(&ok);
  if (!ok || xrefMs < 0 || xrefMs > kMaxXrefMsPerBlock) {
    result.text = QStringLiteral("--xref-ms-per-block needs a number from 0 to ") +
                  QString::number(kMaxXrefMsPerBlock) + QStringLiteral(", not ") +
                  parser.value(xrefWork);
    return result;
  }
  options.xrefMsPerBlock = xrefMs;
  result.options = options;
  return result;
}

Engine::Logger stderrLogger() {
  return [](const std::string& line) {
    // The engine and the server escape client text already; this catches
    // anything else on its way to a terminal.
    std::fprintf(stderr, "tarvo-sim: %s\n", text::logSafe(line).c_str());
    std::fflush(stderr);
  };
}

SimInstance::SimInstance(Engine::Logger logger) : logger_(std::move(logger)) {}

SimInstance::~SimInstance() {
  server_.reset();  // before the engine it uses
  engine_.reset();
}

bool SimInstance::start(const SimOptions& options, QString* error) {
  QHostAddress address;
  if (options.listen.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
    address = QHostAddress(QHostAddress::LocalHost);
  else if (!address.setAddress(options.listen)) {
    *error = QStringLiteral("--listen needs an IP address, not ") + options.listen;
    return false;
  }

  Plant plant;
  if (options.dataFile.isEmpty()) {
    plant = buildDemoPlant();
  } else if (QFileInfo(options.dataFile).exists() || QFileInfo(options.dataFile).isSymLink()) {
    PlantLoad load = loadPlantFile(options.dataFile);
    if (!load.plant) {
      *error = load.error;
      return false;
    }
    plant = std::move(*load.plant);
    if (logger_) logger_("plant loaded from " + toStd(options.dataFile));
  } else {
    plant = buildDemoPlant();
    const QString problem = savePlantFile(options.dataFile, plant);
    if (!problem.isEmpty()) {
      *error = options.dataFile + QStringLiteral(": cannot create: ") + problem;
      return false;
    }
    if (logger_) logger_("demo plant written to " + toStd(options.dataFile));
  }

  EngineOptions engineOptions;
  engineOptions.version = options.version.toLatin1().toStdString();
  engineOptions.workMs = options.workMs;
  engineOptions.xrefMsPerBlock = options.xrefMsPerBlock;
  server_.reset();
  engine_ = std::make_unique<Engine>(std::move(plant), engineOptions);
  engine_->setLogger(logger_);
  server_ = std::make_unique<SimServer>(*engine_);
  if (!options.dataFile.isEmpty()) {
    // Runs on the server's writer thread: only the path and the snapshot.
    const QString path = options.dataFile;
    server_->setCheckpointSaver([path](const Plant& p) { return toStd(savePlantFile(path, p)); });
  }
  if (!server_->listen(address, options.port)) {
    *error = QStringLiteral("cannot listen on ") + options.listen + QStringLiteral(":") +
             QString::number(options.port) + QStringLiteral(": ") + server_->errorString();
    return false;
  }
  return true;
}

quint16 SimInstance::port() const {
  return server_ ? server_->port() : 0;
}

QHostAddress SimInstance::address() const {
  return server_ ? server_->address() : QHostAddress();
}

QString SimInstance::endpoint() const {
  const QHostAddress a = address();
  const QString host = a.protocol() == QAbstractSocket::IPv6Protocol
                           ? QStringLiteral("[") + a.toString() + QStringLiteral("]")
                           : a.toString();
  return host + QStringLiteral(":") + QString::number(port());
}

}  // namespace tarvo::sim
