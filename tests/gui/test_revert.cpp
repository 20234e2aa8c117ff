// The change journal window read as changes, and setting changes back from it: the box
// that says what will be set back, the live values read first, the transactions sent per
// block, the journal's "revert" lines, and every refusal.
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTableView>

#include "params/ParamsController.h"
#include "records/ChangeJournal.h"
#include "records/JournalFile.h"
#include "records/journal.h"
#include "support/ClientFixture.h"
#include "tools/JournalFRM.h"
#include "tools/ToolsController.h"

using namespace tarvo;
using namespace tarvo::test;
using records::Outcome;
using records::ParamChange;

namespace {

constexpr std::int64_t kNov = 1793491200000;  // 2026-11-01T00:00:00Z

QString prmLine(const QString& name, const QString& value) {
  return QStringLiteral("PRMLST ") + name.leftJustified(6, QLatin1Char(' '), true) + value;
}

QString iso(std::int64_t t) {
  return QString::fromStdString(records::isoUtc(t));
}

}  // namespace

class Revert : public ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    startClient();
    folder = dir.filePath("journal");
    client->journal().file().setFolder(folder);
  }

  // An edit journaled as sent at `t` and, unless `answer` is Sent, answered 5 ms later.
  void edit(std::int64_t t, const char* cp, const char* block, std::vector<ParamChange> changes,
            Outcome answer = Outcome::Done, const char* what = "edit") {
    records::JournalFile writer(folder);
    records::JournalEvent e{t,    "anna", "vm",    "127.0.0.1",   1582, cp,   block,
                            what, "",     changes, Outcome::Sent, "",   false};
    ASSERT_TRUE(writer.append(e));
    if (answer == Outcome::Sent) return;
    e.timeMs = t + 5;
    e.result = answer;
    ASSERT_TRUE(writer.append(e));
  }

  tools::JournalFRM* openJournal() {
    action("JournalMP")->trigger();
    return client->tools().journalWindow();
  }
  // The cells of row `r`: time, block, what, detail, result.
  static QString row(tools::JournalFRM* window, int r) {
    QStringList cells;
    for (int c : {0, 5, 6, 7, 8})
      cells << inside<QTableView>(window, "JournalGrid")->model()->index(r, c).data().toString();
    return cells.join(u'|');
  }
  // Chooses the rows that hold one of `texts` each and presses Revert.
  void revert(tools::JournalFRM* window, const QStringList& texts) {
    std::vector<int> rows;
    for (int r = 0; r < window->shownCount(); ++r)
      for (const QString& text : texts)
        if (row(window, r).contains(text)) rows.push_back(r);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(texts.size()));
    window->choose(rows);
    ASSERT_TRUE(inside<QPushButton>(window, "RevertPB")->isEnabled());
    inside<QPushButton>(window, "RevertPB")->click();
  }
  // The events the client journaled itself (this month's file).
  std::vector<records::JournalEvent> written() {
    QFile f(client->journal().file().pathFor(records::systemTimeMs()));
    std::vector<records::JournalEvent> events;
    if (f.open(QIODevice::ReadOnly)) records::parseJournalText(f.readAll().toStdString(), events);
    return events;
  }

  QString folder;
};

TEST_F(Revert, JournalRowsAreChangesWithTheirAnswers) {
  edit(kNov + 1000, "CP6001", "CMP1:PID1", {{"HILIM", "100", "120"}});
  edit(kNov + 2000, "CP6001", "CMP1:PID1", {{"HILIM", "120", "130"}}, Outcome::Sent);
  edit(kNov + 3000, "CP6001", "CMP1:PID2", {{"KP", "1", "x"}}, Outcome::Error);
  tools::JournalFRM* window = openJournal();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->eventCount(), 5);
  ASSERT_EQ(window->shownCount(), 3);
  EXPECT_EQ(row(window, 0), iso(kNov + 3000) + "|CMP1:PID2|edit||error");
  EXPECT_EQ(row(window, 1), iso(kNov + 2000) + "|CMP1:PID1|edit||unanswered");
  EXPECT_EQ(row(window, 2), iso(kNov + 1000) + "|CMP1:PID1|edit||done");
  EXPECT_EQ(inside<QTableView>(window, "JournalGrid")->model()->index(2, 8).data(Qt::ToolTipRole),
            "Answered at " + iso(kNov + 1005));
  EXPECT_TRUE(inside<QLabel>(window, "JournalInfoLBL")->text().startsWith("3 of 3 changes shown"));
  EXPECT_FALSE(inside<QPushButton>(window, "RevertPB")->isEnabled());  // nothing chosen
}

