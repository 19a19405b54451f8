#pragma once
// Deterministic RGBA test pictures with the features resampling must get right.
#include <cstdint>

#include "reference_resize.h"

namespace zen::testing {

// Flat panels, hard black/white and coloured edges, noise, and varied alpha.
Pixels MixedPicture(int32_t width, int32_t height, uint32_t seed);

// A small deterministic generator for sizes and pixels.
class Lcg {
 public:
  explicit Lcg(uint32_t seed) : state_(seed * 2654435761u + 1) {}
  uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  int32_t Between(int32_t lo, int32_t hi) {
    return lo + static_cast<int32_t>(Next() % static_cast<uint32_t>(hi - lo + 1));
  }

 private:
  uint32_t state_;
};

}  // namespace zen::testing
