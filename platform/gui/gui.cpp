#include <cstdio>
#include <cstdlib>

#include "platform/gui/window_system.h"

namespace zen::gui {
namespace {

std::unique_ptr<WindowSystem>& InstalledGui() {
  static std::unique_ptr<WindowSystem> gui;
  return gui;
}

}  // namespace

WindowSystem& Gui() {
  auto& gui = InstalledGui();
  if (!gui) {
    // A programmer's mistake: every program installs its window system at start-up.
    std::fputs("zen::gui::Gui() called before InstallGui()\n", stderr);
    std::abort();
  }
  return *gui;
}

void InstallGui(std::unique_ptr<WindowSystem> gui) {
  // Release the old one first: a Qt implementation must be gone before another is built.
  InstalledGui().reset();
  InstalledGui() = std::move(gui);
}

bool GuiInstalled() { return InstalledGui() != nullptr; }

}  // namespace zen::gui
