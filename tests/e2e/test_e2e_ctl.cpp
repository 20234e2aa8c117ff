// tarvoctl against tarvo-sim: a bulk change from a CSV file, refusals reported while the
// rest is applied, exit codes, a dry run that sends nothing, and the change journal; the
// pipeline against the simulator's engine, counted in round trips; against scripted
// servers, a connection lost mid-way, lines that must not hold the deadline back and
// lists without end; CSV files that are not what they seem.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTimer>
#include <algorithm>
#include <limits>
#include <map>

#include "ctl/CtlCommandLine.h"
#include "ctl/conversation.h"
#include "ctl/ctl_args.h"
#include "ctl/ctl_output.h"
#include "records/csv.h"
#include "records/journal.h"
#include "records/journal_tracker.h"
#include "records/settings_file.h"
#include "sim/plant_file.h"
#include "sim/sim_app.h"
#include "sim/sim_test_util.h"
#include "support/ClientFixture.h"
#include "support/FakeServer.h"

using namespace tarvo;

namespace {

constexpr int kCompounds = 5;
constexpr int kBlocksEach = 10;

std::string blockName(int compound, int block) {
  return "C" + std::to_string(compound) + ":B" + (block < 10 ? "0" : "") + std::to_string(block);
}

struct Ran {
  int code = -1;
  QString out;
  QString err;
  QByteArray bytes;  // standard output as written
};

// A conversation held with the simulator's engine in this process, in rounds: everything
// the conversation has sent is answered at once, and what it sends on those answers goes
// in the next round. The rounds are the round trips the run waits for. A journal tracker
// follows the wire as the program's change journal does.
struct Held {
  int roundTrips = 0;
  std::size_t mostInFlight = 0;
  std::vector<std::string> journal;  // the events as their JSON lines, time left out
};

Held hold(sim::Engine& engine, ctl::Conversation& c,
          std::size_t dropAfterLines = std::numeric_limits<std::size_t>::max()) {
  Held held;
  records::JournalTracker tracker(
      [&](const records::JournalEvent& e) {
        held.journal.push_back(records::formatJournalLine(e));
      },
      [] { return std::int64_t{0}; });
  const sim::ConnId id = engine.connect();
  std::vector<std::string> out = c.start();
  std::size_t lines = 0;
  while (!out.empty()) {
    std::vector<std::string> replies;
    for (const std::string& command : out) {
      tracker.commandSent(command);
      for (sim::Outgoing& o : engine.handle(id, command))
        if (o.conn == id) replies.push_back(std::move(o.line));
    }
    out.clear();
    if (c.finished()) break;
    ++held.roundTrips;
    for (const std::string& line : replies) {
      if (lines++ == dropAfterLines) {
        c.connectionLost();
        out.clear();
        break;
      }
      tracker.lineReceived(line);
      for (std::string& command : c.lineReceived(line)) out.push_back(std::move(command));
      held.mostInFlight = std::max(held.mostInFlight, c.blocksInFlight());
    }
  }
  tracker.connectionEnded();
  engine.disconnect(id);
  return held;
}

}  // namespace

TEST(CtlCommandLine, OptionsAreReadWhereverTheyStandAndMistakesRefused) {
  const auto parse = [](const QStringList& args) {
    return ctl::parseCommandLine(QStringList{"tarvoctl"} + args);
  };
  const ctl::ParsedArgs set =
      parse({"--host", "plant1", "set", "cp6001", "boiler:lc101", "PBAND=90", "--port=1600",
             "--json", "--override-lock", "--window", "1", "--timeout=5"});
  ASSERT_TRUE(set.options) << set.error;
  const ctl::Options& o = *set.options;
  EXPECT_TRUE(o.command == ctl::Command::Set && o.json && o.overrideLock && !o.dryRun && !o.ecb);
  EXPECT_TRUE(o.host == "plant1" && o.port == 1600 && o.window == 1 && o.timeoutSeconds == 5);
  EXPECT_EQ(o.cp + " " + o.block + " " + o.assignments.at(0).value, "CP6001 BOILER:LC101 90");
  const ctl::ParsedArgs defaults = parse({"apply", "CP6001", "--dry-run", "f.csv"});
  EXPECT_TRUE(defaults.options->dryRun && defaults.options->window == ctl::kDefaultWindow &&
              defaults.options->timeoutSeconds == 30 && !defaults.options->host);
  EXPECT_TRUE(parse({"cps", "--bogus", "-h"}).help);
  EXPECT_TRUE(parse({"--version"}).version);
  // After "--" a word is a word.
  EXPECT_EQ(parse({"--", "--json"}).error, "unknown command --json");

  const std::pair<QStringList, const char*> bad[] = {
      {{"cps", "--port", "70000"}, "--port needs a port number from 1 to 65535, not 70000"},
      {{"cps", "--host"}, "Missing value after '--host'."},
      {{"cps", "--host="}, "--host needs a value"},
      {{"cps", "--json=yes"}, "Unexpected value after '--json'."},
      {{"cps", "--window", "0"}, "--window needs a number of blocks from 1 to 2048, not 0"},
      {{"cps", "--timeout", "1e3"}, "--timeout needs a number of seconds from 1 to 3600, not 1e3"},
      {{"--bogus", "cps"}, "Unknown option 'bogus'."},
      {{"blocks"}, "usage: tarvoctl [OPTIONS] blocks CP"},
  };
  for (const auto& [args, error] : bad) {
    const ctl::ParsedArgs p = parse(args);
    EXPECT_TRUE(!p.options && p.error == error) << error << ": " << p.error;
  }
  // The help keeps its shape: usage, commands, options (each one), exit codes.
  const std::string help = ctl::usageText();
  EXPECT_EQ(help.rfind("Usage: tarvoctl [OPTIONS] COMMAND [ARGS...]\n\nCommands:\n", 0), 0u);
  for (const char* line :
       {"\n  --timeout SECONDS   longest wait",
        "\n  --ecb               blocks:", "\n                      1024; 1 waits for each answer",
        "\n  --help, --version\n\nExit codes:"})
    EXPECT_NE(help.find(line), std::string::npos) << line;
}

class CtlEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    // 50 CALC blocks on CPT01 (and one more whose change is refused), and a CP that another
    // station holds.
    std::string plant = "TARVO-SIM-PLANT 1\nCP CPT01 CP FCP280\n";
    for (int c = 1; c <= kCompounds; ++c) {
      plant += "COMPOUND C" + std::to_string(c) + "\n";
      for (int b = 1; b <= kBlocksEach; ++b)
        plant += "BLOCK " + blockName(c, b).substr(3) + " CALC\n";
      if (c == 1) plant += "BLOCK BAD CALC\n";
    }
    plant += "CP CPT02 CP FCP280\nHELDBY AW5102\nCOMPOUND D1\nBLOCK B01 CALC\nEND\n";
    plantText = plant;
    sim::SimOptions options;
    options.port = 0;
    options.dataFile = writeFile("plant.txt", plant);
    QString error;
    ASSERT_TRUE(sim.start(options, &error)) << error.toStdString();
    QObject::connect(&sim.server(), &sim::SimServer::clientConnected, [this] { ++connections; });
  }

  // Runs the tarvoctl program against the simulator, or against `port`.
  Ran ctl(const QStringList& args, quint16 port = 0) {
    QProcess process;
    startCtl(process, args, port);
    return ended(process);
  }
  void startCtl(QProcess& process, const QStringList& args, quint16 port = 0) {
    process.start(
        QStringLiteral(TARVO_CTL_EXE),
        QStringList{"--host", "127.0.0.1", "--port", QString::number(port ? port : sim.port()),
                    "--journal-dir", journalDir(), "--timeout", "20"} +
            args);
  }
  static Ran ended(QProcess& process, int withinMs = 30000) {
    EXPECT_TRUE(test::waitUntil([&] { return process.state() == QProcess::NotRunning; }, withinMs));
    if (process.state() != QProcess::NotRunning) process.kill();
    process.waitForFinished();
    const QByteArray out = process.readAllStandardOutput();
    return {process.exitCode(), QString::fromLocal8Bit(out),
            QString::fromLocal8Bit(process.readAllStandardError()), out};
  }

  // An engine on the test's plant, as the simulator started with it.
  std::unique_ptr<sim::Engine> engine() {
    auto read = sim::readPlantText(plantText);
    EXPECT_TRUE(read.plant) << read.error;
    auto e = std::make_unique<sim::Engine>(std::move(*read.plant));
    e->setLogger([](const std::string&) {});
    return e;
  }

  static ctl::Job applyJob(const std::string& csv, std::size_t window) {
    ctl::Job job;
    job.command = ctl::Command::Apply;
    job.cp = "CPT01";
    job.localHost = "ws01";
    job.window = window;
    job.plan = ctl::planFromCsv(csv);
    EXPECT_TRUE(job.plan.errors.empty());
    return job;
  }

  std::string value(const std::string& block, const char* param) {
    return sim::testing::valueOf(sim.engine().plant(), block, param);
  }

  QString journalDir() const { return dir.filePath(QStringLiteral("journal")); }

  std::vector<records::JournalEvent> journal() {
    std::vector<records::JournalEvent> events;
    for (const QFileInfo& f : QDir(journalDir()).entryInfoList(QDir::Files)) {
      QFile file(f.filePath());
      EXPECT_TRUE(file.open(QIODevice::ReadOnly));
      EXPECT_EQ(records::parseJournalText(file.readAll().toStdString(), events), 0u);
    }
    return events;
  }

  QString writeFile(const char* name, const std::string& text) {
    QFile file(dir.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
    return file.fileName();
  }

  // 200 changes over the 50 blocks, two refused values and an unknown block among them.
  std::string bulkCsv() {
    std::string csv = records::csvRecord({"block", "parameter", "value"});
    for (int n = 1; n <= kCompounds * kBlocksEach; ++n) {
      const std::string name = blockName((n - 1) / kBlocksEach + 1, (n - 1) % kBlocksEach + 1);
      csv += records::csvRecord({name, "DESCRP", "Pump " + std::to_string(n) + ", \"main\""});
      csv += records::csvRecord({name, "PERIOD", std::to_string(n % 13)});
      csv += records::csvRecord({name, "PHASE", std::to_string(n)});
      csv += records::csvRecord({name, "LOOPID", "L-" + std::to_string(n)});
      if (n == 20) csv += records::csvRecord({"C9:NOPE", "DESCRP", "x"});
      if (n == 30) csv += records::csvRecord({"C1:BAD", "PERIOD", "lots"});
      if (n == 40) csv += records::csvRecord({"C4:B10", "PHASE", "heaps"});
    }
    csv += records::csvRecord({"C1:BAD", "DESCRP", "never stored"});
    return csv;
  }

  QTemporaryDir dir;
  sim::SimInstance sim{[](const std::string&) {}};
  std::string plantText;
  int connections = 0;
};

