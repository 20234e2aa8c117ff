// tarvoctl with a FIFO where it keeps its files: as the settings file it counts as none, as
// the month's journal file it is a journal that cannot be written; neither blocks.
#include <QDateTime>
#include <QProcess>

#include "records/journal.h"
#include "sim/sim_test_util.h"
#include "support/Fifo.h"
#include "support/SimFixture.h"

using namespace tarvo;

namespace {

struct Ran {
  bool ended = false;
  int code = -1;
  QString out;
  QString err;
};

}  // namespace

class CtlFiles : public test::SimFixture {
 protected:
  Ran ctl(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(TARVO_CTL_EXE), QStringList{"--timeout", "5"} + args);
    Ran ran;
    ran.ended = test::waitUntil([&] { return process.state() == QProcess::NotRunning; }, 30000);
    if (!ran.ended) {
      process.kill();
      process.waitForFinished();
    }
    ran.code = process.exitCode();
    ran.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    ran.err = QString::fromLocal8Bit(process.readAllStandardError());
    return ran;
  }
  QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_F(CtlFiles, AFifoAsTheSettingsFileCountsAsNone) {
  ASSERT_TRUE(test::makeFifo(path("TarvoIp.fifo")));
  // No --host: the settings file would name it; without one the default host is taken.
  const Ran ran = ctl({"--settings", path("TarvoIp.fifo"), "--port", QString::number(sim.port()),
                       "--journal-dir", path("journal"), "cps"});
  ASSERT_TRUE(ran.ended) << "tarvoctl blocked on the settings FIFO";
  EXPECT_EQ(ran.code, 0) << ran.err.toStdString();
  EXPECT_TRUE(ran.out.startsWith(QStringLiteral("CP6001"))) << ran.out.toStdString();
}

TEST_F(CtlFiles, AFifoAsTheMonthsJournalFileIsReportedAndTheChangeStillMade) {
  // The month's file by the clock, and the next month's should the month end meanwhile.
  QDir().mkpath(path("journal"));
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  for (const qint64 t : {now, now + 3600 * 1000}) {
    const QString name = QString::fromStdString(records::journalFileName(t));
    const QString fifo = QDir(path("journal")).filePath(name);
    if (!QFileInfo::exists(fifo)) {
      ASSERT_TRUE(test::makeFifo(fifo));
    }
  }
  const Ran ran =
      ctl({"--host", "127.0.0.1", "--port", QString::number(sim.port()), "--journal-dir",
           path("journal"), "set", "CP6001", "BOILER:LC101", "PBAND=123"});
  ASSERT_TRUE(ran.ended) << "tarvoctl blocked on the journal FIFO";
  EXPECT_EQ(ran.code, 0) << ran.err.toStdString();
  EXPECT_TRUE(ran.err.contains(QStringLiteral("change journal can not be written")))
      << ran.err.toStdString();
  EXPECT_TRUE(ran.err.contains(QStringLiteral("not a regular file"))) << ran.err.toStdString();
  EXPECT_EQ(ran.err.count(QStringLiteral("change journal")), 1) << ran.err.toStdString();
  EXPECT_EQ(sim::testing::valueOf(sim.engine().plant(), "BOILER:LC101", "PBAND"), "123");
}
