#include "reference_resize.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace zen::testing {

namespace {

double Kernel(double x) {
  if (x < 1) return (1.1666666666666667 * x - 2) * x * x + 0.8888888888888888;
  if (x < 2) return ((-0.38888888888888884 * x + 2) * x - 3.3333333333333335) * x + 1.7777777777777777;
  return 0;
}

uint8_t ToByte(double sum) {
  int value = static_cast<int>(sum + 0.5);
  if (value < 0) value = 0;
  if (value > 255) value = 255;
  return static_cast<uint8_t>(value);
}

size_t At(int64_t x, int64_t y, int64_t width, int channel) {
  return static_cast<size_t>((y * width + x) * 4 + channel);
}

Pixels Horizontal(const Pixels& source, int32_t sw, int32_t height, int32_t tw) {
  const std::vector<ReferenceWindow> table = ReferenceWeights(sw, tw);
  Pixels out(static_cast<size_t>(tw) * static_cast<size_t>(height) * 4);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t i = 0; i < tw; ++i) {
      const ReferenceWindow& win = table[static_cast<size_t>(i)];
      for (int c = 0; c < 4; ++c) {
        double sum = 0.0;
        for (int64_t k = win.first; k <= win.last; ++k) {
          sum += win.weights[static_cast<size_t>(k - win.first)] * source[At(k, y, sw, c)];
        }
        out[At(i, y, tw, c)] = ToByte(sum);
      }
    }
  }
  return out;
}

Pixels Vertical(const Pixels& source, int32_t width, int32_t sh, int32_t th) {
  const std::vector<ReferenceWindow> table = ReferenceWeights(sh, th);
  Pixels out(static_cast<size_t>(width) * static_cast<size_t>(th) * 4);
  for (int32_t x = 0; x < width; ++x) {
    for (int32_t i = 0; i < th; ++i) {
      const ReferenceWindow& win = table[static_cast<size_t>(i)];
      for (int c = 0; c < 4; ++c) {
        double sum = 0.0;
        for (int64_t k = win.first; k <= win.last; ++k) {
          sum += win.weights[static_cast<size_t>(k - win.first)] * source[At(x, k, width, c)];
        }
        out[At(x, i, width, c)] = ToByte(sum);
      }
    }
  }
  return out;
}

}  // namespace

std::vector<ReferenceWindow> ReferenceWeights(int32_t n, int32_t m) {
  const double s = static_cast<double>(m) / n;
  const double r = s < 1 ? 2 / s : 2;
  const int64_t t = 2 * static_cast<int64_t>(std::ceil(r)) + 1;
  const double g = std::min(s, 1.0);
  std::vector<ReferenceWindow> table(static_cast<size_t>(m));
  for (int32_t i = 0; i < m; ++i) {
    ReferenceWindow& win = table[static_cast<size_t>(i)];
    const double c = 0.5 / s - 0.5 + i / s;
    win.first = std::max(static_cast<int64_t>(std::floor(c - r)), int64_t{0});
    win.last = std::min(static_cast<int64_t>(std::ceil(c + r)), static_cast<int64_t>(n) - 1);
    if (win.last - win.first >= t) win.first += 1;
    double sum = 0;
    for (int64_t k = win.first; k <= win.last; ++k) {
      const double x = (c - k) * g;
      win.weights.push_back(Kernel(std::fabs(x)) * g);
      sum += win.weights.back();
    }
    if (sum > 0 && sum != 1) {
      for (double& w : win.weights) w = w / sum;
    }
  }
  return table;
}

Pixels ReferenceSmooth(const Pixels& source, int32_t sw, int32_t sh, int32_t tw, int32_t th) {
  if (int64_t{sw} * th < int64_t{sh} * tw) return Horizontal(Vertical(source, sw, sh, th), sw, th, tw);
  return Vertical(Horizontal(source, sw, sh, tw), tw, sh, th);
}

Pixels ReferenceRaw(const Pixels& source, int32_t sw, int32_t sh, int32_t tw, int32_t th) {
  const auto sy = static_cast<int64_t>(65536 / (static_cast<double>(th) / sh));
  const auto sx = static_cast<int64_t>(65536 / (static_cast<double>(tw) / sw));
  Pixels out(static_cast<size_t>(tw) * static_cast<size_t>(th) * 4);
  for (int32_t i = 0; i < th; ++i) {
    const int64_t row = std::min<int64_t>((sy / 2 + sy * i) >> 16, sh - 1);
    for (int32_t j = 0; j < tw; ++j) {
      const int64_t column = std::min<int64_t>((sx / 2 + sx * j) >> 16, sw - 1);
      for (int c = 0; c < 4; ++c) out[At(j, i, tw, c)] = source[At(column, row, sw, c)];
    }
  }
  return out;
}

}  // namespace zen::testing