TEST_F(Revert, ChosenEditsAreCheckedLiveThenSentPerBlockAndJournaledAsARevertThatCanBeReverted) {
  edit(kNov + 1000, "CP6001", "CMP1:PID1", {{"HILIM", "100.0", "120"}, {"LOLIM", "0.0", "5"}});
  edit(kNov + 2000, "CP6001", "CMP1:PID2", {{"TI", "2.0", "3.0"}});
  connectClient();
  openSessionWithTree({});
  tools::JournalFRM* window = openJournal();
  ASSERT_NE(window, nullptr);

  prompter.answer(QMessageBox::Yes);
  revert(window, {iso(kNov + 1000), iso(kNov + 2000)});
  ASSERT_EQ(prompter.shown.size(), 1);
  EXPECT_TRUE(prompter.showed(
      0, "Revert",
      "Set these parameters back (block, parameter: value now recorded, back to the old "
      "value)?\r\r"
      "CMP1:PID2 TI: \"3.0\" back to \"2.0\"\r"
      "CMP1:PID1 HILIM: \"120\" back to \"100.0\"\r"
      "CMP1:PID1 LOLIM: \"5\" back to \"0.0\"\r"
      "\rThe live values are checked first; nothing is sent if one has changed since.",
      Prompter::Icon::Question, QMessageBox::Yes | QMessageBox::No));
  // Both lists are asked for at once; nothing is set before both are in.
  EXPECT_TRUE(sent({"GETPARMS:CMP1:PID2", "GETPARMS:CMP1:PID1"}));
  EXPECT_FALSE(inside<QPushButton>(window, "RevertPB")->isEnabled());
  reply({"CLRPRMLST", prmLine("TI", "3.0"), "DNPRMLST"});
  EXPECT_TRUE(sent({}));
  EXPECT_EQ(client->params().parmEditor(), nullptr);  // a read opens no editor
  reply({"CLRPRMLST", prmLine("NAME", "PID1"), prmLine("HILIM", "120"), prmLine("LOLIM", "5"),
         "DNPRMLST"});
  EXPECT_TRUE(sent({"MODSTART:CMP1:PID2", "MODPARM:TI = 2.0", "MODEND:CMP1:PID2",
                    "MODDONE:CMP1:PID2", "MODSTART:CMP1:PID1", "MODPARM:HILIM = 100.0",
                    "MODPARM:LOLIM = 0.0", "MODEND:CMP1:PID1", "MODDONE:CMP1:PID1"}));
  EXPECT_EQ(panels().section(u'|', 2), "REVERT: 3 parameters of 2 blocks sent");
  reply({"DNPRMMOD", "DNPRMMOD"});
  EXPECT_EQ(panels().section(u'|', 2), "EDIT: CMP1:PID1");

  std::vector<records::JournalEvent> events = written();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[3].what, "revert");
  EXPECT_EQ(events[3].block, "CMP1:PID1");
  EXPECT_EQ(events[3].result, Outcome::Done);
  EXPECT_EQ(events[3].detail, "HILIM \"120\" -> \"100.0\", LOLIM \"5\" -> \"0.0\"; reverts " +
                                  records::isoUtc(kNov + 1000));
  EXPECT_EQ(events[3].changes,
            (std::vector<ParamChange>{{"HILIM", "120", "100.0"}, {"LOLIM", "5", "0.0"}}));

  // The revert is a change of its own, which can be set back in turn.
  inside<QPushButton>(window, "RefreshPB")->click();
  ASSERT_EQ(window->shownCount(), 4);
  QStringList rows;
  for (int r = 0; r < 4; ++r) rows << row(window, r);
  EXPECT_TRUE(rows.contains(iso(events[1].timeMs) + "|CMP1:PID1|revert|" +
                            QString::fromStdString(events[3].detail) + "|done"))
      << rows.join('\n').toStdString();
  prompter.clear();
  prompter.answer(QMessageBox::Yes);
  revert(window, {"|CMP1:PID1|revert|"});
  EXPECT_TRUE(sent({"GETPARMS:CMP1:PID1"}));
  reply({"CLRPRMLST", prmLine("HILIM", "100.0"), prmLine("LOLIM", "0.0"), "DNPRMLST"});
  EXPECT_TRUE(sent({"MODSTART:CMP1:PID1", "MODPARM:HILIM = 120", "MODPARM:LOLIM = 5",
                    "MODEND:CMP1:PID1", "MODDONE:CMP1:PID1"}));
}

