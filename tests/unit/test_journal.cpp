// The change journal: what the tracker makes of the commands and replies of each kind of
// change, how it pairs answers with requests, and the journal line format.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "records/journal.h"
#include "records/journal_tracker.h"
#include "support/BlockLines.h"

using namespace tarvo::records;
using Strings = std::vector<std::string>;
using tarvo::test::pad;

namespace {

constexpr std::int64_t kT0 = 1796292902123;  // 2026-12-03T10:15:02.123Z

// An event as "what|block|detail|result|message".
std::string str(const JournalEvent& e) {
  return e.what + "|" + e.block + "|" + e.detail + "|" + std::string(outcomeText(e.result)) + "|" +
         e.message;
}

class Tracker : public ::testing::Test {
 protected:
  Tracker()
      : tracker([this](const JournalEvent& e) { events.push_back(e); }, [this] { return now; }) {
    tracker.setContext({"anna", "ws01", "10.0.0.5", 1582});
    tracker.commandSent("OPENCP:CP6001 ALL ws01");
    tracker.lineReceived("DNOPENCPCP6001");
  }
  void send(const Strings& commands) {
    for (const auto& c : commands) tracker.commandSent(c);
  }
  void receive(const Strings& lines) {
    for (const auto& l : lines) tracker.lineReceived(l);
  }
  // The events from `first` on, each as str() gives it.
  Strings from(std::size_t first) const {
    Strings out;
    for (std::size_t i = first; i < events.size(); ++i) out.push_back(str(events[i]));
    return out;
  }

  std::int64_t now = kT0;
  std::vector<JournalEvent> events;
  JournalTracker tracker;
};

}  // namespace

TEST_F(Tracker, EachKindOfChangeIsJournaledWithItsAnswer) {
  const struct {
    Strings commands;
    std::string answer;
    std::string change;  // what|block|detail of both events
    const char* result;  // result|message of the answer's
  } cases[] = {
      // clang-format off
      // A record reply carries its message from column 91.
      {{"ADDNEW:BOILER:NEW2 BOILER:LC101 PID"}, pad("WRNADDNEW", 90) + "name cut",
       "add|BOILER:NEW2|type PID at BOILER:LC101", "warning|name cut"},
      {{"CPYNEW:BOILER:C2 BOILER:LC101 PID BOILER:---END_BOILER"}, pad("ERRCPYNEW", 90) + "exists",
       "copy|BOILER:C2|from BOILER:LC101 (PID) at BOILER:---END_BOILER", "error|exists"},
      {{"MOVEBLK:FEEDWT:X BOILER:LC101 PID"}, "DNMOVEBLX", "move|BOILER:LC101|(PID) to FEEDWT:X",
       "done|"},
      {{"SPUTSTART:FEEDWT:PMPSEQ", "SRCPUT:A\n", "SRCPUT:B", "SPUTENDB"}, "DNPUTSRC",
       "save source|FEEDWT:PMPSEQ|2 lines", "done|"},
      {{"COMPLSEQ:FEEDWT:PMPSEQ IND"}, "WRNCPLSEQ x unused", "compile|FEEDWT:PMPSEQ|type IND",
       "warning| x unused"},
      {{"INSTALSEQ:FEEDWT:PMPSEQ"}, "ERRINSSEQno compile", "install|FEEDWT:PMPSEQ|",
       "error|no compile"},
      {{"CHECKPOINTCP"}, "ERRCPUTILdisk full", "checkpoint||", "error|disk full"},
      {{"INITIALIZECP"}, "DNCPUTIL", "initialize||", "done|"},
      // The override names the CP it takes; a refusal ends the session's CP, so it goes last.
      {{"OVERRIDECP:CP6001 held by AW5102"}, "DNOPENCPCP6001",
       "override lock||CP6001 held by AW5102", "done|"},
      {{"OVERRIDECP:CP6001 x"}, "CHECKPOINT CP6001", "override lock||CP6001 x",
       "error|checkpoint in progress: CP6001"},
      // clang-format on
  };
  EXPECT_TRUE(events.empty());  // opening a session is no change
  for (const auto& c : cases) {
    events.clear();
    send(c.commands);
    ASSERT_EQ(from(0), Strings{c.change + "|sent|"});
    now += 5;
    tracker.lineReceived(c.answer);
    ASSERT_EQ(from(1), Strings{c.change + "|" + c.result});
    EXPECT_EQ(events[1].timeMs, events[0].timeMs + 5) << c.change;
    for (const JournalEvent& e : events)
      EXPECT_TRUE(e.cp == "CP6001" && e.user == "anna" && e.serverPort == 1582) << c.change;
  }
  EXPECT_EQ(tracker.outstanding(), 0u);
  EXPECT_EQ(tracker.sessionCp(), "");
}

