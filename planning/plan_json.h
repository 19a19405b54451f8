#pragma once
// A plan as JSON: the "runs" list of the batch report, and reading a report (possibly edited
// by hand or by another program) back into a plan.
//   "runs": [{"files": [{"path": "/a/ep1/01.jpg", "top": 0, "rows": 20000, "width": 690}, ...],
//             "cuts": [{"row": 1310, "kind": "gutter", "band": [1280, 1340]}, ...,
//                      {"row": 41000, "kind": "end", "band": null}]}, ...]
// Reading needs only each file's "path" and "rows" and each cut's "row"; a missing "kind"
// reads as "fixed", and a run whose last cut is above its end gets the end added.
#include <optional>
#include <string>
#include <string_view>

#include "planning/cut_plan.h"

namespace zen {

std::string PlanRunsJson(const CutPlan& plan);

struct PlanReading {
  std::optional<CutPlan> plan;
  std::string problem;  // the first thing wrong, in words, when there is no plan
};

// Files get their list row in the order they are listed.
PlanReading PlanFromJson(std::string_view text);

}  // namespace zen
