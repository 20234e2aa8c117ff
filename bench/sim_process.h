#pragma once
// tarvo-sim started as a program of its own on a free loopback port, serving a plant
// written for it, as a server on another machine would: its work does not share the
// benchmark's thread.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include "sim/plant.h"

namespace tarvo::bench {

class SimProcess {
 public:
  SimProcess() = default;
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Writes `plant` to a plant file and starts the program on it. False, with the reason in
  // *error, when it cannot.
  bool start(const sim::Plant& plant, QString* error);
  quint16 port() const { return port_; }

 private:
  QTemporaryDir dir_;
  QProcess process_;
  quint16 port_ = 0;
};

}  // namespace tarvo::bench
