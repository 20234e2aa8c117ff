// Cuts the client's byte stream into commands. A command travels as
// "MSG:" + its length in decimal (at least four digits, zero-filled) + exactly
// that many characters; frames may arrive several to a segment or split
// anywhere. No I/O here: the server feeds bytes and acts on the events.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::sim {

class FrameDecoder {
 public:
  static constexpr std::size_t kDefaultMaxLength = 1024 * 1024;
  // A longer run of digits is not a length field. The length field is the
  // whole run of digits after "MSG:", which works because a command text
  // always starts with its keyword, never with a digit.
  static constexpr std::size_t kMaxLengthDigits = 9;

  enum class EventKind {
    Command,   // text: the command
    Garbage,   // bytes that are not a frame were skipped up to the next good frame
    Oversize,  // the announced length exceeds the limit; the decoder is closed
  };

  struct Event {
    EventKind kind = EventKind::Command;
    std::string text;  // Command: the command; otherwise the first bytes concerned
    std::size_t byteCount =
        0;               // Garbage: how many bytes were skipped; Oversize: the announced length
    std::string reason;  // Garbage and Oversize: what was wrong
  };

  explicit FrameDecoder(std::size_t maxLength = kDefaultMaxLength);

  // Takes the next bytes and returns, in order, every frame that became
  // complete and every stretch of garbage found; garbage between two frames
  // is one event, however many bad headers it holds. After an Oversize event the
  // stream cannot be trusted any more: the decoder drops its buffer and
  // ignores further input, and the connection should be closed.
  std::vector<Event> feed(std::string_view bytes);

  bool closed() const { return closed_; }
  // Bytes held while a frame is incomplete; never more than the maximum
  // length plus its header.
  std::size_t buffered() const { return buf_.size() - pos_; }

 private:
  void skipGarbage(std::string_view view, std::size_t from, std::string reason,
                   std::vector<Event>& out);

  std::size_t maxLength_;
  std::string buf_;
  std::size_t pos_ = 0;
  bool closed_ = false;
};

}  // namespace tarvo::sim
