#include <algorithm>
#include <cstddef>
#include <new>
#include <vector>

#include "imaging/resize_core.h"
#include "imaging/resize_passes.h"
#include "imaging/resize_weights.h"

namespace zen::resize {

namespace {

// Output rows per band when the rows are handed out in parts, and the most parts: enough
// to keep every helper busy while one of them finishes other work, few enough that the
// rows a horizontal-first band must filter again at its top stay a small share.
constexpr int32_t kRowsPerBand = 256;
constexpr int32_t kMostBands = 16;

size_t RowBytes(int32_t width) { return 4 * static_cast<size_t>(width); }

const double* WeightsOf(const WeightTable& table, int32_t i) {
  return table.weights.data() + table.offset[static_cast<size_t>(i)];
}

int32_t LongestWindow(const WeightTable& table) {
  int32_t longest = 1;
  for (int32_t c : table.count) longest = std::max(longest, c);
  return longest;
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

// What every band reads: the two images and the weight tables of both passes.
struct Resample {
  const uint8_t* source = nullptr;
  int32_t sw = 0, sh = 0;
  uint8_t* target = nullptr;
  int32_t tw = 0, th = 0;
  WeightTable down;    // sh -> th
  WeightTable across;  // sw -> tw
};

// Vertical first: each output row comes from one vertically filtered row of the full
// source width, rounded to 8 bits, then filtered horizontally. Only one such row is
// held at a time.
void VerticalThenHorizontal(const Resample& r, int32_t begin, int32_t end) {
  std::vector<const uint8_t*> rows(static_cast<size_t>(LongestWindow(r.down)));
  std::vector<uint8_t> between(RowBytes(r.sw));
  std::vector<double> between_doubles(RowBytes(r.sw));
  for (int32_t y = begin; y < end; ++y) {
    const size_t uy = static_cast<size_t>(y);
    const int32_t count = r.down.count[uy];
    for (int32_t k = 0; k < count; ++k) {
      rows[static_cast<size_t>(k)] = r.source + static_cast<size_t>(r.down.first[uy] + k) * RowBytes(r.sw);
    }
    VerticalRow(rows.data(), WeightsOf(r.down, y), count, static_cast<size_t>(r.sw), between.data());
    BytesToDoubles(between.data(), between_doubles.data(), between.size());
    HorizontalRow(between_doubles.data(), r.across, r.target + uy * RowBytes(r.tw));
  }
}

// Horizontal first: source rows are filtered across into a small ring of 8-bit rows,
// which the vertical pass reads down; the whole intermediate image is never held. A band
// starts its ring at the first source row its first output row reads.
void HorizontalThenVertical(const Resample& r, int32_t ring_rows, int32_t begin, int32_t end) {
  std::vector<uint8_t> ring(static_cast<size_t>(ring_rows) * RowBytes(r.tw));
  std::vector<double> source_doubles(RowBytes(r.sw));
  std::vector<const uint8_t*> rows(static_cast<size_t>(LongestWindow(r.down)));
  auto ring_row = [&](int32_t k) { return ring.data() + static_cast<size_t>(k % ring_rows) * RowBytes(r.tw); };
  int32_t made = begin < end ? r.down.first[static_cast<size_t>(begin)] : 0;
  for (int32_t y = begin; y < end; ++y) {
    const size_t uy = static_cast<size_t>(y);
    const int32_t first = r.down.first[uy];
    const int32_t count = r.down.count[uy];
    for (made = std::max(made, first); made < first + count; ++made) {
      BytesToDoubles(r.source + static_cast<size_t>(made) * RowBytes(r.sw), source_doubles.data(), RowBytes(r.sw));
      HorizontalRow(source_doubles.data(), r.across, ring_row(made));
    }
    for (int32_t k = 0; k < count; ++k) rows[static_cast<size_t>(k)] = ring_row(first + k);
    VerticalRow(rows.data(), WeightsOf(r.down, y), count, static_cast<size_t>(r.tw), r.target + uy * RowBytes(r.tw));
  }
}

int32_t BandCount(int32_t rows, bool in_parts) {
  if (!in_parts) return 1;
  return std::clamp(rows / kRowsPerBand, 1, kMostBands);
}

}  // namespace

bool ResampleSmooth(const uint8_t* source, int32_t source_width, int32_t source_height, uint8_t* target,
                    int32_t target_width, int32_t target_height, const RunParts& run_parts) {
  // The pass whose intermediate image is smaller goes first; on a tie, the horizontal one.
  const bool vertical_first = int64_t{source_width} * target_height < int64_t{source_height} * target_width;
  Resample r{source, source_width, source_height, target, target_width, target_height, {}, {}};
  int32_t bands = 1;
  std::vector<char> done;
  int32_t ring_rows = 1;
  try {
    r.down = BuildWeightTable(source_height, target_height);
    r.across = BuildWeightTable(source_width, target_width);
    ring_rows = vertical_first ? 1 : RingRows(r.down);
    bands = BandCount(target_height, static_cast<bool>(run_parts));
    done.assign(static_cast<size_t>(bands), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  // Each band owns its rows of the target and its own working rows; a band that cannot
  // have them says so in its own slot.
  auto band = [&](int32_t i) {
    const auto begin = static_cast<int32_t>(int64_t{target_height} * i / bands);
    const auto end = static_cast<int32_t>(int64_t{target_height} * (i + 1) / bands);
    try {
      if (vertical_first) {
        VerticalThenHorizontal(r, begin, end);
      } else {
        HorizontalThenVertical(r, ring_rows, begin, end);
      }
      done[static_cast<size_t>(i)] = 1;
    } catch (const std::bad_alloc&) {
    }
  };
  if (bands == 1) {
    band(0);
  } else {
    run_parts(bands, band);
  }
  return std::all_of(done.begin(), done.end(), [](char d) { return d != 0; });
}

}  // namespace zen::resize
