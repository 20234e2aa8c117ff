#pragma once
// Where reply lines find their owner: one handler slot per reply id. Each subsystem binds
// the ids it owns; the dispatch table decides which ids a line reaches and in what order.
#include <array>
#include <functional>
#include <string_view>

#include "link/dispatcher.h"

namespace tarvo::link {

class ReplyRouter {
 public:
  // A handler gets the whole line and reads its own columns.
  using Handler = std::function<void(std::string_view line)>;

  // Gives `id` its handler. An id has one owner: a second binding is counted but not kept,
  // so that a test can see it.
  void bind(ReplyId id, Handler handler);
  // The same for a member of `owner`, given the line or not.
  template <class Owner>
  void bind(ReplyId id, Owner* owner, void (Owner::*handler)(std::string_view)) {
    bind(id, [owner, handler](std::string_view line) { (owner->*handler)(line); });
  }
  template <class Owner>
  void bind(ReplyId id, Owner* owner, void (Owner::*handler)()) {
    bind(id, [owner, handler](std::string_view) { (owner->*handler)(); });
  }
  // How often `id` was bound: 1 when it has its one owner.
  int bindCount(ReplyId id) const { return slots_[index(id)].binds; }

  // Runs `line` through the dispatch table and hands it to the handler of every id it
  // reaches, in table order. Returns how many ids it reached (bound or not).
  int dispatch(std::string_view line) const;
  // Hands `line` to the handler of `id` alone, when it has one.
  void handle(ReplyId id, std::string_view line) const {
    if (const Handler& handler = slots_[index(id)].handler) handler(line);
  }

  // Forgets every handler, e.g. before the objects they call are destroyed.
  void clear();

 private:
  struct Slot {
    Handler handler;
    int binds = 0;
  };
  static std::size_t index(ReplyId id) { return static_cast<std::size_t>(id); }

  std::array<Slot, kReplyIdCount> slots_;
};

}  // namespace tarvo::link
