#pragma once
// Start-up and the exit clean-up.
#include <memory>
#include <string>

#include "platform/gui/window_system.h"

namespace zen {

// The bundle's "Contents" folder, found from the program's own path
// (Contents/MacOS/<program>); empty when the path cannot be read.
std::string BundleContentsFolder();

// Makes the bundle's Contents folder the working folder and sets the locale (after the
// window system exists: the toolkit sets its own locale when it starts).
void PrepareProcess();

// Start-up after the window system is installed: version, settings folder, fonts, scale
// factors, codecs, the job's initial state, converter path, the main window, the digits
// label, the settings, the About clock and the remembered names. Wires the program's hooks
// first unless wire_hooks is false (tests bring their own).
void StartUp(bool wire_hooks = true);

// Releases the hooks' resources, the windows and every image.
void ExitCleanUp();

// The whole program on an installed window system; the exit status.
int RunApplication(std::unique_ptr<gui::WindowSystem> window_system);

}  // namespace zen
