#pragma once
// The process-wide values of the application shell: set at start-up, read and changed by
// the event loop and the handlers it calls. One record, reached through App().
#include <cstdint>
#include <string>

#include "app/main_fields.h"
#include "app/version.h"
#include "platform/gui/main_controls.h"

namespace zen {

struct AppState {
  double app_version = VersionNumber();
  std::u16string update_check_base_url;  // https address of the product site, no trailing "/"
  std::u16string settings_folder;        // ends in "/"; see settings_folder.h
  std::u16string converter_path;         // the bundle's MacOS/ZenHelper
  double image_scale = 1.0;              // whole per cent of the backing scale, / 100
  double backing_scale = 1.0;            // the main screen's backing scale factor

  bool poll_events = false;   // set when a job starts; cleared 1 s after it ends
  int64_t job_end_time = -1;  // ElapsedMs at the job's end, -1 when none is pending
  bool about_animating = false;
  int64_t about_last_tick = 0;

  // The planner of the cut-detection option (config.ini's SmartSlice): 0 the gutter scan,
  // 1 the smart planner. Chosen in the review window; the job reads it at start.
  int smart_slice = 0;

  // The boxes' initial texts until the user gives valid ones.
  std::u16string last_valid_folder_name{FindField(gui::CtlFolderBox)->text};
  std::u16string last_valid_prefix{FindField(gui::CtlPrefixBox)->text};

  // The window and control of the last event taken: a turn without an event keeps them.
  gui::WindowId event_window = gui::NoWindow;
  gui::ControlId event_control = gui::NoControl;
};

AppState& App();
void ResetAppState();  // back to the values above (tests)

}  // namespace zen
