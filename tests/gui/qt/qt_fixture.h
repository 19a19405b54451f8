#pragma once
// The real main window on the Qt window system (offscreen), with every hook empty.
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/app_state.h"
#include "app/field_rules.h"
#include "app/loop_hooks.h"
#include "app/main_window.h"
#include "imaging/image_table.h"
#include "platform/gui/main_controls.h"
#include "platform/gui/qt/qt_gui_impl.h"
#include "tests/support/shell_records.h"

namespace zen::gui {

class QtGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetProcessRecords();
    auto owned = std::make_unique<QtGui>(argc_, argv_);
    gui = owned.get();
    InstallGui(std::move(owned));
    LoadMainFonts();
    BuildMainWindow();
    RefreshDigitsLabel();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(gui->WindowWidget(MainWindow)));
    Drain();
  }
  void TearDown() override {
    InstallGui(nullptr);
    ResetHooks();
  }

  std::vector<Event> Drain() {
    std::vector<Event> events;
    Event e;
    while (gui->PollEvent(e)) events.push_back(e);
    return events;
  }

  template <typename W>
  W* Widget(ControlId id) {
    return dynamic_cast<W*>(gui->ControlWidget(id));
  }

  void TypeKey(QWidget* target, QChar ch) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QCoreApplication::sendEvent(target, &press);
  }

  // Makes the main window the active one, as a click on it would.
  void ActivateMain() {
    QWidget* window = gui->WindowWidget(MainWindow);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    Drain();
  }

  QtGui* gui = nullptr;

 private:
  static inline int argc_ = 1;
  static inline char program_name_[] = "gui_qt_tests";
  static inline char* argv_[] = {program_name_, nullptr};
};

}  // namespace zen::gui