TEST_F(CtlEndToEnd, ACsvOf200ChangesIsAppliedAndTheRefusalsAreReportedAfterADryRunSentNothing) {
  const QString csv = writeFile("changes.csv", bulkCsv());
  const Ran dry = ctl({"--dry-run", "apply", "CPT01", csv});
  EXPECT_EQ(dry.code, ctl::kExitOk) << dry.err.toStdString();
  // Open, then per block its list, MODSTART, the changes, MODEND and MODDONE, then close.
  EXPECT_EQ(dry.out.count(u'\n'), 1 + 52 * 4 + 204 + 1);
  EXPECT_EQ(connections, 0);
  EXPECT_FALSE(QDir(journalDir()).exists());

  const Ran ran = ctl({"apply", "CPT01", csv});
  EXPECT_EQ(ran.code, ctl::kExitRefused) << ran.err.toStdString();
  const QStringList lines = ran.out.split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 52) << ran.out.toStdString();
  // A value the block holds already is left out (PERIOD is 1 in C1:B01, C2:B04 and C3:B07).
  EXPECT_EQ(lines.filter(QRegularExpression("^C\\d:B\\d\\d +done +4 changes$")).size(), 46);
  EXPECT_EQ(lines.filter(QRegularExpression("^C\\d:B\\d\\d +done +4 changes +1 unchanged$")).size(),
            3);
  // The simulator's reasons reach the report.
  EXPECT_TRUE(lines.contains("C9:NOPE  error      1 change     C9:NOPE not found in CPT01"))
      << ran.out.toStdString();
  EXPECT_TRUE(lines.filter("C1:BAD ").value(0).contains("error      2 changes    PERIOD needs"))
      << ran.out.toStdString();
  EXPECT_TRUE(lines.filter("C4:B10 ").value(0).contains("error      5 changes    PHASE needs"))
      << ran.out.toStdString();
  EXPECT_TRUE(ran.err.contains("refused the changes of 3 of 52 blocks"));

  for (int n = 1; n <= kCompounds * kBlocksEach; ++n) {
    if (n == 40) continue;  // refused whole
    const std::string name = blockName((n - 1) / kBlocksEach + 1, (n - 1) % kBlocksEach + 1);
    const std::string i = std::to_string(n);
    EXPECT_EQ(value(name, "DESCRP") + "|" + value(name, "PERIOD") + "|" + value(name, "PHASE") +
                  "|" + value(name, "LOOPID"),
              "Pump " + i + ", \"main\"|" + std::to_string(n % 13) + "|" + i + "|L-" + i);
  }
  EXPECT_NE(value("C1:BAD", "DESCRP"), "never stored");

  // One line when each transaction went out and one with its answer; the unknown block
  // never got as far as a change.
  const auto events = journal();
  ASSERT_EQ(events.size(), 102u);
  EXPECT_EQ(std::count_if(events.begin(), events.end(),
                          [](const auto& e) { return e.result == records::Outcome::Done; }),
            49);
  EXPECT_EQ(events[0].cp + " " + events[0].what + " " + events[0].block, "CPT01 edit C1:B01");
  EXPECT_EQ(events[0].changes.size(), 3u);  // PERIOD was 1 already: not sent
  EXPECT_EQ(events[0].changes[1], (records::ParamChange{"PHASE", "0", "1"}));
}

