#pragma once
// The smart planner: rows in, cuts out. It reads each row of a run once, finds its bands
// of plain rows and chooses all cuts of the run together, so that every piece lies within
// [min, max], pieces are as even as the bands allow and the last piece is never shorter
// than min unless the whole run is. Cuts go in the middle of gutters: bands at least
// MinGutter rows high of the page's background colour. Gaps between lines of text, steps
// of a gradient and narrower bands are used only when nothing else is in reach, flat fills
// of another colour (a sky) before them; where no band is, the quietest row is cut and the
// cut is forced.
//
// The choice is a shortest path over candidate cuts, found while the rows stream in: a cut
// is settled (handed out) as soon as every path still open runs through it, so pieces can
// be written while later rows are read, without a second pass over the source.
#include <cstdint>
#include <memory>
#include <vector>

#include "planning/cut_plan.h"

namespace zen {

inline constexpr int32_t MinGutter = 8;

struct PlannerLimits {
  int64_t min = 300;
  int64_t max = 1500;  // raised to min when below it
  int32_t min_gutter = MinGutter;
};

class SmartPlanner {
 public:
  explicit SmartPlanner(PlannerLimits limits);
  ~SmartPlanner();
  SmartPlanner(const SmartPlanner&) = delete;
  SmartPlanner& operator=(const SmartPlanner&) = delete;

  // The next `count` rows of the run, top first: `width` RGBA pixels each, rows `stride`
  // bytes apart.
  void AddRows(const uint8_t* rgba, int32_t width, int64_t count, size_t stride);
  // The run has no more rows: its remaining cuts, the end included, are settled.
  void Finish();
  // Settles cuts until at most `rows` rows lie below the last settled cut. Needed when
  // rows must be let go of; the choice may then be a little worse than waiting. Cuts
  // settle on their own about twice the maximum height above the last row read, so a
  // limit of four times the maximum is rarely reached; any limit of at least twice the
  // maximum (plus 2) is kept.
  void LimitUnsettled(int64_t rows);

  // Settled cuts not yet taken, in row order.
  std::vector<PlanCut> TakeSettledCuts();
  int64_t RowsSeen() const;
  int64_t SettledRow() const;  // the last settled cut (0 before the first)

 private:
  struct Search;
  std::unique_ptr<Search> search_;
};

}  // namespace zen
