// The plants tarvo-sim serves: the built-in ones must be plants a configurator would accept
// (every value valid for its parameter, every connection pointing at a real source, names
// within the limits the reply columns allow); the plant file's text round trip and refusal of
// damaged files; and the file on disk: only a regular file of bounded size and lines is read.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <set>
#include <string>

#include "sim/demo_plant.h"
#include "sim/plant_file.h"
#include "sim/plant_store.h"
#include "sim/seq_checker.h"
#include "sim/text.h"
#include "sim_test_util.h"

#if defined(Q_OS_LINUX)
#include <sys/stat.h>
#endif

namespace tarvo::sim {
namespace {

using testing::valueOf;

void expectConsistent(const Plant& plant) {
  std::set<std::string> compounds;
  for (const auto& cp : plant.cps) {
    EXPECT_TRUE(validCpName(cp.name)) << cp.name;
    for (const auto& c : cp.compounds) {
      EXPECT_TRUE(validCompoundName(c.name)) << c.name;
      EXPECT_TRUE(compounds.insert(c.name).second) << "duplicate compound " << c.name;
      std::set<std::string> blocks;
      for (const auto& b : c.blocks) {
        const std::string where = c.name + ":" + b.name;
        EXPECT_TRUE(validBlockName(b.name)) << where;
        EXPECT_TRUE(blocks.insert(b.name).second) << "duplicate " << where;
        const BlockType& type = b.blockType();
        ASSERT_EQ(b.params.size(), type.params.size()) << where;
        for (std::size_t i = 0; i < b.params.size(); ++i) {
          const Param& p = b.params[i];
          const ParamDef& def = type.params[i];
          EXPECT_EQ(p.name, def.name) << where;
          EXPECT_LE(p.name.size(), 6u) << where;
          const ValueCheck check = checkValue(def, p.value);
          EXPECT_EQ(check.verdict, Verdict::Accepted)
              << where << "." << p.name << ": " << check.message;
          Reference ref;
          const bool connection =
              def.kind == ParamKind::Connection ||
              (def.kind == ParamKind::Mixed && !p.value.empty() && !text::parseNumber(p.value));
          if (connection && !p.value.empty()) {
            ASSERT_TRUE(parseReference(p.value, true, ref)) << where << "." << p.name;
            const Block* source = plant.findBlock(ref.compound, ref.block);
            ASSERT_NE(source, nullptr) << where << "." << p.name << " -> " << p.value;
            EXPECT_TRUE(source->blockType().hasSource(ref.param)) << where << " -> " << p.value;
          }
          if (def.kind == ParamKind::BlockRef && !p.value.empty()) {
            ASSERT_TRUE(parseReference(p.value, false, ref)) << where << "." << p.name;
            EXPECT_NE(plant.findBlock(ref.compound, ref.block), nullptr)
                << where << " -> " << p.value;
          }
        }
        for (const auto& r : b.runtime)
          EXPECT_NE(type.param(r.name), nullptr) << where << " " << r.name;
      }
    }
  }
}

TEST(DemoPlantTest, DemoAndScalePlantsAreValidAndTheDemoHoldsEveryBlockType) {
  const Plant demo = buildDemoPlant();
  expectConsistent(demo);
  // How many blocks a scale plant holds is counted where its block list is read.
  for (std::size_t n : {1u, 7u, 400u}) expectConsistent(buildScalePlant(n, 10));
  // Every type is shown, and the sequence sources compile as the simulator compiles them,
  // one of them with a warning.
  std::set<std::string> types;
  std::size_t sources = 0, warnings = 0;
  for (const auto& cp : demo.cps)
    for (const auto& c : cp.compounds)
      for (const auto& b : c.blocks) {
        types.insert(b.type);
        if (!b.blockType().sequence() || b.source.empty()) continue;
        seq::CheckContext context{b.name, b.blockType().outputs};
        for (const auto& p : b.blockType().params) context.parameters.push_back(p.name);
        const seq::CheckResult r = seq::checkSequence(b.source, context);
        EXPECT_EQ(r.errors, 0u) << c.name << ":" << b.name;
        warnings += r.warnings;
        ++sources;
      }
  for (const auto& t : blockTypes())
    EXPECT_TRUE(t.cls == TypeClass::Compound || types.count(t.name)) << t.name << " missing";
  EXPECT_EQ(sources, 7u);
  EXPECT_EQ(warnings, 1u);
}

TEST(PlantFileTest, PlantsSurviveTheRoundTripWithEitherLineEndAndHandWrittenOnesTakeDefaults) {
  Plant edited = buildDemoPlant();
  Compound& boiler = *edited.cps.edit("CP6001")->compounds.edit("BOILER");
  Block& b = *boiler.blocks.edit("LT101");
  setValue(b.params, "EO1", "");  // empty where the default is not
  setValue(b.params, "LOOPID", "A = B # not a comment");
  b.runtime = {{"HSCO1", "250"}};
  // Looks like records, is text; a tab and 8-bit text with trailing blanks are kept.
  b.source = {"", "  indented", "SOURCE inside", "END", "\tBO01 := TRUE;", "caf\xE9 \xFF  "};
  setValue(boiler.params, "ON", "0");
  edited.cps.edit("CP6002")->heldBy = "AW7001";
  edited.cps.edit("CP6001")->checkpointBusy = true;
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
  // A hand-written file may hold comments and blank lines, and leaves out defaults.
  const PlantReadResult hand = readPlantText(
      "TARVO-SIM-PLANT 1\n# a comment\n\nCP CP1 CP FCP280\n  COMPOUND C1\n    BLOCK B1 PID\n"
      "      PARAM PBAND 42\n      PARAM DESCRP\nEND\n");
  ASSERT_TRUE(hand.plant) << hand.error;
  EXPECT_EQ(valueOf(*hand.plant, "C1:B1", "PBAND") + "|" + valueOf(*hand.plant, "C1:B1", "DESCRP") +
                "|" + valueOf(*hand.plant, "C1:B1", "MA"),
            "42||0");
  // A blank text reads back empty: values are trimmed on the way in.
  setValue(edited.cps.edit("CP6001")->compounds.edit("BOILER")->blocks.edit("LT101")->params,
           "DESCRP", "  ");
  const PlantReadResult read = readPlantText(writePlantText(edited));
  ASSERT_TRUE(read.plant);
  EXPECT_EQ(valueOf(*read.plant, "BOILER:LT101", "DESCRP"), "");
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
      {"TARVO-SIM-PLANT 2\nEND\n", 1, "version 2"},
      {head + cp, 0, "END"},  // cut off
      {head + cp + "    BLOCK B1 NOTATYPE\nEND\n", 4, "NOTATYPE"},
      {head + cp + "    BLOCK B1 AIN\n      PARAM NOSUCH 1\nEND\n", 5, "NOSUCH"},
      {head + cp + "    BLOCK B1 AIN\n      PARAM HSCO1 lots\nEND\n", 5, "HSCO1"},
      {head + cp + "    BLOCK B1 AIN\n    BLOCK B1 AOUT\nEND\n", 5, "twice"},
      {head + cp + "CP CP2 CP FCP280\n  COMPOUND C1\nEND\n", 5, "twice"},
      {head + "CP TOOLONGNAME CP FCP280\nEND\n", 2, "TOOLONGNAME"},
      {head + "CP CP1 DISK FCP280\nEND\n", 2, "DISK"},
      {head + cp + "    RUN MA 1\nEND\n", 4, "RUN outside"},
      {head + cp + "FROB\nEND\n", 4, "FROB"},
      {head + cp + "END\nCP CP9 CP FCP280\n", 5, "after END"},
      {head + cp + "    BLOCK S1 DEP\n      SOURCE \x1b[2J\nEND\n", 5, "control character"},
      {head + "CP CP1 CP FCP280\n  HELDBY WS\rX\nEND\n", 3, "control character"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const PlantReadResult read = readPlantText(c.text);
    EXPECT_FALSE(read.plant);
    EXPECT_EQ(read.errorLine, c.line);
    EXPECT_NE(read.error.find(c.mentions), std::string::npos) << read.error;
  }
}

class PlantFileOnDiskTest : public ::testing::Test {
 protected:
  QString write(const char* name, const QByteArray& bytes) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }
  QTemporaryDir dir;
};

TEST_F(PlantFileOnDiskTest, SaveReplacesTheFileWholeOrFailsAndSaysWhy) {
  // What a saved file holds is read back by a new start in the SimInstance data-file test.
  const QString path = dir.filePath(QStringLiteral("plant.txt"));
  const Plant p = buildDemoPlant();
  for (int i = 0; i < 2; ++i) ASSERT_EQ(savePlantFile(path, p), QString());
  // Only the file itself is left: the temporary file was renamed over it.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("plant.txt")});

  const QString lost = dir.filePath(QStringLiteral("no/such/folder/plant.txt"));
  EXPECT_FALSE(savePlantFile(lost, p).isEmpty());
  EXPECT_FALSE(QFile::exists(lost));
}

TEST_F(PlantFileOnDiskTest, OnlyARegularFileOfBoundedSizeAndLinesIsRead) {
  const QByteArray plant = "TARVO-SIM-PLANT 1\nCP CP1 CP FCP280\nEND\n";
  const QString blanks =
      write("blanks.txt", plant.left(18) + QByteArray(200'000, '\n') + plant.mid(18));
  const PlantLoad ok = loadPlantFile(blanks);
  EXPECT_TRUE(ok.plant && ok.plant->cps.size() == 1) << ok.error.toStdString();

  struct Case {
    QString path;
    qint64 maxBytes;
    const char* says;
  };
  std::vector<Case> cases{
      {dir.path(), kMaxPlantFileBytes, "not a regular file"},
      {dir.filePath(QStringLiteral("missing")), kMaxPlantFileBytes, "no such file"},
      {blanks, 100'000, "larger than 100000 bytes"},
      {write("long.txt", plant.left(18) + QByteArray(kMaxPlantLineBytes + 1, 'x') + "\nEND\n"),
       kMaxPlantFileBytes, ":2: the line is longer than"},
  };
#if defined(Q_OS_LINUX)
  const QString fifo = dir.filePath(QStringLiteral("fifo"));
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  cases.push_back({fifo, kMaxPlantFileBytes, "not a regular file"});
  cases.push_back({QStringLiteral("/dev/zero"), kMaxPlantFileBytes, "not a regular file"});
#endif
  for (const Case& c : cases) {
    const PlantLoad load = loadPlantFile(c.path, c.maxBytes);
    EXPECT_FALSE(load.plant) << c.path.toStdString();
    EXPECT_TRUE(load.error.startsWith(c.path)) << load.error.toStdString();
    EXPECT_TRUE(load.error.contains(QString::fromLatin1(c.says))) << load.error.toStdString();
  }
}

}  // namespace
}  // namespace tarvo::sim