TEST_F(CtlEndToEnd, ExitCodesTellUsageLockAndConnectionApart) {
  EXPECT_EQ(ctl({"set", "CPT01", "C1:B01", "PHASE=7"}).code, ctl::kExitOk);
  EXPECT_EQ(value("C1:B01", "PHASE"), "7");
  EXPECT_EQ(ctl({"set", "CPT01", "C1:B01"}).code, ctl::kExitUsage);
  const Ran bogus = ctl({"--bogus", "cps"});
  EXPECT_EQ(bogus.code, ctl::kExitUsage);
  EXPECT_EQ(bogus.err, "tarvoctl: Unknown option 'bogus'.\nTry 'tarvoctl --help' for more.\n");

  // The CP another station holds is left alone unless the lock is to be overridden.
  const Ran locked = ctl({"set", "CPT02", "D1:B01", "PHASE=5"});
  EXPECT_EQ(locked.code, ctl::kExitConnection);
  EXPECT_TRUE(locked.err.contains("[CPT02] is locked")) << locked.err.toStdString();
  EXPECT_EQ(value("D1:B01", "PHASE"), "0");
  EXPECT_EQ(ctl({"--override-lock", "set", "CPT02", "D1:B01", "PHASE=5"}).code, ctl::kExitOk);
  EXPECT_EQ(value("D1:B01", "PHASE"), "5");

  QTcpServer closed;
  ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
  const quint16 nobody = closed.serverPort();
  closed.close();
  const Ran refused = ctl({"cps"}, nobody);
  EXPECT_EQ(refused.code, ctl::kExitConnection);
  EXPECT_TRUE(refused.err.startsWith("tarvoctl: can not connect to 127.0.0.1:"));
}

TEST_F(CtlEndToEnd, BlocksAreListedAsTheServerHoldsThem) {
  const Ran ran = ctl({"--json", "blocks", "cpt01"});
  EXPECT_EQ(ran.code, ctl::kExitOk) << ran.err.toStdString();
  EXPECT_TRUE(ran.out.contains("{\"name\": \"C5:B10\", \"type\": \"CALC\"}"))
      << ran.out.toStdString();
  EXPECT_EQ(ran.out.count("\"COMPND\""), kCompounds);
}

// ---- the pipeline ----------------------------------------------------------------------

TEST_F(CtlEndToEnd, APipelinedApplyChangesAndJournalsExactlyWhatTheSequentialRunDoes) {
  const std::string csv = bulkCsv();
  auto sequential = engine();
  ctl::Conversation one(applyJob(csv, 1));
  const Held strict = hold(*sequential, one);
  // Each block's list and then its transaction, one request at a time.
  EXPECT_EQ(strict.roundTrips, 2 * 51 + 1);  // the unknown block's list refused, no transaction

  for (const std::size_t window : {std::size_t{8}, ctl::kDefaultWindow}) {
    auto pipelined = engine();
    ctl::Conversation c(applyJob(csv, window));
    const Held held = hold(*pipelined, c);
    EXPECT_LE(held.mostInFlight, window);
    EXPECT_LE(held.roundTrips, window == 8 ? 2 * (52 / 8 + 1) : 2);
    EXPECT_EQ(sim::writePlantText(pipelined->plant()), sim::writePlantText(sequential->plant()));
    // Every block reported as in the strict run: the refusals in the middle land on their
    // own blocks, and the others are done.
    EXPECT_EQ(ctl::formatReport("CPT01", c.plan(), c.outcome(), true),
              ctl::formatReport("CPT01", one.plan(), one.outcome(), true));
    EXPECT_EQ(c.exitCode(), ctl::kExitRefused);
    // The same journal lines, in another order.
    auto lines = held.journal;
    auto expected = strict.journal;
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
  }
}

TEST_F(CtlEndToEnd, EachCommandWaitsOnlyForTheAnswersItNeeds) {
  const auto roundTrips = [&](ctl::Command command, const std::string& block = {},
                              bool overrideLock = false, const char* cp = "CPT01") {
    ctl::Job job;
    job.command = command;
    job.cp = cp;
    job.block = block;
    job.localHost = "ws01";
    job.overrideLock = overrideLock;
    if (command == ctl::Command::Set) job.plan.add(block, "PHASE", "3");
    auto e = engine();
    ctl::Conversation c(std::move(job));
    const int n = hold(*e, c).roundTrips;
    EXPECT_EQ(c.exitCode(), ctl::kExitOk) << c.failure();
    return n;
  };
  EXPECT_EQ(roundTrips(ctl::Command::Cps), 1);
  EXPECT_EQ(roundTrips(ctl::Command::Compounds), 1);
  // The block list and the parameter list follow the open without waiting for it, and the
  // close follows them.
  EXPECT_EQ(roundTrips(ctl::Command::Blocks), 1);
  EXPECT_EQ(roundTrips(ctl::Command::Params, "C1:B01"), 1);
  // A change waits for its block's list; a lock taken over costs its own round trip.
  EXPECT_EQ(roundTrips(ctl::Command::Set, "C1:B01"), 2);
  EXPECT_EQ(roundTrips(ctl::Command::Set, "D1:B01", true, "CPT02"), 3);
  // A dump waits for its block list, then every parameter list and the close go out.
  EXPECT_EQ(roundTrips(ctl::Command::Dump), 2);
}

