#pragma once
// Runs one tarvoctl command: finds the server, reads the CSV file, connects, holds the
// conversation with bounded waits, journals every change, and prints the outcome.
#include <QIODevice>
#include <QString>
#include <optional>
#include <string_view>

#include "ctl/ctl_args.h"
#include "ctl/ctl_plan.h"
#include "ctl/ctl_revert.h"
#include "records/config_diff.h"

namespace tarvo::ctl {

class CtlRunner {
 public:
  // `out` takes the results, `err` the errors; both stay owned by the caller.
  CtlRunner(Options options, QIODevice& out, QIODevice& err);

  // Runs to the end in an event loop of its own and returns the exit code.
  int run();

 private:
  std::optional<Plan> readCsv();
  std::optional<records::ConfigFile> readConfigFile();
  std::optional<RevertRun> readJournal();
  void print(QIODevice& to, std::string_view latin1Text);
  void error(const QString& text);

  Options options_;
  QIODevice& out_;
  QIODevice& err_;
};

}  // namespace tarvo::ctl
