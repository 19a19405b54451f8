#pragma once
// What the smart planner learns from one row of pixels: whether it is plain (nearly all of
// it one colour, so a cut there crosses no drawing), that colour, and how much detail it
// holds (where no plain row is within reach, the cut goes where there is least).
#include <cstdint>

namespace zen {

// A pixel counts as the row's colour when no channel differs by more than this, so JPEG
// ringing around text and panel edges does not break a gutter.
inline constexpr int PlainTolerance = 24;
// Pixels of a plain row that may differ: 0.5 %, so a frame line at the edge is no content.
inline constexpr int PlainOffPerMille = 5;

struct RowFacts {
  bool plain = false;
  uint8_t red = 0, green = 0, blue = 0;  // the row's colour (mean of its matching samples)
  uint32_t detail = 0;                   // summed colour distance of sampled pixels
};

// One row of RGBA pixels (4 bytes each, alpha not premultiplied); alpha is laid over white
// first, as the page is shown.
RowFacts AnalyseRow(const uint8_t* rgba, int32_t width);

}  // namespace zen
