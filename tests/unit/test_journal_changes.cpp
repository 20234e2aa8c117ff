// The journal read as changes (each request with its answer) and the planning of a revert.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/journal.h"
#include "records/journal_changes.h"
#include "records/journal_tracker.h"
#include "support/BlockLines.h"

using namespace tarvo::records;

namespace {

constexpr std::int64_t kT0 = 1796292902123;  // 2026-12-03T10:15:02.123Z

JournalEvent edit(std::int64_t t, std::string block, std::vector<ParamChange> changes,
                  Outcome result = Outcome::Sent, std::string cp = "CP6001") {
  JournalEvent e;
  e.timeMs = t;
  e.user = "anna";
  e.host = "ws01";
  e.serverHost = "10.0.0.5";
  e.serverPort = 1582;
  e.cp = std::move(cp);
  e.block = std::move(block);
  e.what = std::string(kWhatEdit);
  e.changes = std::move(changes);
  for (const ParamChange& c : e.changes)
    e.detail += c.param + " " + (c.oldValue ? *c.oldValue : "?") + " -> " + c.newValue + ", ";
  e.result = result;
  return e;
}

JournalEvent answered(JournalEvent request, std::int64_t t, Outcome result) {
  request.timeMs = t;
  request.result = result;
  return request;
}

// Each change as "request index/answer index", "-" for none.
std::vector<std::string> shape(const std::vector<JournalChange>& changes) {
  std::vector<std::string> out;
  for (const JournalChange& c : changes)
    out.push_back((c.request ? std::to_string(*c.request) : "-") + "/" +
                  (c.answer ? std::to_string(*c.answer) : "-"));
  return out;
}

}  // namespace

TEST(JournalChanges, EachRequestIsPairedWithItsOwnAnswer) {
  const JournalEvent pc1 = edit(kT0, "BOILER:PC104", {{"PBAND", "80", "90"}});
  const JournalEvent pc2 = edit(kT0 + 5, "BOILER:PC104", {{"PBAND", "90", "95"}});
  const JournalEvent lc = edit(kT0 + 1, "BOILER:LC101", {{"INT", "2", "3"}});
  JournalEvent other = pc1;  // the same change asked from another machine
  other.host = "ws02";
  other.timeMs = kT0 + 2;
  const std::vector<JournalEvent> events = {
      pc1,                                       // 0
      lc,                                        // 1
      other,                                     // 2
      answered(lc, kT0 + 3, Outcome::Done),      // 3
      answered(other, kT0 + 4, Outcome::Error),  // 4
      pc2,                                       // 5
      answered(pc1, kT0 + 6, Outcome::Done),     // 6: the first edit's, not the second's
      answered(pc2, kT0 + 7, Outcome::Warning),  // 7
  };
  EXPECT_EQ(shape(pairJournalEvents(events)),
            (std::vector<std::string>{"0/6", "1/3", "2/4", "5/7"}));
}

TEST(JournalChanges, FilesInAnyOrderAndLooseEndsStillPair) {
  const JournalEvent a = edit(kT0, "BOILER:PC104", {{"PBAND", "80", "90"}});
  const JournalEvent b = edit(kT0 + 10, "BOILER:PC104", {{"PBAND", "90", "91"}});
  const JournalEvent early = edit(kT0 - 1000, "BOILER:FT102", {{"HI", "1", "2"}});
  // Newest file first, as a reader of several months may give them; the request of the
  // first answer is in a file not read, and the last request is unanswered.
  const std::vector<JournalEvent> events = {
      b,                                        // 0: never answered
      answered(a, kT0 + 1, Outcome::Done),      // 1
      a,                                        // 2
      answered(early, kT0 - 5, Outcome::Done),  // 3: its request not read
  };
  const std::vector<JournalChange> changes = pairJournalEvents(events);
  EXPECT_EQ(shape(changes), (std::vector<std::string>{"-/3", "2/1", "0/-"}));
  EXPECT_EQ(changeOutcome(changes[1], events), Outcome::Done);
  EXPECT_EQ(changeOutcome(changes[2], events), Outcome::Sent);
  EXPECT_EQ(changeTime(changes[0], events), kT0 - 5);

  // An answer that came before its request's time is not its answer.
  const std::vector<JournalEvent> backwards = {answered(a, kT0 - 1, Outcome::Done), a};
  EXPECT_EQ(shape(pairJournalEvents(backwards)), (std::vector<std::string>{"-/0", "1/-"}));
}

TEST(JournalChanges, AnAnswerCutShortStillFindsItsRequest) {
  const JournalEvent a = edit(kT0, "BOILER:PC104", {{"PBAND", "80", "90"}});
  JournalEvent cut = answered(a, kT0 + 1, Outcome::Error);
  cut.truncated = true;
  cut.changes.clear();
  cut.detail = "PBAND 8";
  EXPECT_EQ(shape(pairJournalEvents({a, cut})), (std::vector<std::string>{"0/1"}));
  // Without the mark, another detail is another change.
  cut.truncated = false;
  EXPECT_EQ(shape(pairJournalEvents({a, cut})), (std::vector<std::string>{"0/-", "-/1"}));
}

