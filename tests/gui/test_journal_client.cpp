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
  void upload() {
    settle();
    server.commands.clear();
    prompter.answer(QMessageBox::Yes);
    action("UploadCPMP")->trigger();
  }

  std::vector<link::JournalEvent> journal() {
    QFile file(client->journal().file().pathFor(link::systemTimeMs()));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    std::vector<link::JournalEvent> events;
    EXPECT_EQ(link::parseJournalText(file.readAll().toStdString(), events), 0u);
    return events;
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
  ASSERT_TRUE(sent({QStringLiteral("UPLOADCP")}));
  reply({QStringLiteral("DNCPUTIL")});
  const auto events = journal();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].what, "upload");
  EXPECT_EQ(events[0].cp, "CP6001");
  EXPECT_EQ(events[0].serverHost, "127.0.0.1");
  EXPECT_EQ(events[0].serverPort, server.port());
  EXPECT_EQ(events[1].result, link::Outcome::Done);

  // A folder that cannot be made: the work goes on and the user is told once.
  QFile blocker(dir.filePath(QStringLiteral("blocker")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  client->journal().file().setFolder(dir.filePath(QStringLiteral("blocker/journal")));
  const QString title = QStringLiteral("Change Journal");
  upload();
  ASSERT_TRUE(waitUntil([&] { return boxesTitled(title) == 1; }));
  EXPECT_TRUE(form().panelText(3).startsWith(QLatin1String("Change journal not written: ")))
      << form().panelText(3).toStdString();
  ASSERT_TRUE(sent({QStringLiteral("UPLOADCP")}));
  reply({QStringLiteral("DNCPUTIL")});
  upload();
  ASSERT_TRUE(sent({QStringLiteral("UPLOADCP")}));
  reply({QStringLiteral("DNCPUTIL")});
  settle();
  EXPECT_EQ(boxesTitled(title), 1);
  EXPECT_EQ(boxesTitled(QStringLiteral("CP Utility Function")), 3);
}
