#pragma once
// Where the event loop and start-up reach the other parts of the program: the slicing
// job, the source list, the settings file, the About window and the review window. The loop calls only these
// hooks, so tests can watch or replace any of them; WireProgramHooks (app/startup.h) puts
// the real operations in (an empty hook does nothing). See app/README.md for how a part plugs in.
#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/gui/window_system.h"

namespace zen {

struct LoopHooks {
  // The clock of the end-of-job delay; ElapsedMs in the program.
  std::function<int64_t()> now;

  // The slicing job. job_state gives its JobState (slicing/slicing_job.h) as a number.
  std::function<void()> reset_job;  // start-up: the job's initial state and its links to us
  std::function<int()> job_state;
  std::function<void(int)> set_job_state;
  std::function<void()> start_job;
  std::function<void()> step_job;
  std::function<void()> cancel_job;   // Escape: stop a running job, keeping the pieces written
  std::function<void()> release_job;  // exit: what a job cut short holds (its converter folder)

  // The source list: the five toolbar buttons and drops on the list.
  std::function<void()> add_files_from_dialog;
  std::function<void()> remove_selected_rows;
  std::function<void()> move_selected_rows_up;
  std::function<void()> move_selected_rows_down;
  std::function<void()> clear_rows;
  std::function<void(std::u16string_view)> add_dropped_files;

  // The settings file.
  std::function<void()> load_settings;
  std::function<void()> save_settings;

  // The About window. handle_about_event gets the turn's event (kind None when the turn
  // took none but the last event was the About window's).
  std::function<void()> show_about_window;
  std::function<void(const gui::Event&)> handle_about_event;
  std::function<void()> about_animation_step;

  // The review window ("분할 미리보기"): the sixth toolbar button (and Ctrl+P) opens it;
  // handle_review_event gets its events (kind None on a turn that took none after one).
  std::function<void()> show_review_window;
  std::function<void(const gui::Event&)> handle_review_event;

  // Exit clean-up beyond windows and images (an open preferences document, the engine).
  std::function<void()> exit_cleanup;
};

LoopHooks& Hooks();
// Every hook empty, now = ElapsedMs (tests start from here).
void ResetHooks();
// Each part's wiring lives in its own hooks_*.cpp file; WireProgramHooks (app/startup.h)
// calls them all.
void WireJobHooks(LoopHooks& hooks);
void WireSourceListHooks(LoopHooks& hooks);
void WireSettingsHooks(LoopHooks& hooks);
void WireAboutHooks(LoopHooks& hooks);
void WireReviewHooks(LoopHooks& hooks);

// Calls a hook when it is set.
template <typename Hook, typename... Args>
auto CallHook(const Hook& hook, Args&&... args) {
  using Result = decltype(hook(std::forward<Args>(args)...));
  if (!hook) return Result();
  return hook(std::forward<Args>(args)...);
}

}  // namespace zen
