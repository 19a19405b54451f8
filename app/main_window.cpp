#include "app/main_window.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <tuple>

#include "app/app_state.h"
#include "app/main_fields.h"
#include "imaging/codecs.h"
#include "imaging/resize.h"
#include "platform/gui/main_controls.h"
#include "sources/source_list.h"

namespace zen {
namespace {

using gui::Gui;

struct PictureSpec {
  int slot;
  std::u16string_view file;
  int width;  // in points, before scaling
  int height;
};

constexpr PictureSpec Pictures[] = {
    {gui::SlotBanner, u"res/bg0.png", 470, 80},
    {gui::SlotLeftStrip, u"res/bg1.png", 20, 100},
    {gui::SlotRightStrip, u"res/bg2.png", 20, 100},
    {gui::SlotToolbarFirst + 0, u"res/toolbarIcon0.png", 8, 8},
    {gui::SlotToolbarFirst + 1, u"res/toolbarIcon1.png", 8, 8},
    {gui::SlotToolbarFirst + 2, u"res/toolbarIcon2.png", 8, 8},
    {gui::SlotToolbarFirst + 3, u"res/toolbarIcon3.png", 8, 8},
    {gui::SlotToolbarFirst + 4, u"res/toolbarIcon4.png", 8, 8},
    {gui::SlotFolderIcon, u"res/tree0.png", 8, 8},
    {gui::SlotToolbarReview, u"res/toolbarIcon5.png", 8, 8},
};

// Items and first values, set right after each control is made.
void SetInitialState(const MainField& field) {
  for (std::u16string_view item : field.items) {
    if (!item.empty()) Gui().AddItem(field.id, item);
  }
  if (!field.text.empty()) Gui().SetText(field.id, field.text);
  if (field.state >= 0) Gui().SetState(field.id, field.state);
  if (field.kind == gui::ControlKind::List) SetUpSourceListColumns();
  if (field.picture >= 0) Gui().SetImage(field.id, ImageNativeObject(field.picture));
  if (!field.tip.empty()) Gui().SetToolTip(field.id, field.tip);
  for (std::u16string_view keys : field.shortcuts) {
    if (!keys.empty()) Gui().AddShortcut(field.id, keys, field.shortcut_scope);
  }
}

bool TakesKeyboardFocus(gui::ControlKind kind) {
  switch (kind) {
    case gui::ControlKind::List:
    case gui::ControlKind::Option:
    case gui::ControlKind::CheckBox:
    case gui::ControlKind::DigitsEntry:
    case gui::ControlKind::ComboEditable:
    case gui::ControlKind::ComboFixed:
    case gui::ControlKind::Button: return true;
    default: return false;
  }
}

// The frame a control stands in, or the control itself when it stands in none.
gui::Rect Container(const MainField& field) {
  const gui::Rect& r = field.geometry;
  for (const MainField& frame : MainFields()) {
    if (frame.kind != gui::ControlKind::Frame) continue;
    const gui::Rect& f = frame.geometry;
    if (r.x >= f.x && r.y >= f.y && r.x + r.width <= f.x + f.width && r.y + r.height <= f.y + f.height) return f;
  }
  return r;
}

}  // namespace

std::vector<gui::ControlId> MainTabOrder() {
  // Top to bottom and left to right, a frame's controls together: the list, the cutting
  // settings, the save location, the file name, then the buttons below.
  std::vector<const MainField*> fields;
  for (const MainField& field : MainFields()) {
    if (TakesKeyboardFocus(field.kind)) fields.push_back(&field);
  }
  auto key = [](const MainField* field) {
    const gui::Rect c = Container(*field);
    return std::tuple(c.y, c.x, field->geometry.y, field->geometry.x);
  };
  std::stable_sort(fields.begin(), fields.end(), [&](auto* a, auto* b) { return key(a) < key(b); });
  std::vector<gui::ControlId> order;
  for (const MainField* field : fields) order.push_back(field->id);
  return order;
}

void LoadMainFonts() {
  Gui().LoadFont(gui::FontLarge, 14, true);
  Gui().LoadFont(gui::FontNormal, 13, false);
}

void LoadMainPictures() {
  const double scale = App().image_scale;
  for (const PictureSpec& picture : Pictures) {
    if (ImageLoad(picture.slot, picture.file) == 0) continue;
    const auto width = static_cast<int32_t>(std::lround(picture.width * scale));
    const auto height = static_cast<int32_t>(std::lround(picture.height * scale));
    ImageResize(picture.slot, width, height, ResizeSmooth);
  }
}

void BuildMainWindow() {
  Gui().OpenWindow(gui::MainWindow, gui::MainWidth, gui::MainHeight, u"Zentrova V2", gui::NoWindow, true);
  LoadMainPictures();
  for (const MainField& field : MainFields()) {
    gui::ControlOptions options;
    options.font = field.font;
    options.max_length = field.max_length;
    options.align = field.align;
    Gui().CreateControl(gui::MainWindow, field.id, field.kind, field.geometry, field.label, options);
    SetInitialState(field);
  }
  Gui().SetTabOrder(MainTabOrder());
  Gui().ShowWindow(gui::MainWindow, true);
}

}  // namespace zen
