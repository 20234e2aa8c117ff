// The change journal: what the tracker makes of the commands and replies of each kind of
// change, how it pairs answers with requests, and the journal line format.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/journal.h"
#include "link/journal_tracker.h"

using namespace tarvo::link;

namespace {

constexpr std::int64_t kT0 = 1796292902123;  // 2026-12-03T10:15:02.123Z

// The record replies: keyword field, relative key, name, type, message at column 91.
std::string record(std::string keyword, const std::string& message) {
  keyword.resize(90, ' ');
  return keyword + message;
}

class Tracker : public ::testing::Test {
 protected:
  Tracker()
      : tracker([this](const JournalEvent& e) { events.push_back(e); }, [this] { return now; }) {
    tracker.setContext({"anna", "ws01", "10.0.0.5", 1582});
    tracker.commandSent("OPENCP:CP6001 ALL ws01");
    tracker.lineReceived(
        "DNOPENCP"
        "CP6001");
  }
  void send(std::initializer_list<const char*> commands) {
    for (const char* c : commands) tracker.commandSent(c);
  }
  void receive(std::initializer_list<std::string> lines) {
    for (const auto& l : lines) tracker.lineReceived(l);
  }

  std::int64_t now = kT0;
  std::vector<JournalEvent> events;
  JournalTracker tracker;
};

}  // namespace

TEST_F(Tracker, EachKindOfChangeIsJournaledWithItsAnswer) {
  struct Case {
    std::vector<const char*> commands;
    std::string answer;
    const char* what;
    const char* block;
    const char* detail;
    Outcome result;
    const char* message;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {{"ADDNEW:BOILER:NEW1 BOILER:LC101 PID"}, "DNADDNEWBOILER:LC101", "add", "BOILER:NEW1",
       "type PID at BOILER:LC101", Outcome::Done, ""},
      {{"ADDNEW:BOILER:NEW2 BOILER:LC101 PID"}, record("WRNADDNEW", "name cut"), "add",
       "BOILER:NEW2", "type PID at BOILER:LC101", Outcome::Warning, "name cut"},
      {{"CPYNEW:BOILER:C2 BOILER:LC101 PID BOILER:---END_BOILER"}, record("ERRCPYNEW", "exists"),
       "copy", "BOILER:C2", "from BOILER:LC101 (PID) at BOILER:---END_BOILER", Outcome::Error,
       "exists"},
      {{"MOVEBLK:FEEDWT:X BOILER:LC101 PID"}, "DNMOVEBLX", "move", "BOILER:LC101",
       "(PID) to FEEDWT:X", Outcome::Done, ""},
      {{"DELBLK:BOILER:LC101"}, "WRNDELBLKstill connected", "delete", "BOILER:LC101", "",
       Outcome::Warning, "still connected"},
      {{"DELBLK:BOILER"}, "ERRDELBLKnot empty", "delete", "BOILER", "", Outcome::Error,
       "not empty"},
      {{"SPUTSTART:FEEDWT:PMPSEQ", "SRCPUT:A\n", "SRCPUT:B", "SPUTENDB"}, "DNPUTSRC",
       "save source", "FEEDWT:PMPSEQ", "2 lines", Outcome::Done, ""},
      {{"COMPLSEQ:FEEDWT:PMPSEQ IND"}, "WRNCPLSEQ x unused", "compile", "FEEDWT:PMPSEQ",
       "type IND", Outcome::Warning, " x unused"},
      {{"INSTALSEQ:FEEDWT:PMPSEQ"}, "ERRINSSEQno compile", "install", "FEEDWT:PMPSEQ", "",
       Outcome::Error, "no compile"},
      {{"UPLOADCP"}, "DNCPUTIL", "upload", "", "", Outcome::Done, ""},
      {{"CHECKPOINTCP"}, "ERRCPUTILdisk full", "checkpoint", "", "", Outcome::Error, "disk full"},
      {{"INITIALIZECP"}, "DNCPUTIL", "initialize", "", "", Outcome::Done, ""},
      {{"MODSTART:BOILER:LC101", "MODPARM:PBAND = 120", "MODEND:BOILER:LC101"},
       "DNPRMMOD BOILER:LC101", "edit", "BOILER:LC101", "PBAND ? -> \"120\"", Outcome::Done, ""},
      // The override names the CP it takes; a refusal ends the session's CP, so it goes last.
      {{"OVERRIDECP:CP6001 held by AW5102"}, "DNOPENCPCP6001", "override lock", "",
       "CP6001 held by AW5102", Outcome::Done, ""},
      {{"OVERRIDECP:CP6001 x"}, "CHECKPOINT CP6001", "override lock", "", "CP6001 x",
       Outcome::Error, "checkpoint in progress: CP6001"},
  };
  // clang-format on
  EXPECT_TRUE(events.empty());  // opening a session is no change
  for (const Case& c : cases) {
    events.clear();
    for (const char* command : c.commands) tracker.commandSent(command);
    ASSERT_EQ(events.size(), 1u) << c.what;
    now += 5;
    tracker.lineReceived(c.answer);
    ASSERT_EQ(events.size(), 2u) << c.what;
    for (const JournalEvent& e : events) {
      EXPECT_EQ(e.what, c.what);
      EXPECT_EQ(e.block, c.block) << c.what;
      EXPECT_EQ(e.detail, c.detail) << c.what;
      EXPECT_EQ(e.cp, "CP6001") << c.what;
      EXPECT_TRUE(e.user == "anna" && e.serverPort == 1582);
    }
    EXPECT_EQ(events[0].result, Outcome::Sent) << c.what;
    EXPECT_EQ(events[1].result, c.result) << c.what;
    EXPECT_EQ(events[1].message, c.message) << c.what;
    EXPECT_EQ(events[1].timeMs, events[0].timeMs + 5) << c.what;
  }
  EXPECT_EQ(tracker.outstanding(), 0u);
  EXPECT_EQ(tracker.sessionCp(), "");
}

