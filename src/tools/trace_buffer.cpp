#include "tools/trace_buffer.h"

#include <algorithm>
#include <cstdio>

namespace tarvo::tools {

TraceBuffer::TraceBuffer(std::size_t maxLines, std::size_t maxBytes)
    : maxLines_(maxLines > 0 ? maxLines : 1), maxBytes_(maxBytes) {}

void TraceBuffer::dropOldest() {
  TraceEntry& oldest = slots_[head_];
  bytes_ -= oldest.text.size();
  oldest.text.clear();  // keeps its capacity for the line that will take the slot
  head_ = (head_ + 1) % slots_.size();
  --count_;
  ++dropped_;
}

void TraceBuffer::push(std::int64_t localMs, TraceDirection direction, std::string_view text) {
  if (text.size() > maxBytes_) text = text.substr(0, maxBytes_);
  while (count_ > 0 && (count_ == maxLines_ || bytes_ + text.size() > maxBytes_)) dropOldest();
  if (count_ == slots_.size()) {
    // Every slot holds a line and there may be more: one slot more, with the lines put
    // back in order from slot 0 so that the ring stays in one piece.
    std::rotate(slots_.begin(), slots_.begin() + static_cast<std::ptrdiff_t>(head_), slots_.end());
    head_ = 0;
    slots_.emplace_back();
  }
  const std::size_t slot = (head_ + count_) % slots_.size();
  TraceEntry& entry = slots_[slot];
  entry.localMs = localMs;
  entry.direction = direction;
  entry.text.assign(text);
  ++count_;
  bytes_ += text.size();
}

void TraceBuffer::clear() {
  slots_.clear();
  head_ = 0;
  count_ = 0;
  bytes_ = 0;
  dropped_ = 0;
}

const TraceEntry& TraceBuffer::at(std::size_t i) const {
  return slots_[(head_ + i) % slots_.size()];
}

namespace {

bool isControl(unsigned char c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

}  // namespace

std::string visibleText(std::string_view raw, std::size_t maxChars) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::string_view shown = raw.substr(0, maxChars);
  std::string out;
  out.reserve(shown.size() + 8);
  for (const char c : shown) {
    const auto u = static_cast<unsigned char>(c);
    if (isControl(u)) {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 0xF];
    } else {
      out += c;
    }
  }
  if (shown.size() < raw.size())
    out += " [... " + std::to_string(raw.size() - shown.size()) + " more characters]";
  return out;
}

std::string traceLine(const TraceEntry& entry, std::size_t maxChars) {
  constexpr std::int64_t kDayMs = 24 * 60 * 60 * 1000;
  std::int64_t ms = entry.localMs % kDayMs;
  if (ms < 0) ms += kDayMs;
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d", static_cast<int>(ms / 3600000),
                static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                static_cast<int>(ms % 1000));
  std::string out = stamp;
  out += entry.direction == TraceDirection::Sent ? " -> " : " <- ";
  out += visibleText(entry.text, maxChars);
  return out;
}

}  // namespace tarvo::tools
