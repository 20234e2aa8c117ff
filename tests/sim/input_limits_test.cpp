// Bytes and files tarvo-sim reads: runs of bad frames, and plant files that
// are not plant files at all.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

#include "frame_decoder.h"
#include "plant_file.h"
#include "plant_store.h"
#include "sim_test_util.h"

#if defined(Q_OS_LINUX)
#include <sys/stat.h>
#endif

namespace tarvo::sim {
namespace {

TEST(FrameDecoderRunsTest, BadHeadersInARowAreOneStretchOfGarbage) {
  FrameDecoder d;
  std::string flood;
  for (int i = 0; i < 1000; ++i) flood += "MSG:x";
  const auto events = d.feed(flood + "MSG:12" + link::frameCommand("GETCPS") + "junk");
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, FrameDecoder::EventKind::Garbage);
  EXPECT_EQ(events[0].byteCount, 5006u);
  EXPECT_EQ(events[1].text, "GETCPS");
  EXPECT_EQ(events[2].byteCount, 4u);
}

TEST(PlantTextTest, ControlCharactersRefuseTheFileATabInSourceIsKept) {
  const std::string head = "TARVO-SIM-PLANT 1\nCP CP1 CP FCP280\n  COMPOUND C1\n    BLOCK S1 DEP\n";
  const PlantReadResult tab = readPlantText(head + "      SOURCE \tBO01 := TRUE;\nEND\n");
  ASSERT_TRUE(tab.plant) << tab.error;
  EXPECT_EQ(tab.plant->findBlock("C1", "S1")->source.at(0), "\tBO01 := TRUE;");
  for (const char* bad : {"      SOURCE \x1b[2J\n", "  CPDESC a\x07\n", "  HELDBY WS\rX\n"}) {
    const PlantReadResult read = readPlantText(head + bad + "END\n");
    EXPECT_FALSE(read.plant) << bad;
    EXPECT_EQ(read.errorLine, 5u);
    EXPECT_NE(read.error.find("control character"), std::string::npos);
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

TEST_F(PlantFileOnDiskTest, OnlyARegularFileOfBoundedSizeAndLinesIsRead) {
  const QByteArray plant = "TARVO-SIM-PLANT 1\nCP CP1 CP FCP280\nEND\n";
  const QString blanks =
      write("blanks.txt", plant.left(18) + QByteArray(200'000, '\n') + plant.mid(18));
  const PlantLoad ok = loadPlantFile(blanks);
  ASSERT_TRUE(ok.plant) << ok.error.toStdString();
  EXPECT_EQ(ok.plant->cps.size(), 1u);

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
