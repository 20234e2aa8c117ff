#pragma once
// tarvoctl's command line.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ctl/ctl_plan.h"

namespace tarvo::ctl {

enum class Command { Cps, Compounds, Blocks, Params, Set, Apply };

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;     // the server refused a change (or a request)
inline constexpr int kExitUsage = 2;       // the command line or the CSV file is wrong
inline constexpr int kExitConnection = 3;  // no connection, no session, lost, or timed out

// Blocks of set and apply between their parameter list asked for and their answer.
inline constexpr std::size_t kDefaultWindow = 1024;
inline constexpr std::size_t kMaxWindow = 2048;

struct Options {
  // Paths and the host are UTF-8, as given; names and values are wire text (Latin-1).
  std::optional<std::string> host;
  std::optional<std::uint16_t> port;
  std::optional<std::string> settingsPath;
  std::optional<std::string> journalDir;
  Command command = Command::Cps;
  std::string cp;
  std::string block;
  std::vector<Assignment> assignments;  // set
  std::string csvPath;                  // apply
  bool json = false;
  bool dryRun = false;
  bool overrideLock = false;
  bool ecb = false;  // blocks: with the ECB and station blocks
  int timeoutSeconds = 30;
  std::size_t window = kDefaultWindow;
};

struct ParsedArgs {
  std::optional<Options> options;
  bool help = false;
  bool version = false;
  std::string error;  // what is wrong with the command line
};

// `args` without the program name, UTF-8.
ParsedArgs parseArgs(const std::vector<std::string>& args);

std::string usageText();

}  // namespace tarvo::ctl
