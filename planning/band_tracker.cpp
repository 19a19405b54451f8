#include "planning/band_tracker.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace zen {
namespace {

constexpr int64_t kBlock = 64;

int ColourKey(const RowFacts& facts) {
  return (facts.red >> 3) | ((facts.green >> 3) << 5) | ((facts.blue >> 3) << 10);
}

int KeyChannel(int key, int channel) { return (key >> (5 * channel)) & 31; }

}  // namespace

void BandTracker::Add(const RowFacts& facts) {
  const int colour[3] = {facts.red, facts.green, facts.blue};
  if (open_top_ >= 0) {
    bool steady = facts.plain;
    for (int c = 0; c < 3 && steady; ++c) steady = std::abs(colour[c] - open_colour_[c]) <= BandDrift;
    if (!steady) CloseOpenBand();
  }
  const int64_t row = Rows();
  if (facts.plain && open_top_ < 0) {
    open_top_ = row;
    std::copy(colour, colour + 3, open_colour_);
    open_key_ = ColourKey(facts);
  }
  detail_.push_back(facts.detail);
  if (row % kBlock == 0) {
    block_minimum_.push_back(facts.detail);
  } else {
    block_minimum_.back() = std::min(block_minimum_.back(), facts.detail);
  }
}

void BandTracker::CloseOpenBand() {
  if (open_top_ < 0) return;
  // Gutters come back between every two panels; a flat fill, however tall, is one band.
  int64_t& count = colour_bands_[static_cast<size_t>(open_key_)];
  ++count;
  if (background_key_ < 0 || count > colour_bands_[static_cast<size_t>(background_key_)]) background_key_ = open_key_;
  bands_.push_back(Band{open_top_, Rows(), IsBackground(open_key_)});
  open_top_ = -1;
}

bool BandTracker::IsBackground(int colour_key) const {
  if (background_key_ < 0) return false;
  for (int c = 0; c < 3; ++c) {
    if (std::abs(KeyChannel(colour_key, c) - KeyChannel(background_key_, c)) > 1) return false;
  }
  return true;
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