TEST_F(Tracker, AnEditsOldValuesComeFromTheBlocksLastParameterList) {
  // Two lists asked for; the first is refused, so the list that arrives is the second's.
  send({"GETPARMS:FEEDWT:FV1", "GETPARMS:BOILER:LC101"});
  receive({"ERRPRMLSTFEEDWT:FV1 not found", "CLRPRMLST", "PRMLST NAME  LC101", "PRMLST PBAND 150",
           "PRMLST DESCRP  Drum level  ", "DNPRMLST"});
  EXPECT_EQ(tracker.listedValue("FEEDWT:FV1", "PBAND"), std::nullopt);

  send({"MODSTART:BOILER:LC101", "MODPARM:PBAND = 120", "MODPARM:DESCRP = ", "MODPARM:HSCI1 = 5",
        "MODEND:BOILER:LC101"});
  const std::vector<ParamChange> expected = {
      {"PBAND", "150", "120"}, {"DESCRP", "Drum level", ""}, {"HSCI1", std::nullopt, "5"}};
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].changes, expected);
  EXPECT_EQ(events[0].detail, R"(PBAND "150" -> "120", DESCRP "Drum level" -> "", HSCI1 ? -> "5")");

  // A change that was done is the next edit's old value; one done with a warning may have
  // been stored otherwise, so its old value is unknown; a refused one changes nothing.
  receive({pad("WRNPRMMOD", 90) + "HSCI1 cut"});
  EXPECT_EQ(tracker.listedValue("BOILER:LC101", "PBAND"), std::nullopt);
  send({"GETPARMS:BOILER:LC101"});
  receive({"CLRPRMLST", "PRMLST PBAND 120", "DNPRMLST"});
  send({"MODSTART:BOILER:LC101", "MODPARM:PBAND = 90", "MODEND:BOILER:LC101"});
  receive({"DNPRMMOD"});
  send({"MODSTART:BOILER:LC101", "MODPARM:PBAND = x", "MODEND:BOILER:LC101"});
  receive({pad("ERRPRMMOD", 90) + "not a number"});
  send({"MODSTART:BOILER:LC101", "MODPARM:PBAND = 80", "MODEND:BOILER:LC101"});
  ASSERT_EQ(events.size(), 7u);
  EXPECT_EQ(*events[2].changes[0].oldValue + *events[4].changes[0].oldValue +
                *events[6].changes[0].oldValue,
            "1209090");
}

TEST_F(Tracker, AnswersGoToTheOldestRequestOfTheirKind) {
  send({"MODSTART:A:X", "MODPARM:P = 1", "MODEND:A:X", "DELBLK:A:Y", "MODSTART:A:Z",
        "MODPARM:P = 2", "MODEND:A:Z", "DELBLK:A:W"});
  receive({pad("ERRPRMMOD", 90) + "bad", "DNDELBLKA:Y", "DNPRMMOD", "ERRDELBLKno W"});
  // An answer nothing waits for is passed over.
  receive({"DNPRMMOD"});
  EXPECT_EQ(from(4), (Strings{"edit|A:X|P ? -> \"1\"|error|bad", "delete|A:Y||done|",
                              "edit|A:Z|P ? -> \"2\"|done|", "delete|A:W||error|no W"}));

  // Past the bound the oldest request is given up, and its answer skipped.
  for (std::size_t i = 0; i <= JournalTracker::kMaxOutstanding; ++i)
    tracker.commandSent("DELBLK:A:B" + std::to_string(i));
  EXPECT_EQ(tracker.outstanding(), JournalTracker::kMaxOutstanding);
  events.clear();
  receive({"ERRDELBLKfirst", "ERRDELBLKsecond"});
  EXPECT_EQ(from(0), Strings{"delete|A:B1||error|second"});
}

