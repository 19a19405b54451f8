#pragma once
// Reduced copies of every run of a job, made from the rows it loads: the plan's preview
// picture and the review window draw over them instead of reading the full rows again.
#include <cstddef>
#include <vector>

#include "planning/reduced_copy.h"
#include "slicing/slicing_job.h"

namespace zen {

class ReducedRuns final : public SourceRowsSink {
 public:
  void SourceRows(size_t run, const NativeImage& rows) override;
  std::vector<ReducedCopy>& copies() { return copies_; }
  const std::vector<ReducedCopy>& copies() const { return copies_; }

 private:
  std::vector<ReducedCopy> copies_;
};

}  // namespace zen
