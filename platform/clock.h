#pragma once
#include <cstdint>

namespace zen {
// Milliseconds since the first reading of the clock (start-up takes that reading).
int64_t ElapsedMs();
}  // namespace zen
