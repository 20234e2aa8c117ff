// tarvoctl against tarvo-sim: a bulk change from a CSV file, refusals reported while the
// rest is applied, exit codes, a dry run that sends nothing, and the change journal.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <algorithm>

#include "ctl/ctl_args.h"
#include "records/csv.h"
#include "records/journal.h"
#include "sim/sim_app.h"
#include "sim/sim_test_util.h"
#include "support/ClientFixture.h"

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
};

}  // namespace

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
    process.start(
        QStringLiteral(TARVO_CTL_EXE),
        QStringList{"--host", "127.0.0.1", "--port", QString::number(port ? port : sim.port()),
                    "--journal-dir", journalDir(), "--timeout", "20"} +
            args);
    EXPECT_TRUE(test::waitUntil([&] { return process.state() == QProcess::NotRunning; }, 30000));
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
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

  // 200 changes over the 50 blocks, a refused value and an unknown block among them.
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
    }
    csv += records::csvRecord({"C1:BAD", "DESCRP", "never stored"});
    return csv;
  }

  QTemporaryDir dir;
  sim::SimInstance sim{[](const std::string&) {}};
  int connections = 0;
};

TEST_F(CtlEndToEnd, ACsvOf200ChangesIsAppliedAndTheRefusalsAreReportedAfterADryRunSentNothing) {
  const QString csv = writeFile("changes.csv", bulkCsv());
  const Ran dry = ctl({"--dry-run", "apply", "CPT01", csv});
  EXPECT_EQ(dry.code, ctl::kExitOk) << dry.err.toStdString();
  // Open, then per block its list, MODSTART, the changes, MODEND and MODDONE, then close.
  EXPECT_EQ(dry.out.count(u'\n'), 1 + 52 * 4 + 203 + 1);
  EXPECT_EQ(connections, 0);
  EXPECT_FALSE(QDir(journalDir()).exists());

  const Ran ran = ctl({"apply", "CPT01", csv});
  EXPECT_EQ(ran.code, ctl::kExitRefused) << ran.err.toStdString();
  const QStringList lines = ran.out.split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 52) << ran.out.toStdString();
  EXPECT_EQ(lines.filter(QRegularExpression("^C\\d:B\\d\\d +done +4 changes$")).size(), 50);
  // The simulator's reasons reach the report.
  EXPECT_TRUE(lines.contains("C9:NOPE  error      1 change     C9:NOPE not found in CPT01"))
      << ran.out.toStdString();
  EXPECT_TRUE(lines.filter("C1:BAD ").value(0).contains("error      2 changes    PERIOD needs"))
      << ran.out.toStdString();
  EXPECT_TRUE(ran.err.contains("refused the changes of 2 of 52 blocks"));

  for (int n = 1; n <= kCompounds * kBlocksEach; ++n) {
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
            50);
  EXPECT_EQ(events[0].cp + " " + events[0].what + " " + events[0].block, "CPT01 edit C1:B01");
  EXPECT_EQ(events[0].changes[1], (records::ParamChange{"PERIOD", "1", "1"}));
}

TEST_F(CtlEndToEnd, ExitCodesTellUsageLockAndConnectionApart) {
  EXPECT_EQ(ctl({"set", "CPT01", "C1:B01", "PHASE=7"}).code, ctl::kExitOk);
  EXPECT_EQ(value("C1:B01", "PHASE"), "7");
  EXPECT_EQ(ctl({"set", "CPT01", "C1:B01"}).code, ctl::kExitUsage);

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
