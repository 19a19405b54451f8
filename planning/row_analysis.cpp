// Rows are read in two passes: every fourth pixel first, which settles most rows that hold
// a drawing and gives the detail measure, then every pixel of the rows that may be plain.
#include "planning/row_analysis.h"

#include <algorithm>
#include <cstdlib>

#include "interchange/pixel_rules.h"

namespace zen {
namespace {

struct Rgb {
  int r = 0, g = 0, b = 0;
};

inline Rgb PixelAt(const uint8_t* p) {
  if (p[3] == 255) return {p[0], p[1], p[2]};
  return {OverWhite(p[0], p[3]), OverWhite(p[1], p[3]), OverWhite(p[2], p[3])};
}

inline int Distance(Rgb a, Rgb b) { return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)}); }

// The colour most of the row has, guessed from three pixels: two that agree win.
Rgb GuessColour(const uint8_t* row, int32_t width) {
  const Rgb left = PixelAt(row + 4 * static_cast<size_t>(width / 4));
  const Rgb middle = PixelAt(row + 4 * static_cast<size_t>(width / 2));
  const Rgb right = PixelAt(row + 4 * static_cast<size_t>(3 * width / 4));
  if (Distance(left, right) <= PlainTolerance || Distance(left, middle) <= PlainTolerance) return left;
  return middle;
}

// Pixels off the colour, counted until more than `allowed` are found.
int32_t OffPixels(const uint8_t* row, int32_t width, Rgb colour, int32_t allowed) {
  int32_t off = 0;
  for (int32_t x = 0; x < width; ++x) {
    off += Distance(PixelAt(row + 4 * static_cast<size_t>(x)), colour) > PlainTolerance ? 1 : 0;
    if ((x & 63) == 63 && off > allowed) return off;
  }
  return off;
}

}  // namespace

RowFacts AnalyseRow(const uint8_t* rgba, int32_t width) {
  RowFacts facts;
  if (!rgba || width <= 0) return facts;
  const Rgb guess = GuessColour(rgba, width);
  const int32_t allowed = static_cast<int32_t>(static_cast<int64_t>(width) * PlainOffPerMille / 1000);
  const int32_t step = width >= 64 ? 4 : 1;
  int32_t off = 0, matching = 0;
  int64_t sum_r = 0, sum_g = 0, sum_b = 0;
  for (int32_t x = step / 2; x < width; x += step) {
    const Rgb pixel = PixelAt(rgba + 4 * static_cast<size_t>(x));
    const int distance = Distance(pixel, guess);
    facts.detail += static_cast<uint32_t>(std::min(distance, 96));
    if (distance > PlainTolerance) {
      ++off;
      continue;
    }
    ++matching;
    sum_r += pixel.r;
    sum_g += pixel.g;
    sum_b += pixel.b;
  }
  if (matching > 0) {
    facts.red = static_cast<uint8_t>(sum_r / matching);
    facts.green = static_cast<uint8_t>(sum_g / matching);
    facts.blue = static_cast<uint8_t>(sum_b / matching);
  }
  // The samples already off are off in the full count too.
  if (off > allowed) return facts;
  facts.plain = OffPixels(rgba, width, guess, allowed) <= allowed;
  return facts;
}

}  // namespace zen
