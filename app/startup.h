#pragma once
// Start-up and the exit clean-up.
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/window_system.h"

namespace zen {

// The bundle's "Contents" folder, found from the program's own path
// (Contents/MacOS/<program>); empty when the path cannot be read.
std::string BundleContentsFolder();

// Makes the bundle's Contents folder the working folder and sets the locale (after the
// window system exists: the toolkit sets its own locale when it starts).
void PrepareProcess();

struct LoopHooks;
// The real program's operations in every hook.
void WireProgramHooks(LoopHooks& hooks);

// Start-up after the window system is installed: version, settings folder, fonts, scale
// factors, codecs, the job's initial state, converter path, the main window, the digits
// label, the settings, the About clock and the remembered names. Wires the program's hooks
// first unless wire_hooks is false (tests bring their own).
void StartUp(bool wire_hooks = true);

// Releases the hooks' resources, the windows and every image.
void ExitCleanUp();

// The window program's arguments (what the window system leaves of them) are files to
// open, as if dropped on the source list: the drop's text, each path made absolute against
// the folder the program was started in (start-up then moves into the bundle); names with
// a line feed are carried too (JoinedNames).
std::u16string CommandLineDropText(const std::vector<std::string>& args);

// Hands text to the main window's handler as a drop on the source list; nothing when empty.
void DropOnSourceList(const std::u16string& text);

// The whole program on an installed window system, the files of `args` dropped on the
// list once it is up; the exit status.
int RunApplication(std::unique_ptr<gui::WindowSystem> window_system, const std::vector<std::string>& args = {});

}  // namespace zen
