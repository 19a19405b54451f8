#pragma once
// Bands of a run: consecutive plain rows of one steady colour. A vertical gradient is plain
// row by row, but its colour drifts, so it breaks into bands too short to count; a page's
// own background (the colour most bands have) tells gutters from flat fills.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "planning/row_analysis.h"

namespace zen {

// Colour change (per channel) that ends a band even though each row is plain.
inline constexpr int BandDrift = 3;

struct Band {
  int64_t top = 0;
  int64_t bottom = 0;       // one past its last row
  bool background = false;  // of the page's background colour, as known when it closed
  int64_t Height() const { return bottom - top; }
  int64_t Middle() const { return top + (bottom - top) / 2; }
};

class BandTracker {
 public:
  // The next row of the run.
  void Add(const RowFacts& facts);
  // Ends the band still growing (the run ends, or rows must be planned without waiting).
  void CloseOpenBand();

  int64_t Rows() const { return static_cast<int64_t>(detail_.size()); }
  // First row of the band still growing, or -1.
  int64_t OpenTop() const { return open_top_; }
  // Closed bands in row order.
  const std::vector<Band>& Bands() const { return bands_; }
  // Index of the first closed band that ends after `row`.
  size_t FirstBandEndingAfter(int64_t row) const;
  // The least detail of a row in [from, to) (-1 when the range is empty).
  int64_t LeastDetail(int64_t from, int64_t to) const;
  // Of the rows in [from, to) with at most `ceiling` detail, the one nearest `prefer`, or -1.
  int64_t QuietRowNear(int64_t from, int64_t to, int64_t prefer, int64_t ceiling) const;

 private:
  bool IsBackground(int colour_key) const;
  template <typename Ceiling, typename EachRow>
  void VisitQuietBlocks(int64_t from, int64_t to, Ceiling ceiling, EachRow each_row) const;

  std::vector<uint32_t> detail_;         // per row
  std::vector<uint32_t> block_minimum_;  // per 64 rows
  std::vector<Band> bands_;
  int64_t open_top_ = -1;
  int open_colour_[3] = {0, 0, 0};
  int open_key_ = 0;
  std::vector<int64_t> colour_bands_ = std::vector<int64_t>(1 << 15, 0);  // bands per colour key
  int background_key_ = -1;
};

}  // namespace zen
