// The client writes its changes and their answers to the change journal, naming its
// server, and says once when the journal cannot be written while the work goes on.
#include <QAction>
#include <QFile>

#include "browser/Form1.h"
#include "link/ChangeJournal.h"
#include "link/journal.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::test;

class ClientJournal : public ClientFixture {
 protected:
  // An upload of the CP, confirmed and answered; returns status panel 3 before the answer.
  QString upload() {
    prompter.answer(QMessageBox::Yes);
    action("UploadCPMP")->trigger();
    EXPECT_TRUE(sent({"UPLOADCP"}));
    const QString status = form().panelText(3);
    reply({"DNCPUTIL"});
    return status;
  }
  int boxesTitled(const QString& title) {
    int n = 0;
    for (const ShownBox& b : prompter.shown) n += b.title == title;
    return n;
  }
};

TEST_F(ClientJournal, ChangesAndAnswersAreWrittenAndAFailureIsSaidOnce) {
  startClient();
  client->journal().file().setFolder(dir.filePath(QStringLiteral("journal")));
  connectClient();
  openSessionWithTree({});
  upload();
  QFile file(client->journal().file().pathFor(link::systemTimeMs()));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  std::vector<link::JournalEvent> events;
  EXPECT_EQ(link::parseJournalText(file.readAll().toStdString(), events), 0u);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(QString::fromStdString(events[0].what + '|' + events[0].cp + '|' +
                                   events[0].serverHost + ':') +
                QString::number(events[0].serverPort),
            "upload|CP6001|127.0.0.1:" + QString::number(server.port()));
  EXPECT_EQ(events[1].result, link::Outcome::Done);

  // A folder that cannot be made: the work goes on and the user is told once.
  QFile blocker(dir.filePath(QStringLiteral("blocker")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  client->journal().file().setFolder(dir.filePath(QStringLiteral("blocker/journal")));
  const QString status = upload();
  EXPECT_TRUE(status.startsWith(QLatin1String("Change journal not written: ")))
      << status.toStdString();
  upload();
  EXPECT_EQ(boxesTitled(QStringLiteral("Change Journal")), 1);
  EXPECT_EQ(boxesTitled(QStringLiteral("CP Utility Function")), 3);
}
