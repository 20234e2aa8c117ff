// tarvoctl's core: its command line, the plan it reads from a CSV file, the conversation
// it holds with the server, and what it prints.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "ctl/conversation.h"
#include "ctl/ctl_args.h"
#include "ctl/ctl_output.h"
#include "ctl/ctl_plan.h"
#include "ctl/ctl_revert.h"
#include "records/journal.h"
#include "support/BlockLines.h"

using namespace tarvo::ctl;
using Strings = std::vector<std::string>;
using tarvo::test::pad;

namespace {

// A plan as text, one "BLOCK PARAM=VALUE@LINE" per change, block by block.
std::string dump(const Plan& plan) {
  std::string out;
  for (std::size_t b = 0; b < plan.blockCount(); ++b)
    for (const std::uint32_t row : plan.rowsOf(b)) {
      const Plan::Change c = plan.change(row);
      out += std::string(plan.block(b)) + " " + std::string(c.param) + "=" + std::string(c.value) +
             "@" + std::to_string(c.line) + "\n";
    }
  return out;
}

std::string firstError(const Plan& plan) {
  return plan.errors.empty() ? "" : plan.errors.front();
}

}  // namespace

TEST(CtlArgs, TheCommandWordsBecomeWireTextAndMistakesAreRefused) {
  const auto words = [](const Strings& w) { return commandFromWords(Options{}, w); };
  const ParsedArgs set =
      words({"set", "cp6001", "boiler:lc101", "pband=1=2", "DESCRP= Feed \xC3\xBC"});
  ASSERT_TRUE(set.options) << set.error;
  const Options& o = *set.options;
  EXPECT_TRUE(o.command == Command::Set);
  EXPECT_EQ(o.cp + " " + o.block, "CP6001 BOILER:LC101");
  ASSERT_EQ(o.assignments.size(), 2u);
  EXPECT_EQ(o.assignments[0].param + "=" + o.assignments[0].value, "PBAND=1=2");
  EXPECT_EQ(o.assignments[1].value, " Feed \xFC");  // Latin-1 on the wire
  // A path stays as given.
  EXPECT_EQ(words({"apply", "CP6001", "ch\xC3\xA4nges.csv"}).options->csvPath,
            "ch\xC3\xA4nges.csv");

  const std::pair<Strings, const char*> bad[] = {
      // clang-format off
      {{}, "no command"},                                {{"frobnicate"}, "unknown command"},
      {{"blocks"}, "blocks CP"},                         {{"set", "CP6001", "A:B"}, "PARAM=VALUE"},
      {{"set", "CP6001", "A:B", "NOEQUALS"}, "is not PARAMETER=VALUE"},
      {{"set", "CP6001", "A:B", "P=a\tb"}, "control character"},
      {{"params", "CP60012", "A:B"}, "longer than 6"},   {{"params", "CP6001", "A B"}, "blank"},
      {{"params", "CP6001", "A:\xE2\x82\xAC"}, "can not take"},
      // clang-format on
  };
  for (const auto& [args, error] : bad) {
    const ParsedArgs p = words(args);
    EXPECT_TRUE(!p.options && p.error.find(error) != std::string::npos) << error << ": " << p.error;
  }
}

// ---- the CSV file ----------------------------------------------------------------------

TEST(CtlPlan, ACsvFileBecomesOneEditPerBlockInFirstSeenOrder) {
  const Plan plan = planFromCsv(
      "Block,Parameter,Value\r\n"
      "boiler:lc101,pband,120\r\n"
      "FEEDWT:FV1,DESCRP,\"Feed, \"\"main\"\"\"\r\n"
      "\r\n"
      "BOILER:LC101,INT,3.5\r\n");
  ASSERT_TRUE(plan.errors.empty()) << plan.errors[0];
  EXPECT_EQ(dump(plan),
            "BOILER:LC101 PBAND=120@2\n"
            "BOILER:LC101 INT=3.5@5\n"
            "FEEDWT:FV1 DESCRP=Feed, \"main\"@3\n");

  const Plan bad = planFromCsv(
      "A:B,P,1\n"
      "A:B,P\n"
      "A B,P,1\n"
      "A:B,P,\"two\nlines\"\n"
      "A:B,P,\"open\n");
  ASSERT_EQ(bad.errors.size(), 4u);
  EXPECT_EQ(bad.errors[0], "line 2: expected 3 fields (block, parameter, value), found 2");
  EXPECT_NE(bad.errors[1].find("line 3: the block name"), std::string::npos);
  EXPECT_NE(bad.errors[2].find("line 4: the value holds a line break"), std::string::npos);
  EXPECT_EQ(bad.errors[3], "line 6: a quoted field is never closed");
  EXPECT_EQ(firstError(planFromCsv("block,parameter,value\n")), "no changes in the file");
  EXPECT_EQ(firstError(planFromCsv("A:B,P,1\nA:B,P,x\"y\n")),
            "line 2: a quote inside a field that is not quoted");
}

