#include "sim/log_limiter.h"

#include <algorithm>

namespace tarvo::sim {

bool LogLimiter::allow(std::int64_t nowMs) {
  if (budget_.msPerLine <= 0) return true;
  const std::int64_t full = static_cast<std::int64_t>(budget_.burst) * budget_.msPerLine;
  if (!started_) {
    started_ = true;
    credit_ = full;
    lastMs_ = nowMs;
  } else if (nowMs > lastMs_) {
    credit_ = std::min(full, credit_ + (nowMs - lastMs_));
  }
  lastMs_ = std::max(lastMs_, nowMs);
  if (credit_ >= budget_.msPerLine) {
    credit_ -= budget_.msPerLine;
    return true;
  }
  ++heldBack_;
  return false;
}

std::size_t LogLimiter::takeHeldBack() {
  const std::size_t n = heldBack_;
  heldBack_ = 0;
  return n;
}

}  // namespace tarvo::sim
