// tarvoctl's core: its command line, the plan it reads from a CSV file, the conversation
// it holds with the server, and what it prints.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "ctl/conversation.h"
#include "ctl/ctl_args.h"
#include "ctl/ctl_output.h"
#include "ctl/ctl_plan.h"
#include "support/BlockLines.h"

using namespace tarvo::ctl;
using Strings = std::vector<std::string>;
using tarvo::test::pad;

TEST(CtlArgs, CommandsAndOptionsAreReadAndMistakesRefused) {
  const ParsedArgs set =
      parseArgs({"--host", "plant1", "set", "cp6001", "boiler:lc101", "pband=1=2",
                 "DESCRP= Feed \xC3\xBC", "--port=1600", "--json", "--override-lock"});
  ASSERT_TRUE(set.options) << set.error;
  const Options& o = *set.options;
  EXPECT_TRUE(o.command == Command::Set && o.json && o.overrideLock && !o.dryRun);
  EXPECT_TRUE(o.host == "plant1" && o.port == 1600);
  EXPECT_EQ(o.cp + " " + o.block, "CP6001 BOILER:LC101");
  ASSERT_EQ(o.assignments.size(), 2u);
  EXPECT_EQ(o.assignments[0].param + "=" + o.assignments[0].value, "PBAND=1=2");
  EXPECT_EQ(o.assignments[1].value, " Feed \xFC");  // Latin-1 on the wire

  const ParsedArgs apply = parseArgs({"apply", "CP6001", "--dry-run", "ch\xC3\xA4nges.csv"});
  EXPECT_EQ(apply.options->csvPath, "ch\xC3\xA4nges.csv");  // a path stays as given
  EXPECT_TRUE(parseArgs({"cps", "--help"}).help);

  const std::pair<Strings, const char*> bad[] = {
      // clang-format off
      {{}, "no command"},                                {{"frobnicate"}, "unknown command"},
      {{"blocks"}, "blocks CP"},                         {{"set", "CP6001", "A:B"}, "PARAM=VALUE"},
      {{"set", "CP6001", "A:B", "NOEQUALS"}, "is not PARAMETER=VALUE"},
      {{"set", "CP6001", "A:B", "P=a\tb"}, "control character"},
      {{"params", "CP60012", "A:B"}, "longer than 6"},   {{"params", "CP6001", "A B"}, "blank"},
      {{"params", "CP6001", "A:\xE2\x82\xAC"}, "can not take"},
      {{"cps", "--port", "70000"}, "--port"},            {{"cps", "--host"}, "needs a value"},
      {{"cps", "--json=yes"}, "takes no value"},
      // clang-format on
  };
  for (const auto& [args, error] : bad) {
    const ParsedArgs p = parseArgs(args);
    EXPECT_TRUE(!p.options && p.error.find(error) != std::string::npos) << error << ": " << p.error;
  }
}

TEST(CtlPlan, ACsvFileBecomesOneEditPerBlockInFirstSeenOrder) {
  const Plan plan = planFromCsv(
      "Block,Parameter,Value\r\n"
      "boiler:lc101,pband,120\r\n"
      "FEEDWT:FV1,DESCRP,\"Feed, \"\"main\"\"\"\r\n"
      "\r\n"
      "BOILER:LC101,INT,3.5\r\n");
  ASSERT_TRUE(plan.errors.empty()) << plan.errors[0];
  ASSERT_EQ(plan.blocks.size(), 2u);
  EXPECT_EQ(plan.blocks[0].block, "BOILER:LC101");
  ASSERT_EQ(plan.blocks[0].changes.size(), 2u);
  EXPECT_TRUE(plan.blocks[0].changes[1].param == "INT" && plan.blocks[0].changes[1].line == 5);
  EXPECT_EQ(plan.blocks[1].changes[0].value, "Feed, \"main\"");

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
  EXPECT_EQ(planFromCsv("block,parameter,value\n").errors.at(0), "no changes in the file");

  std::string error;
  EXPECT_EQ(decodeCsvBytes("\xEF\xBB\xBFX:B,T,20\xC2\xB0", error), "X:B,T,20\xB0");
  EXPECT_EQ(decodeCsvBytes("A:B,T,20\xB0", error), "A:B,T,20\xB0");  // 8-bit already
  EXPECT_TRUE(error.empty());
  decodeCsvBytes("a\nb,\xE2\x82\xAC", error);
  EXPECT_EQ(error, "line 2: a character that the server's 8-bit text can not hold");
}

// ---- the conversation ------------------------------------------------------------------

