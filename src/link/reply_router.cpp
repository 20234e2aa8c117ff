#include "link/reply_router.h"

#include <utility>

namespace tarvo::link {

void ReplyRouter::bind(ReplyId id, Handler handler) {
  Slot& slot = slots_[index(id)];
  if (slot.binds++ == 0) slot.handler = std::move(handler);
}

int ReplyRouter::dispatch(std::string_view line) const {
  return dispatchLine(line, [this, line](ReplyId id) { handle(id, line); });
}

void ReplyRouter::clear() {
  for (Slot& slot : slots_) slot = Slot{};
}

}  // namespace tarvo::link
