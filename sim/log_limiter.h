// A budget of log lines for one source of them, such as a connection: a
// burst, then one line per interval. A client that floods the server with
// bad input would otherwise flood the log as well. Lines over the budget are
// only counted, so the log can say how many were held back.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvo::sim {

struct LogBudget {
  static constexpr std::size_t kDefaultBurst = 50;
  static constexpr std::int64_t kDefaultMsPerLine = 200;  // five lines a second after the burst

  std::size_t burst = kDefaultBurst;
  std::int64_t msPerLine = kDefaultMsPerLine;  // 0: no limit
};

class LogLimiter {
 public:
  explicit LogLimiter(LogBudget budget = {}) : budget_(budget) {}

  // Whether a line may be written at nowMs (a monotonic clock). A refused line
  // is counted as held back.
  bool allow(std::int64_t nowMs);
  // Lines held back since the last call; the count starts again at zero.
  std::size_t takeHeldBack();

 private:
  LogBudget budget_;
  bool started_ = false;
  std::int64_t lastMs_ = 0;
  std::int64_t credit_ = 0;  // milliseconds of budget saved up, at most burst lines' worth
  std::size_t heldBack_ = 0;
};

}  // namespace tarvo::sim
