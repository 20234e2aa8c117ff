#pragma once
// The protocol trace: the last lines that went over the wire, each with its time and
// direction, kept in a ring of fixed size so that a long session costs no more memory
// than a short one. Pure; the window shows and saves what is here.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::tools {

enum class TraceDirection : std::uint8_t { Sent, Received };

struct TraceEntry {
  std::int64_t localMs = 0;  // the local time, in milliseconds since 1970 as on the clock
  TraceDirection direction = TraceDirection::Sent;
  std::string text;  // as it went over the wire (Latin-1)
};

// The ring holds at most `maxLines` lines and `maxBytes` bytes of text: the oldest lines
// make room for new ones. A reply line can be 64 KiB long, so a line count alone would not
// bound the memory.
class TraceBuffer {
 public:
  static constexpr std::size_t kDefaultMaxLines = 100000;
  static constexpr std::size_t kDefaultMaxBytes = 64 * 1024 * 1024;

  explicit TraceBuffer(std::size_t maxLines = kDefaultMaxLines,
                       std::size_t maxBytes = kDefaultMaxBytes);

  // Keeps a line; a text longer than maxBytes is cut to it.
  void push(std::int64_t localMs, TraceDirection direction, std::string_view text);
  void clear();

  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  std::size_t bytes() const { return bytes_; }
  std::size_t maxLines() const { return maxLines_; }
  // Lines pushed out to make room since the last clear().
  std::uint64_t dropped() const { return dropped_; }
  // Line `i`, 0 the oldest kept.
  const TraceEntry& at(std::size_t i) const;

 private:
  void dropOldest();

  std::size_t maxLines_;
  std::size_t maxBytes_;
  std::vector<TraceEntry> slots_;  // grows up to maxLines_, then reused in a ring
  std::size_t head_ = 0;           // slot of the oldest line
  std::size_t count_ = 0;
  std::size_t bytes_ = 0;
  std::uint64_t dropped_ = 0;
};

// The text of a line as shown: printable Latin-1 characters as they are, every control
// character (below 32, 127, and 128 to 159) as \xNN in capital hex digits, so an escape
// character reads "\x1B" and a carriage return "\x0D". With a `maxChars` the text shown
// ends there, followed by a note of how many characters are left out.
std::string visibleText(std::string_view raw, std::size_t maxChars = std::string::npos);

// One line of the trace as shown and saved: "HH:MM:SS.mmm", the direction ("->" sent,
// "<-" received), and the visible text, separated by blanks.
std::string traceLine(const TraceEntry& entry, std::size_t maxChars = std::string::npos);

}  // namespace tarvo::tools