TEST(CtlPlan, UtfEightAndEightBitFilesAreReadAndAMixOfThemIsRefusedAtItsFirstBadByte) {
  EXPECT_EQ(dump(planFromCsv("\xEF\xBB\xBFX:B,T,20\xC2\xB0\n")), "X:B T=20\xB0@1\n");
  EXPECT_EQ(dump(planFromCsv("X:B,D,Caf\xC3\xA9\n")), "X:B D=Caf\xE9@1\n");
  EXPECT_EQ(dump(planFromCsv("A:B,T,20\xB0\nA:B,D,Caf\xE9\n")),  // 8-bit throughout
            "A:B T=20\xB0@1\nA:B D=Caf\xE9@2\n");

  // One stray Latin-1 byte among UTF-8 text, before it or after it.
  EXPECT_EQ(firstError(planFromCsv("A:B,D,Caf\xC3\xA9\nA:B,E,x\nA:B,F,Caf\xE9\n")),
            "line 3: byte 0xE9 is not UTF-8, but the file holds UTF-8 text before it; save "
            "the file as UTF-8 throughout");
  EXPECT_EQ(firstError(planFromCsv("A:B,D,x\nA:B,E,Caf\xE9\nA:B,F,y\nA:B,G,Caf\xC3\xA9\n")),
            "line 2: byte 0xE9 is not UTF-8, but the file holds UTF-8 text after it; save "
            "the file as UTF-8 throughout");
  EXPECT_EQ(firstError(planFromCsv("\xEF\xBB\xBF"
                                   "A:B,D,x\nA:B,E,\xE9\n")),
            "line 2: the file is marked UTF-8 but is not");
  EXPECT_EQ(firstError(planFromCsv("A:B,P,1\nb,\xE2\x82\xAC,1")),
            "line 2: a character that the server's 8-bit text can not hold");
}

TEST(CtlPlan, TheFileIsReadAsAStreamAndBoundedByWhatIsRead) {
  const std::string csv =
      "\xEF\xBB\xBF"
      "block,parameter,value\r\nA:B,D,\"x,\ny\"\r\n\r\nC:D,E,Caf\xC3\xA9\r\nA:B,F,1";
  CsvPlanReader bytewise;
  for (const char c : csv) ASSERT_TRUE(bytewise.feed(std::string_view(&c, 1)));
  const Plan read = bytewise.finish();
  EXPECT_EQ(firstError(read), "line 2: the value holds a line break or another control character");
  EXPECT_EQ(dump(planFromCsv(csv)), dump(read));

  // An endless stream of zero bytes, as from /dev/zero: refused within its first row.
  CsvPlanReader zeros;
  const std::string megabyte(1024 * 1024, '\0');
  EXPECT_FALSE(zeros.feed(megabyte));
  EXPECT_EQ(firstError(zeros.finish()),
            "line 1: a row longer than " + std::to_string(kMaxRecordBytes) + " bytes");

  // Blank lines are not kept, however many; the file's bytes are bounded all the same.
  CsvPlanReader blank;
  const std::string lines(4 * 1024 * 1024, '\n');
  std::size_t fed = 0;
  while (blank.feed(lines)) fed += lines.size();
  EXPECT_EQ(fed, kMaxCsvBytes);
  EXPECT_EQ(firstError(blank.finish()), "larger than " + std::to_string(kMaxCsvBytes) + " bytes");
}

