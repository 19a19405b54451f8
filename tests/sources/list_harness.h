#pragma once
// Installs the headless window system with the main window's list control, and reads back
// what the source list gave it (dialog calls, message boxes, row icons, columns).
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/headless/headless_gui.h"
#include "platform/gui/main_controls.h"
#include "tests/support/shell_records.h"

namespace zen::test {

class ListHarness {
 public:
  static std::unique_ptr<ListHarness> Install() {
    gui::HeadlessGui* headless = InstallHeadlessGui();
    headless->OpenWindow(gui::MainWindow, 470, 630, u"Zentrova V2", gui::NoWindow, true);
    headless->CreateControl(gui::MainWindow, gui::CtlSourceList, gui::ControlKind::List, {10, 10, 450, 200}, u"", {});
    return std::unique_ptr<ListHarness>(new ListHarness(headless));
  }
  ~ListHarness() { gui::InstallGui(nullptr); }

  void AnswerDialog(std::vector<std::u16string> paths) { gui_->QueueDialogAnswer(std::move(paths)); }
  gui::DialogRecord LastDialog() const {
    return gui_->Dialogs().empty() ? gui::DialogRecord{} : gui_->Dialogs().back();
  }
  const std::vector<gui::MessageRecord>& Messages() const { return gui_->MessageBoxes(); }
  const NativeImage* RowIcon(int row) const { return gui_->RowIcon(gui::CtlSourceList, row); }
  std::vector<gui::ListColumn> Columns() const { return gui_->Control(gui::CtlSourceList)->columns; }
  gui::HeadlessGui& Headless() { return *gui_; }

 private:
  explicit ListHarness(gui::HeadlessGui* headless) : gui_(headless) {}
  gui::HeadlessGui* gui_;
};

}  // namespace zen::test
