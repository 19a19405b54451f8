// The slicing job's side of the loop.
#include "app/app_state.h"
#include "app/field_rules.h"
#include "app/loop_hooks.h"
#include "slicing/slicing_job.h"

namespace zen {
namespace {

// A folder or prefix name from the settings file reaches the start unchecked: "../ep2" or
// "" would put pieces over another folder's files or beside the sources.
void StartJobWithUsableNames() {
  if (!NameBoxesUsableForStart()) {
    TheSlicingJob().job_state = JobIdle;
    return;
  }
  StartJob();
}

}  // namespace

void WireJobHooks(LoopHooks& hooks) {
  hooks.reset_job = [] {
    ResetSlicingJob();
    SlicingJob& job = TheSlicingJob();
    job.host.poll_events = &App().poll_events;
    job.host.job_end_time = &App().job_end_time;
    job.host.settings_folder = App().settings_folder;
    job.host.smart_planner = &App().smart_slice;
    job.converter_path = App().converter_path;
    // The converter folders of jobs that ended early, in this instance or another.
    RemoveLeftConverterFiles(job.host.settings_folder);
  };
  hooks.job_state = [] { return static_cast<int>(TheSlicingJob().job_state); };
  // The start button: a job of the window's settings, whatever a window asked for before.
  hooks.set_job_state = [](int state) {
    SlicingJob& job = TheSlicingJob();
    job.job_state = static_cast<JobState>(state);
    if (state == JobStartRequested) job.next_request = JobRequest{};
  };
  hooks.start_job = StartJobWithUsableNames;
  hooks.step_job = StepJob;
  hooks.cancel_job = CancelJob;
  hooks.release_job = ResetSlicingJob;
}

}  // namespace zen
