#pragma once
// Plans on the command line: reading --cuts PLAN.json, saying why a plan does not fit its
// sources, and the --preview pictures made from the rows as the job reads them.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "planning/cut_plan.h"
#include "planning/reduced_copy.h"
#include "slicing/slicing_job.h"

namespace zen::batch {

// The plan in `file`, or nothing after a message on `err` naming the first problem.
std::optional<CutPlan> ReadPlanFile(const std::string& file, std::FILE* err);

// A plan problem in words (English, as the rest of the command line speaks).
std::string PlanProblemText(const PlanProblem& problem);

// One picture per run, drawn over the runs' reduced copies: `path` itself for one run,
// "name-N.png" for run N of several. False (after a message on `err`) when one could not
// be written.
bool WritePreview(const std::vector<ReducedCopy>& copies, const CutPlan& plan, const std::string& path, std::FILE* err);

}  // namespace zen::batch
