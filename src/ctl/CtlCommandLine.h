#pragma once
// tarvoctl's command line read by QCommandLineParser; what the options and the command
// words mean is ctl_args'.
#include <QStringList>

#include "ctl/ctl_args.h"

namespace tarvo::ctl {

// The arguments as QCoreApplication::arguments() gives them, the program first.
ParsedArgs parseCommandLine(const QStringList& arguments);

}  // namespace tarvo::ctl
