// What clients can grow the plant to, and what growing it costs: adds, copies
// and saved sources stop at the limits of a CP and of the plant with a refusal
// of their own kind; a checkpoint shares the plant instead of copying it, and
// never writes a file that the next start refuses; an add, copy, move or
// delete takes as long in a large compound as in a small one.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/plant_file.h"
#include "sim/plant_store.h"
#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;

const PlantSize kDemoCp6001 = sizeOf(*buildDemoPlant().findCp("CP6001"));
const PlantSize kDemo = sizeOf(buildDemoPlant());

EngineOptions limitedTo(const PlantSize& perCp, const PlantSize& plant) {
  EngineOptions o{"0.95.1", 25};
  o.limits.maxPerCp = perCp;
  o.limits.maxPlant = plant;
  return o;
}

PlantSize plus(PlantSize size, const PlantSize& more) {
  size += more;
  return size;
}

// A source of `lines` lines, the commands the client's Save sends for it.
Lines saveOf(const std::string& block, std::size_t lines, const std::string& line) {
  Lines cmds{"SPUTSTART:" + block};
  for (std::size_t i = 0; i + 1 < lines; ++i) cmds.push_back("SRCPUT:" + line + "\n");
  cmds.push_back("SRCPUT:" + line);
  cmds.push_back("SPUTEND" + line);
  return cmds;
}

class CpLimitsTest : public EngineTest {
 protected:
  CpLimitsTest()
      : EngineTest(limitedTo(plus(kDemoCp6001, {2, 1, 20, 4000, 1 << 20}),
                             plus(kDemo, {100, 10, 1000, 1 << 20, 1 << 20}))) {}

  // What the engine counts is what the plant holds.
  void expectCountsTrue() {
    EXPECT_EQ(engine.cpSize("CP6001"), sizeOf(*engine.plant().findCp("CP6001")));
    EXPECT_EQ(engine.plantSize(), sizeOf(engine.plant()));
  }
};

TEST_F(CpLimitsTest, AddsCopiesAndSavedSourcesStopAtTheCpsLimitsAndDeletesMakeRoom) {
  const ConnId c = openOn("CP6001");
  send(c, "GETBLKS 0 CP6001");
  EXPECT_TRUE(startsWith(send(c, "ADDNEW:BOILER:N1 BOILER AIN").at(0), "DNADDNE"));
  EXPECT_TRUE(startsWith(send(c, "ADDNEW:BOILER:N2 BOILER AIN").at(0), "DNADDNE"));
  EXPECT_TRUE(refused(send(c, "ADDNEW:BOILER:N3 BOILER AIN"), "ERRADDNEW",
                      "CP6001 would hold " + std::to_string(kDemoCp6001.blocks + 3) +
                          " blocks, more than the " + std::to_string(kDemoCp6001.blocks + 2) +
                          " a CP may hold"));
  EXPECT_TRUE(refused(send(c, "CPYNEW:BOILER:N3 BOILER:N1 AIN BOILER"), "ERRCPYNEW", "a CP may"));
  EXPECT_EQ(engine.plant().findBlock("BOILER", "N3"), nullptr);
  // Another CP has room of its own.
  EXPECT_TRUE(startsWith(send(openOn("CP6002"), "ADDNEW:TURBIN:N1 TURBIN AIN").at(0), "DNADDNE"));
  // A delete makes room again.
  EXPECT_EQ(send(c, "DELBLK:BOILER:N1"), Lines{"DNDELBLKBOILER:N1"});
  EXPECT_TRUE(startsWith(send(c, "CPYNEW:BOILER:N3 BOILER:N2 AIN BOILER").at(0), "DNCPYNE"));

  EXPECT_TRUE(startsWith(send(c, "ADDNEW:NEWC1 ***END*** COMPND").at(0), "DNADDNE"));
  EXPECT_TRUE(refused(send(c, "ADDNEW:NEWC2 ***END*** COMPND"), "ERRADDNEW", "compounds"));

  // A source over what the CP may hold is not stored; a shorter one is.
  ASSERT_EQ(send(c, "EDTSEQ:FEEDWT:PMPSEQ"), Lines{"DNEDTSEQ FEEDWT:PMPSEQ"});
  const Lines before = engine.plant().findBlock("FEEDWT", "PMPSEQ")->source;
  const std::size_t room = 20 + before.size();
  EXPECT_TRUE(refused(sendAll(c, saveOf("FEEDWT:PMPSEQ", room + 1, "X := 1;")), "ERRPUTSRC",
                      "lines of source"));
  EXPECT_EQ(engine.plant().findBlock("FEEDWT", "PMPSEQ")->source, before);
  EXPECT_TRUE(refused(sendAll(c, saveOf("FEEDWT:PMPSEQ", 2, std::string(2500, 'X'))), "ERRPUTSRC",
                      "bytes of source"));
  EXPECT_EQ(sendAll(c, saveOf("FEEDWT:PMPSEQ", room, "X := 1;")), Lines{"DNPUTSRC FEEDWT:PMPSEQ"});
  // Its copy would take the source along: no room for it.
  EXPECT_EQ(send(c, "DELBLK:BOILER:N3"), Lines{"DNDELBLKBOILER:N3"});
  EXPECT_TRUE(refused(send(c, "CPYNEW:FEEDWT:SEQ2 FEEDWT:PMPSEQ IND FEEDWT"), "ERRCPYNEW",
                      "lines of source"));
  // A shorter source makes room again.
  EXPECT_EQ(sendAll(c, saveOf("FEEDWT:PMPSEQ", 2, "X := 1;")), Lines{"DNPUTSRC FEEDWT:PMPSEQ"});
  EXPECT_TRUE(startsWith(send(c, "CPYNEW:FEEDWT:SEQ2 FEEDWT:PMPSEQ IND FEEDWT").at(0), "DNCPYNE"));
  expectCountsTrue();
}

