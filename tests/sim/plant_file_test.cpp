// The plant file: text round trip, refusal of damaged files, and the file on
// disk as tarvo-sim uses it.
#include "plant_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

#include "demo_plant.h"
#include "plant_store.h"
#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

TEST(PlantFileTest, PlantsSurviveTheRoundTripWithEitherLineEnd) {
  Plant edited = buildDemoPlant();
  Block& b = edited.cps[0].compounds[2].blocks[0];
  setValue(b.params, "EO1", "");  // empty where the default is not
  setValue(b.params, "LOOPID", "A = B # not a comment");
  b.runtime = {{"HSCO1", "250"}};
  b.source = {"", "  indented", "SOURCE inside", "END"};  // looks like records, is text
  edited.cps[1].heldBy = "AW7001";
  edited.cps[0].checkpointBusy = true;
  setValue(edited.cps[0].compounds[2].params, "ON", "0");
  for (const Plant& plant : {edited, buildScalePlant(2000)}) {
    const std::string text = writePlantText(plant);
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& written : {text, crlf}) {
      const PlantReadResult read = readPlantText(written);
      ASSERT_TRUE(read.plant) << read.errorLine << ": " << read.error;
      EXPECT_EQ(*read.plant, plant);
    }
  }
  // A blank text reads back empty: values are trimmed on the way in.
  setValue(b.params, "DESCRP", "  ");
  const PlantReadResult read = readPlantText(writePlantText(edited));
  ASSERT_TRUE(read.plant);
  EXPECT_EQ(*findValue(read.plant->cps[0].compounds[2].blocks[0].params, "DESCRP"), "");
}

TEST(PlantFileTest, DamagedFilesAreRefusedAtTheirLine) {
  const std::string head = "TARVO-SIM-PLANT 1\n";
  const std::string cp = "CP CP1 CP FCP280\n  COMPOUND C1\n";
  struct Case {
    std::string text;
    std::size_t line;
    const char* mentions;
  };
  const Case cases[] = {
      {"", 1, "not a tarvo-sim plant file"},
      {"hello\n", 1, "not a tarvo-sim plant file"},
      {"TARVO-SIM-PLANT 2\nEND\n", 1, "version 2"},
      {head + cp, 0, "END"},  // cut off
      {head + cp + "    BLOCK B1 NOTATYPE\nEND\n", 4, "NOTATYPE"},
      {head + cp + "    BLOCK B1 AIN\n      PARAM NOSUCH 1\nEND\n", 5, "NOSUCH"},
      {head + cp + "    BLOCK B1 AIN\n      PARAM HSCO1 lots\nEND\n", 5, "HSCO1"},
      {head + cp + "    BLOCK B1 AIN\n      PARAM TYPE PID\nEND\n", 5, "TYPE"},
      {head + cp + "    BLOCK B1 AIN\n    BLOCK B1 AOUT\nEND\n", 5, "twice"},
      {head + cp + "CP CP2 CP FCP280\n  COMPOUND C1\nEND\n", 5, "twice"},
      {head + "  COMPOUND C1\nEND\n", 2, "before the first CP"},
      {head + "CP CP1 CP FCP280\n    BLOCK B1 AIN\nEND\n", 3, "outside a COMPOUND"},
      {head + "CP TOOLONGNAME CP FCP280\nEND\n", 2, "TOOLONGNAME"},
      {head + "CP CP1 DISK FCP280\nEND\n", 2, "DISK"},
      {head + cp + "    RUN MA 1\nEND\n", 4, "RUN outside"},
      {head + cp + "    SOURCE x\nEND\n", 4, "SOURCE outside"},
      {head + cp + "FROB\nEND\n", 4, "FROB"},
      {head + cp + "END\nCP CP9 CP FCP280\n", 5, "after END"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const PlantReadResult read = readPlantText(c.text);
    EXPECT_FALSE(read.plant);
    EXPECT_EQ(read.errorLine, c.line);
    EXPECT_NE(read.error.find(c.mentions), std::string::npos) << read.error;
  }
}

TEST(PlantFileTest, MinimalHandWrittenFileTakesDefaults) {
  const PlantReadResult read = readPlantText(
      "TARVO-SIM-PLANT 1\n"
      "# a comment\n"
      "\n"
      "CP CP1 CP FCP280\n"
      "  COMPOUND C1\n"
      "    BLOCK B1 PID\n"
      "      PARAM PBAND 42\n"
      "      PARAM DESCRP\n"
      "END\n");
  ASSERT_TRUE(read.plant) << read.error;
  const Block* b = read.plant->findBlock("C1", "B1");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(*findValue(b->params, "PBAND"), "42");
  EXPECT_EQ(*findValue(b->params, "DESCRP"), "");
  EXPECT_EQ(*findValue(b->params, "MA"), "0");
}

TEST(PlantStoreTest, SaveReplacesTheFileWholeOrFailsAndSaysWhy) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("plant.txt"));
  Plant p = buildDemoPlant();
  setValue(p.cps[0].compounds[2].blocks[0].params, "DESCRP", "changed");
  ASSERT_EQ(savePlantFile(path, p), QString());
  const PlantLoad load = loadPlantFile(path);
  ASSERT_TRUE(load.plant) << load.error.toStdString();
  EXPECT_EQ(*load.plant, p);
  // Only the file itself is left: the temporary file was renamed over it.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("plant.txt")});

  const QString lost = dir.filePath(QStringLiteral("no/such/folder/plant.txt"));
  EXPECT_FALSE(savePlantFile(lost, p).isEmpty());
  EXPECT_FALSE(QFile::exists(lost));
}

}  // namespace
}  // namespace tarvo::sim
