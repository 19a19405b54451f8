#include "planning/band_tracker.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <limits>

namespace zen {
namespace {

constexpr int64_t kBlock = 64;

int ColourKey(const RowFacts& facts) {
  return (facts.red >> 3) | ((facts.green >> 3) << 5) | ((facts.blue >> 3) << 10);
}

int KeyChannel(int key, int channel) { return (key >> (5 * channel)) & 31; }

int Lightness(int key) { return KeyChannel(key, 0) + KeyChannel(key, 1) + KeyChannel(key, 2); }

// A run of content rows as high as a line of text or two (more than a sliver).
bool ShortRun(int64_t rows) { return rows > SliverRows && rows <= TextLineRows; }

}  // namespace

void BandTracker::Add(const RowFacts& facts) {
  const int colour[3] = {facts.red, facts.green, facts.blue};
  bool ramp = false;
  if (open_top_ >= 0) {
    bool steady = facts.plain;
    for (int c = 0; c < 3 && steady; ++c) steady = std::abs(colour[c] - open_colour_[c]) <= BandDrift;
    // Drifted away from the band's colour, yet close to the row before, after a band of
    // some height: a gradient. (A few rows that drift are also how JPEG ringing blurs the
    // edges of a gutter.)
    ramp = !steady && facts.plain && Rows() - open_top_ >= CountedBandRows;
    for (int c = 0; c < 3 && ramp; ++c) ramp = std::abs(colour[c] - last_colour_[c]) <= BandDrift;
    if (!steady) Close(ramp);
  }
  const int64_t row = Rows();
  if (facts.plain && open_top_ < 0) {
    open_top_ = row;
    std::copy(colour, colour + 3, open_colour_);
    open_key_ = ColourKey(facts);
    open_ramp_ = ramp;
  }
  if (facts.plain) std::copy(colour, colour + 3, last_colour_);
  detail_.push_back(facts.detail);
  if (row % kBlock == 0) {
    block_minimum_.push_back(facts.detail);
  } else {
    block_minimum_.back() = std::min(block_minimum_.back(), facts.detail);
  }
}

void BandTracker::CloseOpenBand() { Close(false); }

void BandTracker::Close(bool ramp_follows) {
  if (open_top_ < 0) return;
  // Both ends drift: a step inside a gradient.
  const Band band{open_top_, Rows(), open_key_, open_ramp_ && ramp_follows};
  bands_.push_back(band);
  open_top_ = -1;
  // Gutters come back between every two panels; a flat fill, however tall, is one band.
  // The steps of a gradient and the gaps between lines of text come back as often but
  // say nothing of the page.
  if (band.gradient || band.Height() < CountedBandRows) return;
  if (band.Height() <= LineGapRows && bands_.size() > 1 && ShortRun(band.top - bands_[bands_.size() - 2].bottom))
    return;
  const int64_t count = ++colour_bands_[band.colour_key];
  if (!background_changes_.empty()) {
    const int current = background_changes_.back().key;
    const int64_t current_count = colour_bands_[current];
    if (current == band.colour_key || count < current_count) return;
    // Pages are light more often than not: of two colours as common, the lighter.
    if (count == current_count && Lightness(band.colour_key) <= Lightness(current)) return;
  }
  background_changes_.push_back({Rows(), band.colour_key});
}

bool BandTracker::IsBackgroundAt(const Band& band, int64_t row) const {
  auto it = std::upper_bound(background_changes_.begin(), background_changes_.end(), row,
                             [](int64_t r, const BackgroundChange& change) { return r < change.row; });
  if (it == background_changes_.begin()) return false;
  const int key = std::prev(it)->key;
  for (int c = 0; c < 3; ++c) {
    if (std::abs(KeyChannel(band.colour_key, c) - KeyChannel(key, c)) > 1) return false;
  }
  return true;
}

Band BandTracker::BandAt(size_t k) const {
  return k < bands_.size() ? bands_[k] : Band{open_top_, Rows(), open_key_, false};
}

size_t BandTracker::BandCount() const { return bands_.size() + (open_top_ >= 0 ? 1 : 0); }

// The plain stretch around band `index`: the bands with no more than a sliver of rows
// between them (JPEG ringing splits one gap into several bands). Only as far as matters
// for the shape of a gap: a few bands either way.
BandTracker::Stretch BandTracker::StretchAround(size_t index) const {
  constexpr int kMostBands = 8;
  size_t first = index, last = index;
  for (int k = 0; k < kMostBands && first > 0 && BandAt(first).top - BandAt(first - 1).bottom <= SliverRows; ++k)
    --first;
  for (int k = 0; k < kMostBands && last + 1 < BandCount() && BandAt(last + 1).top - BandAt(last).bottom <= SliverRows;
       ++k)
    ++last;
  return {first, last, BandAt(first).top, BandAt(last).bottom};
}

BandShape BandTracker::ShapeOf(size_t index) const {
  const Stretch stretch = StretchAround(index);
  BandShape shape;
  bool short_above = false, short_below = false;
  if (stretch.first > 0) {
    const Stretch before = StretchAround(stretch.first - 1);
    short_above = ShortRun(stretch.top - before.bottom);
    shape.text_above = short_above && before.bottom - before.top <= LineGapRows;
  }
  if (stretch.last + 1 < BandCount()) {
    const Stretch after = StretchAround(stretch.last + 1);
    short_below = ShortRun(after.top - stretch.bottom);
    shape.text_below = short_below && after.bottom - after.top <= LineGapRows;
  }
  // Between two lines, or between a line and what it nearly touches (a picture above a
  // caption): either way a cut there grazes the text.
  shape.line_gap = stretch.bottom - stretch.top <= LineGapRows &&
                   ((short_above && short_below) || shape.text_above || shape.text_below);
  shape.stretch_rows = stretch.bottom - stretch.top;
  return shape;
}

size_t BandTracker::FirstBandEndingAfter(int64_t row) const {
  auto it =
      std::upper_bound(bands_.begin(), bands_.end(), row, [](int64_t r, const Band& band) { return r < band.bottom; });
  return static_cast<size_t>(it - bands_.begin());
}

// Calls each_row for the rows of [from, to) whose 64-row block holds one with at most
// `ceiling()` detail; the ceiling may fall while the rows are visited.
template <typename Ceiling, typename EachRow>
void BandTracker::VisitQuietBlocks(int64_t from, int64_t to, Ceiling ceiling, EachRow each_row) const {
  from = std::max<int64_t>(from, 0);
  to = std::min(to, Rows());
  for (int64_t row = from; row < to;) {
    const int64_t block_end = std::min(to, (row / kBlock + 1) * kBlock);
    if (block_minimum_[static_cast<size_t>(row / kBlock)] > ceiling()) {
      row = block_end;
      continue;
    }
    for (; row < block_end; ++row) each_row(row, detail_[static_cast<size_t>(row)]);
  }
}

int64_t BandTracker::LeastDetail(int64_t from, int64_t to) const {
  int64_t least = std::numeric_limits<int64_t>::max();
  VisitQuietBlocks(
      from, to, [&] { return least; }, [&](int64_t, uint32_t detail) { least = std::min<int64_t>(least, detail); });
  return least == std::numeric_limits<int64_t>::max() ? -1 : least;
}

int64_t BandTracker::QuietRowNear(int64_t from, int64_t to, int64_t prefer, int64_t ceiling) const {
  int64_t best = -1;
  VisitQuietBlocks(
      from, to, [&] { return ceiling; },
      [&](int64_t row, uint32_t detail) {
        if (detail > ceiling) return;
        if (best < 0 || std::llabs(row - prefer) < std::llabs(best - prefer)) best = row;
      });
  return best;
}

}  // namespace zen
