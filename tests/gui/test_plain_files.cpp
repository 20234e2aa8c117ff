// The files the programs keep for themselves, the change journal and the settings file,
// are opened only when they are regular files: a FIFO in their place would block the
// program for ever, a device or a folder is no place for them. Anything else is reported
// as a journal that cannot be written, and counts as no settings file.
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

#include "app/LinkController.h"
#include "app/frmOptions.h"
#include "records/JournalFile.h"
#include "records/RegularFile.h"
#include "support/ClientFixture.h"
#include "support/Fifo.h"
#include "tools/JournalFRM.h"

using namespace tarvo;
using test::FifoRescue;
using test::makeFifo;

namespace {

constexpr std::int64_t kDecember = 1796292902123;  // 2026-12-03T10:15:02.123Z
constexpr std::int64_t kJanuary = kDecember + 40LL * 24 * 3600 * 1000;

const QString kNotRegular = QStringLiteral("not a regular file");

records::JournalEvent eventAt(std::int64_t timeMs) {
  records::JournalEvent e;
  e.timeMs = timeMs;
  e.what = "delete";
  e.block = "BOILER:LC101";
  return e;
}

bool isFifoStill(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && !info.isFile() && !info.isDir();
}

}  // namespace

TEST(RegularFile, OnlyARegularFileOrNothingYetIsOpened) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString plain = dir.filePath(QStringLiteral("plain.txt"));
  const QString fifo = dir.filePath(QStringLiteral("fifo"));
  const QString toFifo = dir.filePath(QStringLiteral("to-fifo"));
  const QString toPlain = dir.filePath(QStringLiteral("to-plain"));
  {
    QFile f(plain);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
  }
  ASSERT_TRUE(makeFifo(fifo));
  ASSERT_TRUE(QFile::link(fifo, toFifo));
  ASSERT_TRUE(QFile::link(plain, toPlain));

  for (const QString& path : {plain, toPlain}) {
    QFile f(path);
    QString error = QStringLiteral("unset");
    ASSERT_TRUE(records::openRegularFile(f, QIODevice::ReadOnly, &error)) << path.toStdString();
    EXPECT_EQ(f.readAll(), "x");
    EXPECT_TRUE(error.isEmpty());
  }
  // What is not there yet: reading fails as QFile says, writing makes the file.
  {
    QFile f(dir.filePath(QStringLiteral("new.txt")));
    QString error;
    EXPECT_FALSE(records::openRegularFile(f, QIODevice::ReadOnly, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_NE(error, kNotRegular);
    EXPECT_TRUE(records::openRegularFile(f, QIODevice::WriteOnly | QIODevice::Append));
    EXPECT_TRUE(QFileInfo(f.fileName()).isFile());
  }
  FifoRescue rescue(fifo);
  for (const QString& path : {fifo, toFifo, dir.path(), QStringLiteral("/dev/null")}) {
    EXPECT_EQ(records::irregularFileReason(path), kNotRegular) << path.toStdString();
    const QIODevice::OpenMode modes[] = {
        QIODevice::ReadOnly, QIODevice::WriteOnly | QIODevice::Append, QIODevice::ReadWrite};
    for (const QIODevice::OpenMode mode : modes) {
      QFile f(path);
      QString error;
      EXPECT_FALSE(records::openRegularFile(f, mode, &error)) << path.toStdString();
      EXPECT_EQ(error, kNotRegular);
      EXPECT_FALSE(f.isOpen());
    }
  }
  EXPECT_FALSE(rescue.rescued());
  EXPECT_TRUE(isFifoStill(fifo));
}

TEST(RegularFile, AFifoAsTheMonthsJournalFileIsAFailureOfTheJournalSaidOnce) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  records::JournalFile journal(dir.path());
  QStringList reasons;
  QObject::connect(&journal, &records::JournalFile::failed,
                   [&](const QString& reason) { reasons << reason; });
  const QString fifo = journal.pathFor(kDecember);
  ASSERT_TRUE(makeFifo(fifo));
  {
    FifoRescue rescue(fifo);
    EXPECT_FALSE(journal.append(eventAt(kDecember)));
    EXPECT_FALSE(journal.append(eventAt(kDecember + 1)));
    EXPECT_FALSE(rescue.rescued());
  }
  EXPECT_EQ(reasons, QStringList{fifo + QStringLiteral(": ") + kNotRegular});
  EXPECT_EQ(journal.lastError(), reasons.value(0));
  EXPECT_TRUE(isFifoStill(fifo));

  // The next month's file is a plain one, and written.
  EXPECT_TRUE(journal.append(eventAt(kJanuary)));
  QFile next(journal.pathFor(kJanuary));
  ASSERT_TRUE(next.open(QIODevice::ReadOnly));
  const auto line = records::parseJournalLine(next.readAll().trimmed().toStdString());
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(line->timeMs, kJanuary);
}

TEST(RegularFile, TheJournalWindowListsALinkToAFifoAsNotReadable) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  records::JournalFile journal(dir.path());
  ASSERT_TRUE(journal.append(eventAt(kDecember)));
  // A FIFO itself is not even listed as a journal file; a link to one is.
  const QString fifo = journal.pathFor(kDecember - 40LL * 24 * 3600 * 1000);
  ASSERT_TRUE(makeFifo(fifo));
  const QString link = journal.pathFor(kJanuary);
  ASSERT_TRUE(QFile::link(fifo, link));
  FifoRescue rescue(fifo);
  tools::JournalFRM window([&] { return dir.path(); });
  window.reload();
  EXPECT_FALSE(rescue.rescued());
  EXPECT_EQ(window.eventCount(), 1);
  const QString info = test::inside<QLabel>(&window, "JournalInfoLBL")->text();
  EXPECT_TRUE(info.endsWith(QStringLiteral(" Not readable: ") + link + u'.')) << info.toStdString();
}

class RegularSettingsFile : public test::ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    ASSERT_TRUE(QFile::remove(settingsPath()));
    ASSERT_TRUE(makeFifo(settingsPath()));
  }
};

TEST_F(RegularSettingsFile, AFifoIsReadAsNoFileAndNotReplacedBySaving) {
  {
    FifoRescue rescue(settingsPath());
    startClient();
    EXPECT_FALSE(rescue.rescued());
  }
  // As with no file: no server chosen, so a connect goes to the default one.
  EXPECT_EQ(client->linkController().hostIp(), QString());
  EXPECT_EQ(client->linkController().portNum(), 0);

  FifoRescue rescue(settingsPath());
  frmOptions dialog(settingsPath(), prompter);
  const QList<QLineEdit*> hosts =
      dialog.findChildren<QLineEdit*>(QRegularExpression(QStringLiteral("^HostIP_TB_")));
  EXPECT_EQ(hosts.size(), 10);
  for (const QLineEdit* host : hosts) EXPECT_TRUE(host->text().isEmpty());
  test::inside<QLineEdit>(&dialog, "HostIP_TB_0")->setText(QStringLiteral("plant"));
  EXPECT_FALSE(dialog.apply());
  EXPECT_TRUE(prompter.boxes().startsWith(QStringLiteral("Options|")))
      << prompter.boxes().toStdString();
  EXPECT_TRUE(prompter.boxes().contains(kNotRegular)) << prompter.boxes().toStdString();
  EXPECT_FALSE(rescue.rescued());
  EXPECT_TRUE(isFifoStill(settingsPath()));
}