TEST_F(CtlEndToEnd, AConnectionLostMidPipelineLeavesEveryUnansweredBlockNotDone) {
  std::string csv;
  for (int b = 1; b <= 10; ++b) csv += blockName(1, b) + ",PHASE," + std::to_string(b) + "\n";
  test::FakeServer server;
  QProcess process;
  startCtl(process, {"--window", "4", "apply", "CPT01", writeFile("few.csv", csv)}, server.port());
  ASSERT_TRUE(server.waitForClient());
  ASSERT_TRUE(server.waitForCommands(1 + 4));
  QStringList lists{"DNOPENCPCPT01"};
  for (int b = 0; b < 4; ++b)
    lists << "CLRPRMLST"
          << "PRMLST PHASE 0"
          << "DNPRMLST";
  server.sendLines(lists);
  ASSERT_TRUE(server.waitForCommands(5 + 4 * 4));  // four transactions
  // The first answered, the second refused; then the server goes away.
  server.sendLines({"DNPRMMOD", QStringLiteral("ERRPRMMOD").leftJustified(90) + "no, not now"});
  ASSERT_TRUE(server.waitForCommands(5 + 16 + 2));  // two more lists asked
  server.dropClient();

  const Ran ran = ended(process);
  EXPECT_EQ(ran.code, ctl::kExitConnection);
  EXPECT_EQ(ran.out.toStdString(),
            "C1:B01  done       1 change\n"
            "C1:B02  error      1 change     no, not now\n"
            "C1:B03  no answer  1 change     no answer: connection lost\n"
            "C1:B04  no answer  1 change     no answer: connection lost\n"
            "C1:B05  not sent   1 change\n"
            "C1:B06  not sent   1 change\n"
            "C1:B07  not sent   1 change\n"
            "C1:B08  not sent   1 change\n"
            "C1:B09  not sent   1 change\n"
            "C1:B10  not sent   1 change\n");
  std::map<std::string, std::vector<records::Outcome>> results;
  for (const auto& e : journal()) results[e.block].push_back(e.result);
  using records::Outcome;
  EXPECT_EQ(results, (std::map<std::string, std::vector<Outcome>>{
                         {"C1:B01", {Outcome::Sent, Outcome::Done}},
                         {"C1:B02", {Outcome::Sent, Outcome::Error}},
                         {"C1:B03", {Outcome::Sent, Outcome::ConnectionLost}},
                         {"C1:B04", {Outcome::Sent, Outcome::ConnectionLost}}}));
}

// ---- hostile servers and odd files -----------------------------------------------------

TEST_F(CtlEndToEnd, LinesNobodyAskedForDoNotHoldTheDeadlineBackAndListsAreBoundedInBytes) {
  test::FakeServer server;
  QProcess process;
  QElapsedTimer clock;
  clock.start();
  startCtl(process, {"--timeout", "2", "cps"}, server.port());
  ASSERT_TRUE(server.waitForClient());
  // A line every quarter second, none of them an answer.
  QTimer garbage;
  QObject::connect(&garbage, &QTimer::timeout, [&] { server.sendLines({"GARBAGE"}); });
  garbage.start(250);
  const Ran ran = ended(process, 15000);
  EXPECT_EQ(ran.code, ctl::kExitConnection);
  EXPECT_EQ(ran.err.toStdString(),
            "tarvoctl: no answer within 2 s while waiting for the CP list\n");
  EXPECT_LT(clock.elapsed(), 10000);
  garbage.stop();

  // Rows of 60 KB: the list stops at its byte bound, where it once grew without one.
  test::FakeServer rows;
  startCtl(process, {"cps"}, rows.port());
  ASSERT_TRUE(rows.waitForClient());
  const QByteArray row = "CPLST     CP6001  " + QByteArray(60 * 1024, 'x') + "\n";
  rows.sendRaw("CLRCPLST\n" + row.repeated(1200));
  const Ran cut = ended(process);
  EXPECT_EQ(cut.code, ctl::kExitRefused);
  EXPECT_EQ(cut.err.toStdString(), "tarvoctl: the list is longer than 67108864 bytes\n");
}