TEST_F(Tracker, ALostConnectionLeavesEveryWaitingChangeUnanswered) {
  send({"GETPARMS:A:X"});
  receive({"CLRPRMLST", "PRMLST P     1", "DNPRMLST"});
  send({"UPLOADCP", "DELBLK:A:Y", "MODSTART:A:X", "MODPARM:P = 2", "MODEND:A:X"});
  now += 100;
  tracker.connectionEnded();
  receive({"DNCPUTIL"});
  const std::string lost = "|no answer: connection lost|";
  EXPECT_EQ(from(3),
            (Strings{"upload||" + lost, "delete|A:Y|" + lost, "edit|A:X|P \"1\" -> \"2\"" + lost}));
  EXPECT_EQ(events.back().timeMs, kT0 + 100);
  EXPECT_EQ(tracker.sessionCp(), "");
  EXPECT_EQ(tracker.listedValue("A:X", "P"), std::nullopt);
}

// ---- the line format -------------------------------------------------------------------

TEST(JournalLine, AnEventSurvivesTheRoundTripWhateverItsTextsHold) {
  // clang-format off
  const JournalEvent e{.timeMs = kT0, .user = "J\xC3\xBCrgen" /* UTF-8 */, .host = "ws-01",
      .serverHost = "10.0.0.5", .serverPort = 1582, .cp = "CP6001", .block = "BOILER:LC101",
      .what = "edit", .detail = "a \"quoted\" back\\slash, tab\t and CR LF\r\n",
      .changes = {{"DESCRP", std::nullopt, "20 \xB0"}, {"PBAND", "150", "1,2"}},
      .result = Outcome::Warning, .message = std::string("nul\0byte", 8)};
  // clang-format on
  const std::string line = formatJournalLine(e);
  EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
  EXPECT_NE(line.find(R"("time":"2026-12-03T10:15:02.123Z")"), std::string::npos) << line;
  EXPECT_NE(line.find(R"("new":"20 \u00b0")"), std::string::npos) << line;
  const auto back = parseJournalLine(line);
  ASSERT_TRUE(back.has_value()) << line;
  EXPECT_EQ(*back, e);
}

