#include "app/field_rules.h"

#include <algorithm>
#include <string>

#include "app/app_state.h"
#include "platform/gui/main_controls.h"
#include "platform/text.h"

namespace zen {
namespace {

using gui::Gui;

constexpr int64_t MaximumHeight = 32000;
constexpr int64_t MaximumQuality = 10;
// The digits field holds at most two characters; a larger value can only come from a
// hand-edited settings file and must not build a label of millions of zeros.
constexpr int64_t MaximumDigits = 99;

constexpr std::u16string_view FolderTitle = u"사용할 수 없는 폴더 이름";
constexpr std::u16string_view FolderText = u"폴더에 사용할 수 없는 문자가 포함되었습니다.";
constexpr std::u16string_view FileTitle = u"사용할 수 없는 파일 이름";
constexpr std::u16string_view FileText = u"파일에 사용할 수 없는 문자가 포함되었습니다.";

void CheckFolderBox() {
  if (IsValidName(Gui().Text(gui::CtlFolderBox))) return;
  Gui().MessageBox(FolderTitle, FolderText, gui::MessageIcon::Stop);
  Gui().SetText(gui::CtlFolderBox, App().last_valid_folder_name);
}

void CheckPrefixBox() {
  const std::u16string text = Gui().Text(gui::CtlPrefixBox);
  if (text.empty() || IsValidName(text)) return;  // an empty prefix is allowed
  Gui().MessageBox(FileTitle, FileText, gui::MessageIcon::Stop);
  Gui().SetText(gui::CtlPrefixBox, App().last_valid_prefix);
}

}  // namespace

bool IsValidName(std::u16string_view text) {
  if (text.empty() || text == u"." || text == u"..") return false;
  return std::none_of(text.begin(), text.end(), [](char16_t c) { return c == u'/' || c < 0x20; });
}

void ClampMinimum(gui::ControlId field, int64_t minimum) {
  if (TextToInt(Gui().Text(field)) < minimum) Gui().SetText(field, IntToText(minimum));
}

void ClampMaximum(gui::ControlId field, int64_t maximum) {
  if (TextToInt(Gui().Text(field)) > maximum) Gui().SetText(field, IntToText(maximum));
}

void OnFocusGained(gui::ControlId control) {
  if (control == gui::CtlFolderBox) {
    std::u16string text = Gui().Text(control);
    if (IsValidName(text)) App().last_valid_folder_name = std::move(text);
  } else if (control == gui::CtlPrefixBox) {
    std::u16string text = Gui().Text(control);
    if (IsValidName(text)) App().last_valid_prefix = std::move(text);
  }
}

void OnFocusLost(gui::ControlId control) {
  switch (control) {
    case gui::CtlHeightField: ClampMinimum(control, 1); break;
    case gui::CtlMinimumField: ClampMinimum(control, 10); break;
    case gui::CtlMaximumField: ClampMinimum(control, 100); break;
    case gui::CtlWidthField: ClampMinimum(control, 1); break;
    case gui::CtlQualityField: ClampMinimum(control, 0); break;
    case gui::CtlDigitsField: ClampMinimum(control, 1); break;
    case gui::CtlFolderBox: CheckFolderBox(); break;
    case gui::CtlPrefixBox: CheckPrefixBox(); break;
    default: break;
  }
}

void OnChanged(gui::ControlId control) {
  switch (control) {
    case gui::CtlHeightField:
    case gui::CtlMinimumField:
    case gui::CtlMaximumField:
    case gui::CtlWidthField: ClampMaximum(control, MaximumHeight); break;
    case gui::CtlQualityField: ClampMaximum(control, MaximumQuality); break;
    case gui::CtlDigitsField: RefreshDigitsLabel(); break;
    default: break;
  }
}

void RefreshDigitsLabel() {
  const int64_t n = std::min(TextToInt(Gui().Text(gui::CtlDigitsField)), MaximumDigits);
  std::u16string sample = u"1";
  if (n >= 2) sample.insert(0, static_cast<size_t>(n - 1), u'0');
  Gui().SetText(gui::CtlDigitsLabel, u"파일명 자릿수 (" + sample + u") :");
}

}  // namespace zen