TEST_F(CtlEndToEnd, ACsvFileIsReadAsAStreamWithinItsBoundsAndInOneEncoding) {
  // UTF-8 with one stray Latin-1 byte: refused at that byte's line, nothing sent.
  const QString mixed =
      writeFile("mixed.csv", "C1:B01,DESCRP,Caf\xC3\xA9\nC1:B02,DESCRP,Caf\xE9\n");
  const Ran refused = ctl({"apply", "CPT01", mixed});
  EXPECT_EQ(refused.code, ctl::kExitUsage);
  EXPECT_TRUE(refused.err.contains(": line 2: byte 0xE9 is not UTF-8"))
      << refused.err.toStdString();
  EXPECT_EQ(connections, 0);
  const QString latin1 = writeFile("latin1.csv", "C1:B01,DESCRP,Caf\xE9\n");
  EXPECT_EQ(ctl({"set", "CPT01", "C1:B02", "DESCRP=x"}).code, ctl::kExitOk);
  EXPECT_EQ(ctl({"apply", "CPT01", latin1}).code, ctl::kExitOk);
  EXPECT_EQ(value("C1:B01", "DESCRP"), "Caf\xE9");

#ifndef Q_OS_WIN
  // A device and a pipe, whose size the file system does not know.
  const Ran zero = ctl({"--dry-run", "apply", "CPT01", "/dev/zero"});
  EXPECT_EQ(zero.code, ctl::kExitUsage);
  EXPECT_TRUE(zero.err.endsWith("/dev/zero: line 1: a row longer than 65024 bytes\n"))
      << zero.err.toStdString();
#endif
#ifdef Q_OS_LINUX
  // 63 MB of empty lines (which once took 5 GB), and rows without end from a pipe, each
  // read by a program whose peak memory stays below a gigabyte (a few dozen MB; a sanitizer
  // build holds freed memory back for a while).
  QFile blank(dir.filePath("blank.csv"));
  ASSERT_TRUE(blank.open(QIODevice::WriteOnly));
  for (int i = 0; i < 63; ++i) blank.write(QByteArray(1024 * 1024, '\n'));
  blank.close();
  const auto peakMb = [](const QProcess& p) {
    QFile status(QStringLiteral("/proc/%1/status").arg(p.processId()));
    if (!status.open(QIODevice::ReadOnly)) return 0LL;
    for (const QByteArray& line : status.readAll().split('\n'))
      if (line.startsWith("VmHWM:"))
        return line.mid(6).trimmed().split(' ').value(0).toLongLong() / 1024;
    return 0LL;
  };
  const auto read = [&](QProcess& run, const QString& file) {
    run.start(QStringLiteral(TARVO_CTL_EXE), {"--dry-run", "apply", "CPT01", file});
    long long peak = 0;
    test::waitUntil(
        [&] {
          peak = std::max(peak, peakMb(run));
          return run.state() == QProcess::NotRunning;
        },
        60000);
    EXPECT_LT(peak, 1000) << file.toStdString();
    return ended(run);
  };
  QProcess blankRun;
  const Ran blankRead = read(blankRun, blank.fileName());
  EXPECT_EQ(blankRead.code, ctl::kExitUsage);
  EXPECT_TRUE(blankRead.err.endsWith("blank.csv: no changes in the file\n"))
      << blankRead.err.toStdString();
  QProcess yes;
  QProcess rows;
  yes.setStandardOutputProcess(&rows);
  yes.start(QStringLiteral("yes"), {"C1:B01,PHASE,1"});
  const Ran endless = read(rows, "/dev/stdin");
  yes.kill();
  yes.waitForFinished();
  EXPECT_EQ(endless.code, ctl::kExitUsage);
  EXPECT_EQ(endless.err, "tarvoctl: /dev/stdin: line 1000001: more than 1000000 rows\n");
#endif
}

// ---- dump, diff and revert -------------------------------------------------------------

