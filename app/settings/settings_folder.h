#pragma once
// The per-user folder that holds config.ini and the converter's work files:
// $XDG_CONFIG_HOME (or ~/.config when unset or not absolute) + "/Zentrova/".
#include <string>

namespace zen {

// Builds the path from the environment; always ends in "/". Empty when neither
// XDG_CONFIG_HOME nor a home folder can be found.
std::u16string SettingsFolderPath();

// Creates the folder with access mode 0700 (missing parents too, also 0700). An existing
// folder, or a failure, is ignored.
void MakeSettingsFolder(const std::u16string& folder);

// The value start-up stored (App().settings_folder).
const std::u16string& SettingsFolder();

}  // namespace zen
