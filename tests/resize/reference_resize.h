#pragma once
// A deliberately plain resampler, one sample at a time, to check the fast one against.
#include <cstdint>
#include <vector>

namespace zen::testing {

struct ReferenceWindow {
  int64_t first = 0;  // inclusive
  int64_t last = 0;   // inclusive
  std::vector<double> weights;
};

using Pixels = std::vector<uint8_t>;

std::vector<ReferenceWindow> ReferenceWeights(int32_t n, int32_t m);
Pixels ReferenceSmooth(const Pixels& source, int32_t sw, int32_t sh, int32_t tw, int32_t th);
Pixels ReferenceRaw(const Pixels& source, int32_t sw, int32_t sh, int32_t tw, int32_t th);

}  // namespace zen::testing
