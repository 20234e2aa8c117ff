#pragma once
// tarvoctl's command line.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ctl/ctl_plan.h"

namespace tarvo::ctl {

enum class Command { Cps, Compounds, Blocks, Params, Set, Apply, Dump, Diff, Revert };

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;     // the server refused a change (or a request);
                                           // diff: the CP and the file differ
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
  std::vector<Assignment> assignments;   // set
  std::string csvPath;                   // apply, diff
  std::vector<std::string> compounds;    // dump: only these (all when empty)
  std::vector<std::int64_t> eventTimes;  // revert: the changes named by their time
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

// The command and its words, as they follow the options (UTF-8): checked, turned into wire
// text and added to `options`, or what is wrong with them.
ParsedArgs commandFromWords(Options options, const std::vector<std::string>& words);

// An option, as the help shows it: --name VALUE, and what it does.
struct OptionHelp {
  std::string_view name;
  std::string_view value;  // "" for a flag
  std::string_view description;
};
// Every option but --help and --version.
std::span<const OptionHelp> optionList();

// One option as the command line gave it (`value` empty for a flag): stored in `options`,
// or why it cannot be.
std::string applyOption(Options& options, std::string_view name, const std::string& value);

// The help text: usage, commands, options, exit codes.
std::string usageText();

}  // namespace tarvo::ctl
