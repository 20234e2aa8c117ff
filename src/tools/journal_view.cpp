#include "tools/journal_view.h"

#include <algorithm>

#include "browser/tree_filter.h"

namespace tarvo::tools {

namespace {

bool isJournalFileName(std::string_view name) {
  // "journal-" YYYY "-" MM ".jsonl"
  constexpr std::string_view kPrefix = "journal-";
  constexpr std::string_view kSuffix = ".jsonl";
  if (name.size() != kPrefix.size() + 7 + kSuffix.size() || !name.starts_with(kPrefix) ||
      !name.ends_with(kSuffix))
    return false;
  const std::string_view month = name.substr(kPrefix.size(), 7);
  for (std::size_t i = 0; i < month.size(); ++i) {
    const bool digit = month[i] >= '0' && month[i] <= '9';
    if (i == 4 ? month[i] != '-' : !digit) return false;
  }
  return true;
}

bool holdsIgnoringCase(std::string_view text, std::string_view needle) {
  if (needle.empty()) return true;
  return browser::lowerLatin1(text).find(browser::lowerLatin1(needle)) != std::string::npos;
}

}  // namespace

std::vector<std::string> newestJournalFiles(std::vector<std::string> names, std::size_t months) {
  std::erase_if(names, [](const std::string& n) { return !isJournalFileName(n); });
  // The month in the name sorts as text.
  std::sort(names.begin(), names.end(), std::greater<>());
  if (names.size() > months) names.resize(months);
  return names;
}

void addJournalText(std::string_view text, JournalView& view, std::size_t maxEvents) {
  if (view.events.size() >= maxEvents) {
    view.capped = true;
    return;
  }
  std::vector<records::JournalEvent> events;
  view.malformed += records::parseJournalText(text, events);
  const std::size_t room = maxEvents - view.events.size();
  auto from = events.begin();
  if (events.size() > room) {
    // The end of a file is its newest part.
    from = events.end() - static_cast<std::ptrdiff_t>(room);
    view.capped = true;
  }
  view.events.insert(view.events.end(), std::make_move_iterator(from),
                     std::make_move_iterator(events.end()));
}

void finishJournalView(JournalView& view) {
  // Reversed, a later line of a file comes before an earlier one of the same millisecond;
  // the stable sort by time keeps that and puts everything else in order.
  std::reverse(view.events.begin(), view.events.end());
  std::stable_sort(
      view.events.begin(), view.events.end(),
      [](const records::JournalEvent& a, const records::JournalEvent& b) { return a.timeMs > b.timeMs; });
}

bool journalEventMatches(const records::JournalEvent& event, std::string_view block,
                         std::string_view cp) {
  return holdsIgnoringCase(event.block, block) && holdsIgnoringCase(event.cp, cp);
}

}  // namespace tarvo::tools
