#pragma once
// The change journal read as changes rather than lines, and the planning of a revert: which
// parameters to set back to which values, or why a change cannot be set back.
//
// A change gives a journal line when it is sent ("sent") and one when it is answered. The
// answer repeats its request's fields (user, host, server, CP, block, what, detail, changes)
// with a later time, and every kind of change is answered in the order it was asked on one
// connection; that is what pairing relies on.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "records/journal.h"

namespace tarvo::records {

// One change, as indexes into the events it was paired from. An answer whose request is
// not among them (it went into a file that was not read) stands alone; a request without
// an answer is a change still unanswered.
struct JournalChange {
  std::optional<std::size_t> request;
  std::optional<std::size_t> answer;
  friend bool operator==(const JournalChange&, const JournalChange&) = default;
};

// Pairs each answer with the oldest request still unanswered that has the same user, host,
// server, CP, block, kind, detail and changes and is not later than the answer (detail and
// changes are not compared when a line was cut short). The events may come in any order,
// from several files; the changes come ordered by the time of their first event, events
// of the same millisecond in the order given. Linear in the events.
std::vector<JournalChange> pairJournalEvents(const std::vector<JournalEvent>& events);

// The time a change is known by: its request's, else its answer's.
std::int64_t changeTime(const JournalChange& change, const std::vector<JournalEvent>& events);
// Its request when there is one, else its answer.
const JournalEvent& changeEvent(const JournalChange& change,
                                const std::vector<JournalEvent>& events);
// The answer's outcome; Sent while unanswered.
Outcome changeOutcome(const JournalChange& change, const std::vector<JournalEvent>& events);

// ---- revert ----------------------------------------------------------------------------

// A revert's journal detail is the edit's own ("PBAND \"90\" -> \"80\"") followed by this
// note naming the changes it sets back by their time: "reverts 2026-12-06T15:09:22.381Z,
// 2026-12-06T15:10:01.002Z".
std::string revertNote(const std::vector<std::int64_t>& times);
// The times a revert's detail names; empty when it names none.
std::vector<std::int64_t> revertedTimes(std::string_view detail);

// What the live CP shows now: block ("CMP:BLK") -> parameter -> value. A block missing
// here is not in the CP; a parameter missing from a block listed here is not the block's.
using LiveValues =
    std::map<std::string, std::map<std::string, std::string, std::less<>>, std::less<>>;

// One transaction of a revert: the parameters of one block and the values to set them to,
// in the order the changes named them.
struct RevertSet {
  std::string block;
  std::vector<std::pair<std::string, std::string>> values;  // none left to set: all equal already
  std::vector<std::size_t> changes;                         // indexes into `changes`, newest first
  std::string note;                                         // revertNote() of their times
};

struct RevertRefusal {
  std::size_t change = 0;  // an index into `changes`
  std::string reason;
};

struct RevertPlan {
  std::vector<RevertSet> sets;  // in the order of each block's newest change chosen
  std::vector<RevertRefusal> refusals;
};

// The blocks and parameters whose live values planRevert() needs, in the order the chosen
// changes name them (newest first).
std::vector<std::pair<std::string, std::vector<std::string>>> revertReads(
    const std::vector<JournalEvent>& events, const std::vector<JournalChange>& changes,
    const std::vector<std::size_t>& chosen);

// Why `change` cannot be reverted in a session on `sessionCp` whatever the live values are
// (not an answered parameter edit or revert, refused, of another CP, cut short, an old
// value unknown), or nothing.
std::optional<std::string> revertProblem(const std::vector<JournalEvent>& events,
                                         const JournalChange& change, std::string_view sessionCp);

// Plans setting `chosen` changes (indexes into `changes`) back to their recorded old values
// in a session on `sessionCp`. A change is reverted as a whole or refused as a whole, with
// the reason: not an answered parameter edit (or revert), refused by the server, of another
// CP, an old value unknown, its block or parameter gone, or a parameter changed again
// since (its live value is not the value the change set; the reason names it). Changes are
// taken newest first, so choosing a change and the one it followed sets the parameter back
// past both.
RevertPlan planRevert(const std::vector<JournalEvent>& events,
                      const std::vector<JournalChange>& changes,
                      const std::vector<std::size_t>& chosen, std::string_view sessionCp,
                      const LiveValues& live);

}  // namespace tarvo::records
