#include "sim/frame_decoder.h"

namespace tarvo::sim {

namespace {

constexpr std::string_view kHeader = "MSG:";
constexpr std::size_t kShownBytes = 64;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Length of the longest end of view that could be the start of a header
// still arriving ("M", "MS", "MSG").
std::size_t partialHeaderTail(std::string_view view) {
  for (std::size_t n = std::min(view.size(), kHeader.size() - 1); n > 0; --n)
    if (view.substr(view.size() - n) == kHeader.substr(0, n)) return n;
  return 0;
}

}  // namespace

FrameDecoder::FrameDecoder(std::size_t maxLength) : maxLength_(maxLength) {}

void FrameDecoder::skipGarbage(std::string_view view, std::size_t from, std::string reason,
                               std::vector<Event>& out) {
  const auto next = view.find(kHeader, from);
  const std::size_t skip =
      next != std::string_view::npos ? next : view.size() - partialHeaderTail(view.substr(from));
  if (skip == 0) return;
  pos_ += skip;
  // A run of bad frames ("MSG:x" again and again) is one stretch of garbage:
  // one event, not one per header.
  if (!out.empty() && out.back().kind == EventKind::Garbage) {
    out.back().byteCount += skip;
    return;
  }
  Event e;
  e.kind = EventKind::Garbage;
  e.text = std::string(view.substr(0, std::min(skip, kShownBytes)));
  e.byteCount = skip;
  e.reason = std::move(reason);
  out.push_back(std::move(e));
}

std::vector<FrameDecoder::Event> FrameDecoder::feed(std::string_view bytes) {
  std::vector<Event> out;
  if (closed_) return out;
  buf_.append(bytes.data(), bytes.size());

  while (pos_ < buf_.size()) {
    const std::string_view view = std::string_view(buf_).substr(pos_);

    if (view.substr(0, kHeader.size()) != kHeader) {
      if (view.size() < kHeader.size() && kHeader.substr(0, view.size()) == view) break;
      skipGarbage(view, 0, "bytes outside a frame", out);
      if (pos_ < buf_.size() && std::string_view(buf_).substr(pos_, kHeader.size()) != kHeader)
        break;
      continue;
    }

    std::size_t i = kHeader.size();
    while (i < view.size() && isDigit(view[i]) && i - kHeader.size() <= kMaxLengthDigits) ++i;
    const std::size_t digits = i - kHeader.size();
    if (digits > kMaxLengthDigits) {
      skipGarbage(view, 1, "length field has too many digits", out);
      continue;
    }
    if (i == view.size()) break;  // more digits or the text may still come
    if (digits == 0) {
      skipGarbage(view, 1, "length field is not a number", out);
      continue;
    }
    if (digits < 4) {
      skipGarbage(view, 1, "length field has fewer than 4 digits", out);
      continue;
    }

    std::size_t length = 0;
    for (std::size_t k = kHeader.size(); k < i; ++k)
      length = length * 10 + static_cast<std::size_t>(view[k] - '0');
    if (length > maxLength_) {
      Event e;
      e.kind = EventKind::Oversize;
      e.text = std::string(view.substr(0, i));
      e.byteCount = length;
      e.reason = "frame length " + std::to_string(length) + " exceeds the limit of " +
                 std::to_string(maxLength_);
      out.push_back(std::move(e));
      closed_ = true;
      buf_.clear();
      pos_ = 0;
      return out;
    }
    if (view.size() - i < length) break;  // the text is still arriving

    Event e;
    e.kind = EventKind::Command;
    e.text = std::string(view.substr(i, length));
    out.push_back(std::move(e));
    pos_ += i + length;
  }

  // Keep only what is still pending, so the buffer never grows with what
  // was already handed out.
  buf_.erase(0, pos_);
  pos_ = 0;
  return out;
}

}  // namespace tarvo::sim
