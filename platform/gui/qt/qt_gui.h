#pragma once
// Making the Qt window system; this header needs no Qt header, so main() stays Qt-free.
#include <memory>
#include <string>

#include "platform/gui/window_system.h"

namespace zen::gui {

// Whether the window program can open windows here. QT_QPA_PLATFORM set counts as yes
// (Qt decides); otherwise an X display that accepts a connection or a Wayland socket.
// On no, *why says what is missing.
bool DisplayAvailable(std::string* why);

// The Qt window system; creates the QApplication (argc and argv must outlive it).
std::unique_ptr<WindowSystem> CreateQtGui(int& argc, char** argv);

}  // namespace zen::gui