TEST(CtlPlan, AMillionRowsAreKeptInLittleMoreThanTheirText) {
  std::string csv;
  for (std::size_t n = 0; n < kMaxRows; ++n)
    csv += "CMP" + std::to_string(n % 4000) + ":B,P" + std::to_string(n % 5) + "," +
           std::to_string(n) + "\n";
  Plan plan = planFromCsv(csv);
  ASSERT_TRUE(plan.errors.empty()) << plan.errors[0];
  EXPECT_EQ(plan.rowCount(), kMaxRows);
  EXPECT_EQ(plan.blockCount(), 4000u);
  EXPECT_EQ(plan.changeCount(3999), kMaxRows / 4000);
  EXPECT_EQ(plan.change(plan.rowsOf(3999).back()).value, std::to_string(kMaxRows - 1));
  EXPECT_LT(plan.heldBytes(), 3 * csv.size());

  EXPECT_EQ(firstError(planFromCsv(csv + "A:B,P,1\n")),
            "line 1000001: more than " + std::to_string(kMaxRows) + " rows");
}

// ---- the conversation ------------------------------------------------------------------

class CtlConversation : public ::testing::Test {
 protected:
  static Job applyJob(std::size_t window = 2) {
    Job job;
    job.command = Command::Apply;
    job.cp = "CP6001";
    job.localHost = "ws01";
    job.window = window;
    job.plan.add("A:X", "P", "1", 2);
    job.plan.add("A:NOPE", "P", "2", 4);
    job.plan.add("A:X", "Q", "", 3);
    job.plan.add("A:Y", "P", "bad", 5);
    return job;
  }
  // "running", or how the run ended: "exit N: why it stopped short".
  static std::string ending(const Conversation& c) {
    return c.finished() ? "exit " + std::to_string(c.exitCode()) + ": " + c.failure() : "running";
  }
  static std::string report(const Conversation& c, bool json = false) {
    return formatReport("CP6001", c.plan(), c.outcome(), json);
  }
  static Strings feed(Conversation& c, std::initializer_list<std::string> lines) {
    Strings sent;
    for (const auto& l : lines)
      for (auto& s : c.lineReceived(l)) sent.push_back(std::move(s));
    return sent;
  }
};

TEST_F(CtlConversation, ApplyKeepsAWindowOfBlocksUnderWayAndEachAnswerLandsOnItsBlock) {
  Conversation c(applyJob());
  // The parameter lists follow the open at once, as many as the window holds.
  EXPECT_EQ(c.start(), (Strings{"OPENCP:CP6001 ALL ws01", "GETPARMS:A:X", "GETPARMS:A:NOPE"}));
  EXPECT_EQ(feed(c, {"TRYOPENCPCP6001 contacting", "DNOPENCPCP6001", "BLKTYPNEW"}), Strings{});
  // A transaction goes out once its block's list is in, with the old values it showed.
  EXPECT_EQ(
      feed(c, {"CLRPRMLST", "PRMLST P     0", "DNPRMLST"}),
      (Strings{"MODSTART:A:X", "MODPARM:P = 1", "MODPARM:Q = ", "MODEND:A:X", "MODDONE:A:X"}));
  // An unknown block is refused by its parameter list and nothing is sent for it; its place
  // in the window goes to the next block.
  EXPECT_EQ(feed(c, {"ERRPRMLSTA:NOPE not found in CP6001"}), Strings{"GETPARMS:A:Y"});
  EXPECT_EQ(c.blocksInFlight(), 2u);
  // Nothing is left to ask: the close follows the last transaction at once.
  EXPECT_EQ(feed(c, {"CLRPRMLST", "DNPRMLST"}),
            (Strings{"MODSTART:A:Y", "MODPARM:P = bad", "MODEND:A:Y", "MODDONE:A:Y", "CLOSEICC"}));
  // The answers come in the order the transactions went: the first is A:X's.
  EXPECT_EQ(feed(c, {"DNPRMMOD", pad("ERRPRMMOD", 90) + "P needs a number"}), Strings{});
  EXPECT_EQ(ending(c), "running");
  feed(c, {"CLOSEICC CP6001"});
  EXPECT_EQ(ending(c), "exit 1: ");  // a change refused

  EXPECT_EQ(report(c),
            "A:X     done       2 changes\n"
            "A:NOPE  error      1 change     A:NOPE not found in CP6001\n"
            "A:Y     error      1 change     P needs a number\n");
  const auto json = nlohmann::json::parse(report(c, true));
  const auto& blocks = json.at("blocks");
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks.at(0).at("changes").at(0).at("old"), "0");
  EXPECT_TRUE(blocks.at(0).at("changes").at(1).at("old").is_null());
}

