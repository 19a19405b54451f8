#include "app/field_rules.h"

#include <algorithm>
#include <string>

#include "app/app_state.h"
#include "app/main_fields.h"
#include "platform/gui/main_controls.h"
#include "platform/text.h"

namespace zen {
namespace {

using gui::Gui;

// A name box whose text its rule refuses shows the rule's message and gets back the last
// usable name it held.
void CheckNameBox(gui::ControlId box, const std::u16string& last_usable) {
  if (NameBoxUsable(box)) return;
  const NameRule& rule = *FindField(box)->name_rule;
  Gui().MessageBox(rule.title, rule.text, gui::MessageIcon::Stop);
  Gui().SetText(box, last_usable);
}

const MainField* RangedField(gui::ControlId control) {
  const MainField* field = FindField(control);
  return field && field->range.Given() ? field : nullptr;
}

}  // namespace

bool IsValidName(std::u16string_view text) {
  if (text.empty() || text == u"." || text == u"..") return false;
  return std::none_of(text.begin(), text.end(), [](char16_t c) { return c == u'/' || c < 0x20; });
}

bool NameBoxUsable(gui::ControlId box) {
  const MainField* field = FindField(box);
  if (!field || !field->name_rule) return true;
  const std::u16string text = Gui().Text(box);
  return (text.empty() && field->name_rule->empty_allowed) || IsValidName(text);
}

bool NameBoxesUsableForStart() {
  for (const MainField& field : MainFields()) {
    if (!field.name_rule || NameBoxUsable(field.id)) continue;
    Gui().MessageBox(field.name_rule->title, field.name_rule->text, gui::MessageIcon::Stop);
    return false;
  }
  return true;
}

void ClampMinimum(gui::ControlId field, int64_t minimum) {
  if (TextToInt(Gui().Text(field)) < minimum) Gui().SetText(field, IntToText(minimum));
}

void ClampMaximum(gui::ControlId field, int64_t maximum) {
  if (TextToInt(Gui().Text(field)) > maximum) Gui().SetText(field, IntToText(maximum));
}

std::u16string WithinRange(std::u16string text, FieldRange range) {
  const int64_t value = TextToInt(text);
  if (value < range.low) return IntToText(range.low);
  if (value > range.high) return IntToText(range.high);
  return text;
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
  if (control == gui::CtlFolderBox) {
    CheckNameBox(control, App().last_valid_folder_name);
  } else if (control == gui::CtlPrefixBox) {
    CheckNameBox(control, App().last_valid_prefix);
  } else if (const MainField* field = RangedField(control)) {
    ClampMinimum(control, field->range.low);
  }
}

void OnChanged(gui::ControlId control) {
  // The digits field keeps any value it is given; only its label follows it.
  if (control == gui::CtlDigitsField) {
    RefreshDigitsLabel();
  } else if (const MainField* field = RangedField(control)) {
    ClampMaximum(control, field->range.high);
  }
}

void RefreshDigitsLabel() {
  // A hand-edited settings file may hold more than the field's range; the label must not
  // grow to millions of zeros.
  const int64_t most = FindField(gui::CtlDigitsField)->range.high;
  const int64_t n = std::min(TextToInt(Gui().Text(gui::CtlDigitsField)), most);
  std::u16string sample = u"1";
  if (n >= 2) sample.insert(0, static_cast<size_t>(n - 1), u'0');
  Gui().SetText(gui::CtlDigitsLabel, u"파일명 자릿수 (" + sample + u") :");
}

}  // namespace zen
