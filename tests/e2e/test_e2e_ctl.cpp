// tarvoctl against tarvo-sim: a bulk change from a CSV file, refusals reported while the
// rest is applied, exit codes, a dry run that sends nothing, and the change journal.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

#include "ctl/CtlRunner.h"
#include "ctl/ctl_args.h"
#include "link/csv.h"
#include "link/journal.h"
#include "sim_app.h"
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
    ASSERT_TRUE(dir.isValid());
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
    QFile file(dir.filePath(QStringLiteral("plant.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(plant.data(), static_cast<qint64>(plant.size()));
    file.close();

    sim::SimOptions options;
    options.port = 0;
    options.dataFile = file.fileName();
    QString error;
    ASSERT_TRUE(sim.start(options, &error)) << error.toStdString();
    QObject::connect(&sim.server(), &sim::SimServer::clientConnected, [this] { ++connections; });
  }

  Ran ctl(std::vector<std::string> args, quint16 port = 0) {
    std::vector<std::string> all = {"--host",        "127.0.0.1",
                                    "--port",        std::to_string(port ? port : sim.port()),
                                    "--journal-dir", journalDir().toStdString(),
                                    "--timeout",     "20"};
    all.insert(all.end(), args.begin(), args.end());
    const ctl::ParsedArgs parsed = ctl::parseArgs(all);
    Ran ran;
    if (!parsed.options) {
      ran.code = ctl::kExitUsage;
      ran.err = QString::fromStdString(parsed.error);
      return ran;
    }
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    ran.code = ctl::CtlRunner(*parsed.options, out, err).run();
    ran.out = QString::fromLocal8Bit(out.data());
    ran.err = QString::fromLocal8Bit(err.data());
    return ran;
  }

  std::string value(const std::string& block, const char* param) {
    const auto colon = block.find(':');
    const sim::Block* b =
        sim.engine().plant().findBlock(block.substr(0, colon), block.substr(colon + 1));
    const std::string* v = b ? sim::findValue(b->params, param) : nullptr;
    return v ? *v : "<none>";
  }

  QString journalDir() const { return dir.filePath(QStringLiteral("journal")); }

  std::vector<link::JournalEvent> journal() {
    std::vector<link::JournalEvent> events;
    for (const QFileInfo& f : QDir(journalDir()).entryInfoList(QDir::Files)) {
      QFile file(f.filePath());
      EXPECT_TRUE(file.open(QIODevice::ReadOnly));
      const QByteArray text = file.readAll();
      EXPECT_EQ(link::parseJournalText(text.toStdString(), events), 0u);
    }
    return events;
  }

  QString writeCsv(const std::string& text) {
    const QString path = dir.filePath(QStringLiteral("changes.csv"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
    return path;
  }

  // 200 changes over the 50 blocks, a refused value and an unknown block among them.
  std::string bulkCsv() {
    std::string csv = link::csvRecord({"block", "parameter", "value"});
    for (int c = 1; c <= kCompounds; ++c) {
      for (int b = 1; b <= kBlocksEach; ++b) {
        const std::string name = blockName(c, b);
        const int n = (c - 1) * kBlocksEach + b;
        csv += link::csvRecord({name, "DESCRP", "Pump " + std::to_string(n) + ", \"main\""});
        csv += link::csvRecord({name, "PERIOD", std::to_string(n % 13)});
        csv += link::csvRecord({name, "PHASE", std::to_string(n)});
        csv += link::csvRecord({name, "LOOPID", "L-" + std::to_string(n)});
        if (n == 20) csv += link::csvRecord({"C9:NOPE", "DESCRP", "x"});
        if (n == 30) csv += link::csvRecord({"C1:BAD", "PERIOD", "lots"});
      }
    }
    csv += link::csvRecord({"C1:BAD", "DESCRP", "never stored"});
    return csv;
  }

  QTemporaryDir dir;
  sim::SimInstance sim{[](const std::string&) {}};
  int connections = 0;
};

TEST_F(CtlEndToEnd, ACsvOf200ChangesIsAppliedAndTheRefusalsAreReported) {
  const Ran ran = ctl({"apply", "CPT01", writeCsv(bulkCsv()).toStdString()});
  EXPECT_EQ(ran.code, ctl::kExitRefused) << ran.err.toStdString();
  const QStringList lines = ran.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 52) << ran.out.toStdString();
  EXPECT_EQ(
      lines.filter(QRegularExpression(QStringLiteral("^C\\d:B\\d\\d +done +4 changes$"))).size(),
      50);
  EXPECT_TRUE(
      lines.contains(QStringLiteral("C9:NOPE  error      1 change     "
                                    "C9:NOPE not found in CPT01")))
      << ran.out.toStdString();
  EXPECT_TRUE(lines.filter(QStringLiteral("C1:BAD "))
                  .value(0)
                  .contains(QLatin1String("error      2 changes    PERIOD needs a number")))
      << ran.out.toStdString();
  EXPECT_TRUE(ran.err.contains(QLatin1String("refused the changes of 2 of 52 blocks")));

  for (int c = 1; c <= kCompounds; ++c) {
    for (int b = 1; b <= kBlocksEach; ++b) {
      const std::string name = blockName(c, b);
      const int n = (c - 1) * kBlocksEach + b;
      EXPECT_EQ(value(name, "DESCRP"), "Pump " + std::to_string(n) + ", \"main\"");
      EXPECT_EQ(value(name, "PERIOD"), std::to_string(n % 13)) << name;
      EXPECT_EQ(value(name, "PHASE"), std::to_string(n)) << name;
      EXPECT_EQ(value(name, "LOOPID"), "L-" + std::to_string(n)) << name;
    }
  }
  EXPECT_NE(value("C1:BAD", "DESCRP"), "never stored");

  // One line when each transaction went out and one with its answer; the unknown block
  // never got as far as a change.
  const auto events = journal();
  ASSERT_EQ(events.size(), 102u);
  int sent = 0, done = 0, refused = 0;
  for (const auto& e : events) {
    EXPECT_EQ(e.cp, "CPT01");
    EXPECT_EQ(e.what, "edit");
    sent += e.result == link::Outcome::Sent;
    done += e.result == link::Outcome::Done;
    refused += e.result == link::Outcome::Error;
  }
  EXPECT_EQ(sent, 51);
  EXPECT_EQ(done, 50);
  EXPECT_EQ(refused, 1);
  EXPECT_EQ(events[0].block, "C1:B01");
  EXPECT_EQ(events[0].changes[1], (link::ParamChange{"PERIOD", "1", "1"}));
}

TEST_F(CtlEndToEnd, ExitCodesTellUsageRefusalLockAndConnectionApart) {
  EXPECT_EQ(ctl({"set", "CPT01", "C1:B01", "PHASE=7"}).code, ctl::kExitOk);
  EXPECT_EQ(value("C1:B01", "PHASE"), "7");
  EXPECT_EQ(ctl({"set", "CPT01", "C1:B01", "PHASE=1000"}).code, ctl::kExitRefused);
  EXPECT_EQ(ctl({"set", "CPT01", "C1:B01"}).code, ctl::kExitUsage);
  EXPECT_EQ(ctl({"apply", "CPT01", writeCsv("C1:B01,PHASE\n").toStdString()}).code,
            ctl::kExitUsage);

  // The CP another station holds is left alone unless the lock is to be overridden.
  const Ran locked = ctl({"set", "CPT02", "D1:B01", "PHASE=5"});
  EXPECT_EQ(locked.code, ctl::kExitConnection);
  EXPECT_TRUE(locked.err.contains(QLatin1String("[CPT02] is locked"))) << locked.err.toStdString();
  EXPECT_EQ(value("D1:B01", "PHASE"), "0");
  EXPECT_EQ(ctl({"--override-lock", "set", "CPT02", "D1:B01", "PHASE=5"}).code, ctl::kExitOk);
  EXPECT_EQ(value("D1:B01", "PHASE"), "5");

  QTcpServer closed;
  ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
  const quint16 nobody = closed.serverPort();
  closed.close();
  const Ran refused = ctl({"cps"}, nobody);
  EXPECT_EQ(refused.code, ctl::kExitConnection);
  EXPECT_TRUE(refused.err.startsWith(QLatin1String("tarvoctl: can not connect to 127.0.0.1:")));
}

TEST_F(CtlEndToEnd, ADryRunPrintsTheFramesAndSendsNothing) {
  const Ran ran = ctl({"--dry-run", "apply", "CPT01", writeCsv(bulkCsv()).toStdString()});
  EXPECT_EQ(ran.code, ctl::kExitOk) << ran.err.toStdString();
  const QStringList frames = ran.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  // Open, then per block its list, MODSTART, the changes, MODEND and MODDONE, then close.
  ASSERT_EQ(frames.size(), 1 + 52 * 4 + 203 + 1);
  EXPECT_TRUE(frames[0].startsWith(QLatin1String("MSG:"))) << frames[0].toStdString();
  EXPECT_TRUE(frames[0].mid(8).startsWith(QLatin1String("OPENCP:CPT01 ALL ")));
  EXPECT_EQ(frames[3], QStringLiteral("MSG:0031MODPARM:DESCRP = Pump 1, \"main\""));
  EXPECT_EQ(frames.last(), QStringLiteral("MSG:0008CLOSEICC"));
  QCoreApplication::processEvents();
  EXPECT_EQ(connections, 0);
  EXPECT_EQ(value("C1:B01", "PHASE"), "0");
  EXPECT_FALSE(QDir(journalDir()).exists());
}

TEST_F(CtlEndToEnd, TheProgramListsWhatTheServerHolds) {
  QProcess process;
  process.start(QStringLiteral(TARVO_CTL_EXE),
                {QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                 QString::number(sim.port()), QStringLiteral("--journal-dir"), journalDir(),
                 QStringLiteral("--json"), QStringLiteral("blocks"), QStringLiteral("cpt01")});
  ASSERT_TRUE(process.waitForStarted());
  ASSERT_TRUE(test::waitUntil([&] { return process.state() == QProcess::NotRunning; }, 20000));
  EXPECT_EQ(process.exitCode(), ctl::kExitOk) << process.readAllStandardError().toStdString();
  const QString out = QString::fromLatin1(process.readAllStandardOutput());
  EXPECT_TRUE(out.contains(QLatin1String("{\"name\": \"C5:B10\", \"type\": \"CALC\"}")))
      << out.toStdString();
  EXPECT_EQ(out.count(QLatin1String("\"COMPND\"")), kCompounds);
}