TEST_F(Tracker, AnEditsOldValuesComeFromTheBlocksLastParameterList) {
  // Two lists asked for; the first is refused, so the list that arrives is the second's.
  send({"GETPARMS:FEEDWT:FV1", "GETPARMS:BOILER:LC101"});
  receive({"ERRPRMLSTFEEDWT:FV1 not found", "CLRPRMLST", "PRMLST NAME  LC101", "PRMLST PBAND 150",
           "PRMLST DESCRP  Drum level  ", "DNPRMLST"});
  EXPECT_EQ(tracker.listedValue("BOILER:LC101", "DESCRP"), "Drum level");
  EXPECT_EQ(tracker.listedValue("FEEDWT:FV1", "PBAND"), std::nullopt);

  send({"MODSTART:BOILER:LC101", "MODPARM:PBAND = 120", "MODPARM:DESCRP = ", "MODPARM:HSCI1 = 5",
        "MODEND:BOILER:LC101"});
  ASSERT_EQ(events.size(), 1u);
  const std::vector<ParamChange> expected = {
      {"PBAND", "150", "120"}, {"DESCRP", "Drum level", ""}, {"HSCI1", std::nullopt, "5"}};
  EXPECT_EQ(events[0].changes, expected);
  EXPECT_EQ(events[0].detail, R"(PBAND "150" -> "120", DESCRP "Drum level" -> "", HSCI1 ? -> "5")");

  // A change that was done is the next edit's old value; one done with a warning may have
  // been stored otherwise, so its old value is unknown; a refused one changes nothing.
  receive({record("WRNPRMMOD", "HSCI1 cut")});
  EXPECT_EQ(tracker.listedValue("BOILER:LC101", "PBAND"), std::nullopt);
  send({"GETPARMS:BOILER:LC101"});
  receive({"CLRPRMLST", "PRMLST PBAND 120", "DNPRMLST"});
  send({"MODSTART:BOILER:LC101", "MODPARM:PBAND = 90", "MODEND:BOILER:LC101"});
  receive({"DNPRMMOD"});
  send({"MODSTART:BOILER:LC101", "MODPARM:PBAND = x", "MODEND:BOILER:LC101"});
  receive({record("ERRPRMMOD", "not a number")});
  send({"MODSTART:BOILER:LC101", "MODPARM:PBAND = 80", "MODEND:BOILER:LC101"});
  ASSERT_EQ(events.size(), 7u);
  EXPECT_EQ(events[2].changes[0].oldValue, "120");
  EXPECT_EQ(events[4].changes[0].oldValue, "90");
  EXPECT_EQ(events[6].changes[0].oldValue, "90");
}

TEST_F(Tracker, AnswersGoToTheOldestRequestOfTheirKind) {
  send({"MODSTART:A:X", "MODPARM:P = 1", "MODEND:A:X", "DELBLK:A:Y", "MODSTART:A:Z",
        "MODPARM:P = 2", "MODEND:A:Z", "DELBLK:A:W"});
  receive({record("ERRPRMMOD", "bad"), "DNDELBLKA:Y", "DNPRMMOD", "ERRDELBLKno W"});
  ASSERT_EQ(events.size(), 8u);
  EXPECT_TRUE(events[4].block == "A:X" && events[4].result == Outcome::Error);
  EXPECT_TRUE(events[5].block == "A:Y" && events[5].result == Outcome::Done);
  EXPECT_TRUE(events[6].block == "A:Z" && events[6].result == Outcome::Done);
  EXPECT_TRUE(events[7].block == "A:W" && events[7].message == "no W");
  // An answer nothing waits for is passed over.
  receive({"DNPRMMOD"});
  EXPECT_EQ(events.size(), 8u);

  // Past the bound the oldest request is given up, and its answer skipped.
  for (std::size_t i = 0; i <= JournalTracker::kMaxOutstanding; ++i)
    tracker.commandSent("DELBLK:A:B" + std::to_string(i));
  EXPECT_EQ(tracker.outstanding(), JournalTracker::kMaxOutstanding);
  events.clear();
  receive({"ERRDELBLKfirst", "ERRDELBLKsecond"});
  ASSERT_EQ(events.size(), 1u);
  EXPECT_TRUE(events[0].block == "A:B1" && events[0].message == "second");
}

