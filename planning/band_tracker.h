#pragma once
// Bands of a run: consecutive plain rows of one steady colour. A vertical gradient is plain
// row by row, but its colour drifts, so it breaks into steps that are no gutters; a page's
// own background (the colour most bands have) tells gutters from flat fills, and the
// pattern of short runs around a band tells the gaps between lines of text.
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "planning/row_analysis.h"

namespace zen {

// Colour change (per channel) that ends a band even though each row is plain.
inline constexpr int BandDrift = 3;
// Lines of text are short runs of rows with short bands between them: a run of at most
// TextLineRows (two lines, with room for large lettering) next to a band of at most
// LineGapRows. Gutters between pictures are taller, or lie next to a taller run.
inline constexpr int64_t TextLineRows = 48;
inline constexpr int64_t LineGapRows = 24;
// Bands lower than this (noise at an edge, a step of a steep gradient) do not vote for the
// page's background colour.
inline constexpr int64_t CountedBandRows = 8;
// Rows between two bands that JPEG ringing may leave in what was one plain gap.
inline constexpr int64_t SliverRows = 3;
// Rows past a band that settle what lies next to it (a line of text and the gap after it).
inline constexpr int64_t BandLookahead = TextLineRows + 2 * LineGapRows + 2;

struct Band {
  int64_t top = 0;
  int64_t bottom = 0;  // one past its last row
  int colour_key = 0;
  bool gradient = false;  // one step of a colour ramp: the colour drifts on smoothly beyond both ends
  int64_t Height() const { return bottom - top; }
  int64_t Middle() const { return top + (bottom - top) / 2; }
};

// What lies around a band, once BandLookahead rows past it have been read.
struct BandShape {
  bool line_gap = false;     // between two lines of text, or a line and what it nearly touches
  bool text_above = false;   // a line of text (and its gap) just above; a balloon's margin
  bool text_below = false;   // may then be part of the band, so cuts keep away from it
  int64_t stretch_rows = 0;  // of the plain stretch it is part of, slivers of ringing included
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
  // The shape of closed band `index`.
  BandShape ShapeOf(size_t index) const;
  // Whether `band` has the page's background colour as known once `row` rows were read.
  // Judged late rather than when the band closes, so that the first bands of a run (a sky
  // above the first picture) are not taken for the background before any gutter is seen.
  bool IsBackgroundAt(const Band& band, int64_t row) const;
  // The least detail of a row in [from, to) (-1 when the range is empty).
  int64_t LeastDetail(int64_t from, int64_t to) const;
  // Of the rows in [from, to) with at most `ceiling` detail, the one nearest `prefer`, or -1.
  int64_t QuietRowNear(int64_t from, int64_t to, int64_t prefer, int64_t ceiling) const;

 private:
  void Close(bool ramp_follows);
  struct Stretch {
    size_t first = 0, last = 0;
    int64_t top = 0, bottom = 0;
  };
  // Band `k` in row order, the one still growing after the closed ones.
  Band BandAt(size_t k) const;
  size_t BandCount() const;
  Stretch StretchAround(size_t index) const;
  template <typename Ceiling, typename EachRow>
  void VisitQuietBlocks(int64_t from, int64_t to, Ceiling ceiling, EachRow each_row) const;

  std::vector<uint32_t> detail_;         // per row
  std::vector<uint32_t> block_minimum_;  // per 64 rows
  std::vector<Band> bands_;
  int64_t open_top_ = -1;
  int open_colour_[3] = {0, 0, 0};
  int open_key_ = 0;
  bool open_ramp_ = false;               // it began where the band before drifted into it
  int last_colour_[3] = {0, 0, 0};       // of the last plain row
  std::map<int, int64_t> colour_bands_;  // bands per colour key (a few dozen keys)
  struct BackgroundChange {
    int64_t row = 0;
    int key = 0;
  };
  std::vector<BackgroundChange> background_changes_;  // in row order
};

}  // namespace zen
