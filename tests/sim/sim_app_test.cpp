// tarvo-sim as a program: its options and its plant file handling, run
// in-process.
#include "sim_app.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <tuple>

#include "demo_plant.h"
#include "line_client.h"
#include "plant_store.h"
#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;

QStringList argv(std::initializer_list<const char*> args) {
  QStringList out{QStringLiteral("tarvo-sim")};
  for (const char* a : args) out << QString::fromLatin1(a);
  return out;
}

TEST(SimArgsTest, DefaultsServeTheDemoOnLoopbackEveryOptionIsTakenAndBadValuesAreRefused) {
  const ParsedArgs defaults = parseSimArgs(argv({}));
  ASSERT_TRUE(defaults.options);
  const SimOptions& d = *defaults.options;
  EXPECT_EQ(std::tie(d.listen, d.port, d.dataFile, d.version, d.workMs, d.xrefMsPerBlock),
            std::make_tuple(QStringLiteral("127.0.0.1"), 1582, QString(), QStringLiteral("0.95.1"),
                            3000, 100));
  const ParsedArgs given =
      parseSimArgs(argv({"--listen", "::1", "--port", "0", "--data", "p.txt", "--version", "1.0.0",
                         "--work-ms", "5", "--xref-ms-per-block", "7"}));
  ASSERT_TRUE(given.options) << given.text.toStdString();
  const SimOptions& g = *given.options;
  EXPECT_EQ(std::tie(g.listen, g.port, g.dataFile, g.version, g.workMs, g.xrefMsPerBlock),
            std::make_tuple(QStringLiteral("::1"), 0, QStringLiteral("p.txt"),
                            QStringLiteral("1.0.0"), 5, 7));

  for (auto args : {argv({"--port", "65536"}), argv({"--port", "x"}), argv({"--work-ms", "-1"}),
                    argv({"--xref-ms-per-block", "-1"}), argv({"--xref-ms-per-block", "60001"}),
                    argv({"--bogus"}), argv({"extra"})}) {
    const ParsedArgs parsed = parseSimArgs(args);
    EXPECT_FALSE(parsed.options) << args.join(QLatin1Char(' ')).toStdString();
    EXPECT_FALSE(parsed.text.isEmpty());
    EXPECT_FALSE(parsed.help);
  }
  const ParsedArgs help = parseSimArgs(argv({"--help"}));
  EXPECT_TRUE(help.help && help.text.contains(QStringLiteral("--xref-ms-per-block")));
}

class SimInstanceTest : public ::testing::Test {
 protected:
  SimOptions options() {
    SimOptions o;
    o.port = 0;
    o.workMs = 0;  // each CP utility done before the next command
    return o;
  }
  QTemporaryDir dir;
};

TEST_F(SimInstanceTest, ServesOnAnEphemeralPortAndKeepsItsPlantInTheDataFile) {
  const QString path = dir.filePath(QStringLiteral("plant.txt"));
  SimOptions o = options();
  o.dataFile = path;
  o.xrefMsPerBlock = 3;
  {
    SimInstance sim([](const std::string&) {});
    QString error;
    ASSERT_TRUE(sim.start(o, &error)) << error.toStdString();
    EXPECT_EQ(sim.endpoint(), QStringLiteral("127.0.0.1:") + QString::number(sim.port()));
    EXPECT_EQ(sim.engine().options().xrefMsPerBlock, 3);
    EXPECT_EQ(*loadPlantFile(path).plant, buildDemoPlant());  // a missing file is created

    LineClient s(sim.port());
    ASSERT_TRUE(s.connected());
    s.send(frameCommand("GETVERSION"));
    EXPECT_TRUE(s.waitForLine("VERSION0.95.1"));

    Engine& e = sim.engine();
    const ConnId c = e.connect();
    for (const char* cmd : {"OPENCP:CP6001 ALL WS01", "MODSTART:BOILER:PC104", "MODPARM:PBAND = 66",
                            "MODEND:BOILER:PC104", "UPLOADCP", "INITIALIZECP"})
      e.handle(c, cmd);
    // Not on disk until a checkpoint; upload and initialize store nothing.
    EXPECT_EQ(valueOf(*loadPlantFile(path).plant, "BOILER:PC104", "PBAND"), "80");
    EXPECT_EQ(linesFor(e.handle(c, "CHECKPOINTCP"), c), Lines{"DNCPUTIL"});
  }
  // A new start loads what the checkpoint wrote.
  SimInstance again([](const std::string&) {});
  QString error;
  ASSERT_TRUE(again.start(o, &error)) << error.toStdString();
  EXPECT_EQ(valueOf(again.engine().plant(), "BOILER:PC104", "PBAND"), "66");
}

TEST_F(SimInstanceTest, ABadAddressOrACorruptDataFileStopsTheStartWithAClearError) {
  SimOptions o = options();
  o.listen = QStringLiteral("not-an-address");
  QString error;
  EXPECT_FALSE(SimInstance([](const std::string&) {}).start(o, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("not-an-address")));

  const QString path = dir.filePath(QStringLiteral("plant.txt"));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(
      "TARVO-SIM-PLANT 1\nCP CP1 CP FCP280\n  COMPOUND C1\n    BLOCK B1 AIN\n"
      "      PARAM PNT_NO 99\nEND\n");
  f.close();
  o = options();
  o.dataFile = path;
  EXPECT_FALSE(SimInstance([](const std::string&) {}).start(o, &error));
  EXPECT_TRUE(error.startsWith(path + QStringLiteral(":5:"))) << error.toStdString();
  EXPECT_TRUE(error.contains(QStringLiteral("PNT_NO")));
}

}  // namespace
}  // namespace tarvo::sim
