#include "sim_process.h"

#include "sim/plant_store.h"

namespace tarvo::bench {

SimProcess::~SimProcess() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(3000)) {
    process_.kill();
    process_.waitForFinished(3000);
  }
}

bool SimProcess::start(const sim::Plant& plant, QString* error) {
  if (!dir_.isValid()) {
    *error = QStringLiteral("no temporary folder");
    return false;
  }
  const QString file = dir_.filePath(QStringLiteral("plant.txt"));
  const QString problem = sim::savePlantFile(file, plant);
  if (!problem.isEmpty()) {
    *error = problem;
    return false;
  }
  // Its log is not read: a full pipe must not stall it.
  process_.setStandardErrorFile(QProcess::nullDevice());
  process_.start(QStringLiteral(TARVO_SIM_PROGRAM),
                 {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"), file});
  // The first line says where it listens: "tarvo-sim listening on 127.0.0.1:PORT".
  QByteArray first;
  while (!first.contains('\n') && process_.waitForReadyRead(10000)) first += process_.readAll();
  const qsizetype colon = first.lastIndexOf(':');
  bool ok = false;
  port_ = colon < 0 ? 0 : first.mid(colon + 1).trimmed().toUShort(&ok);
  if (!ok || port_ == 0) {
    *error = QStringLiteral("tarvo-sim did not start: ") + QString::fromLocal8Bit(first) +
             process_.errorString();
    return false;
  }
  return true;
}

}  // namespace tarvo::bench