TEST(JournalChanges, ARevertNamesTheTimesOfWhatItSetsBack) {
  const std::string note = revertNote({kT0, kT0 + 1001});
  EXPECT_EQ(note, "reverts 2026-12-03T10:15:02.123Z, 2026-12-03T10:15:03.124Z");
  EXPECT_EQ(revertedTimes("PBAND \"90\" -> \"80\"; " + note),
            (std::vector<std::int64_t>{kT0, kT0 + 1001}));
  EXPECT_EQ(revertedTimes(note), (std::vector<std::int64_t>{kT0, kT0 + 1001}));
  for (const char* notOne : {"PBAND \"a\" -> \"reverts x\"", "PBAND \"1\" -> \"2\"",
                             "xreverts 2026-12-03T10:15:02.123Z", "; reverts soon"})
    EXPECT_TRUE(revertedTimes(notOne).empty()) << notOne;
}

TEST(JournalChanges, TheTrackerJournalsAnAnnouncedEditAsARevert) {
  std::vector<JournalEvent> events;
  JournalTracker tracker([&](const JournalEvent& e) { events.push_back(e); }, [] { return kT0; });
  tracker.commandSent("OPENCP:CP6001 ALL ws01");
  tracker.lineReceived("DNOPENCPCP6001");
  tracker.commandSent("GETPARMS:BOILER:PC104");
  for (const char* line : {"CLRPRMLST", "PRMLST PBAND 90", "DNPRMLST"}) tracker.lineReceived(line);
  tracker.expectRevert("BOILER:PC104", revertNote({kT0 - 60000}));
  for (const char* c : {"MODSTART:BOILER:PC104", "MODPARM:PBAND = 80", "MODEND:BOILER:PC104",
                        "MODSTART:BOILER:PC104", "MODPARM:PBAND = 70", "MODEND:BOILER:PC104"})
    tracker.commandSent(c);
  tracker.lineReceived("DNPRMMOD");
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].what, "revert");
  EXPECT_EQ(events[0].detail, "PBAND \"90\" -> \"80\"; reverts 2026-12-03T10:14:02.123Z");
  EXPECT_EQ(events[0].changes, (std::vector<ParamChange>{{"PBAND", "90", "80"}}));
  EXPECT_EQ(events[1].what, "edit");  // only the one edit announced
  EXPECT_EQ(events[2].what, "revert");
  EXPECT_EQ(events[2].result, Outcome::Done);
  EXPECT_EQ(revertedTimes(events[2].detail), (std::vector<std::int64_t>{kT0 - 60000}));
}

namespace {

class Revert : public ::testing::Test {
 protected:
  // Adds a change with its answer; returns its index among the changes.
  std::size_t change(JournalEvent request, Outcome result = Outcome::Done) {
    const std::int64_t t = request.timeMs;
    events.push_back(request);
    if (result != Outcome::Sent) events.push_back(answered(std::move(request), t + 1, result));
    changes = pairJournalEvents(events);
    return changes.size() - 1;
  }
  RevertPlan plan(const std::vector<std::size_t>& chosen, std::string cp = "CP6001") {
    return planRevert(events, changes, chosen, cp, live);
  }
  // "block: P=V P=V" per set, then "#change: reason" per refusal.
  std::vector<std::string> describe(const RevertPlan& p) {
    std::vector<std::string> out;
    for (const RevertSet& s : p.sets) {
      std::string line = s.block + ":";
      for (const auto& [param, value] : s.values) line += " " + param + "=" + value;
      out.push_back(line);
    }
    for (const RevertRefusal& r : p.refusals)
      out.push_back(std::to_string(r.change) + ": " + r.reason);
    return out;
  }

  std::vector<JournalEvent> events;
  std::vector<JournalChange> changes;
  LiveValues live = {{"BOILER:PC104", {{"PBAND", "90"}, {"INT", "3"}, {"DESCRP", "Steam"}}},
                     {"BOILER:LC101", {{"HI", "100"}}}};
};

}  // namespace

TEST_F(Revert, AnAnsweredEditIsSetBackOneSetPerBlock) {
  const std::size_t a =
      change(edit(kT0, "BOILER:PC104", {{"PBAND", "80", "90"}, {"INT", "2", "3"}}));
  const std::size_t b = change(edit(kT0 + 10, "BOILER:LC101", {{"HI", "95", "100"}}));
  const std::size_t c =
      change(edit(kT0 + 20, "BOILER:PC104", {{"DESCRP", "", "Steam"}}), Outcome::Warning);
  const RevertPlan p = plan({a, b, c, a});
  // The newest change's block first; within a block the newest change's parameters first.
  EXPECT_EQ(describe(p), (std::vector<std::string>{"BOILER:PC104: DESCRP= PBAND=80 INT=2",
                                                   "BOILER:LC101: HI=95"}));
  EXPECT_EQ(p.sets[0].changes, (std::vector<std::size_t>{c, a}));
  EXPECT_EQ(p.sets[0].note, revertNote({kT0, kT0 + 20}));
  EXPECT_EQ(revertReads(events, changes, {a, b, c})[0],
            (std::pair<std::string, std::vector<std::string>>{"BOILER:PC104",
                                                              {"DESCRP", "PBAND", "INT"}}));
}