// Lines as the journal's first writer wrote them, with the events they were written for.
// Journals of earlier months hold such lines: they must read as they were written, and a
// line written today must be the same, byte for byte, so that a journal reads and compares
// as one whatever wrote its lines.
namespace {

std::string repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// The first writer escaped backspace and form feed as \u0008 and \u000c; JSON's short forms
// \b and \f, which the library writes, stand for the same characters.
std::string withShortEscapes(std::string line) {
  for (const auto& [from, to] : {std::pair{R"(\u0008)", R"(\b)"}, std::pair{R"(\u000c)", R"(\f)"}})
    for (auto at = line.find(from); at != std::string::npos; at = line.find(from, at))
      line.replace(at, 6, to);
  return line;
}

JournalEvent event(std::int64_t timeMs, std::string user, std::string host, std::string server,
                   int port, std::string cp, std::string block, std::string what,
                   std::string detail, std::vector<ParamChange> changes, Outcome result,
                   std::string message, bool truncated = false) {
  return {timeMs,        std::move(user),    std::move(host), std::move(server), port,
          std::move(cp), std::move(block),   std::move(what), std::move(detail), std::move(changes),
          result,        std::move(message), truncated};
}

struct Written {
  const char* what;
  JournalEvent event;
  std::string line;
  std::optional<JournalEvent> readsAs = {};  // when the line does not hold all of the event
};

std::vector<Written> writtenBefore() {
  std::vector<Written> out;
  // clang-format off
  out.push_back({"an edit as the tracker journals it",
      event(kT0, "anna", "ws01", "10.0.0.5", 1582, "CP6001", "BOILER:LC101", "edit",
            R"(PBAND "150" -> "120", HSCI1 ? -> "5")",
            {{"PBAND", "150", "120"}, {"HSCI1", std::nullopt, "5"}}, Outcome::Sent, ""),
      R"({"time":"2026-12-03T10:15:02.123Z","user":"anna","host":"ws01","server_host":"10.0.0.5",)"
      R"("server_port":1582,"cp":"CP6001","block":"BOILER:LC101","what":"edit","detail":)"
      R"("PBAND \"150\" -> \"120\", HSCI1 ? -> \"5\"","changes":[{"param":"PBAND","old":"150",)"
      R"("new":"120"},{"param":"HSCI1","old":null,"new":"5"}],"result":"sent","message":""})"});

  std::string controls;
  for (int c = 0; c < 0x20; ++c) controls += static_cast<char>(c);
  controls += '\x7F';
  out.push_back({"the wire's quotes, backslashes, control and 8-bit characters; the system's "
                 "UTF-8 as it is",
      event(0, "J\xC3\xBCrgen", "h\xC3\xB6st-\xE2\x82\xAC-\xF0\x9F\x98\x80", "plant.example", 65535,
            "CP6002", R"(A:"q"\b)", "delete", controls, {}, Outcome::Warning,
            "\x80\x9F\xA0\xB0\xC0\xE9\xFF"),
      R"({"time":"1970-01-01T00:00:00.000Z","user":"J)" "\xC3\xBC" R"(rgen","host":"h)"
      "\xC3\xB6" R"(st-)" "\xE2\x82\xAC" R"(-)" "\xF0\x9F\x98\x80"
      R"(","server_host":"plant.example","server_port":65535,"cp":"CP6002","block":"A:\"q\"\\b",)"
      R"("what":"delete","detail":"\u0000\u0001\u0002\u0003\u0004\u0005\u0006\u0007\u0008\t\n)"
      R"(\u000b\u000c\r\u000e\u000f\u0010\u0011\u0012\u0013\u0014\u0015\u0016\u0017\u0018\u0019)"
      R"(\u001a\u001b\u001c\u001d\u001e\u001f\u007f","result":"warning","message":)"
      R"("\u0080\u009f\u00a0\u00b0\u00c0\u00e9\u00ff"})"});

  out.push_back({"an answer that never came, a change of empty texts, a slash",
      event(-1, "ops", "ws02", "", 0, "", "", "checkpoint", "", {{"P", "", ""}},
            Outcome::ConnectionLost, "/ and \xE9", true),
      R"({"time":"1969-12-31T23:59:59.999Z","user":"ops","host":"ws02","server_host":"",)"
      R"("server_port":0,"cp":"","block":"","what":"checkpoint","detail":"","changes":)"
      R"([{"param":"P","old":"","new":""}],"result":"no answer: connection lost",)"
      R"("message":"/ and \u00e9","truncated":true})"});

  // Past the cap every text is cut to 256 bytes (a UTF-8 one at a character's start) and
  // only the changes that fit are kept.
  JournalEvent big = event(kT0, "x" + repeat("\xC3\xBC", 300), "ws01", "10.0.0.5", 1582, "CP6001",
                           "BOILER:LC101", "edit", std::string(3000, '\xB0'), {}, Outcome::Error,
                           "m");
  std::string bigLine =
      R"({"time":"2026-12-03T10:15:02.123Z","user":"x)" + repeat("\xC3\xBC", 127) +
      R"(","host":"ws01","server_host":"10.0.0.5","server_port":1582,"cp":"CP6001",)"
      R"("block":"BOILER:LC101","what":"edit","detail":")" + repeat(R"(\u00b0)", 256) +
      R"(","changes":[)";
  // clang-format on
  for (int i = 0; i < 400; ++i)
    big.changes.push_back({"P" + std::to_string(i), std::string(40, '"'), "v"});
  for (int i = 0; i < 124; ++i)
    bigLine += (i > 0 ? "," : "") + std::string(R"({"param":"P)") + std::to_string(i) +
               R"(","old":")" + repeat(R"(\")", 40) + R"(","new":"v"})";
  bigLine += R"(],"result":"error","message":"m","truncated":true})";
  JournalEvent cut = big;
  cut.user.resize(1 + 2 * 127);
  cut.detail.resize(256);
  cut.changes.resize(124);
  cut.truncated = true;
  out.push_back({"a line cut to the cap", std::move(big), std::move(bigLine), std::move(cut)});
  return out;
}

}  // namespace