// Values too: a step or a number is kept as written, however long.
TEST(PlantLimitsTest, EditsStopAtWhatTheCpsParameterValuesMayHoldAndUploadsCountToo) {
  Engine engine(buildDemoPlant(),
                limitedTo(plus(kDemoCp6001, {0, 0, 0, 0, 300}), EngineLimits::kMaxPlant));
  const ConnId c = engine.connect();
  engine.handle(c, "OPENCP:CP6001 ALL WS");
  auto edit = [&](const std::string& change) {
    Lines replies;
    for (const std::string& command :
         Lines{"MODSTART:BOILER:LCALC", "MODPARM:" + change, "MODEND:BOILER:LCALC"})
      for (auto& line : linesFor(engine.handle(c, command), c)) replies.push_back(line);
    return replies;
  };
  EXPECT_TRUE(refused(edit("STEP20 = NOP " + std::string(400, 'X')), "ERRPRMMOD",
                      "bytes of parameter values, more than the"));
  EXPECT_EQ(valueOf(engine.plant(), "BOILER:LCALC", "STEP20"), "");
  EXPECT_EQ(edit("STEP20 = NOP " + std::string(200, 'X')), Lines{"DNPRMMOD BOILER:LCALC"});
  linesFor(engine.handle(c, "UPLOADCP"), c);
  EXPECT_EQ(engine.cpSize("CP6001"), sizeOf(*engine.plant().findCp("CP6001")));
  EXPECT_EQ(engine.plantSize(), sizeOf(engine.plant()));
}

TEST(PlantLimitsTest, ThePlantAsAWholeStopsGrowingWhereverTheBlocksWouldGo) {
  Engine engine(buildDemoPlant(),
                limitedTo(EngineLimits::kMaxPerCp, plus(kDemo, {1, 0, 0, 0, 1000})));
  const ConnId a = engine.connect();
  const ConnId b = engine.connect();
  engine.handle(a, "OPENCP:CP6001 ALL WSA");
  engine.handle(b, "OPENCP:CP6002 ALL WSB");
  EXPECT_TRUE(
      startsWith(linesFor(engine.handle(a, "ADDNEW:BOILER:N1 BOILER AIN"), a).at(0), "DNADDNE"));
  EXPECT_TRUE(refused(linesFor(engine.handle(b, "ADDNEW:TURBIN:N1 TURBIN AIN"), b), "ERRADDNEW",
                      "more than the " + std::to_string(kDemo.blocks + 1) + " this server keeps"));
  EXPECT_EQ(engine.plantSize().blocks, kDemo.blocks + 1);
}

using PlantGrowthTest = EngineTest;

