#pragma once
// A window system that lives in memory: control values, list rows and windows are plain
// records; events come from a script; dialogs answer from a queue; message boxes are
// recorded. Tests and the batch slicer install it with
//   auto owned = std::make_unique<zen::gui::HeadlessGui>();
//   zen::gui::HeadlessGui* gui = owned.get();
//   zen::gui::InstallGui(std::move(owned));
//
// The scripting calls behave like a user at the keyboard and mouse: Type and Edit honour
// the digits-only and maximum-length rules of digit entries and queue a Changed event per
// accepted edit; Focus moves the focus (FocusLost for the old control, then FocusGained);
// Press toggles check boxes and selects options before queuing Pressed. Setting values
// through the WindowSystem calls (SetText, SetState, ...) never queues an event, exactly as
// with the real toolkit.
#include <deque>
#include <functional>
#include <map>
#include <optional>

#include "platform/gui/window_system.h"

namespace zen::gui {

struct MessageRecord {
  std::u16string title;
  std::u16string text;
  MessageIcon icon = MessageIcon::Plain;
  WindowId active_window = NoWindow;  // the window that was active when it appeared
};

struct DialogRecord {
  std::u16string title;
  std::u16string filter;
  bool multiple = false;
};

struct FontRecord {
  int points = 0;
  bool bold = false;
};

struct HeadlessRow {
  std::u16string cells[3];
  std::u16string tip;
  const NativeImage* icon = nullptr;
  bool selected = false;
};

struct HeadlessControl {
  WindowId window = NoWindow;
  ControlKind kind = ControlKind::Text;
  Rect geometry;
  std::u16string label;  // the text for labels, entries and combo boxes
  ControlOptions options;
  int state = 0;
  std::vector<std::u16string> items;
  const NativeImage* image = nullptr;
  std::vector<ListColumn> columns;
  std::vector<HeadlessRow> rows;
  std::u16string tip;
  StripContent strip;  // cut strips: the lines as set, or as a script left them
};

struct ShortcutRecord {
  std::u16string keys;
  ControlId control = NoControl;
  ControlId scope = NoControl;
};

struct HeadlessWindow {
  int width = 0;
  int height = 0;
  std::u16string title;
  WindowId parent = NoWindow;
  bool can_minimise = false;
  bool visible = false;
  bool enabled = true;
  bool shown_once = false;
  int frame_x = 0;
  int frame_y = 0;
};

struct PresentedFrame {
  WindowId window = NoWindow;
  Rect area;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
};

class HeadlessGui final : public WindowSystem {
 public:
  // The pretend screen on which windows are centred.
  static constexpr int ScreenWidth = 1440;
  static constexpr int ScreenHeight = 900;
  static constexpr int TitleBarHeight = 22;

  // --- WindowSystem ----------------------------------------------------------------
  bool OpenWindow(WindowId id, int content_width, int content_height, std::u16string_view title, WindowId parent,
                  bool can_minimise) override;
  void ShowWindow(WindowId id, bool visible) override;
  void EnableWindow(WindowId id, bool enabled) override;
  bool WindowEnabled(WindowId id) override;
  void SetContentSize(WindowId id, int width, int height) override;
  Rect ContentSize(WindowId id) override;
  Rect WindowFrame(WindowId id) override;
  void CloseAll() override;
  bool LoadFont(int font, int points, bool bold) override;
  bool CreateControl(WindowId window, ControlId id, ControlKind kind, Rect geometry, std::u16string_view label,
                     const ControlOptions& options) override;
  void SetText(ControlId id, std::u16string_view text) override;
  std::u16string Text(ControlId id) override;
  void SetState(ControlId id, int state) override;
  int State(ControlId id) override;
  void AddItem(ControlId id, std::u16string_view item) override;
  void SetImage(ControlId id, const NativeImage* image) override;
  void SetStrip(ControlId id, const StripContent& content) override;
  std::vector<StripLine> StripLines(ControlId id) override;
  void SetColumns(ControlId list, const std::vector<ListColumn>& columns) override;
  int RowCount(ControlId list) override;
  void InsertRow(ControlId list, int index, std::u16string_view c0, std::u16string_view c1,
                 std::u16string_view c2) override;
  void RemoveRow(ControlId list, int index) override;
  void ClearRows(ControlId list) override;
  std::u16string CellText(ControlId list, int row, int column) override;
  void SetCellText(ControlId list, int row, int column, std::u16string_view text) override;
  void SetRowIcon(ControlId list, int row, const NativeImage* icon) override;
  bool RowSelected(ControlId list, int row) override;
  void SelectRow(ControlId list, int row) override;
  void ClearSelection(ControlId list) override;
  void SetToolTip(ControlId id, std::u16string_view text) override;
  void SetRowToolTip(ControlId list, int row, std::u16string_view text) override;
  void AddShortcut(ControlId control, std::u16string_view keys, ControlId scope) override;
  void SetTabOrder(const std::vector<ControlId>& order) override { tab_order_ = order; }
  // Counts the call and runs the test's watcher, which sees the controls as painted.
  void PaintNow() override;
  void MessageBox(std::u16string_view title, std::u16string_view text, MessageIcon icon) override;
  std::vector<std::u16string> OpenFilesDialog(std::u16string_view title, std::u16string_view filter,
                                              bool multiple) override;
  // With an empty queue WaitEvent cannot block (nothing would ever arrive): it returns
  // false, like PollEvent, and counts the call.
  bool WaitEvent(Event& event) override;
  bool PollEvent(Event& event) override;
  double BackingScaleFactor() override { return backing_scale_; }
  int PointerY() override { return pointer_y_; }
  int64_t WindowBackgroundColour() override { return 0xECECEC; }
  void PresentFrame(WindowId window, Rect area, const uint8_t* rgba, int width, int height) override;