TEST_F(Revert, RefusesUnknownOldValuesOtherCpsAndParametersChangedSince) {
  edit(kNov + 1000, "CP6001", "CMP1:PID1", {{"HILIM", "100", "120"}});
  edit(kNov + 2000, "CP6001", "CMP1:PID1", {{"LOLIM", std::nullopt, "5"}});
  edit(kNov + 3000, "CP6002", "CMP2:PID1", {{"KP", "1", "2"}});
  edit(kNov + 4000, "CP6001", "CMP1:PID3", {{"TI", "1", "2"}}, Outcome::Sent);
  tools::JournalFRM* window = openJournal();
  ASSERT_NE(window, nullptr);

  // Outside a session nothing is planned at all.
  revert(window, {iso(kNov + 1000)});
  EXPECT_EQ(prompter.boxes(),
            "Revert|A change is set back in a session on its CP: open the CP first.");
  connectClient();
  openSessionWithTree({});

  // What the journal alone refuses is said before anything is asked; what is left is
  // offered, with the refusals listed.
  prompter.clear();
  revert(window, {iso(kNov + 2000), iso(kNov + 3000), iso(kNov + 4000)});
  EXPECT_EQ(prompter.boxes(),
            "Revert|Nothing can be set back:\r" + iso(kNov + 4000) +
                " CMP1:PID3: it was never answered: whether it took is not known\r" +
                iso(kNov + 3000) +
                " CMP2:PID1: it was made on CP CP6002, not on CP6001, the CP of this session\r" +
                iso(kNov + 2000) + " CMP1:PID1: the old value of LOLIM is unknown (?)\r");
  EXPECT_TRUE(sent({}));

  prompter.clear();
  prompter.answer(QMessageBox::No);
  revert(window, {iso(kNov + 1000), iso(kNov + 3000)});
  EXPECT_TRUE(
      prompter.boxes().contains("CMP1:PID1 HILIM: \"120\" back to \"100\"\r\rNot "
                                "reverted:\r" +
                                iso(kNov + 3000) + " CMP2:PID1: it was made on CP"))
      << prompter.boxes().toStdString();
  EXPECT_TRUE(sent({}));  // No: nothing asked, nothing sent

  // Changed again since: the live value is named, nothing is set, the block is let go.
  prompter.clear();
  prompter.answer(QMessageBox::Yes);
  revert(window, {iso(kNov + 1000)});
  EXPECT_TRUE(sent({"GETPARMS:CMP1:PID1"}));
  reply({"CLRPRMLST", prmLine("HILIM", "130"), "DNPRMLST"});
  EXPECT_TRUE(sent({"MODDONE:CMP1:PID1"}));
  ASSERT_EQ(prompter.shown.size(), 2);
  EXPECT_EQ(prompter.shown[1].title + '|' + prompter.shown[1].text,
            "Revert|Nothing was set back: the live values do not allow it.\r\r" + iso(kNov + 1000) +
                " CMP1:PID1: HILIM is now \"130\", not the \"120\" this change set: it was "
                "changed again since (revert that change first)\r");
  EXPECT_EQ(panels().section(u'|', 2), "REVERT: nothing sent");

  // A block the server no longer has is refused too; a lost connection ends the wait.
  prompter.clear();
  prompter.answer(QMessageBox::Yes);
  revert(window, {iso(kNov + 1000)});
  EXPECT_TRUE(sent({"GETPARMS:CMP1:PID1"}));
  reply({"ERRPRMLST no such block"});
  EXPECT_TRUE(sent({}));
  EXPECT_TRUE(prompter.boxes().endsWith(" CMP1:PID1: CMP1:PID1 is not in CP CP6001 now\r"))
      << prompter.boxes().toStdString();
  prompter.clear();
  prompter.answer(QMessageBox::Yes);
  revert(window, {iso(kNov + 1000)});
  EXPECT_TRUE(sent({"GETPARMS:CMP1:PID1"}));
  EXPECT_TRUE(client->tools().revertWaiting());
  server.dropClient();
  EXPECT_TRUE(waitUntil([&] { return !client->tools().revertWaiting(); }));
  EXPECT_TRUE(prompter.boxes().contains("Revert|The connection is not up"))
      << prompter.boxes().toStdString();
  EXPECT_TRUE(inside<QPushButton>(window, "RevertPB")->isEnabled());
}