TEST_F(CtlConversation, WhatWasAskedBehindARefusedOpenIsPassedOverAndAskedAgainAfterATakeOver) {
  Job job = applyJob();
  job.overrideLock = true;
  Conversation c(std::move(job));
  c.start();
  EXPECT_EQ(feed(c, {"LOCKOPENCP CP6001 held by AW5102"}),
            (Strings{"OVERRIDECP:CP6001 held by AW5102", "GETPARMS:A:X", "GETPARMS:A:NOPE"}));
  // The answers to the first two lists, asked with no session, are not the blocks' answers.
  EXPECT_EQ(feed(c, {"ERRPRMLSTNo ICC session open", "CLRPRMLST", "DNPRMLST", "DNOPENCPCP6001"}),
            Strings{});
  EXPECT_EQ(c.outcome().result(1), BlockResult::NotSent);
  EXPECT_EQ(feed(c, {"CLRPRMLST", "DNPRMLST"}).front(), "MODSTART:A:X");

  // Without --override-lock the lock ends the run: the session is closed, nothing changed.
  Conversation locked(applyJob());
  locked.start();
  EXPECT_EQ(feed(locked, {"LOCKOPENCP CP6001 held by AW5102"}), Strings{"CLOSEICC"});
  EXPECT_EQ(ending(locked),
            "exit 3: [CP6001] is locked (CP6001 held by AW5102); --override-lock takes it over");
  EXPECT_EQ(
      report(locked),
      "A:X     not sent   2 changes\nA:NOPE  not sent   1 change\nA:Y     not sent   1 change\n");
}

TEST_F(CtlConversation, AnAnswerThatNeverComesEndsTheRunWithoutGuessing) {
  for (const bool lost : {true, false}) {
    Conversation c(applyJob());
    c.start();
    feed(c, {"DNOPENCPCP6001", "CLRPRMLST", "DNPRMLST"});
    // A:X's transaction is out, A:NOPE's list is asked: neither is answered.
    Strings last;
    if (lost)
      c.connectionLost();
    else
      last = c.timedOut(30);
    const std::string noAnswer = lost ? "no answer: connection lost" : "no answer within 30 s";
    EXPECT_EQ(last, lost ? Strings{} : Strings{"CLOSEICC"});
    // The oldest request waits the longest: the answers come in the order asked.
    EXPECT_EQ(ending(c), "exit 3: " + (lost ? "the connection was lost" : noAnswer) +
                             " while waiting for the parameters of A:NOPE");
    EXPECT_EQ(report(c), "A:X     no answer  2 changes    " + noAnswer +
                             "\nA:NOPE  not sent   1 change\nA:Y     not sent   1 change\n");
  }
  // The session taken over by another station while waiting.
  Conversation c(applyJob());
  c.start();
  feed(c, {"DNOPENCPCP6001", "CLRPRMLST", "DNPRMLST", "CLOSEICC CP6001 taken over by WS9"});
  EXPECT_EQ(ending(c), "exit 3: the server closed the session: CP6001 taken over by WS9");
  EXPECT_EQ(c.outcome().message(0), "the session was closed before the answer");
}

