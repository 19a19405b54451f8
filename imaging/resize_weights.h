#pragma once
// Weight tables of the smooth resampling: one window of source samples per output sample.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zen::resize {

// The Mitchell-Netravali cubic with B = C = 1/3, for x >= 0.
double MitchellKernel(double x);

// One pass from n source samples to m output samples.
//
// Each output reads the source window [first, first + count) with weights
// weights[offset + 0 .. count - 1]. Zero weights at the ends of a window are left out:
// adding 0 * sample to a sum that starts at +0 never changes it, so the result of the
// plain window sum is kept exactly.
//
// For the horizontal pass every output also has a window of the same length `taps`
// starting at padded_start, with padded_weights[i * taps ...]: the real weights with
// zeros around them. The uniform length lets the inner loop work on several outputs
// at once; the zeros are exact for the same reason.
struct WeightTable {
  int32_t source_count = 0;
  int32_t output_count = 0;
  std::vector<int32_t> first;
  std::vector<int32_t> count;
  std::vector<size_t> offset;
  std::vector<double> weights;

  int32_t taps = 0;
  std::vector<int32_t> padded_start;
  std::vector<double> padded_weights;
};

// n and m must be >= 1. Throws std::bad_alloc when memory runs out.
WeightTable BuildWeightTable(int32_t n, int32_t m);

}  // namespace zen::resize
