#pragma once
// The user choices that persist in config.ini inside the settings folder. They
// have no record of their own: each lives in the main-window control that shows it;
// loading writes the file's values into the controls, saving reads the controls back. Keys,
// defaults and order come from the field table (app/main_fields.h).
#include <string>
#include <string_view>

namespace zen {

// Beyond the thirteen, after them in a new file: the planner the cut-detection option uses,
// chosen in the review window and kept in App().smart_slice (0 the gutter scan, 1 smart).
inline constexpr std::u16string_view SmartSliceKey = u"SmartSlice";

// config.ini's path: the settings folder + "config.ini".
std::u16string SettingsFilePath();

// Reads config.ini into the controls (nothing happens when the file does not exist).
void LoadSettings();
// The same from another settings file (the batch slicer's --config).
void LoadSettingsFrom(const std::u16string& path);
// Writes the controls into config.ini, then confirms with the "알림" message box, also when
// the file could not be written (the old file then stays as it was).
void SaveSettings();
// Remembers the review window's planner choice at once in an existing config.ini; without
// one it waits for the next save, so that a first file still begins with the thirteen.
void SaveSmartSliceChoice();

}  // namespace zen