class CtlConversation : public ::testing::Test {
 protected:
  Job applyJob() {
    Job job;
    job.command = Command::Apply;
    job.cp = "CP6001";
    job.localHost = "ws01";
    job.edits = {{"A:X", {{"P", "1", 2}, {"Q", "", 3}}},
                 {"A:NOPE", {{"P", "2", 4}}},
                 {"A:Y", {{"P", "bad", 5}}}};
    return job;
  }
  // "running", or how the run ended: "exit N: why it stopped short".
  static std::string ending(const Conversation& c) {
    return c.finished() ? "exit " + std::to_string(c.exitCode()) + ": " + c.failure() : "running";
  }
  Strings feed(Conversation& c, std::initializer_list<std::string> lines) {
    Strings sent;
    for (const auto& l : lines)
      for (auto& s : c.lineReceived(l)) sent.push_back(std::move(s));
    return sent;
  }
};

TEST_F(CtlConversation, ApplyEditsBlockAfterBlockAndReportsEachAnswer) {
  Conversation c(applyJob());
  EXPECT_EQ(c.start(), Strings{"OPENCP:CP6001 ALL ws01"});
  EXPECT_EQ(feed(c, {"TRYOPENCPCP6001 contacting", "DNOPENCPCP6001", "BLKTYPNEW"}),
            Strings{"GETPARMS:A:X"});
  EXPECT_EQ(
      feed(c, {"CLRPRMLST", "PRMLST P     0", "DNPRMLST"}),
      (Strings{"MODSTART:A:X", "MODPARM:P = 1", "MODPARM:Q = ", "MODEND:A:X", "MODDONE:A:X"}));
  EXPECT_EQ(feed(c, {"DNPRMMOD A:X"}), Strings{"GETPARMS:A:NOPE"});
  // An unknown block is refused by its parameter list and nothing is sent for it.
  EXPECT_EQ(feed(c, {"ERRPRMLSTA:NOPE not found in CP6001"}), Strings{"GETPARMS:A:Y"});
  feed(c, {"CLRPRMLST", "DNPRMLST"});
  EXPECT_EQ(feed(c, {pad("ERRPRMMOD", 90) + "P needs a number"}), Strings{"CLOSEICC"});
  EXPECT_EQ(ending(c), "running");
  feed(c, {"CLOSEICC CP6001"});
  EXPECT_EQ(ending(c), "exit 1: ");  // a change refused

  const auto& r = c.reports();
  EXPECT_EQ(formatReport("CP6001", r, false),
            "A:X     done       2 changes\n"
            "A:NOPE  error      1 change     A:NOPE not found in CP6001\n"
            "A:Y     error      1 change     P needs a number\n");
  const auto json = nlohmann::json::parse(formatReport("CP6001", r, true));
  const auto& blocks = json.at("blocks");
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks.at(0).at("changes").at(0).at("old"), "0");
  EXPECT_TRUE(blocks.at(0).at("changes").at(1).at("old").is_null());
}

TEST_F(CtlConversation, ADryRunShowsWhatASuccessfulRunSends) {
  Job job = applyJob();
  job.edits.resize(1);
  Conversation c(job);
  Strings sent = c.start();
  for (const char* line : {"DNOPENCPCP6001", "CLRPRMLST", "DNPRMLST", "DNPRMMOD"})
    for (auto& s : c.lineReceived(line)) sent.push_back(s);
  EXPECT_EQ(Conversation::plannedCommands(job), sent);
  EXPECT_EQ(formatFrames({"CLOSEICC", "GETCPS"}), "MSG:0008CLOSEICC\nMSG:0006GETCPS\n");
  EXPECT_EQ(formatTable({"a", "b"}, {{"x", "1"}, {"long", "2"}}, false), "x     1\nlong  2\n");
}

TEST_F(CtlConversation, AnAnswerThatNeverComesEndsTheRunWithoutGuessing) {
  for (const bool lost : {true, false}) {
    Conversation c(applyJob());
    c.start();
    feed(c, {"DNOPENCPCP6001", "CLRPRMLST", "DNPRMLST"});
    Strings last;
    if (lost)
      c.connectionLost();
    else
      last = c.timedOut(30);
    const std::string noAnswer = lost ? "no answer: connection lost" : "no answer within 30 s";
    EXPECT_EQ(last, lost ? Strings{} : Strings{"CLOSEICC"});
    EXPECT_EQ(ending(c), "exit 3: " + (lost ? "the connection was lost" : noAnswer) +
                             " while waiting for the answer to the changes of A:X");
    EXPECT_EQ(formatReport("CP6001", c.reports(), false),
              "A:X     no answer  2 changes    " + noAnswer +
                  "\nA:NOPE  not sent   1 change\nA:Y     not sent   1 change\n");
  }
  // The session taken over by another station while waiting.
  Conversation c(applyJob());
  c.start();
  feed(c, {"DNOPENCPCP6001", "CLRPRMLST", "DNPRMLST", "CLOSEICC CP6001 taken over by WS9"});
  EXPECT_EQ(ending(c), "exit 3: the server closed the session: CP6001 taken over by WS9");
}
