// The slicing job's side of the loop.
#include "app/app_state.h"
#include "app/loop_hooks.h"
#include "slicing/slicing_job.h"

namespace zen {

void WireJobHooks(LoopHooks& hooks) {
  hooks.reset_job = [] {
    ResetSlicingJob();
    SlicingJob& job = TheSlicingJob();
    job.host.poll_events = &App().poll_events;
    job.host.job_end_time = &App().job_end_time;
    job.host.settings_folder = App().settings_folder;
    job.converter_path = App().converter_path;
  };
  hooks.job_state = [] { return static_cast<int>(TheSlicingJob().job_state); };
  hooks.set_job_state = [](int state) { TheSlicingJob().job_state = static_cast<JobState>(state); };
  hooks.start_job = StartJob;
  hooks.step_job = StepJob;
}

}  // namespace zen
