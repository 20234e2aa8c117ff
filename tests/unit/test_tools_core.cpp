// The protocol trace's ring and how its lines read; which journal events the journal window
// shows, and in which order.
#include <gtest/gtest.h>

#include "records/journal.h"
#include "tools/journal_view.h"
#include "tools/trace_buffer.h"

using namespace tarvo;
using namespace tarvo::tools;

namespace {

std::string texts(const TraceBuffer& b) {
  std::string out;
  for (std::size_t i = 0; i < b.size(); ++i) out += b.at(i).text + "|";
  return out;
}

}  // namespace

TEST(TraceBuffer, KeepsTheNewestLinesWithinItsLineAndByteCaps) {
  TraceBuffer lines(3, 1000);
  for (const char* t : {"a", "b", "c", "d", "e"}) lines.push(0, TraceDirection::Sent, t);
  EXPECT_EQ(texts(lines), "c|d|e|");
  EXPECT_EQ(lines.dropped(), 2u);

  // Bytes: long lines push out old ones before the line cap is reached, and the ring grows
  // again in order when shorter lines follow.
  TraceBuffer bytes(4, 10);
  for (const char* t : {"aaaaa", "bbbbb", "c", "d", "e"}) bytes.push(0, TraceDirection::Sent, t);
  EXPECT_EQ(texts(bytes), "bbbbb|c|d|e|");
  EXPECT_EQ(bytes.bytes(), 8u);
  bytes.push(0, TraceDirection::Sent, "0123456789ABC");  // longer than the whole cap
  EXPECT_EQ(texts(bytes), "0123456789|");
}

TEST(TraceBuffer, LinesShowTimeDirectionAndControlCharactersVisibly) {
  const std::pair<std::string, std::string> cases[] = {
      {"A\x1B[0m\r", "A\\x1B[0m\\x0D"},
      {std::string("\0\t\x7F\x85\x9F", 5), "\\x00\\x09\\x7F\\x85\\x9F"},
      {"20 \xB0 \xE9t\xE9", "20 \xB0 \xE9t\xE9"},
  };
  for (const auto& [raw, shown] : cases) EXPECT_EQ(visibleText(raw), shown) << raw;
  EXPECT_EQ(visibleText("ABCDEF", 4), "ABCD [... 2 more characters]");
  const std::int64_t day = 86400000;
  EXPECT_EQ(traceLine({3 * day + 3723004, TraceDirection::Sent, "MSG:0008WATCHDOG"}),
            "01:02:03.004 -> MSG:0008WATCHDOG");
  EXPECT_EQ(traceLine({-1, TraceDirection::Received, "X\n"}), "23:59:59.999 <- X\\x0A");
}

TEST(JournalView, NewestFilesAndEventsFirstWithinTheCap) {
  EXPECT_EQ(newestJournalFiles(
                {"journal-2026-01.jsonl", "notes.txt", "journal-2025-12.jsonl",
                 "journal-2026-1.jsonl", "journal-2026-03.jsonl", "journal-2026-02.jsonl.bak"},
                2),
            (std::vector<std::string>{"journal-2026-03.jsonl", "journal-2026-01.jsonl"}));

  auto event = [](std::int64_t t, const char* block) {
    records::JournalEvent e;
    e.timeMs = t;
    e.block = block;
    return records::formatJournalLine(e) + "\n";
  };
  JournalView view;
  // The newest file first, then an older one of which only the newest events fit; the
  // order of the lines decides between events of the same millisecond.
  addJournalText(event(300, "A") + "not json\n" + event(400, "B") + event(400, "C"), view, 4);
  addJournalText(event(100, "D") + event(200, "E") + event(250, "F"), view, 4);
  EXPECT_TRUE(view.capped);
  EXPECT_EQ(view.malformed, 1u);
  finishJournalView(view);
  std::string order;
  for (const auto& e : view.events) order += e.block;
  EXPECT_EQ(order, "CBAF");
}
