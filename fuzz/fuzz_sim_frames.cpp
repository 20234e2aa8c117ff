// Arbitrary client bytes through tarvo-sim's frame decoder, cut into arrivals at points the
// input chooses. Whatever the cuts, the same commands come out, every byte is accounted for
// (a command's frame, skipped garbage or what is still held), and what is held stays within
// the longest frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "sim/frame_decoder.h"

namespace {

constexpr std::size_t kMaxLength = 300;

struct Outcome {
  std::vector<std::string> commands;
  std::size_t accounted = 0;  // bytes of frames and garbage
  bool closed = false;
};

Outcome run(std::string_view bytes, std::string_view cuts) {
  using tarvo::sim::FrameDecoder;
  FrameDecoder decoder(kMaxLength);
  Outcome out;
  std::size_t at = 0;
  std::size_t k = 0;
  while (at < bytes.size()) {
    const std::size_t step =
        cuts.empty() ? bytes.size() : static_cast<unsigned char>(cuts[k++ % cuts.size()]) % 23 + 1;
    const auto events = decoder.feed(bytes.substr(at, step));
    at += std::min(step, bytes.size() - at);
    for (const auto& e : events) {
      switch (e.kind) {
        case FrameDecoder::EventKind::Command: {
          std::string length = std::to_string(e.text.size());
          out.accounted += 4 + std::max<std::size_t>(length.size(), 4) + e.text.size();
          out.commands.push_back(e.text);
          break;
        }
        case FrameDecoder::EventKind::Garbage:
          if (e.byteCount == 0 || e.text.empty()) std::abort();
          out.accounted += e.byteCount;
          break;
        case FrameDecoder::EventKind::Oversize:
          if (e.byteCount <= kMaxLength) std::abort();
          out.closed = true;
          break;
      }
    }
    if (decoder.buffered() > kMaxLength + 4 + FrameDecoder::kMaxLengthDigits) std::abort();
    if (out.closed) {
      if (decoder.buffered() != 0 || !decoder.closed()) std::abort();
      return out;
    }
  }
  if (out.accounted + decoder.buffered() > bytes.size()) std::abort();
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first bytes choose the cuts, the rest is the stream.
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::size_t cutCount = size ? static_cast<unsigned char>(all[0]) % 8 : 0;
  const std::string_view cuts = all.substr(std::min<std::size_t>(1, size)).substr(0, cutCount);
  const std::string_view bytes = all.substr(std::min(size, 1 + cuts.size()));

  const Outcome whole = run(bytes, {});
  const Outcome pieces = run(bytes, cuts.empty() ? std::string_view("\x01") : cuts);
  if (whole.commands != pieces.commands || whole.closed != pieces.closed) std::abort();
  return 0;
}