TEST_F(CtlConversation, OnlyTheAnswersWaitedForMoveTheDeadlineAndAListIsBoundedInBytes) {
  Job job;
  job.command = Command::Cps;
  Conversation c(std::move(job));
  EXPECT_EQ(c.start(), Strings{"GETCPS"});
  for (const char* unrelated : {"GARBAGE", "DNPRMMOD", "CPLST CP6001 before its list began"}) {
    feed(c, {unrelated});
    EXPECT_FALSE(c.progressed()) << unrelated;
  }
  feed(c, {"CLRCPLST"});
  EXPECT_TRUE(c.progressed());
  // Rows of 60 KB: the list stops at its byte bound, well before its row bound.
  const std::string row = "CPLST     CP6001  " + std::string(60 * 1024, 'x');
  std::size_t rows = 0;
  while (!c.finished() && rows < 10000) {
    feed(c, {row});
    ++rows;
  }
  EXPECT_EQ(rows, Conversation::kMaxListBytes / row.size() + 1);
  EXPECT_EQ(ending(c), "exit 1: the list is longer than 67108864 bytes");

  Conversation opening(applyJob());
  opening.start();
  std::size_t counted = 0;
  for (std::size_t i = 0; i < 2 * Conversation::kMaxProgressLines; ++i) {
    feed(opening, {"TRYOPENCPCP6001 still trying"});
    counted += opening.progressed();
  }
  EXPECT_EQ(counted, Conversation::kMaxProgressLines);
}

TEST_F(CtlConversation, ADryRunShowsWhatASuccessfulRunSends) {
  // Strict request and answer: each block's list, then its transaction.
  EXPECT_EQ(
      Conversation::plannedCommands(applyJob(1)),
      (Strings{"OPENCP:CP6001 ALL ws01", "GETPARMS:A:X", "MODSTART:A:X", "MODPARM:P = 1",
               "MODPARM:Q = ", "MODEND:A:X", "MODDONE:A:X", "GETPARMS:A:NOPE", "MODSTART:A:NOPE",
               "MODPARM:P = 2", "MODEND:A:NOPE", "MODDONE:A:NOPE", "GETPARMS:A:Y", "MODSTART:A:Y",
               "MODPARM:P = bad", "MODEND:A:Y", "MODDONE:A:Y", "CLOSEICC"}));
  Conversation c(applyJob(3));
  Strings sent = c.start();
  for (const char* line : {"DNOPENCPCP6001", "CLRPRMLST", "DNPRMLST", "CLRPRMLST", "DNPRMLST",
                           "CLRPRMLST", "DNPRMLST", "DNPRMMOD", "DNPRMMOD", "DNPRMMOD"})
    for (auto& s : c.lineReceived(line)) sent.push_back(s);
  EXPECT_EQ(Conversation::plannedCommands(applyJob(3)), sent);
  EXPECT_EQ(formatFrames({"CLOSEICC", "GETCPS"}), "MSG:0008CLOSEICC\nMSG:0006GETCPS\n");
  EXPECT_EQ(formatTable({"a", "b"}, {{"x", "1"}, {"long", "2"}}, false), "x     1\nlong  2\n");
}

// ---- dump, diff, revert ----------------------------------------------------------------

TEST(CtlArgs, DumpDiffAndRevertTakeCompoundsAFileAndJournalTimes) {
  const auto words = [](const Strings& w) { return commandFromWords(Options{}, w); };
  const ParsedArgs dump = words({"dump", "cp6001", "boiler", "feedwt"});
  ASSERT_TRUE(dump.options) << dump.error;
  EXPECT_EQ(dump.options->compounds, (Strings{"BOILER", "FEEDWT"}));
  EXPECT_EQ(words({"dump", "CP6001"}).options->compounds, Strings{});
  EXPECT_EQ(words({"diff", "CP6001", "approved \xC3\xA4.csv"}).options->csvPath,
            "approved \xC3\xA4.csv");
  const ParsedArgs revert =
      words({"revert", "2026-12-06T15:09:22.381Z", "2026-12-06T15:09:23.000Z"});
  ASSERT_TRUE(revert.options) << revert.error;
  EXPECT_EQ(revert.options->eventTimes.size(), 2u);
  EXPECT_EQ(revert.options->eventTimes[1] - revert.options->eventTimes[0], 619);

  const std::pair<Strings, const char*> bad[] = {
      {{"dump"}, "usage: tarvoctl [OPTIONS] dump CP [CMP...]"},
      {{"dump", "CP6001", "BOILER:LC101"}, "BOILER:LC101 is a block; dump takes compounds"},
      {{"diff", "CP6001"}, "usage: tarvoctl [OPTIONS] diff CP FILE.csv"},
      {{"revert"}, "usage: tarvoctl [OPTIONS] revert EVENT-TIME..."},
      {{"revert", "2026-12-06 15:09"}, "is not the time of a journal event"},
  };
  for (const auto& [args, error] : bad) {
    const ParsedArgs p = words(args);
    EXPECT_TRUE(!p.options && p.error.find(error) != std::string::npos) << error << ": " << p.error;
  }
}

