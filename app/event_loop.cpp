#include "app/event_loop.h"

#include "app/app_state.h"
#include "app/field_rules.h"
#include "app/loop_hooks.h"
#include "platform/gui/main_controls.h"
#include "slicing/slicing_job.h"

namespace zen {
namespace {

using gui::Gui;

constexpr int64_t EndDelayMs = 1000;

void ApplyFieldRule(const gui::Event& event) {
  switch (event.subtype) {
    case gui::EventSubtype::FocusGained: OnFocusGained(event.control); break;
    case gui::EventSubtype::FocusLost: OnFocusLost(event.control); break;
    case gui::EventSubtype::Changed: OnChanged(event.control); break;
    default: break;
  }
}

void PressStart() {
  if (Gui().RowCount(gui::CtlSourceList) > 0) {
    CallHook(Hooks().set_job_state, JobStartRequested);
  } else {
    Gui().MessageBox(u"알림", u"파일을 추가해주세요.", gui::MessageIcon::Plain);
  }
}

// Buttons report only presses, so acting whatever the sub-type is safe.
void ActOnControl(gui::ControlId control) {
  const LoopHooks& hooks = Hooks();
  switch (control) {
    case gui::CtlToolbarAdd: CallHook(hooks.add_files_from_dialog); break;
    case gui::CtlToolbarRemove: CallHook(hooks.remove_selected_rows); break;
    case gui::CtlToolbarUp: CallHook(hooks.move_selected_rows_up); break;
    case gui::CtlToolbarDown: CallHook(hooks.move_selected_rows_down); break;
    case gui::CtlToolbarClear: CallHook(hooks.clear_rows); break;
    case gui::CtlToolbarReview: CallHook(hooks.show_review_window); break;
    case gui::CtlStartButton: PressStart(); break;
    case gui::CtlSaveButton: CallHook(hooks.save_settings); break;
    case gui::CtlAboutButton: CallHook(hooks.show_about_window); break;
    default: break;
  }
}

int JobStateNow() {
  if (!Hooks().job_state) return JobIdle;
  return Hooks().job_state();
}

}  // namespace

bool HandleMainWindowEvent(const gui::Event& event) {
  switch (event.kind) {
    case gui::EventKind::Control:
      ApplyFieldRule(event);
      ActOnControl(event.control);
      break;
    case gui::EventKind::Drop:
      if (event.control == gui::CtlSourceList) CallHook(Hooks().add_dropped_files, event.dropped);
      break;
    case gui::EventKind::Close: return false;
    // Escape: a running job stops after the step it is in (steps end within the turn).
    case gui::EventKind::Cancel: CallHook(Hooks().cancel_job); break;
    default: break;
  }
  return true;
}

void ShrinkAfterJobEnd() {
  AppState& app = App();
  const int64_t now = Hooks().now ? Hooks().now() : 0;
  if (app.job_end_time > 0 && app.job_end_time + EndDelayMs < now) {
    app.job_end_time = -1;
    app.poll_events = false;
    Gui().SetContentSize(gui::MainWindow, gui::MainWidth, gui::MainHeight);
  }
}

void AdvanceJob() {
  if (JobStateNow() == JobRunning) CallHook(Hooks().step_job);
  if (JobStateNow() == JobStartRequested) {
    CallHook(Hooks().start_job);
    // A job that starts within a second of the previous one's end must keep polling and
    // its progress row: the previous end no longer applies.
    if (JobStateNow() == JobRunning) App().job_end_time = -1;
  }
}

bool RunTurn() {
  AppState& app = App();
  gui::Event event;
  bool taken = false;
  if (!app.poll_events && !app.about_animating) {
    taken = Gui().WaitEvent(event);
  } else {
    taken = Gui().PollEvent(event);
    ShrinkAfterJobEnd();
  }
  if (taken) {
    app.event_window = event.window;
    app.event_control = event.control;
  } else {
    event = gui::Event();
    event.window = app.event_window;
    event.control = app.event_control;
  }
  if (event.window == gui::MainWindow) {
    if (!HandleMainWindowEvent(event)) return false;
  } else if (event.window == gui::ReviewWindow) {
    CallHook(Hooks().handle_review_event, event);
  } else if (event.window == gui::AboutWindow) {
    CallHook(Hooks().handle_about_event, event);
  }
  // Whatever window the event was for: a job must not wait for the main window's next event.
  AdvanceJob();
  if (app.about_animating) CallHook(Hooks().about_animation_step);
  return true;
}

void RunLoop() {
  while (RunTurn()) {
  }
}

}  // namespace zen