TEST_F(CtlEndToEnd, ADumpAppliedSendsNothingAndDiffShowsExactlyWhatChangedUntilItIsApplied) {
  const Ran dump = ctl({"dump", "CPT01"});
  ASSERT_EQ(dump.code, ctl::kExitOk) << dump.err.toStdString();
  const QString file = writeFile("approved.csv", dump.bytes.toStdString());
  EXPECT_TRUE(
      dump.bytes.startsWith("\xEF\xBB\xBF"
                            "block,parameter,value\r\nC1,NAME,C1\r\n"))
      << dump.bytes.left(200).toStdString();
  // Every compound and block, in plant order, each with its whole parameter list.
  EXPECT_EQ(dump.out.count(",NAME,"), kCompounds * (kBlocksEach + 1) + 1);
  EXPECT_LT(dump.out.indexOf("C1:BAD,NAME"), dump.out.indexOf("C2,NAME"));

  const Ran same = ctl({"apply", "CPT01", file});
  EXPECT_EQ(same.code, ctl::kExitOk) << same.err.toStdString();
  EXPECT_EQ(same.out.count(QRegularExpression(" unchanged +\\d+ changes\\n")),
            kCompounds * (kBlocksEach + 1) + 1);
  EXPECT_TRUE(journal().empty());  // nothing was sent, so nothing journaled
  EXPECT_EQ(ctl({"diff", "CPT01", file}).code, ctl::kExitOk);

  // Three parameters changed by another hand, in two blocks.
  ASSERT_EQ(ctl({"set", "CPT01", "C2:B05", "PHASE=7", "DESCRP==moved, \"by hand\""}).code, 0);
  ASSERT_EQ(ctl({"set", "CPT01", "C4:B01", "LOOPID=L9"}).code, 0);
  const Ran differs = ctl({"diff", "CPT01", file});
  EXPECT_EQ(differs.code, ctl::kExitRefused);
  EXPECT_EQ(differs.out.toStdString(),
            "C2:B05 DESCRP: file \"\", live \"=moved, \"by hand\"\"\n"
            "C2:B05 PHASE: file \"0\", live \"7\"\n"
            "C4:B01 LOOPID: file \"\", live \"L9\"\n");
  const Ran json = ctl({"--json", "diff", "CPT01", file});
  EXPECT_TRUE(json.out.contains("\"same\": false") &&
              json.out.contains("{\"kind\": \"value\", \"block\": \"C4:B01\", \"param\": "
                                "\"LOOPID\", \"file\": \"\", \"live\": \"L9\", \"line\": "))
      << json.out.toStdString();

  // The dump puts them back: only the two blocks get a transaction.
  const Ran back = ctl({"apply", "CPT01", file});
  EXPECT_EQ(back.code, ctl::kExitOk) << back.err.toStdString();
  EXPECT_EQ(back.out.count(QRegularExpression(" done ")), 2) << back.out.toStdString();
  EXPECT_EQ(value("C2:B05", "PHASE") + value("C4:B01", "LOOPID"), "0");
  const Ran none = ctl({"diff", "CPT01", file});
  EXPECT_EQ(none.code, ctl::kExitOk);
  EXPECT_EQ(none.out, "");
}

TEST_F(CtlEndToEnd, DiffReadsTheCompoundsItsFileCoversAndNamesMissingBlocks) {
  const Ran c2 = ctl({"--json", "dump", "CPT01", "c2"});
  ASSERT_EQ(c2.code, ctl::kExitOk);
  EXPECT_FALSE(c2.out.contains("\"C1:B01\""));
  EXPECT_TRUE(
      c2.out.contains("{\"block\": \"C2:B10\", \"parameter\": \"NAME\", \"value\": \"B10\"}"))
      << c2.out.left(300).toStdString();
  const Ran nope = ctl({"dump", "CPT01", "C2", "NOPE"});
  EXPECT_EQ(nope.code, ctl::kExitRefused);
  EXPECT_TRUE(nope.err.contains("compound NOPE not found in CPT01"));
  EXPECT_EQ(ctl({"dump", "CPT01", "C2:B01"}).code, ctl::kExitUsage);

  // One block of C2 and one the CP lacks: the other blocks of C2 are missing from the
  // file, those of C1 are not (the file does not cover C1).
  const QString file = writeFile("part.csv", "C2:B01,PHASE,0\nC2:GONE,PHASE,1\nC9:X,A,1\n");
  const Ran part = ctl({"diff", "CPT01", file});
  EXPECT_EQ(part.code, ctl::kExitRefused);
  const QStringList lines = part.out.split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 12) << part.out.toStdString();
  EXPECT_EQ(lines[0], "C2: in CPT01, not in the file");
  EXPECT_EQ(lines[1], "C2:B02: in CPT01, not in the file");
  EXPECT_EQ(lines[10], "C2:GONE: in the file, not in CPT01");
  EXPECT_EQ(lines[11], "C9:X: in the file, not in CPT01");
  const QString bad = writeFile("bad.csv", "C2:B01,PHASE\n");
  const Ran malformed = ctl({"diff", "CPT01", bad});
  EXPECT_EQ(malformed.code, ctl::kExitUsage);
  EXPECT_TRUE(malformed.err.contains("line 1: expected 3 fields")) << malformed.err.toStdString();
}

