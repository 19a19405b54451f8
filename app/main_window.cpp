#include "app/main_window.h"

#include <cmath>
#include <initializer_list>
#include <string_view>

#include "app/app_state.h"
#include "imaging/codecs.h"
#include "imaging/resize.h"
#include "platform/gui/main_controls.h"
#if ZEN_HAVE_SOURCES
#include "sources/source_list.h"
#endif

namespace zen {
namespace {

using gui::Align;
using gui::ControlKind;
using gui::Gui;
using gui::Rect;

struct ControlSpec {
  gui::ControlId id;
  ControlKind kind;
  Rect geometry;
  std::u16string_view label;
  int font;  // -1: none given
  int max_length;
  Align align;
};

constexpr int Large = gui::FontLarge;
constexpr int Normal = gui::FontNormal;
constexpr int NoFont = -1;

// The creation order matters: later controls lie above earlier ones.
constexpr ControlSpec Controls[] = {
    {gui::CtlBanner, ControlKind::Image, {0, 0, 470, 80}, u"", NoFont, 0, Align::Left},
    {gui::CtlLeftStrip, ControlKind::Image, {0, 80, 10, 100}, u"", NoFont, 0, Align::Left},
    {gui::CtlRightStrip, ControlKind::Image, {460, 80, 10, 100}, u"", NoFont, 0, Align::Left},
    {gui::CtlSourceList, ControlKind::List, {10, 80, 450, 200}, u"", Normal, 0, Align::Left},
    {gui::CtlCuttingFrame, ControlKind::Frame, {10, 310, 235, 240}, u"분할 설정", Large, 0, Align::Left},
    {gui::CtlFolderFrame, ControlKind::Frame, {260, 310, 200, 100}, u"저장 경로", Large, 0, Align::Left},
    {gui::CtlFileFrame, ControlKind::Frame, {260, 420, 200, 130}, u"저장 파일", Large, 0, Align::Left},
    {gui::CtlFixedOption, ControlKind::Option, {25, 340, 205, 20}, u"일정 간격으로 자르기", Normal, 0, Align::Left},
    {gui::CtlCutDetectOption, ControlKind::Option, {25, 440, 205, 20}, u"컷 인식하여 자르기", Normal, 0, Align::Left},
    {gui::CtlMinimumLabel, ControlKind::Text, {40, 472, 90, 20}, u"컷 희망 크기 :", Normal, 0, Align::Left},
    {gui::CtlMinimumField, ControlKind::DigitsEntry, {130, 470, 40, 22}, u"", Normal, 5, Align::Left},
    {gui::CtlRangeLabel, ControlKind::Text, {170, 472, 20, 20}, u"~", Normal, 0, Align::Centre},
    {gui::CtlMaximumField, ControlKind::DigitsEntry, {190, 470, 40, 22}, u"", Normal, 5, Align::Left},
    {gui::CtlFolderBox, ControlKind::ComboEditable, {335, 340, 115, 25}, u"", Normal, 0, Align::Left},
    {gui::CtlFolderLabel, ControlKind::Text, {270, 342, 65, 20}, u"원본 위치 /", Normal, 0, Align::Left},
    {gui::CtlOpenFolderCheck, ControlKind::CheckBox, {270, 370, 170, 20}, u"분할 완료 후 저장 폴더 열기", Normal, 0,
     Align::Left},
    {gui::CtlStartButton, ControlKind::Button, {210, 560, 250, 60}, u"이미지 분할 시작", Large, 0, Align::Left},
    {gui::CtlSaveButton, ControlKind::Button, {10, 560, 190, 30}, u"현재 설정 저장", Normal, 0, Align::Left},
    {gui::CtlAboutButton, ControlKind::Button, {10, 590, 190, 30}, u"정보", Normal, 0, Align::Left},
    {gui::CtlProgressText, ControlKind::Text, {10, 630, 192, 20}, u"로딩 텍스트", Normal, 0, Align::Right},
    {gui::CtlProgressBar, ControlKind::ProgressBar, {210, 630, 250, 20}, u"", NoFont, 0, Align::Left},
    {gui::CtlPrefixBox, ControlKind::ComboEditable, {270, 450, 99, 25}, u"", Normal, 0, Align::Left},
    {gui::CtlNumberLabel, ControlKind::Text, {365, 452, 35, 20}, u"숫자.", Normal, 0, Align::Left},
    {gui::CtlFormatBox, ControlKind::ComboFixed, {393, 451, 60, 25}, u"", Normal, 0, Align::Left},
    {gui::CtlHeightLabel, ControlKind::Text, {40, 372, 130, 20}, u"세로 분할 크기 :", Normal, 0, Align::Left},
    {gui::CtlHeightField, ControlKind::DigitsEntry, {170, 370, 60, 22}, u"", Normal, 5, Align::Left},
    {gui::CtlResizeCheck, ControlKind::CheckBox, {25, 510, 124, 20}, u"가로 리사이즈 : ", Normal, 0, Align::Left},
    {gui::CtlWidthField, ControlKind::DigitsEntry, {150, 510, 80, 22}, u"", Normal, 5, Align::Left},
    {gui::CtlJoinCheck, ControlKind::CheckBox, {40, 400, 190, 20}, u"같은 폴더 파일 이어서 자르기", Normal, 0,
     Align::Left},
    {gui::CtlQualityLabel, ControlKind::Text, {270, 512, 135, 20}, u"JPG 품질 (0~10) :", Normal, 0, Align::Left},
    {gui::CtlQualityField, ControlKind::DigitsEntry, {410, 510, 35, 22}, u"", Normal, 2, Align::Left},
    {gui::CtlDigitsLabel, ControlKind::Text, {270, 482, 135, 16}, u"파일명 자릿수 (001) :", Normal, 0, Align::Left},
    {gui::CtlDigitsField, ControlKind::DigitsEntry, {410, 480, 35, 22}, u"", Normal, 2, Align::Left},
    {gui::CtlToolbarAdd, ControlKind::ImageButton, {360, 280, 20, 20}, u"", NoFont, 0, Align::Left},
    {gui::CtlToolbarRemove, ControlKind::ImageButton, {380, 280, 20, 20}, u"", NoFont, 0, Align::Left},
    {gui::CtlToolbarUp, ControlKind::ImageButton, {400, 280, 20, 20}, u"", NoFont, 0, Align::Left},
    {gui::CtlToolbarDown, ControlKind::ImageButton, {420, 280, 20, 20}, u"", NoFont, 0, Align::Left},
    {gui::CtlToolbarClear, ControlKind::ImageButton, {440, 280, 20, 20}, u"", NoFont, 0, Align::Left},
};

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

// The picture slot an image control or image button shows, or -1.
int PictureOf(gui::ControlId id) {
  switch (id) {
    case gui::CtlBanner: return gui::SlotBanner;
    case gui::CtlLeftStrip: return gui::SlotLeftStrip;
    case gui::CtlRightStrip: return gui::SlotRightStrip;
    default: break;
  }
  if (id >= gui::CtlToolbarAdd && id <= gui::CtlToolbarClear) return gui::SlotToolbarFirst + (id - gui::CtlToolbarAdd);
  return -1;
}

void AddItems(gui::ControlId id, std::initializer_list<std::u16string_view> items) {
  for (std::u16string_view item : items) Gui().AddItem(id, item);
}

// Items and first values, set right after each control is made.
void SetInitialState(gui::ControlId id) {
  switch (id) {
    case gui::CtlSourceList:
#if ZEN_HAVE_SOURCES
      SetUpSourceListColumns();
#else
      Gui().SetColumns(id, {{u"폴더", 100}, {u"파일", 330}, {u"전체경로", 0}});
#endif
      break;
    case gui::CtlFixedOption: Gui().SetState(id, 1); break;
    case gui::CtlMinimumField: Gui().SetText(id, u"300"); break;
    case gui::CtlMaximumField: Gui().SetText(id, u"1500"); break;
    case gui::CtlFolderBox:
      AddItems(id, {u"slice", u"[원본 폴더명]"});
      Gui().SetText(id, u"slice");
      break;
    case gui::CtlOpenFolderCheck: Gui().SetState(id, 1); break;
    case gui::CtlProgressBar: Gui().SetState(id, 0); break;
    case gui::CtlPrefixBox:
      AddItems(id, {u"[원본 폴더명]", u"[원본 폴더명_]"});
      Gui().SetText(id, u"slice_");
      break;
    case gui::CtlFormatBox:
      AddItems(id, {u"jpg", u"png"});
      Gui().SetState(id, 0);
      break;
    case gui::CtlHeightField: Gui().SetText(id, u"1500"); break;
    case gui::CtlResizeCheck: Gui().SetState(id, 0); break;
    case gui::CtlWidthField: Gui().SetText(id, u"690"); break;
    case gui::CtlJoinCheck: Gui().SetState(id, 1); break;
    case gui::CtlQualityField: Gui().SetText(id, u"9"); break;
    case gui::CtlDigitsField: Gui().SetText(id, u"1"); break;
    default: break;
  }
  const int slot = PictureOf(id);
  if (slot >= 0) Gui().SetImage(id, ImageNativeObject(slot));
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
  Gui().OpenWindow(gui::MainWindow, MainWidth, MainHeight, u"Zentrova V2", gui::NoWindow, true);
  LoadMainPictures();
  for (const ControlSpec& spec : Controls) {
    gui::ControlOptions options;
    options.font = spec.font;
    options.max_length = spec.max_length;
    options.align = spec.align;
    Gui().CreateControl(gui::MainWindow, spec.id, spec.kind, spec.geometry, spec.label, options);
    SetInitialState(spec.id);
  }
  Gui().ShowWindow(gui::MainWindow, true);
}

}  // namespace zen
