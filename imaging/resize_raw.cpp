#include <algorithm>
#include <cstddef>
#include <cstring>

#include "imaging/resize_core.h"

namespace zen::resize {

namespace {

// 16.16 step: the integer part of 65536 / (m / n). Up to 65536 * 65535, hence 64 bits.
int64_t RawStep(int32_t n, int32_t m) {
  return static_cast<int64_t>(65536.0 / (static_cast<double>(m) / static_cast<double>(n)));
}

int32_t IndexAt(int64_t step, int32_t n, int32_t i) {
  const int64_t index = (step / 2 + step * i) >> 16;
  // Rounding in the step can in principle land one past the end; stay inside the source.
  return static_cast<int32_t>(std::min<int64_t>(index, n - 1));
}

}  // namespace

int32_t RawSourceIndex(int32_t n, int32_t m, int32_t i) { return IndexAt(RawStep(n, m), n, i); }

void ResampleRaw(const uint8_t* source, int32_t source_width, int32_t source_height, uint8_t* target,
                 int32_t target_width, int32_t target_height) {
  const int64_t step_y = RawStep(source_height, target_height);
  const int64_t step_x = RawStep(source_width, target_width);
  const size_t source_row = 4 * static_cast<size_t>(source_width);
  for (int32_t i = 0; i < target_height; ++i) {
    const uint8_t* from = source + static_cast<size_t>(IndexAt(step_y, source_height, i)) * source_row;
    uint8_t* to = target + static_cast<size_t>(i) * 4 * static_cast<size_t>(target_width);
    for (int32_t j = 0; j < target_width; ++j) {
      std::memcpy(to + 4 * static_cast<size_t>(j), from + 4 * static_cast<size_t>(IndexAt(step_x, source_width, j)), 4);
    }
  }
}

}  // namespace zen::resize