// 600 copies of a sequence block with a 10,000-line source used to take the
// server past half a gigabyte and make a checkpoint the next start refused.
TEST_F(PlantGrowthTest, CopiesOfALongSourceStopLongBeforeAPlantFileAStartRefuses) {
  const ConnId c = openOn("CP6001");
  ASSERT_EQ(send(c, "EDTSEQ:FEEDWT:PMPSEQ"), Lines{"DNEDTSEQ FEEDWT:PMPSEQ"});
  const std::string line = "X := X + 1; { filler filler filler filler filler }";
  ASSERT_EQ(sendAll(c, saveOf("FEEDWT:PMPSEQ", 10'000, line)), Lines{"DNPUTSRC FEEDWT:PMPSEQ"});
  std::size_t copied = 0;
  for (int i = 0; i < 600; ++i) {
    const std::string reply =
        send(c, "CPYNEW:FEEDWT:C" + std::to_string(i) + " FEEDWT:PMPSEQ IND FEEDWT").at(0);
    copied += startsWith(reply, "DNCPYNE");
    if (i == 599) {
      EXPECT_TRUE(startsWith(reply, "ERRCPYNEW")) << reply;
    }
  }
  EXPECT_LE(copied, 4u);
  EXPECT_LE(engine.plantSize().sourceBytes, EngineLimits::kMaxPlant.sourceBytes);
  EXPECT_LT(writePlantText(engine.plant()).size(), static_cast<std::size_t>(kMaxPlantFileBytes));
}

TEST_F(PlantGrowthTest, ACheckpointSharesThePlantAndKeepsItAsItWasWhileTheServerGoesOn) {
  std::shared_ptr<const Plant> snapshot;
  engine.setCheckpointWriter(
      [&](std::uint64_t, std::shared_ptr<const Plant> p) { snapshot = std::move(p); });
  const ConnId c = openOn("CP6001");
  send(c, "CHECKPOINTCP");
  ASSERT_TRUE(snapshot);
  // Nothing was copied for it: it holds the plant's own CPs.
  for (const auto& cp : engine.plant().cps) EXPECT_EQ(snapshot->findCp(cp.name), &cp) << cp.name;

  modify(c, "BOILER:PC104", {"PBAND = 66"});
  send(c, "DELBLK:BOILER:LT101");
  send(c, "ADDNEW:FEEDWT:N1 FEEDWT AIN");
  EXPECT_EQ(valueOf(*snapshot, "BOILER:PC104", "PBAND"), "80");
  EXPECT_NE(snapshot->findBlock("BOILER", "LT101"), nullptr);
  EXPECT_EQ(snapshot->findBlock("FEEDWT", "N1"), nullptr);
  EXPECT_EQ(*snapshot, buildDemoPlant());
  // A change copies what it changes and no more.
  EXPECT_EQ(snapshot->findCp("CP6002"), engine.plant().findCp("CP6002"));
  EXPECT_EQ(snapshot->findBlock("FEEDWT", "PMPSEQ"), engine.plant().findBlock("FEEDWT", "PMPSEQ"));
  EXPECT_EQ(snapshot->findBlock("BOILER", "LC101"), engine.plant().findBlock("BOILER", "LC101"));
  EXPECT_NE(snapshot->findBlock("BOILER", "PC104"), engine.plant().findBlock("BOILER", "PC104"));
}

TEST(CheckpointFileTest, APlantTooLargeForAStartIsNotWrittenAndTheOldFileStays) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("plant.txt"));
  const Plant demo = buildDemoPlant();
  ASSERT_EQ(savePlantFile(path, demo), QString());
  Plant grown = demo;
  grown.cps.edit("CP6001")->compounds.edit("BOILER")->blocks.push_back(makeBlock("N1", "AIN"));
  const auto limit = static_cast<qint64>(writePlantText(demo).size()) + 10;
  const QString problem = savePlantFile(path, grown, limit);
  EXPECT_TRUE(problem.contains(QStringLiteral("a start reads"))) << problem.toStdString();
  const PlantLoad load = loadPlantFile(path, limit);
  ASSERT_TRUE(load.plant) << load.error.toStdString();
  EXPECT_EQ(*load.plant, demo);
}

// ---- what one operation costs -------------------------------------------------------

// Seconds that `rounds` rounds of add, copy, move and delete take in a compound
// of `blocks` blocks; the best of three tries.
double secondsForOperations(std::size_t blocks, int rounds) {
  Plant plant = buildScalePlant(blocks, blocks);
  const std::string first = plant.findCompound("C00001")->blocks.front().name;
  EngineOptions o;
  o.limits.maxPerCp =
      o.limits.maxPlant = {10'000'000, 10'000, 1'000'000, 100'000'000, 1'000'000'000};
  Engine engine(std::move(plant), o);
  const ConnId c = engine.connect();
  engine.handle(c, "OPENCP:CP9001 ALL WS");
  double best = 1e9;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
      const std::string n = "C00001:N" + std::to_string(i), k = "C00001:K" + std::to_string(i);
      for (const std::string& command :
           {"ADDNEW:" + n + " C00001 AIN", "CPYNEW:" + k + " " + n + " AIN C00001:" + first,
            "MOVEBLK:C00001 " + k + " AIN", "DELBLK:" + n, "DELBLK:" + k}) {
        const auto out = engine.handle(c, command);
        if (out.size() != 1 || startsWith(out[0].line, "ERR")) {
          ADD_FAILURE() << command << ": " << (out.empty() ? "no reply" : out[0].line);
          return 0;
        }
      }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

TEST(PlantGrowthCostTest, AnAddCopyMoveOrDeleteCostsAboutTheSameInACompoundAHundredTimesLarger) {
  const double small = secondsForOperations(400, 300);
  const double large = secondsForOperations(40'000, 300);
  // Linear work per operation made this about a hundred; a wide margin for a busy machine.
  EXPECT_LT(large / small, 5.0) << "400 blocks: " << small << " s, 40000 blocks: " << large << " s";
}

}  // namespace
}  // namespace tarvo::sim
