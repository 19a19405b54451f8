#pragma once
// The thirteen user choices that persist in config.ini inside the settings folder. They
// have no record of their own: each lives in the main-window control that shows it;
// loading writes the file's values into the controls, saving reads the controls back. Keys,
// defaults and order come from the field table (app/main_fields.h).
#include <string>

namespace zen {

// config.ini's path: the settings folder + "config.ini".
std::u16string SettingsFilePath();

// Reads config.ini into the controls (nothing happens when the file does not exist).
void LoadSettings();
// The same from another settings file (the batch slicer's --config).
void LoadSettingsFrom(const std::u16string& path);
// Writes the controls into config.ini, then confirms with the "알림" message box, also when
// the file could not be written (the old file then stays as it was).
void SaveSettings();

}  // namespace zen