TEST_F(CtlConversation, ApplyLeavesOutWhatTheBlockHoldsAlready) {
  Conversation c(applyJob());
  c.start();
  feed(c, {"DNOPENCPCP6001"});
  // A:X holds P 1 already: only Q goes out.
  EXPECT_EQ(feed(c, {"CLRPRMLST", "PRMLST P     1", "PRMLST Q     old", "DNPRMLST"}),
            (Strings{"MODSTART:A:X", "MODPARM:Q = ", "MODEND:A:X", "MODDONE:A:X"}));
  feed(c, {"ERRPRMLSTA:NOPE not found in CP6001"});
  // A:Y holds everything already: no transaction at all, and the close follows.
  EXPECT_EQ(feed(c, {"CLRPRMLST", "PRMLST P     bad", "DNPRMLST"}), Strings{"CLOSEICC"});
  feed(c, {"DNPRMMOD", "CLOSEICC CP6001"});
  EXPECT_EQ(report(c),
            "A:X     done       2 changes    1 unchanged\n"
            "A:NOPE  error      1 change     A:NOPE not found in CP6001\n"
            "A:Y     unchanged  1 change\n");
  EXPECT_TRUE(nlohmann::json::parse(report(c, true))["blocks"][0]["changes"][0]["unchanged"]);

  // set sends what it is told, the same value too.
  Job job;
  job.command = Command::Set;
  job.cp = "CP6001";
  job.plan.add("A:X", "P", "1");
  Conversation set(std::move(job));
  set.start();
  EXPECT_EQ(feed(set, {"DNOPENCPCP6001", "CLRPRMLST", "PRMLST P     1", "DNPRMLST"}).at(1),
            "MODPARM:P = 1");
}

TEST_F(CtlConversation, ADumpReadsEveryBlockListedWithinTheWindowAndClosesBehindTheLastList) {
  Job job;
  job.command = Command::Dump;
  job.cp = "CP6001";
  job.localHost = "ws01";
  job.window = 2;
  job.compounds = {"A", "NONE"};
  Conversation c(std::move(job));
  EXPECT_EQ(c.start(), (Strings{"OPENCP:CP6001 ALL ws01", "GETBLKS 0 CP6001"}));
  EXPECT_EQ(feed(c, {"DNOPENCPCP6001", "CLRBLKLST", tarvo::test::cmpLine(1, "A"),
                     tarvo::test::blkLine(2, "X", "PID"), tarvo::test::blkLine(3, "Y", "AIN"),
                     tarvo::test::cmpLine(4, "B"), tarvo::test::blkLine(5, "Z", "PID"),
                     tarvo::test::endLine(6), "DNBLKLST"}),
            (Strings{"GETPARMS:A", "GETPARMS:A:X"}));
  EXPECT_EQ(feed(c, {"CLRPRMLST", "PRMLST NAME  A", "PRMLST DESCRP =1+2", "DNPRMLST"}),
            (Strings{"GETPARMS:A:Y", "CLOSEICC"}));
  // A block gone since the list was read is said, and the rest is read on.
  feed(c, {"ERRPRMLSTA:X not found in CP6001", "CLRPRMLST", "PRMLST HI    -5", "DNPRMLST",
           "CLOSEICC CP6001"});
  EXPECT_EQ(ending(c), "exit 1: ");
  EXPECT_EQ(c.readProblems(),
            (Strings{"compound NONE not found in CP6001",
                     "the parameters of A:X could not be read: A:X not found in CP6001"}));
  EXPECT_EQ(formatDump(c.blocksRead(), false),
            "\xEF\xBB\xBF"
            "block,parameter,value\r\nA,NAME,A\r\nA,DESCRP,'=1+2\r\nA:Y,HI,-5\r\n");
  EXPECT_EQ(formatDump(c.blocksRead(), true),
            "[\n  {\"block\": \"A\", \"parameter\": \"NAME\", \"value\": \"A\"},\n"
            "  {\"block\": \"A\", \"parameter\": \"DESCRP\", \"value\": \"=1+2\"},\n"
            "  {\"block\": \"A:Y\", \"parameter\": \"HI\", \"value\": \"-5\"}\n]\n");
  EXPECT_EQ(formatDiff("CP6001", {}, true),
            "{\"cp\": \"CP6001\", \"same\": true, \"differences\": []}\n");
}

