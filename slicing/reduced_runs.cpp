#include "slicing/reduced_runs.h"

#include "planning/plan_picture.h"

namespace zen {

void ReducedRuns::SourceRows(size_t run, const NativeImage& rows) {
  while (copies_.size() <= run) copies_.emplace_back(ReductionFor(rows.width, PictureMostWidth));
  copies_[run].AddRows(rows);
}

}  // namespace zen
