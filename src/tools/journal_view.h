#pragma once
// What the change journal window shows: the events of the newest journal files, newest
// first, within a bound, and the rows a block and a CP filter leave. Pure; the window reads
// the files.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "records/journal.h"

namespace tarvo::tools {

// The window reads the files of at most this many months, and keeps at most this many
// events of them, the newest.
inline constexpr std::size_t kJournalMonths = 12;
inline constexpr std::size_t kJournalMaxEvents = 100000;

// The journal files among the names of a folder ("journal-YYYY-MM.jsonl"), newest month
// first, at most `months` of them.
std::vector<std::string> newestJournalFiles(std::vector<std::string> names, std::size_t months);

struct JournalView {
  std::vector<records::JournalEvent> events;  // newest first once finished
  std::size_t malformed = 0;               // lines that were not events, skipped
  bool capped = false;                     // older events were left out
};

// Adds the events of one file; the files come newest first. Once `maxEvents` are kept, the
// older ones are left out and the view says so.
void addJournalText(std::string_view text, JournalView& view,
                    std::size_t maxEvents = kJournalMaxEvents);
// Puts the events newest first (the order of the lines decides between equal times).
void finishJournalView(JournalView& view);

// Whether an event's block and CP hold the two filter texts (any case; an empty filter
// takes every event).
bool journalEventMatches(const records::JournalEvent& event, std::string_view block,
                         std::string_view cp);

}  // namespace tarvo::tools