namespace {

tarvo::records::JournalEvent event(std::int64_t t, const std::string& block, std::string param,
                                   std::optional<std::string> old, std::string now,
                                   tarvo::records::Outcome result) {
  tarvo::records::JournalEvent e;
  e.timeMs = t;
  e.cp = "CP6001";
  e.block = block;
  e.what = "edit";
  e.changes = {{std::move(param), std::move(old), std::move(now)}};
  e.result = result;
  return e;
}

}  // namespace

TEST_F(CtlConversation, ARevertReadsItsBlocksAndSendsWhatThePlannerDecidesOnTheirValues) {
  using tarvo::records::Outcome;
  constexpr std::int64_t t = 1796292902123;  // 2026-12-03T10:15:02.123Z
  RevertRun run({event(t, "A:X", "P", "1", "2", Outcome::Sent),
                 event(t + 7, "A:X", "P", "1", "2", Outcome::Done),
                 event(t + 10, "A:Y", "Q", "a", "b", Outcome::Sent),
                 event(t + 11, "A:Y", "Q", "a", "b", Outcome::Done),
                 event(t + 20, "A:Z", "R", std::nullopt, "c", Outcome::Sent),
                 event(t + 21, "A:Z", "R", std::nullopt, "c", Outcome::Done)},
                {t + 7, t + 10, t + 20, t + 99});  // A:X by its answer's time
  EXPECT_EQ(run.errors(), Strings{"no change at 2026-12-03T10:15:02.222Z in the journal"});
  EXPECT_EQ(run.cp(), "CP6001");

  Job job;
  job.command = Command::Revert;
  job.cp = run.cp();
  job.localHost = "ws01";
  job.plan = run.plan();
  job.decide = [&](std::size_t b, const tarvo::records::LiveBlock& live) {
    return run.decide(b, live);
  };
  Conversation c(std::move(job));
  // A:Z's old value is unknown: it is not even read.
  EXPECT_EQ(c.start(), (Strings{"OPENCP:CP6001 ALL ws01", "GETPARMS:A:Y", "GETPARMS:A:X"}));
  // Q was changed again since: nothing is sent for A:Y.
  EXPECT_EQ(feed(c, {"DNOPENCPCP6001", "CLRPRMLST", "PRMLST Q     z", "DNPRMLST"}), Strings{});
  EXPECT_EQ(feed(c, {"CLRPRMLST", "PRMLST P     2", "DNPRMLST"}),
            (Strings{"MODSTART:A:X", "MODPARM:P = 1", "MODEND:A:X", "MODDONE:A:X", "CLOSEICC"}));
  feed(c, {"DNPRMMOD", "CLOSEICC CP6001"});
  const auto lines = run.report(c.plan(), c.outcome());
  EXPECT_EQ(formatRevertReport("CP6001", lines, false),
            "2026-12-03T10:15:02.123Z  A:X  reverted\n"
            "2026-12-03T10:15:02.133Z  A:Y  refused    Q is now \"z\", not the \"b\" this change "
            "set: it was changed again since (revert that change first)\n"
            "2026-12-03T10:15:02.143Z  A:Z  refused    the old value of R is unknown (?)\n");
  EXPECT_EQ(RevertRun::exitCode(lines), kExitRefused);
  EXPECT_EQ(
      nlohmann::json::parse(formatRevertReport("CP6001", lines, true))["changes"][0]["result"],
      "reverted");
}