TEST_F(Revert, EachRefusalSaysWhy) {
  const std::size_t unknown = change(edit(kT0, "BOILER:PC104", {{"PBAND", std::nullopt, "90"}}));
  const std::size_t refused =
      change(edit(kT0 + 10, "BOILER:PC104", {{"PBAND", "90", "x"}}), Outcome::Error);
  const std::size_t open =
      change(edit(kT0 + 20, "BOILER:PC104", {{"INT", "2", "3"}}), Outcome::Sent);
  const std::size_t lost =
      change(edit(kT0 + 30, "BOILER:PC104", {{"INT", "2", "4"}}), Outcome::ConnectionLost);
  const std::size_t otherCp =
      change(edit(kT0 + 40, "BOILER:PC104", {{"INT", "2", "3"}}, Outcome::Sent, "CP6002"));
  const std::size_t gone = change(edit(kT0 + 50, "BOILER:GONE", {{"HI", "1", "2"}}));
  const std::size_t noParam = change(edit(kT0 + 60, "BOILER:LC101", {{"LO", "1", "2"}}));
  JournalEvent add = edit(kT0 + 70, "BOILER:NEW", {});
  add.what = std::string(kWhatAdd);
  const std::size_t notEdit = change(add);
  const RevertPlan p = plan({unknown, refused, open, lost, otherCp, gone, noParam, notEdit});
  EXPECT_TRUE(p.sets.empty());
  EXPECT_EQ(describe(p),
            (std::vector<std::string>{
                std::to_string(notEdit) + ": only parameter changes can be reverted, not a add",
                std::to_string(noParam) + ": BOILER:LC101 has no parameter LO now",
                std::to_string(gone) + ": BOILER:GONE is not in CP CP6001 now",
                std::to_string(otherCp) +
                    ": it was made on CP CP6002, not on CP6001, the CP of this session",
                std::to_string(lost) +
                    ": the connection was lost before its answer: whether it took is not known",
                std::to_string(open) + ": it was never answered: whether it took is not known",
                std::to_string(refused) + ": the server refused it: there is nothing to set back",
                std::to_string(unknown) + ": the old value of PBAND is unknown (?)",
            }));
}

TEST_F(Revert, AParameterChangedAgainIsRefusedNamingItsValueUnlessTheNewerChangeGoesFirst) {
  const std::size_t older = change(edit(kT0, "BOILER:PC104", {{"PBAND", "70", "80"}}));
  const std::size_t newer = change(edit(kT0 + 10, "BOILER:PC104", {{"PBAND", "80", "90"}}));
  EXPECT_EQ(describe(plan({older})),
            (std::vector<std::string>{std::to_string(older) +
                                      ": PBAND is now \"90\", not the \"80\" this change set: it "
                                      "was changed again since (revert that change first)"}));
  // Both: the newer is set back first, then the older, past both.
  const RevertPlan both = plan({older, newer});
  EXPECT_EQ(describe(both), (std::vector<std::string>{"BOILER:PC104: PBAND=70"}));
  EXPECT_EQ(both.sets[0].changes, (std::vector<std::size_t>{newer, older}));

  // A change refused as a whole sets nothing, not even its parameters that could be.
  const std::size_t mixed =
      change(edit(kT0 + 20, "BOILER:PC104", {{"INT", "2", "3"}, {"DESCRP", "x", "changed"}}));
  EXPECT_EQ(describe(plan({mixed})).size(), 1u);
  EXPECT_TRUE(plan({mixed}).sets.empty());
}

TEST_F(Revert, ARevertIsItselfRevertedAndWhatIsSoAlreadyIsNotSent) {
  const std::size_t a = change(edit(kT0, "BOILER:PC104", {{"PBAND", "90", "80"}}));
  JournalEvent undo = edit(kT0 + 10, "BOILER:PC104", {{"PBAND", "80", "90"}});
  undo.what = std::string(kWhatRevert);
  const std::size_t r = change(undo);
  // Live PBAND is 90: the revert's value. Reverting it sets 80 again.
  EXPECT_EQ(describe(plan({r})), (std::vector<std::string>{"BOILER:PC104: PBAND=80"}));
  // Both together leave PBAND as it is: a set with nothing left to send.
  const RevertPlan both = plan({a, r});
  ASSERT_EQ(both.sets.size(), 1u);
  EXPECT_TRUE(both.sets[0].values.empty());
  EXPECT_EQ(both.sets[0].changes.size(), 2u);
}
