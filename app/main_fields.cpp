#include "app/main_fields.h"

#include "platform/gui/main_controls.h"

namespace zen {
namespace {

using namespace gui;
using Kind = ControlKind;

constexpr int Large = FontLarge;
constexpr int Normal = FontNormal;
constexpr FieldRange Heights{1, 32000};
constexpr NameRule FolderName{false, u"사용할 수 없는 폴더 이름", u"폴더에 사용할 수 없는 문자가 포함되었습니다."};
constexpr NameRule FilePrefix{true, u"사용할 수 없는 파일 이름", u"파일에 사용할 수 없는 문자가 포함되었습니다."};

// The creation order matters: later controls lie above earlier ones.
// One field per row, laid out as a table.
// clang-format off
constexpr MainField Fields[] = {
    {.id = CtlBanner, .kind = Kind::Image, .geometry = {0, 0, 470, 80}, .picture = SlotBanner},
    {.id = CtlLeftStrip, .kind = Kind::Image, .geometry = {0, 80, 10, 100}, .picture = SlotLeftStrip},
    {.id = CtlRightStrip, .kind = Kind::Image, .geometry = {460, 80, 10, 100}, .picture = SlotRightStrip},
    {.id = CtlSourceList, .kind = Kind::List, .geometry = {10, 80, 450, 200}, .font = Normal},
    {.id = CtlCuttingFrame, .kind = Kind::Frame, .geometry = {10, 310, 235, 240}, .label = u"분할 설정", .font = Large},
    {.id = CtlFolderFrame, .kind = Kind::Frame, .geometry = {260, 310, 200, 100}, .label = u"저장 경로", .font = Large},
    {.id = CtlFileFrame, .kind = Kind::Frame, .geometry = {260, 420, 200, 130}, .label = u"저장 파일", .font = Large},
    // SliceType: 1 fixed height, anything else cut detection.
    {.id = CtlFixedOption, .kind = Kind::Option, .geometry = {25, 340, 205, 20}, .label = u"일정 간격으로 자르기",
     .font = Normal, .state = 1, .key = u"SliceType", .key_order = 0, .stored = Stored::State},
    {.id = CtlCutDetectOption, .kind = Kind::Option, .geometry = {25, 440, 205, 20}, .label = u"컷 인식하여 자르기",
     .font = Normal},
    {.id = CtlMinimumLabel, .kind = Kind::Text, .geometry = {40, 472, 90, 20}, .label = u"컷 희망 크기 :", .font = Normal},
    {.id = CtlMinimumField, .kind = Kind::DigitsEntry, .geometry = {130, 470, 40, 22}, .font = Normal, .max_length = 5,
     .text = u"300", .range = {10, 32000}, .key = u"AutoSliceMin", .key_order = 3, .stored = Stored::Number,
     .option = "--min", .help = "wished minimum cut height"},
    {.id = CtlRangeLabel, .kind = Kind::Text, .geometry = {170, 472, 20, 20}, .label = u"~", .font = Normal,
     .align = Align::Centre},
    {.id = CtlMaximumField, .kind = Kind::DigitsEntry, .geometry = {190, 470, 40, 22}, .font = Normal, .max_length = 5,
     .text = u"1500", .range = {100, 32000}, .key = u"AutoSliceMax", .key_order = 4, .stored = Stored::Number,
     .option = "--max", .help = "wished maximum cut height"},
    {.id = CtlFolderBox, .kind = Kind::ComboEditable, .geometry = {335, 340, 115, 25}, .font = Normal,
     .items = {u"slice", u"[원본 폴더명]"}, .text = u"slice", .name_rule = &FolderName, .key = u"CustomDir",
     .key_order = 7, .stored = Stored::Text},
    {.id = CtlFolderLabel, .kind = Kind::Text, .geometry = {270, 342, 65, 20}, .label = u"원본 위치 /", .font = Normal},
    {.id = CtlOpenFolderCheck, .kind = Kind::CheckBox, .geometry = {270, 370, 170, 20},
     .label = u"분할 완료 후 저장 폴더 열기", .font = Normal, .state = 1, .key = u"FolderOpen", .key_order = 12,
     .stored = Stored::State},
    {.id = CtlStartButton, .kind = Kind::Button, .geometry = {210, 560, 250, 60}, .label = u"이미지 분할 시작", .font = Large,
     .tip = u"시작: Ctrl+Enter / 작업 취소: Esc", .shortcuts = {u"Ctrl+Return", u"Ctrl+Enter"}},
    {.id = CtlSaveButton, .kind = Kind::Button, .geometry = {10, 560, 190, 30}, .label = u"현재 설정 저장", .font = Normal,
     .tip = u"Ctrl+S", .shortcuts = {u"Ctrl+S"}},
    {.id = CtlAboutButton, .kind = Kind::Button, .geometry = {10, 590, 190, 30}, .label = u"정보", .font = Normal},
    {.id = CtlProgressText, .kind = Kind::Text, .geometry = {10, 630, 192, 20}, .label = u"로딩 텍스트", .font = Normal,
     .align = Align::Right},
    {.id = CtlProgressBar, .kind = Kind::ProgressBar, .geometry = {210, 630, 250, 20}, .state = 0},
    {.id = CtlPrefixBox, .kind = Kind::ComboEditable, .geometry = {270, 450, 99, 25}, .font = Normal,
     .items = {u"[원본 폴더명]", u"[원본 폴더명_]"}, .text = u"slice_", .name_rule = &FilePrefix,
     .key = u"CustomFileName", .key_order = 8,
     .stored = Stored::Text},
    {.id = CtlNumberLabel, .kind = Kind::Text, .geometry = {365, 452, 35, 20}, .label = u"숫자.", .font = Normal},
    // SaveExtension: the index of the chosen item.
    {.id = CtlFormatBox, .kind = Kind::ComboFixed, .geometry = {393, 451, 60, 25}, .font = Normal,
     .items = {u"jpg", u"png"}, .state = 0, .key = u"SaveExtension", .key_order = 10, .stored = Stored::State},
    {.id = CtlHeightLabel, .kind = Kind::Text, .geometry = {40, 372, 130, 20}, .label = u"세로 분할 크기 :", .font = Normal},
    {.id = CtlHeightField, .kind = Kind::DigitsEntry, .geometry = {170, 370, 60, 22}, .font = Normal, .max_length = 5,
     .text = u"1500", .range = Heights, .key = u"SliceHeight", .key_order = 1, .stored = Stored::Number,
     .option = "--height", .help = "piece height"},
    {.id = CtlResizeCheck, .kind = Kind::CheckBox, .geometry = {25, 510, 124, 20}, .label = u"가로 리사이즈 : ",
     .font = Normal, .state = 0, .key = u"Resize", .key_order = 5, .stored = Stored::State},
    {.id = CtlWidthField, .kind = Kind::DigitsEntry, .geometry = {150, 510, 80, 22}, .font = Normal, .max_length = 5,
     .text = u"690", .range = Heights, .key = u"ResizeWidth", .key_order = 6, .stored = Stored::Number,
     .option = "--width"},
    {.id = CtlJoinCheck, .kind = Kind::CheckBox, .geometry = {40, 400, 190, 20}, .label = u"같은 폴더 파일 이어서 자르기",
     .font = Normal, .state = 1, .key = u"ConnectSlice", .key_order = 2, .stored = Stored::State},
    {.id = CtlQualityLabel, .kind = Kind::Text, .geometry = {270, 512, 135, 20}, .label = u"JPG 품질 (0~10) :",
     .font = Normal},
    {.id = CtlQualityField, .kind = Kind::DigitsEntry, .geometry = {410, 510, 35, 22}, .font = Normal, .max_length = 2,
     .text = u"9", .range = {0, 10}, .key = u"JPGQuality", .key_order = 11, .stored = Stored::Number,
     .option = "--quality", .help = "JPEG quality"},
    {.id = CtlDigitsLabel, .kind = Kind::Text, .geometry = {270, 482, 135, 16}, .label = u"파일명 자릿수 (001) :",
     .font = Normal},
    // The one number config.ini keeps as text. Two characters at most; a larger value can
    // only come from a hand-edited settings file.
    {.id = CtlDigitsField, .kind = Kind::DigitsEntry, .geometry = {410, 480, 35, 22}, .font = Normal, .max_length = 2,
     .text = u"1", .range = {1, 99}, .key = u"DigitNumber", .key_order = 9, .stored = Stored::Text,
     .option = "--digits", .help = "digits of the piece number"},
    {.id = CtlToolbarAdd, .kind = Kind::ImageButton, .geometry = {360, 280, 20, 20}, .picture = SlotToolbarFirst + 0,
     .tip = u"파일 추가 (Ctrl+O)", .shortcuts = {u"Ctrl+O"}},
    {.id = CtlToolbarRemove, .kind = Kind::ImageButton, .geometry = {380, 280, 20, 20}, .picture = SlotToolbarFirst + 1,
     .tip = u"선택한 파일을 목록에서 빼기 (Delete)", .shortcuts = {u"Del"}, .shortcut_scope = CtlSourceList},
    {.id = CtlToolbarUp, .kind = Kind::ImageButton, .geometry = {400, 280, 20, 20}, .picture = SlotToolbarFirst + 2,
     .tip = u"선택한 파일을 위로 (Alt+↑)", .shortcuts = {u"Alt+Up"}, .shortcut_scope = CtlSourceList},
    {.id = CtlToolbarDown, .kind = Kind::ImageButton, .geometry = {420, 280, 20, 20}, .picture = SlotToolbarFirst + 3,
     .tip = u"선택한 파일을 아래로 (Alt+↓)", .shortcuts = {u"Alt+Down"}, .shortcut_scope = CtlSourceList},
    {.id = CtlToolbarClear, .kind = Kind::ImageButton, .geometry = {440, 280, 20, 20}, .picture = SlotToolbarFirst + 4,
     .tip = u"목록 비우기"},
    // Made last, so the five keep their creation order; it stands left of them.
    {.id = CtlToolbarReview, .kind = Kind::ImageButton, .geometry = {340, 280, 20, 20}, .picture = SlotToolbarReview,
     .tip = u"분할 미리보기 (Ctrl+P)", .shortcuts = {u"Ctrl+P"}},
};
// clang-format on

}  // namespace

std::span<const MainField> MainFields() { return Fields; }

const MainField* FindField(gui::ControlId id) {
  for (const MainField& field : Fields) {
    if (field.id == id) return &field;
  }
  return nullptr;
}

}  // namespace zen
