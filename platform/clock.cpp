#include "platform/clock.h"

#include <chrono>

namespace zen {
int64_t ElapsedMs() {
  using Clock = std::chrono::steady_clock;
  static const Clock::time_point first = Clock::now();
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - first).count();
}
}  // namespace zen