TEST_F(CtlEndToEnd, ARevertSetsBackRefusesWhatChangedSinceAndIsItselfJournaledAndReverted) {
  const auto timeOf = [&](std::size_t n) {  // of the n-th change's request
    std::vector<records::JournalEvent> sent;
    for (const auto& e : journal())
      if (e.result == records::Outcome::Sent) sent.push_back(e);
    return sent.size() > n ? QString::fromStdString(records::isoUtc(sent[n].timeMs)) : QString();
  };
  ASSERT_EQ(ctl({"set", "CPT01", "C1:B01", "PHASE=7", "LOOPID=first"}).code, 0);  // change 0
  ASSERT_EQ(ctl({"set", "CPT01", "C1:B02", "PHASE=5"}).code, 0);                  // change 1
  ASSERT_EQ(ctl({"set", "CPT01", "C1:B02", "PHASE=6"}).code, 0);                  // change 2

  const Ran reverted = ctl({"revert", timeOf(0)});
  EXPECT_EQ(reverted.code, ctl::kExitOk) << reverted.err.toStdString();
  EXPECT_EQ(reverted.out, timeOf(0) + "  C1:B01  reverted\n");
  EXPECT_EQ(value("C1:B01", "PHASE") + "|" + value("C1:B01", "LOOPID"), "0|");
  auto events = journal();
  ASSERT_EQ(events.size(), 8u);
  EXPECT_EQ(events[6].what, "revert");
  EXPECT_EQ(events[6].detail,
            "PHASE \"7\" -> \"0\", LOOPID \"first\" -> \"\"; reverts " + timeOf(0).toStdString());
  EXPECT_EQ(events[7].result, records::Outcome::Done);

  // The revert reverted: the change is back.
  const Ran again = ctl({"revert", timeOf(3)});
  EXPECT_EQ(again.code, ctl::kExitOk) << again.out.toStdString() << again.err.toStdString();
  EXPECT_EQ(value("C1:B01", "PHASE") + "|" + value("C1:B01", "LOOPID"), "7|first");

  // Changed again since: refused, the newer value named, nothing sent.
  const Ran refused = ctl({"revert", timeOf(1)});
  EXPECT_EQ(refused.code, ctl::kExitRefused);
  EXPECT_TRUE(refused.out.contains(
      "C1:B02  refused    PHASE is now \"6\", not the \"5\" this change set: it was changed again "
      "since (revert that change first)"))
      << refused.out.toStdString();
  EXPECT_EQ(value("C1:B02", "PHASE"), "6");
  EXPECT_EQ(journal().size(), 10u);
  // Named with the newer change, it goes back past both, in one transaction.
  const Ran both = ctl({"revert", timeOf(2), timeOf(1)});
  EXPECT_EQ(both.code, ctl::kExitOk) << both.out.toStdString();
  EXPECT_EQ(value("C1:B02", "PHASE"), "0");
  EXPECT_EQ(journal().size(), 12u);

  // An old value the journal does not know, and a time that names nothing.
  records::JournalEvent unknown = journal()[0];
  unknown.timeMs += 1;
  unknown.block = "C1:B03";
  unknown.changes = {{"PHASE", std::nullopt, "0"}};
  {
    QFile f(QDir(journalDir())
                .filePath(QString::fromStdString(records::journalFileName(unknown.timeMs))));
    ASSERT_TRUE(f.open(QIODevice::Append));
    for (const auto result : {records::Outcome::Sent, records::Outcome::Done}) {
      unknown.result = result;
      f.write(QByteArray::fromStdString(records::formatJournalLine(unknown) + "\n"));
    }
  }
  const QString at = QString::fromStdString(records::isoUtc(unknown.timeMs));
  const Ran noOld = ctl({"--json", "revert", at});
  EXPECT_EQ(noOld.code, ctl::kExitRefused);
  EXPECT_TRUE(
      noOld.out.contains("\"block\": \"C1:B03\", \"result\": \"refused\", \"message\": "
                         "\"the old value of PHASE is unknown (?)\""))
      << noOld.out.toStdString();
  const Ran nothing = ctl({"revert", "2020-01-01T00:00:00.000Z"});
  EXPECT_EQ(nothing.code, ctl::kExitUsage);
  EXPECT_TRUE(nothing.err.contains("no change at 2020-01-01T00:00:00.000Z in the journal"));
  EXPECT_EQ(ctl({"revert", "yesterday"}).code, ctl::kExitUsage);
}

TEST_F(CtlEndToEnd, AnInstalledTarvoctlReadsTheSettingsFileTheClientUses) {
  // Installed: beside a desktop entry, so the settings live in the user's configuration
  // folder, never beside the program, for the client and for tarvoctl alike.
  const QString root = dir.filePath(QStringLiteral("usr"));
  ASSERT_TRUE(QDir().mkpath(root + "/bin") && QDir().mkpath(root + "/share/applications"));
  const QString program = root + "/bin/tarvoctl";
  ASSERT_TRUE(QFile::copy(QStringLiteral(TARVO_CTL_EXE), program));
  QFile(root + "/share/applications/tarvolink.desktop").open(QIODevice::WriteOnly);
  records::SettingsFile settings;
  settings.entries[0] = {"127.0.0.1", std::to_string(sim.port())};
  const QString config = dir.filePath(QStringLiteral("config"));
  ASSERT_TRUE(QDir().mkpath(config + "/Tarvolink"));
  QFile file(config + "/Tarvolink/TarvoIp.txt");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray::fromStdString(records::formatSettings(settings)));
  file.close();

  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
  process.setProcessEnvironment(env);
  process.start(program, {QStringLiteral("--timeout"), QStringLiteral("5"), QStringLiteral("cps")});
  const Ran ran = ended(process);
  EXPECT_EQ(ran.code, ctl::kExitOk) << ran.err.toStdString();
  EXPECT_TRUE(ran.out.startsWith("CPT01")) << ran.out.toStdString();
}
