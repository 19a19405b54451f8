#include "platform/gui/headless/headless_gui.h"

#include <algorithm>

namespace zen::gui {
namespace {

bool AllDigits(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

bool IsCombo(ControlKind kind) { return kind == ControlKind::ComboEditable || kind == ControlKind::ComboFixed; }

// Entries and combo boxes report focus changes; a list takes the focus silently.
bool ReportsFocus(ControlKind kind) {
  return kind == ControlKind::DigitsEntry || kind == ControlKind::ComboEditable || kind == ControlKind::ComboFixed;
}

}  // namespace

// --- windows -------------------------------------------------------------------------

bool HeadlessGui::OpenWindow(WindowId id, int content_width, int content_height, std::u16string_view title,
                             WindowId parent, bool can_minimise) {
  if (id < 0 || content_width <= 0 || content_height <= 0) return false;
  HeadlessWindow window;
  window.width = content_width;
  window.height = content_height;
  window.title = std::u16string(title);
  window.parent = parent;
  window.can_minimise = can_minimise;
  windows_[id] = window;
  return true;
}

void HeadlessGui::ShowWindow(WindowId id, bool visible) {
  auto it = windows_.find(id);
  if (it == windows_.end()) return;
  HeadlessWindow& window = it->second;
  if (visible && !window.shown_once) {
    window.shown_once = true;
    window.frame_x = (ScreenWidth - window.width) / 2;
    window.frame_y = (ScreenHeight - window.height - TitleBarHeight) / 2;
  }
  window.visible = visible;
  if (visible)
    active_window_ = id;
  else if (active_window_ == id)
    active_window_ = window.parent;
}

void HeadlessGui::EnableWindow(WindowId id, bool enabled) {
  auto it = windows_.find(id);
  if (it != windows_.end()) it->second.enabled = enabled;
}

bool HeadlessGui::WindowEnabled(WindowId id) {
  auto it = windows_.find(id);
  return it != windows_.end() && it->second.enabled;
}

void HeadlessGui::SetContentSize(WindowId id, int width, int height) {
  auto it = windows_.find(id);
  if (it == windows_.end() || width <= 0 || height <= 0) return;
  it->second.width = width;
  it->second.height = height;
}

Rect HeadlessGui::ContentSize(WindowId id) {
  auto it = windows_.find(id);
  if (it == windows_.end()) return {};
  return {0, 0, it->second.width, it->second.height};
}

Rect HeadlessGui::WindowFrame(WindowId id) {
  auto it = windows_.find(id);
  if (it == windows_.end()) return {};
  const HeadlessWindow& w = it->second;
  return {w.frame_x, w.frame_y, w.width, w.height + TitleBarHeight};
}

void HeadlessGui::CloseAll() {
  windows_.clear();
  controls_.clear();
  creation_order_.clear();
  fonts_.clear();
  focused_ = NoControl;
  active_window_ = NoWindow;
}

bool HeadlessGui::LoadFont(int font, int points, bool bold) {
  if (points <= 0) return false;
  fonts_[font] = FontRecord{points, bold};
  return true;
}

// --- controls ------------------------------------------------------------------------

bool HeadlessGui::CreateControl(WindowId window, ControlId id, ControlKind kind, Rect geometry,
                                std::u16string_view label, const ControlOptions& options) {
  if (windows_.count(window) == 0 || id < 0) return false;
  if (controls_.count(id) != 0) {
    creation_order_.erase(std::remove(creation_order_.begin(), creation_order_.end(), id), creation_order_.end());
  }
  HeadlessControl control;
  control.window = window;
  control.kind = kind;
  control.geometry = geometry;
  control.label = std::u16string(label);
  control.options = options;
  if (IsCombo(kind)) control.state = -1;
  controls_[id] = control;
  creation_order_.push_back(id);
  return true;
}

HeadlessControl* HeadlessGui::Find(ControlId id) {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : &it->second;
}

const HeadlessControl* HeadlessGui::Control(ControlId id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : &it->second;
}

const HeadlessWindow* HeadlessGui::Window(WindowId id) const {
  auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : &it->second;
}

std::optional<FontRecord> HeadlessGui::Font(int font) const {
  auto it = fonts_.find(font);
  if (it == fonts_.end()) return std::nullopt;
  return it->second;
}

std::vector<ControlId> HeadlessGui::ControlsOf(WindowId window) const {
  std::vector<ControlId> ids;
  for (ControlId id : creation_order_) {
    if (controls_.at(id).window == window) ids.push_back(id);
  }
  return ids;
}

void HeadlessGui::SetText(ControlId id, std::u16string_view text) {
  if (HeadlessControl* c = Find(id)) c->label = std::u16string(text);
}

std::u16string HeadlessGui::Text(ControlId id) {
  HeadlessControl* c = Find(id);
  return c ? c->label : std::u16string();
}

void HeadlessGui::SetState(ControlId id, int state) {
  HeadlessControl* c = Find(id);
  if (!c) return;
  switch (c->kind) {
    case ControlKind::ComboEditable:
    case ControlKind::ComboFixed:
      // An index outside the items selects nothing, as the toolkit does.
      if (state < 0 || state >= static_cast<int>(c->items.size())) {
        c->state = -1;
        if (c->kind == ControlKind::ComboFixed) c->label.clear();
      } else {
        c->state = state;
        c->label = c->items[static_cast<size_t>(state)];
      }
      break;
    case ControlKind::ProgressBar: c->state = std::clamp(state, 0, 100); break;
    case ControlKind::Option:
      if (state != 0) {
        // The other options of the same run of consecutive options are cleared.
        auto pos = std::find(creation_order_.begin(), creation_order_.end(), id);
        for (auto it = pos; it != creation_order_.begin();) {
          --it;
          HeadlessControl& other = controls_.at(*it);
          if (other.window != c->window) continue;
          if (other.kind != ControlKind::Option) break;
          other.state = 0;
        }
        for (auto it = pos + 1; it != creation_order_.end(); ++it) {
          HeadlessControl& other = controls_.at(*it);
          if (other.window != c->window) continue;
          if (other.kind != ControlKind::Option) break;
          other.state = 0;
        }
      }
      c->state = state != 0 ? 1 : 0;
      break;
    case ControlKind::CheckBox: c->state = state != 0 ? 1 : 0; break;
    default: c->state = state; break;
  }
}

int HeadlessGui::State(ControlId id) {
  HeadlessControl* c = Find(id);
  return c ? c->state : 0;
}

void HeadlessGui::AddItem(ControlId id, std::u16string_view item) {
  HeadlessControl* c = Find(id);
  if (!c || !IsCombo(c->kind)) return;
  c->items.emplace_back(item);
  // A fixed combo box shows its first item as soon as it has one.
  if (c->kind == ControlKind::ComboFixed && c->state < 0) {
    c->state = 0;
    c->label = c->items.front();
  }
}

void HeadlessGui::SetImage(ControlId id, const NativeImage* image) {
  if (HeadlessControl* c = Find(id)) c->image = image;
}

void HeadlessGui::SetStrip(ControlId id, const StripContent& content) {
  HeadlessControl* c = Find(id);
  if (c && c->kind == ControlKind::CutStrip) c->strip = content;
}

std::vector<StripLine> HeadlessGui::StripLines(ControlId id) {
  HeadlessControl* c = Find(id);
  return c ? c->strip.lines : std::vector<StripLine>{};
}

// --- list rows -----------------------------------------------------------------------

void HeadlessGui::SetColumns(ControlId list, const std::vector<ListColumn>& columns) {
  if (HeadlessControl* c = Find(list)) c->columns = columns;
}

int HeadlessGui::RowCount(ControlId list) {
  HeadlessControl* c = Find(list);
  return c ? static_cast<int>(c->rows.size()) : 0;
}

void HeadlessGui::InsertRow(ControlId list, int index, std::u16string_view c0, std::u16string_view c1,
                            std::u16string_view c2) {
  HeadlessControl* c = Find(list);
  if (!c) return;
  HeadlessRow row;
  row.cells[0] = std::u16string(c0);
  row.cells[1] = std::u16string(c1);
  row.cells[2] = std::u16string(c2);
  const int count = static_cast<int>(c->rows.size());
  if (index < 0 || index > count) index = count;
  c->rows.insert(c->rows.begin() + index, row);
}

HeadlessRow* HeadlessGui::FindRow(ControlId list, int row) {
  HeadlessControl* c = Find(list);
  if (!c || row < 0 || row >= static_cast<int>(c->rows.size())) return nullptr;
  return &c->rows[static_cast<size_t>(row)];
}

void HeadlessGui::RemoveRow(ControlId list, int index) {
  HeadlessControl* c = Find(list);
  if (!c || index < 0 || index >= static_cast<int>(c->rows.size())) return;
  c->rows.erase(c->rows.begin() + index);
}

void HeadlessGui::ClearRows(ControlId list) {
  if (HeadlessControl* c = Find(list)) c->rows.clear();
}

std::u16string HeadlessGui::CellText(ControlId list, int row, int column) {
  HeadlessRow* r = FindRow(list, row);
  if (!r || column < 0 || column > 2) return {};
  return r->cells[column];
}

void HeadlessGui::SetCellText(ControlId list, int row, int column, std::u16string_view text) {
  HeadlessRow* r = FindRow(list, row);
  if (r && column >= 0 && column <= 2) r->cells[column] = std::u16string(text);
}

void HeadlessGui::SetRowIcon(ControlId list, int row, const NativeImage* icon) {
  if (HeadlessRow* r = FindRow(list, row)) r->icon = icon;
}

const NativeImage* HeadlessGui::RowIcon(ControlId list, int row) const {
  auto it = controls_.find(list);
  if (it == controls_.end() || row < 0 || row >= static_cast<int>(it->second.rows.size())) return nullptr;
  return it->second.rows[static_cast<size_t>(row)].icon;
}

bool HeadlessGui::RowSelected(ControlId list, int row) {
  HeadlessRow* r = FindRow(list, row);
  return r && r->selected;
}

void HeadlessGui::SelectRow(ControlId list, int row) {
  if (HeadlessRow* r = FindRow(list, row)) r->selected = true;
}

void HeadlessGui::ClearSelection(ControlId list) {
  HeadlessControl* c = Find(list);
  if (!c) return;
  for (HeadlessRow& row : c->rows) row.selected = false;
}

// --- hints, keyboard, painting --------------------------------------------------------

void HeadlessGui::SetToolTip(ControlId id, std::u16string_view text) {
  if (HeadlessControl* c = Find(id)) c->tip = std::u16string(text);
}

void HeadlessGui::SetRowToolTip(ControlId list, int row, std::u16string_view text) {
  if (HeadlessRow* r = FindRow(list, row)) r->tip = std::u16string(text);
}

void HeadlessGui::AddShortcut(ControlId control, std::u16string_view keys, ControlId scope) {
  shortcuts_.push_back({std::u16string(keys), control, scope});
}

void HeadlessGui::PaintNow() {
  ++paint_calls_;
  if (on_paint_) on_paint_();
}

// --- dialogs -------------------------------------------------------------------------

void HeadlessGui::MessageBox(std::u16string_view title, std::u16string_view text, MessageIcon icon) {
  message_boxes_.push_back({std::u16string(title), std::u16string(text), icon, active_window_});
}

std::vector<std::u16string> HeadlessGui::OpenFilesDialog(std::u16string_view title, std::u16string_view filter,
                                                         bool multiple) {
  dialogs_.push_back({std::u16string(title), std::u16string(filter), multiple});
  if (dialog_answers_.empty()) return {};
  std::vector<std::u16string> answer = std::move(dialog_answers_.front());
  dialog_answers_.pop_front();
  if (!multiple && answer.size() > 1) answer.resize(1);
  return answer;
}

void HeadlessGui::QueueDialogAnswer(std::vector<std::u16string> paths) { dialog_answers_.push_back(std::move(paths)); }

// --- events --------------------------------------------------------------------------

bool HeadlessGui::PopEvent(Event& event) {
  if (queue_.empty()) return false;
  event = std::move(queue_.front());
  queue_.pop_front();
  return true;
}

bool HeadlessGui::WaitEvent(Event& event) {
  ++wait_calls_;
  return PopEvent(event);
}

bool HeadlessGui::PollEvent(Event& event) {
  ++poll_calls_;
  return PopEvent(event);
}

void HeadlessGui::PresentFrame(WindowId window, Rect area, const uint8_t* rgba, int width, int height) {
  PresentedFrame frame;
  frame.window = window;
  frame.area = area;
  frame.width = width;
  frame.height = height;
  if (rgba && width > 0 && height > 0) {
    frame.rgba.assign(rgba, rgba + static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  }
  frames_.push_back(std::move(frame));
}

// --- scripting -----------------------------------------------------------------------

void HeadlessGui::PushEvent(const Event& event) { queue_.push_back(event); }

void HeadlessGui::PushControlEvent(ControlId id, EventSubtype subtype) {
  HeadlessControl* c = Find(id);
  if (!c) return;
  Event event;
  event.kind = EventKind::Control;
  event.window = c->window;
  event.control = id;
  event.subtype = subtype;
  queue_.push_back(event);
}

bool HeadlessGui::AcceptsText(const HeadlessControl& control, std::u16string_view text) const {
  if (control.kind == ControlKind::DigitsEntry) {
    if (!AllDigits(text)) return false;
    if (control.options.max_length > 0 && text.size() > static_cast<size_t>(control.options.max_length)) return false;
    return true;
  }
  return control.kind == ControlKind::ComboEditable;
}

int HeadlessGui::Type(ControlId id, std::u16string_view text) {
  HeadlessControl* c = Find(id);
  if (!c) return 0;
  int accepted = 0;
  for (char16_t ch : text) {
    std::u16string next = c->label + ch;
    if (!AcceptsText(*c, next)) continue;
    c->label = std::move(next);
    if (c->kind == ControlKind::ComboEditable) c->state = -1;
    ++accepted;
    PushControlEvent(id, EventSubtype::Changed);
  }
  return accepted;
}

bool HeadlessGui::Edit(ControlId id, std::u16string_view text) {
  HeadlessControl* c = Find(id);
  if (!c || !AcceptsText(*c, text)) return false;
  c->label = std::u16string(text);
  if (c->kind == ControlKind::ComboEditable) c->state = -1;
  PushControlEvent(id, EventSubtype::Changed);
  return true;
}

bool HeadlessGui::ChooseItem(ControlId id, int index) {
  HeadlessControl* c = Find(id);
  if (!c || !IsCombo(c->kind) || index < 0 || index >= static_cast<int>(c->items.size())) return false;
  c->state = index;
  c->label = c->items[static_cast<size_t>(index)];
  PushControlEvent(id, EventSubtype::Changed);
  return true;
}

void HeadlessGui::Focus(ControlId id) {
  HeadlessControl* c = Find(id);
  if (!c || !(ReportsFocus(c->kind) || c->kind == ControlKind::List) || focused_ == id) return;
  Blur();
  focused_ = id;
  if (ReportsFocus(c->kind)) PushControlEvent(id, EventSubtype::FocusGained);
}

void HeadlessGui::Blur() {
  if (focused_ == NoControl) return;
  ControlId old = focused_;
  focused_ = NoControl;
  const HeadlessControl* c = Find(old);
  if (c && ReportsFocus(c->kind)) PushControlEvent(old, EventSubtype::FocusLost);
}

void HeadlessGui::Press(ControlId id) {
  HeadlessControl* c = Find(id);
  if (!c) return;
  if (c->kind == ControlKind::CheckBox) SetState(id, c->state == 0 ? 1 : 0);
  if (c->kind == ControlKind::Option) SetState(id, 1);
  PushControlEvent(id, EventSubtype::Pressed);
}

bool HeadlessGui::Drop(ControlId id, std::u16string_view paths) {
  HeadlessControl* c = Find(id);
  if (!c || c->kind != ControlKind::List) return false;
  Event event;
  event.kind = EventKind::Drop;
  event.window = c->window;
  event.control = id;
  event.dropped = std::u16string(paths);
  queue_.push_back(std::move(event));
  return true;
}

bool HeadlessGui::PressKeys(std::u16string_view keys) {
  if (!WindowEnabled(active_window_)) return false;
  if (keys == u"Esc") {
    Event event;
    event.kind = EventKind::Cancel;
    event.window = active_window_;
    queue_.push_back(event);
    return true;
  }
  for (const ShortcutRecord& shortcut : shortcuts_) {
    const HeadlessControl* c = Find(shortcut.control);
    if (shortcut.keys != keys || !c || c->window != active_window_) continue;
    if (shortcut.scope != NoControl && shortcut.scope != focused_) continue;
    PushControlEvent(shortcut.control, EventSubtype::Pressed);
    return true;
  }
  return false;
}

void HeadlessGui::Close(WindowId id) {
  Event event;
  event.kind = EventKind::Close;
  event.window = id;
  queue_.push_back(event);
}

}  // namespace zen::gui