TEST_F(Tracker, ALostConnectionLeavesEveryWaitingChangeUnanswered) {
  send({"GETPARMS:A:X"});
  receive({"CLRPRMLST", "PRMLST P     1", "DNPRMLST"});
  send({"UPLOADCP", "DELBLK:A:Y", "MODSTART:A:X", "MODPARM:P = 2", "MODEND:A:X"});
  now += 100;
  tracker.connectionEnded();
  ASSERT_EQ(events.size(), 6u);
  const char* order[] = {"upload", "delete", "edit"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(events[3 + i].what, order[i]);
    EXPECT_EQ(events[3 + i].result, Outcome::ConnectionLost);
    EXPECT_EQ(events[3 + i].timeMs, kT0 + 100);
  }
  EXPECT_EQ(outcomeText(events[3].result), "no answer: connection lost");
  EXPECT_EQ(tracker.sessionCp(), "");
  EXPECT_EQ(tracker.listedValue("A:X", "P"), std::nullopt);
  receive({"DNCPUTIL"});
  EXPECT_EQ(events.size(), 6u);
}

// ---- the line format -------------------------------------------------------------------

TEST(JournalLine, AnEventSurvivesTheRoundTripWhateverItsTextsHold) {
  JournalEvent e;
  e.timeMs = kT0;
  e.user = "J\xC3\xBCrgen";  // UTF-8
  e.host = "ws-01";
  e.serverHost = "10.0.0.5";
  e.serverPort = 1582;
  e.cp = "CP6001";
  e.block = "BOILER:LC101";
  e.what = "edit";
  e.detail = "a \"quoted\" back\\slash, tab\t and CR LF\r\n";
  e.changes = {{"DESCRP", std::nullopt,
                "Temp \xB0"
                "C"},
               {"PBAND", "150", "1,2"}};
  e.result = Outcome::Warning;
  e.message = std::string("nul\0byte", 8);
  const std::string line = formatJournalLine(e);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_EQ(line.find('\r'), std::string::npos);
  EXPECT_NE(line.find(R"("time":"2026-12-03T10:15:02.123Z")"), std::string::npos) << line;
  EXPECT_NE(line.find(R"("new":"Temp \u00b0C")"), std::string::npos) << line;
  const auto back = parseJournalLine(line);
  ASSERT_TRUE(back.has_value()) << line;
  EXPECT_EQ(*back, e);
}

TEST(JournalLine, AnOversizedEventIsCutToTheCapAndSaysSo) {
  JournalEvent e;
  e.what = "edit";
  e.detail = std::string(100000, '\x01');  // every byte escaped six-fold
  for (int i = 0; i < 2000; ++i) e.changes.push_back({"P" + std::to_string(i), "old", "new"});
  const std::string line = formatJournalLine(e);
  EXPECT_LE(line.size(), kMaxJournalLine);
  const auto back = parseJournalLine(line);
  ASSERT_TRUE(back.has_value());
  EXPECT_TRUE(back->truncated);
  EXPECT_GT(back->changes.size(), 10u);
  EXPECT_LT(back->changes.size(), 2000u);
  EXPECT_EQ(back->changes[0], e.changes[0]);
}

TEST(JournalLine, TheReaderRefusesWhatIsNotAnEventAndSkipsBlankLines) {
  for (const char* bad : {"", "not json", "[1,2]", R"({"result":"done"})",
                          R"({"time":"2026-13-01T00:00:00.000Z","result":"done"})",
                          R"({"time":"2026-12-03T10:15:02.123Z","result":"maybe"})",
                          R"({"time":"2026-12-03T10:15:02.123Z","result":"done")"}) {
    std::string error;
    EXPECT_FALSE(parseJournalLine(bad, &error).has_value()) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  std::vector<JournalEvent> out;
  const std::string ok = R"({"time":"2026-12-03T10:15:02.123Z","result":"done","extra":[{}]})";
  EXPECT_EQ(parseJournalText(ok + "\r\n\n  \ngarbage\n" + ok, out), 1u);
  EXPECT_EQ(out.size(), 2u);
}

TEST(JournalLine, TimesAreUtcWithMillisecondsAndNameTheirMonthsFile) {
  const std::pair<std::int64_t, const char*> times[] = {{0, "1970-01-01T00:00:00.000Z"},
                                                        {kT0, "2026-12-03T10:15:02.123Z"},
                                                        {1709251199999, "2024-02-29T23:59:59.999Z"},
                                                        {-1, "1969-12-31T23:59:59.999Z"}};
  for (const auto& [ms, text] : times) {
    EXPECT_EQ(isoUtc(ms), text);
    EXPECT_EQ(parseIsoUtc(text), ms) << text;
  }
  for (const char* bad : {"2023-02-29T00:00:00.000Z", "2026-12-03T24:00:00.000Z",
                          "2026-12-03 10:15:02.123Z", "2026-12-03T10:15:02Z"})
    EXPECT_EQ(parseIsoUtc(bad), std::nullopt) << bad;
  EXPECT_EQ(journalFileName(kT0), "journal-2026-12.jsonl");
  EXPECT_EQ(journalFileName(1709251199999 + 1), "journal-2024-03.jsonl");
}
