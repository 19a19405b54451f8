#pragma once
// Builds the main window on a fresh headless window system, with every hook empty.
#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/event_loop.h"
#include "app/field_rules.h"
#include "app/loop_hooks.h"
#include "app/main_window.h"
#include "imaging/image_table.h"
#include "platform/gui/headless/headless_gui.h"
#include "platform/gui/main_controls.h"
#include "tests/support/shell_records.h"

namespace zen::test {

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProcessRecords();
    gui = InstallHeadlessGui();
    BuildMainWindow();
    RefreshDigitsLabel();
  }
  void TearDown() override {
    gui::InstallGui(nullptr);
    ResetProcessRecords();
  }

  // Runs turns until every queued event has been taken.
  void Drain() {
    int guard = 0;
    while (gui->PendingEvents() > 0 && ++guard < 10000) RunTurn();
  }

  std::u16string Text(gui::ControlId id) { return gui->Text(id); }

  gui::HeadlessGui* gui = nullptr;
};

}  // namespace zen::test
