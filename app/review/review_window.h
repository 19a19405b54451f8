#pragma once
// The review window, "분할 미리보기": the source list's cut plan in the window's mode (the
// cut-detection option with the planner chosen here), drawn over reduced copies of the runs
// made while planning. The artist moves, adds and removes cuts; "이 컷으로 저장" writes the
// pieces at the edited cuts through the job, as a plan file given to the command line
// would; closing the window writes nothing.
#include <memory>
#include <vector>

#include "planning/cut_plan.h"
#include "planning/reduced_copy.h"
#include "platform/gui/window_system.h"
#include "slicing/reduced_runs.h"
#include "slicing/slicing_job.h"

namespace zen {

struct ReviewState {
  bool open = false;
  bool planning = false;
  CutPlan plan;                                    // as planned
  std::vector<std::vector<gui::StripLine>> lines;  // per run, as edited; tag: the planned cut
  std::vector<std::unique_ptr<NativeImage>> pictures;
  std::vector<int32_t> factors;
  std::vector<FileProblem> skipped;  // sources the planning could not load
  size_t run = 0;                    // shown in the strip
  ReducedRuns rows;                  // made while planning
};

ReviewState& Review();
void ResetReviewState();

void ShowReviewWindow();
void HandleReviewEvent(const gui::Event& event);

// The plan as edited: each run's cuts at its lines' rows; untouched lines keep their kind
// and band, moved and added ones are fixed.
CutPlan EditedPlan();

}  // namespace zen
