#pragma once
// One batch run: the window's own start-up on the headless window system, the options put
// into the controls, the paths dropped onto the source list, and the job run to its end.
#include <cstdio>

#include "batch/batch_options.h"

namespace zen::batch {

enum ExitStatus : int { ExitDone = 0, ExitIncomplete = 1, ExitUsage = 2, ExitSizeLimit = 3 };

// The exit status. The report and the per-folder summary go to `out`, messages and the
// progress bar to `err`.
int RunBatch(const BatchOptions& options, std::FILE* out, std::FILE* err);

}  // namespace zen::batch
