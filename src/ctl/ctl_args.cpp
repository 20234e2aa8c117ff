#include "ctl/ctl_args.h"

#include <array>
#include <string_view>
#include <utility>

#include "link/columns.h"

namespace tarvo::ctl {

namespace {

struct CommandShape {
  std::string_view name;
  Command command;
  std::size_t minArgs;
  std::size_t maxArgs;
  std::string_view synopsis;
};

constexpr std::array<CommandShape, 6> kCommands{{
    {"cps", Command::Cps, 0, 0, "cps"},
    {"compounds", Command::Compounds, 0, 0, "compounds"},
    {"blocks", Command::Blocks, 1, 1, "blocks CP"},
    {"params", Command::Params, 2, 2, "params CP CMP:BLK"},
    {"set", Command::Set, 3, static_cast<std::size_t>(-1), "set CP CMP:BLK PARAM=VALUE..."},
    {"apply", Command::Apply, 2, 2, "apply CP FILE.csv"},
}};

// A whole number in [min, max], or nothing.
std::optional<long long> number(std::string_view s, long long min, long long max) {
  if (s.empty() || s.size() > 9) return std::nullopt;
  for (const char c : s)
    if (c < '0' || c > '9') return std::nullopt;
  const long long n = leadingNumber(s);
  if (n < min || n > max) return std::nullopt;
  return n;
}

}  // namespace

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
      "                      one transaction per block\n"
      "\n"
      "Options:\n"
      "  --host H            server host (default: the client's settings file)\n"
      "  --port N            server port (default: the client's settings file, else 1582)\n"
      "  --settings FILE     the settings file to read instead of TarvoIp.txt beside tarvoctl\n"
      "  --json              machine-readable output\n"
      "  --dry-run           print the frames that would be sent; send nothing\n"
      "  --override-lock     take over a CP that another station holds\n"
      "  --ecb               blocks: list the ECB and station blocks too\n"
      "  --timeout SECONDS   longest wait for an answer (default 30)\n"
      "  --window N          set, apply: blocks under way at once (default 1024; 1 waits for\n"
      "                      each answer before the next request)\n"
      "  --journal-dir DIR   write the change journal there instead of the user's data folder\n"
      "  --help, --version\n"
      "\n"
      "Exit codes: 0 all done, 1 the server refused a change, 2 usage error,\n"
      "3 no connection, no session, or no answer in time.\n";
  return text;
}

ParsedArgs parseArgs(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  Options o;
  std::vector<std::string> positional;
  auto fail = [&](std::string why) {
    parsed.error = std::move(why);
    return parsed;
  };

  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg.substr(0, 2) != "--") {
      if (arg == "-h") {
        parsed.help = true;
        return parsed;
      }
      positional.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // --name=value or --name value
    std::string_view name = arg;
    std::optional<std::string> inlineValue;
    if (const auto eq = arg.find('='); eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      inlineValue = std::string(arg.substr(eq + 1));
    }
    auto value = [&]() -> std::optional<std::string> {
      if (inlineValue) return inlineValue;
      if (i + 1 < args.size()) return args[++i];
      return std::nullopt;
    };
    auto flag = [&](bool& to) {
      if (inlineValue) return false;
      to = true;
      return true;
    };
    if (name == "--help") {
      parsed.help = true;
      return parsed;
    }
    if (name == "--version") {
      parsed.version = true;
      return parsed;
    }
    if (name == "--json" || name == "--dry-run" || name == "--override-lock" || name == "--ecb") {
      bool& to = name == "--json"      ? o.json
                 : name == "--dry-run" ? o.dryRun
                 : name == "--ecb"     ? o.ecb
                                       : o.overrideLock;
      if (!flag(to)) return fail(std::string(name) + " takes no value");
      continue;
    }
    if (name != "--host" && name != "--port" && name != "--settings" && name != "--timeout" &&
        name != "--journal-dir" && name != "--window")
      return fail("unknown option " + std::string(name));
    const std::optional<std::string> v = value();
    if (!v || v->empty()) return fail(std::string(name) + " needs a value");
    if (name == "--host") {
      o.host = *v;
    } else if (name == "--port") {
      const auto port = number(*v, 1, 65535);
      if (!port) return fail("--port needs a port number from 1 to 65535, not " + *v);
      o.port = static_cast<std::uint16_t>(*port);
    } else if (name == "--timeout") {
      const auto seconds = number(*v, 1, 3600);
      if (!seconds) return fail("--timeout needs a number of seconds from 1 to 3600, not " + *v);
      o.timeoutSeconds = static_cast<int>(*seconds);
    } else if (name == "--window") {
      const auto blocks = number(*v, 1, static_cast<long long>(kMaxWindow));
      if (!blocks)
        return fail("--window needs a number of blocks from 1 to " + std::to_string(kMaxWindow) +
                    ", not " + *v);
      o.window = static_cast<std::size_t>(*blocks);
    } else if (name == "--settings") {
      o.settingsPath = *v;
    } else {
      o.journalDir = *v;
    }
  }

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
  std::vector<std::string> wire;
  for (std::size_t k = 1; k < positional.size(); ++k) {
    if (o.command == Command::Apply && k == 2) break;  // a path, not wire text
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
  if (o.command == Command::Apply) o.csvPath = positional[2];
  parsed.options = std::move(o);
  return parsed;
}

}  // namespace tarvo::ctl