TEST(JournalLine, LinesWrittenBeforeReadAsWrittenAndTodaysLinesAreTheSame) {
  std::string file;
  std::vector<JournalEvent> events;
  for (const Written& w : writtenBefore()) {
    SCOPED_TRACE(w.what);
    EXPECT_EQ(formatJournalLine(w.event), withShortEscapes(w.line));
    const auto back = parseJournalLine(w.line);
    ASSERT_TRUE(back.has_value());
    const JournalEvent expected = w.readsAs.value_or(w.event);
    EXPECT_EQ(*back, expected);
    file += w.line + "\n";
    events.push_back(expected);
  }
  std::vector<JournalEvent> read;
  EXPECT_EQ(parseJournalText(file, read), 0u);
  EXPECT_EQ(read, events);
}

TEST(JournalLine, EveryByteOfAWireTextIsWrittenAsAsciiAndReadBack) {
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    JournalEvent e;
    e.detail = std::string(1, c);
    const std::string line = formatJournalLine(e);
    std::string expected(1, c);
    if (c == '"' || c == '\\') expected = std::string("\\") + c;
    if (b < 0x20 || b >= 0x7F) {
      static constexpr char kShort[] = {0, 0, 0, 0, 0, 0, 0, 0, 'b', 't', 'n', 0, 'f', 'r'};
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\u%04x", b);
      expected = b < 14 && kShort[b] ? std::string("\\") + kShort[b] : hex;
    }
    EXPECT_NE(line.find(R"("detail":")" + expected + "\""), std::string::npos) << b << line;
    const auto back = parseJournalLine(line);
    ASSERT_TRUE(back.has_value()) << b;
    EXPECT_EQ(back->detail, e.detail) << b;
  }
}

TEST(JournalLine, SystemTextsThatAreNotUtf8AreWrittenWithReplacementCharacters) {
  // The first writer's line for a host of broken UTF-8: it still reads.
  const std::string before =
      R"({"time":"1969-12-31T23:59:59.999Z","user":"ctl\u0001\u0008\u000c\u001f\u007f\t\"\\\u0000",)"
      R"("host":"bad\ufffdx\ufffd\ufffdy","server_host":"","server_port":0,"cp":"","block":"",)"
      R"("what":"checkpoint","detail":"","result":"sent","message":""})";
  const auto old = parseJournalLine(before);
  ASSERT_TRUE(old.has_value());
  EXPECT_EQ(old->user, std::string("ctl\x01\x08\x0C\x1F\x7F\t\"\\\0", 12));
  EXPECT_EQ(old->host, "bad\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBDy");

  // Today each broken sequence becomes one U+FFFD, written as UTF-8 like the rest.
  const std::string fffd = "\xEF\xBF\xBD";
  JournalEvent e;
  e.user = std::string("a\xFF") + "b\xE2\x82" + "c\xC0\x80" + "d\xE2\x82";
  const std::string user = "a" + fffd + "b" + fffd + "c" + fffd + fffd + "d" + fffd;
  const std::string line = formatJournalLine(e);
  EXPECT_NE(line.find("\"user\":\"" + user + "\","), std::string::npos) << line;
  const auto back = parseJournalLine(line);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->user, user);
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
  EXPECT_TRUE(back->changes.size() > 10 && back->changes.size() < 2000) << back->changes.size();
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

TEST(JournalLine, TheReaderRefusesDeepNestingAndTextsThatAreNotUtf8) {
  const std::string head = R"({"time":"2026-12-03T10:15:02.123Z","result":"done","extra":)";
  auto nested = [](std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); };
  EXPECT_TRUE(parseJournalLine(head + nested(16) + "}").has_value());
  std::string error;
  EXPECT_FALSE(parseJournalLine(head + nested(17) + "}", &error).has_value());
  EXPECT_EQ(error, "nested too deep");
  EXPECT_FALSE(parseJournalLine(std::string(1 << 20, '[')).has_value());
  EXPECT_FALSE(parseJournalLine(head + "1,\"user\":\"\xFF\"}", &error).has_value());
  EXPECT_NE(error.find("UTF-8"), std::string::npos) << error;
}

TEST(JournalLine, TimesAreUtcWithMillisecondsAndNameTheirMonthsFile) {
  const std::pair<std::int64_t, const char*> times[] = {{kT0, "2026-12-03T10:15:02.123Z"},
                                                        {1709251199999, "2024-02-29T23:59:59.999Z"},
                                                        {0, "1970-01-01T00:00:00.000Z"},
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
