#pragma once
// What the source-list tests need beyond the window-system interface: scripted dialog
// answers, recorded message boxes, and the row icons and columns the list was given.
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/window_system.h"
#include "tests/sources/fake_window_system.h"

namespace zen::test {

struct DialogCall {
  std::u16string title, filter;
  bool multiple = false;
};

struct MessageCall {
  std::u16string title, text;
  gui::MessageIcon icon = gui::MessageIcon::Plain;
};

class ListHarness {
 public:
  // Installs a fresh window system with the main window's list control.
  static std::unique_ptr<ListHarness> Install() {
    auto fake = std::make_unique<FakeWindowSystem>();
    auto harness = std::unique_ptr<ListHarness>(new ListHarness(fake.get()));
    gui::InstallGui(std::move(fake));
    return harness;
  }
  void AnswerDialog(std::vector<std::u16string> paths) { fake_->dialog_answers.push_back(std::move(paths)); }
  DialogCall LastDialog() const { return {fake_->dialog_title, fake_->dialog_filter, fake_->dialog_multiple}; }
  std::vector<MessageCall> Messages() const {
    std::vector<MessageCall> calls;
    for (const FakeMessage& m : fake_->messages) calls.push_back({m.title, m.text, m.icon});
    return calls;
  }
  const NativeImage* RowIcon(int row) const { return fake_->rows.at(row).icon; }
  std::vector<gui::ListColumn> Columns() const { return fake_->columns; }

 private:
  explicit ListHarness(FakeWindowSystem* fake) : fake_(fake) {}
  FakeWindowSystem* fake_;
};

}  // namespace zen::test
