#include "app/main_window.h"

#include <cmath>
#include <string_view>

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
}

}  // namespace

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
  Gui().ShowWindow(gui::MainWindow, true);
}

}  // namespace zen
