#pragma once
// The process-wide records the tests and benchmarks start from, and the headless window
// system they run on.
#include "platform/gui/headless/headless_gui.h"

namespace zen::test {

// The shell's state and hooks and the image table as a fresh process has them.
void ResetProcessRecords();
// A fresh headless window system, installed; valid until the next install.
gui::HeadlessGui* InstallHeadlessGui();

}  // namespace zen::test
