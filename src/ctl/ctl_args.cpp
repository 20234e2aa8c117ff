#include "ctl/ctl_args.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "link/columns.h"
#include "records/journal.h"

namespace tarvo::ctl {

namespace {

struct CommandShape {
  std::string_view name;
  Command command;
  std::size_t minArgs;
  std::size_t maxArgs;
  std::string_view synopsis;
};

constexpr std::size_t kMany = static_cast<std::size_t>(-1);

constexpr std::array<CommandShape, 9> kCommands{{
    {"cps", Command::Cps, 0, 0, "cps"},
    {"compounds", Command::Compounds, 0, 0, "compounds"},
    {"blocks", Command::Blocks, 1, 1, "blocks CP"},
    {"params", Command::Params, 2, 2, "params CP CMP:BLK"},
    {"set", Command::Set, 3, kMany, "set CP CMP:BLK PARAM=VALUE..."},
    {"apply", Command::Apply, 2, 2, "apply CP FILE.csv"},
    {"dump", Command::Dump, 1, kMany, "dump CP [CMP...]"},
    {"diff", Command::Diff, 2, 2, "diff CP FILE.csv"},
    {"revert", Command::Revert, 1, kMany, "revert EVENT-TIME..."},
}};

// Every option, in the order the help lists them; a description runs on at column 23.
constexpr OptionHelp kOptions[] = {
    {"host", "H", "server host (default: the client's settings file)"},
    {"port", "N", "server port (default: the client's settings file, else 1582)"},
    {"settings", "FILE", "the settings file to read instead of the client's TarvoIp.txt"},
    {"json", "", "machine-readable output"},
    {"dry-run", "", "print the frames that would be sent; send nothing"},
    {"override-lock", "", "take over a CP that another station holds"},
    {"ecb", "", "blocks: list the ECB and station blocks too"},
    {"timeout", "SECONDS", "longest wait for an answer (default 30)"},
    {"window", "N",
     "set, apply, dump, diff, revert: blocks under way at once (default\n"
     "1024; 1 waits for each answer before the next request)"},
    {"journal-dir", "DIR",
     "the change journal's folder instead of the user's data folder\n"
     "(written by every change; revert reads it)"},
};
static_assert(kDefaultWindow == 1024, "the help names the default window");

// A whole number of at most 9 digits in [min, max], or nothing.
std::optional<long long> wholeNumber(std::string_view s, long long min, long long max) {
  if (s.empty() || s.size() > 9) return std::nullopt;
  for (const char c : s)
    if (c < '0' || c > '9') return std::nullopt;
  const long long n = leadingNumber(s);
  if (n < min || n > max) return std::nullopt;
  return n;
}

}  // namespace

std::span<const OptionHelp> optionList() {
  return kOptions;
}

std::string usageText() {
  std::string text =
      "Usage: tarvoctl [OPTIONS] COMMAND [ARGS...]\n"
      "\n"
      "Commands:\n";
  for (const auto& c : kCommands) text += "  " + std::string(c.synopsis) + "\n";
  text +=
      "\n"
      "  cps, compounds      list the CP/volumes, the compounds and their CPs\n"
      "  blocks              list the compounds and blocks of a CP\n"
      "  params              list a block's parameters and values\n"
      "  set                 change parameters of one block in one transaction\n"
      "  apply               change parameters from a CSV file of block,parameter,value rows,\n"
      "                      one transaction per block; values already so are not sent\n"
      "  dump                every parameter of every block of a CP (or of the compounds\n"
      "                      named) as the CSV file apply reads\n"
      "  diff                what differs between a CP and such a file (exit 1 when any)\n"
      "  revert              set the parameters of journaled changes back to their old\n"
      "                      values; a change is named by its time in the journal\n"
      "                      (2026-12-06T15:09:22.381Z)\n"
      "\n"
      "Options:\n";
  for (const OptionHelp& o : kOptions) {
    std::string shown = "--" + std::string(o.name);
    if (!o.value.empty()) shown += " " + std::string(o.value);
    shown.resize(std::max<std::size_t>(shown.size() + 1, 20), ' ');
    std::string description(o.description);
    for (std::size_t at = 0; (at = description.find('\n', at)) != std::string::npos; at += 23)
      description.insert(at + 1, 22, ' ');
    text += "  " + shown + description + "\n";
  }
  text +=
      "  --help, --version\n"
      "\n"
      "Exit codes: 0 all done, 1 the server refused a change (diff: the CP and the\n"
      "file differ; revert: a change could not be reverted), 2 usage error, a\n"
      "malformed file or no such change in the journal, 3 no connection, no session,\n"
      "or no answer in time.\n";
  return text;
}

std::string applyOption(Options& o, std::string_view name, const std::string& value) {
  bool* flag = name == "json"            ? &o.json
               : name == "dry-run"       ? &o.dryRun
               : name == "override-lock" ? &o.overrideLock
               : name == "ecb"           ? &o.ecb
                                         : nullptr;
  if (flag) {
    *flag = true;
    return {};
  }
  const std::string option = "--" + std::string(name);
  if (value.empty()) return option + " needs a value";
  if (name == "host") {
    o.host = value;
  } else if (name == "settings") {
    o.settingsPath = value;
  } else if (name == "journal-dir") {
    o.journalDir = value;
  } else if (name == "port") {
    const auto port = wholeNumber(value, 1, 65535);
    if (!port) return option + " needs a port number from 1 to 65535, not " + value;
    o.port = static_cast<std::uint16_t>(*port);
  } else if (name == "timeout") {
    const auto seconds = wholeNumber(value, 1, 3600);
    if (!seconds) return option + " needs a number of seconds from 1 to 3600, not " + value;
    o.timeoutSeconds = static_cast<int>(*seconds);
  } else if (name == "window") {
    const auto blocks = wholeNumber(value, 1, static_cast<long long>(kMaxWindow));
    if (!blocks)
      return option + " needs a number of blocks from 1 to " + std::to_string(kMaxWindow) +
             ", not " + value;
    o.window = static_cast<std::size_t>(*blocks);
  } else {
    return "unknown option " + option;
  }
  return {};
}

ParsedArgs commandFromWords(Options o, const std::vector<std::string>& positional) {
  ParsedArgs parsed;
  auto fail = [&](std::string why) {
    parsed.error = std::move(why);
    return parsed;
  };
  if (positional.empty()) return fail("no command given");
  const CommandShape* shape = nullptr;
  for (const auto& c : kCommands)
    if (c.name == positional[0]) shape = &c;
  if (!shape) return fail("unknown command " + positional[0]);
  const std::size_t n = positional.size() - 1;
  if (n < shape->minArgs || n > shape->maxArgs)
    return fail("usage: tarvoctl [OPTIONS] " + std::string(shape->synopsis));
  o.command = shape->command;

  // Everything that goes on the wire must be 8-bit text.
  if (o.command == Command::Revert) {
    for (std::size_t k = 1; k < positional.size(); ++k) {
      const auto time = records::parseIsoUtc(positional[k]);
      if (!time)
        return fail("\"" + positional[k] +
                    "\" is not the time of a journal event (2026-12-06T15:09:22.381Z)");
      o.eventTimes.push_back(*time);
    }
    parsed.options = std::move(o);
    return parsed;
  }
  std::vector<std::string> wire;
  for (std::size_t k = 1; k < positional.size(); ++k) {
    // A path, not wire text.
    if ((o.command == Command::Apply || o.command == Command::Diff) && k == 2) break;
    const auto latin1 = latin1FromUtf8(positional[k]);
    if (!latin1) return fail("\"" + positional[k] + "\" holds characters the server can not take");
    wire.push_back(*latin1);
  }
  if (n >= 1) {
    o.cp = upperAscii(wire[0]);
    if (const std::string p = cpNameProblem(o.cp); !p.empty()) return fail(p);
  }
  if (o.command == Command::Params || o.command == Command::Set) {
    o.block = upperAscii(wire[1]);
    if (const std::string p = blockNameProblem(o.block); !p.empty()) return fail(p);
  }
  if (o.command == Command::Set) {
    for (std::size_t k = 2; k < wire.size(); ++k) {
      std::string problem;
      auto a = parseAssignment(wire[k], problem);
      if (!a) return fail(problem);
      o.assignments.push_back(std::move(*a));
    }
  }
  if (o.command == Command::Dump) {
    for (std::size_t k = 1; k < wire.size(); ++k) {
      std::string compound = upperAscii(wire[k]);
      std::string p = blockNameProblem(compound);
      if (p.empty() && compound.find(':') != std::string::npos)
        p = compound + " is a block; dump takes compounds";
      if (!p.empty()) return fail(p);
      o.compounds.push_back(std::move(compound));
    }
  }
  if (o.command == Command::Apply || o.command == Command::Diff) o.csvPath = positional[2];
  parsed.options = std::move(o);
  return parsed;
}

}  // namespace tarvo::ctl