  // --- scripting: what a user does -------------------------------------------------
  void PushEvent(const Event& event);
  // Types the characters one by one at the end of the text. Digit entries refuse a
  // character that would break their rules; each accepted character queues Changed.
  // Returns the number of characters accepted.
  int Type(ControlId id, std::u16string_view text);
  // Replaces the whole text in one edit (select all, then paste or type over it). A digit
  // entry refuses text that breaks its rules. Queues Changed when accepted.
  bool Edit(ControlId id, std::u16string_view text);
  bool Clear(ControlId id) { return Edit(id, u""); }
  // Picks an item of a combo box's list: text and selected index change; queues Changed.
  bool ChooseItem(ControlId id, int index);
  // Moves the keyboard focus: FocusLost for the control that had it, then FocusGained.
  void Focus(ControlId id);
  // Takes the focus away from the control that has it (a click on empty space).
  void Blur();
  // Clicks a control: check boxes toggle, options become selected, then Pressed.
  void Press(ControlId id);
  // Drops files on a control that accepts them (lists): a Drop event with the text.
  bool Drop(ControlId id, std::u16string_view paths_separated_by_line_feeds);
  // The close box of a window.
  void Close(WindowId id);
  // Keys pressed in the active window: "Esc" gives Cancel (when the window is enabled),
  // other keys press the control of a matching shortcut. False when nothing answered.
  bool PressKeys(std::u16string_view keys);
  void OnPaint(std::function<void()> watcher) { on_paint_ = std::move(watcher); }
  // The answer of the next open dialog; without one queued the dialog is cancelled.
  void QueueDialogAnswer(std::vector<std::u16string> paths);
  void SetBackingScaleFactor(double factor) { backing_scale_ = factor; }
  void SetPointerY(int y) { pointer_y_ = y; }

  // --- inspection ------------------------------------------------------------------
  const std::vector<MessageRecord>& MessageBoxes() const { return message_boxes_; }
  void ClearMessageBoxes() { message_boxes_.clear(); }
  const std::vector<DialogRecord>& Dialogs() const { return dialogs_; }
  const std::vector<PresentedFrame>& Frames() const { return frames_; }
  size_t PendingEvents() const { return queue_.size(); }
  int WaitCalls() const { return wait_calls_; }
  int PollCalls() const { return poll_calls_; }
  ControlId FocusedControl() const { return focused_; }
  const std::vector<ShortcutRecord>& Shortcuts() const { return shortcuts_; }
  const std::vector<ControlId>& TabOrder() const { return tab_order_; }
  int PaintCalls() const { return paint_calls_; }
  WindowId ActiveWindow() const { return active_window_; }
  // nullptr when there is no such control or window.
  const HeadlessControl* Control(ControlId id) const;
  const HeadlessWindow* Window(WindowId id) const;
  std::optional<FontRecord> Font(int font) const;
  // Control numbers of a window in the order of creation.
  std::vector<ControlId> ControlsOf(WindowId window) const;
  const NativeImage* RowIcon(ControlId list, int row) const;

 private:
  HeadlessControl* Find(ControlId id);
  HeadlessRow* FindRow(ControlId list, int row);
  void PushControlEvent(ControlId id, EventSubtype subtype);
  bool PopEvent(Event& event);
  bool AcceptsText(const HeadlessControl& control, std::u16string_view text) const;

  std::map<WindowId, HeadlessWindow> windows_;
  std::map<ControlId, HeadlessControl> controls_;
  std::vector<ControlId> creation_order_;
  std::map<int, FontRecord> fonts_;
  std::deque<Event> queue_;
  std::deque<std::vector<std::u16string>> dialog_answers_;
  std::vector<MessageRecord> message_boxes_;
  std::vector<DialogRecord> dialogs_;
  std::vector<PresentedFrame> frames_;
  std::vector<ShortcutRecord> shortcuts_;
  std::vector<ControlId> tab_order_;
  std::function<void()> on_paint_;
  int paint_calls_ = 0;
  ControlId focused_ = NoControl;
  WindowId active_window_ = NoWindow;
  double backing_scale_ = 1.0;
  int pointer_y_ = 0;
  int wait_calls_ = 0;
  int poll_calls_ = 0;
};

}  // namespace zen::gui
