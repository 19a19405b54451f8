#include <algorithm>
#include <cstddef>
#include <new>
#include <vector>

#include "imaging/resize_core.h"
#include "imaging/resize_passes.h"
#include "imaging/resize_weights.h"

namespace zen::resize {

namespace {

size_t RowBytes(int32_t width) { return 4 * static_cast<size_t>(width); }

const double* WeightsOf(const WeightTable& table, int32_t i) {
  return table.weights.data() + table.offset[static_cast<size_t>(i)];
}

int32_t LongestWindow(const WeightTable& table) {
  int32_t longest = 1;
  for (int32_t c : table.count) longest = std::max(longest, c);
  return longest;
}

// Vertical first: each output row comes from one vertically filtered row of the full
// source width, rounded to 8 bits, then filtered horizontally. Only one such row is
// held at a time.
void VerticalThenHorizontal(const uint8_t* source, int32_t sw, int32_t sh, uint8_t* target, int32_t tw,
                            int32_t th) {
  const WeightTable down = BuildWeightTable(sh, th);
  const WeightTable across = BuildWeightTable(sw, tw);
  std::vector<const uint8_t*> rows(static_cast<size_t>(LongestWindow(down)));
  std::vector<uint8_t> between(RowBytes(sw));
  std::vector<double> between_doubles(RowBytes(sw));
  for (int32_t y = 0; y < th; ++y) {
    const size_t uy = static_cast<size_t>(y);
    const int32_t count = down.count[uy];
    for (int32_t k = 0; k < count; ++k) {
      rows[static_cast<size_t>(k)] = source + static_cast<size_t>(down.first[uy] + k) * RowBytes(sw);
    }
    VerticalRow(rows.data(), WeightsOf(down, y), count, static_cast<size_t>(sw), between.data());
    BytesToDoubles(between.data(), between_doubles.data(), between.size());
    HorizontalRow(between_doubles.data(), across, target + uy * RowBytes(tw));
  }
}

// How many horizontally filtered rows must be held at once when they are made in order,
// each just before the first output row that reads it.
int32_t RingRows(const WeightTable& down) {
  int64_t made = 0;
  int64_t held = 1;
  for (int32_t y = 0; y < down.output_count; ++y) {
    const size_t uy = static_cast<size_t>(y);
    if (down.count[uy] == 0) continue;
    made = std::max<int64_t>(made, down.first[uy] + down.count[uy]);
    held = std::max<int64_t>(held, made - down.first[uy]);
  }
  return static_cast<int32_t>(std::min<int64_t>(held, down.source_count));
}

// Horizontal first: source rows are filtered across into a small ring of 8-bit rows,
// which the vertical pass reads down; the whole intermediate image is never held.
void HorizontalThenVertical(const uint8_t* source, int32_t sw, int32_t sh, uint8_t* target, int32_t tw,
                            int32_t th) {
  const WeightTable across = BuildWeightTable(sw, tw);
  const WeightTable down = BuildWeightTable(sh, th);
  const int32_t ring_rows = RingRows(down);
  std::vector<uint8_t> ring(static_cast<size_t>(ring_rows) * RowBytes(tw));
  std::vector<double> source_doubles(RowBytes(sw));
  std::vector<const uint8_t*> rows(static_cast<size_t>(LongestWindow(down)));
  auto ring_row = [&](int32_t k) { return ring.data() + static_cast<size_t>(k % ring_rows) * RowBytes(tw); };
  int32_t made = 0;
  for (int32_t y = 0; y < th; ++y) {
    const size_t uy = static_cast<size_t>(y);
    const int32_t first = down.first[uy];
    const int32_t count = down.count[uy];
    for (; made < first + count; ++made) {
      BytesToDoubles(source + static_cast<size_t>(made) * RowBytes(sw), source_doubles.data(), RowBytes(sw));
      HorizontalRow(source_doubles.data(), across, ring_row(made));
    }
    for (int32_t k = 0; k < count; ++k) rows[static_cast<size_t>(k)] = ring_row(first + k);
    VerticalRow(rows.data(), WeightsOf(down, y), count, static_cast<size_t>(tw), target + uy * RowBytes(tw));
  }
}

}  // namespace

bool ResampleSmooth(const uint8_t* source, int32_t source_width, int32_t source_height, uint8_t* target,
                    int32_t target_width, int32_t target_height) {
  // The pass whose intermediate image is smaller goes first; on a tie, the horizontal one.
  const int64_t vertical_first = int64_t{source_width} * target_height;
  const int64_t horizontal_first = int64_t{source_height} * target_width;
  try {
    if (vertical_first < horizontal_first) {
      VerticalThenHorizontal(source, source_width, source_height, target, target_width, target_height);
    } else {
      HorizontalThenVertical(source, source_width, source_height, target, target_width, target_height);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace zen::resize
