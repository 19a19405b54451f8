#pragma once
// Stand-in window system with just a list control, until the headless one is in the tree.
#include <deque>
#include <string>
#include <vector>

#include "platform/gui/window_system.h"

namespace zen::test {

struct FakeRow {
  std::u16string cells[3];
  const NativeImage* icon = nullptr;
  bool selected = false;
};

struct FakeMessage {
  std::u16string title, text;
  gui::MessageIcon icon;
};

class FakeWindowSystem : public gui::WindowSystem {
 public:
  std::vector<FakeRow> rows;
  std::vector<gui::ListColumn> columns;
  std::vector<FakeMessage> messages;
  std::deque<std::vector<std::u16string>> dialog_answers;
  std::u16string dialog_title, dialog_filter;
  bool dialog_multiple = false;

  bool OpenWindow(gui::WindowId, int, int, std::u16string_view, gui::WindowId, bool) override { return true; }
  void ShowWindow(gui::WindowId, bool) override {}
  void EnableWindow(gui::WindowId, bool) override {}
  bool WindowEnabled(gui::WindowId) override { return true; }
  void SetContentSize(gui::WindowId, int, int) override {}
  gui::Rect ContentSize(gui::WindowId) override { return {}; }
  gui::Rect WindowFrame(gui::WindowId) override { return {}; }
  void CloseAll() override {}
  bool LoadFont(int, int, bool) override { return true; }
  bool CreateControl(gui::WindowId, gui::ControlId, gui::ControlKind, gui::Rect, std::u16string_view,
                     const gui::ControlOptions&) override {
    return true;
  }
  void SetText(gui::ControlId, std::u16string_view) override {}
  std::u16string Text(gui::ControlId) override { return {}; }
  void SetState(gui::ControlId, int) override {}
  int State(gui::ControlId) override { return 0; }
  void AddItem(gui::ControlId, std::u16string_view) override {}
  void SetImage(gui::ControlId, const NativeImage*) override {}
  void SetColumns(gui::ControlId, const std::vector<gui::ListColumn>& c) override { columns = c; }
  int RowCount(gui::ControlId) override { return static_cast<int>(rows.size()); }
  void InsertRow(gui::ControlId, int index, std::u16string_view c0, std::u16string_view c1,
                 std::u16string_view c2) override {
    FakeRow row{{std::u16string(c0), std::u16string(c1), std::u16string(c2)}};
    if (index < 0 || index > RowCount(0)) index = RowCount(0);
    rows.insert(rows.begin() + index, row);
  }
  void RemoveRow(gui::ControlId, int index) override {
    if (index >= 0 && index < RowCount(0)) rows.erase(rows.begin() + index);
  }
  void ClearRows(gui::ControlId) override { rows.clear(); }
  std::u16string CellText(gui::ControlId, int row, int column) override {
    return Valid(row, column) ? rows[row].cells[column] : std::u16string();
  }
  void SetCellText(gui::ControlId, int row, int column, std::u16string_view text) override {
    if (Valid(row, column)) rows[row].cells[column] = text;
  }
  void SetRowIcon(gui::ControlId, int row, const NativeImage* icon) override {
    if (Valid(row, 0)) rows[row].icon = icon;
  }
  bool RowSelected(gui::ControlId, int row) override { return Valid(row, 0) && rows[row].selected; }
  void SelectRow(gui::ControlId, int row) override {
    if (Valid(row, 0)) rows[row].selected = true;
  }
  void ClearSelection(gui::ControlId) override {
    for (FakeRow& row : rows) row.selected = false;
  }
  void MessageBox(std::u16string_view title, std::u16string_view text, gui::MessageIcon icon) override {
    messages.push_back({std::u16string(title), std::u16string(text), icon});
  }
  std::vector<std::u16string> OpenFilesDialog(std::u16string_view title, std::u16string_view filter,
                                              bool multiple) override {
    dialog_title = title;
    dialog_filter = filter;
    dialog_multiple = multiple;
    if (dialog_answers.empty()) return {};
    std::vector<std::u16string> answer = dialog_answers.front();
    dialog_answers.pop_front();
    return answer;
  }
  bool WaitEvent(gui::Event&) override { return false; }
  bool PollEvent(gui::Event&) override { return false; }
  double BackingScaleFactor() override { return 1.0; }
  int PointerY() override { return 0; }
  int64_t WindowBackgroundColour() override { return -1; }
  void PresentFrame(gui::WindowId, gui::Rect, const uint8_t*, int, int) override {}

 private:
  bool Valid(int row, int column) const {
    return row >= 0 && row < static_cast<int>(rows.size()) && column >= 0 && column < 3;
  }
};

}  // namespace zen::test
