#include "app/settings/settings.h"

#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "app/app_state.h"
#include "app/field_rules.h"
#include "app/main_fields.h"
#include "app/settings/settings_folder.h"
#include "platform/gui/main_controls.h"
#include "platform/prefs.h"
#include "platform/text.h"

namespace zen {
namespace {

using namespace gui;

constexpr std::u16string_view FileName = u"config.ini";

bool FileExists(const std::u16string& path) {
  struct stat info {};
  return stat(ToUtf8(path).c_str(), &info) == 0;
}

// The fields config.ini keeps, in the order a new file lists them.
std::vector<const MainField*> StoredFields() {
  std::vector<const MainField*> stored;
  for (const MainField& field : MainFields()) {
    if (field.stored != Stored::No) stored.push_back(&field);
  }
  std::sort(stored.begin(), stored.end(), [](auto* a, auto* b) { return a->key_order < b->key_order; });
  return stored;
}

// The option group's other option.
ControlId OtherOption(ControlId option) {
  for (const MainField& field : MainFields()) {
    if (field.kind == ControlKind::Option && field.id != option) return field.id;
  }
  return NoControl;
}

void LoadState(const MainField& field, int64_t value) {
  if (field.kind == ControlKind::Option) {
    // 1 chooses this option, anything else the other. Select first, then clear the other:
    // a radio group cannot be left without a choice.
    const ControlId other = OtherOption(field.id);
    Gui().SetState(value == 1 ? field.id : other, 1);
    Gui().SetState(value == 1 ? other : field.id, 0);
  } else if (field.kind == ControlKind::ComboFixed) {
    // Only a hand-edited file holds another index; the first item keeps the window usable.
    Gui().SetState(field.id, value >= 0 && value < std::ssize(field.items) ? static_cast<int>(value) : 0);
  } else {
    Gui().SetState(field.id, static_cast<int>(value));
  }
}

// A hand-edited file is held to the ranges the window's fields keep (a digit count of a
// million million would have the job build names without end), before a field's length
// limit could cut the number.
void LoadText(const MainField& field, std::u16string text) {
  Gui().SetText(field.id, field.range.Given() ? WithinRange(std::move(text), field.range) : std::move(text));
}

void LoadField(const MainField& field) {
  switch (field.stored) {
    case Stored::Number: LoadText(field, IntToText(PrefsReadInt(field.key, TextToInt(field.text)))); break;
    case Stored::Text: LoadText(field, PrefsReadText(field.key, field.text)); break;
    case Stored::State: LoadState(field, PrefsReadInt(field.key, field.state)); break;
    case Stored::No: break;
  }
}

void SaveField(const MainField& field) {
  switch (field.stored) {
    case Stored::Number: PrefsWriteInt(field.key, TextToInt(Gui().Text(field.id))); break;
    case Stored::Text: PrefsWriteText(field.key, Gui().Text(field.id)); break;
    case Stored::State:  // a fixed choice keeps its index; options and check boxes are 1 or 0
      PrefsWriteInt(field.key,
                    field.kind == ControlKind::ComboFixed ? Gui().State(field.id) : Gui().State(field.id) != 0);
      break;
    case Stored::No: break;
  }
}

}  // namespace

std::u16string SettingsFilePath() { return SettingsFolder() + std::u16string(FileName); }

void LoadSettings() { LoadSettingsFrom(SettingsFilePath()); }

void LoadSettingsFrom(const std::u16string& path) {
  if (!FileExists(path)) return;
  PrefsOpen(path);
  for (const MainField* field : StoredFields()) LoadField(*field);
  App().smart_slice = PrefsReadInt(SmartSliceKey, 0) == 1 ? 1 : 0;
  RefreshDigitsLabel();
  PrefsClose();
}

void SaveSettings() {
  const std::u16string path = SettingsFilePath();
  if (FileExists(path)) {
    PrefsOpen(path);
  } else {
    PrefsCreate(path);
  }
  for (const MainField* field : StoredFields()) SaveField(*field);
  PrefsWriteInt(SmartSliceKey, App().smart_slice);
  PrefsClose();
  Gui().MessageBox(u"알림", u"현재 설정이 저장되었습니다.", MessageIcon::Plain);
}

void SaveSmartSliceChoice() {
  const std::u16string path = SettingsFilePath();
  if (!FileExists(path)) return;
  PrefsOpen(path);
  PrefsWriteInt(SmartSliceKey, App().smart_slice);
  PrefsClose();
}

}  // namespace zen
