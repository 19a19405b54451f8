#include "app/settings.h"

#include <sys/stat.h>

#include "app/field_rules.h"
#include "app/settings_folder.h"
#include "app/settings_keys.h"
#include "platform/gui/main_controls.h"
#include "platform/prefs.h"
#include "platform/text.h"

namespace zen {
namespace {

using namespace gui;
namespace keys = settings_keys;

bool FileExists(const std::u16string& path) {
  struct stat info {};
  return stat(ToUtf8(path).c_str(), &info) == 0;
}

void LoadIntoField(ControlId field, const keys::IntKey& key) {
  Gui().SetText(field, IntToText(PrefsReadInt(key.name, key.fallback)));
}

void LoadIntoState(ControlId control, const keys::IntKey& key) {
  Gui().SetState(control, static_cast<int>(PrefsReadInt(key.name, key.fallback)));
}

void SelectSliceType(int64_t value) {
  // Select first, then clear the other: a radio group cannot be left without a choice.
  if (value == 1) {
    Gui().SetState(CtlFixedOption, 1);
    Gui().SetState(CtlCutDetectOption, 0);
  } else {
    Gui().SetState(CtlCutDetectOption, 1);
    Gui().SetState(CtlFixedOption, 0);
  }
}

void SelectFormat(int64_t value) {
  // Only a hand-edited file holds another index; "jpg" keeps the window usable.
  Gui().SetState(CtlFormatBox, value == 1 ? 1 : 0);
}

void SaveField(ControlId field, const keys::IntKey& key) {
  PrefsWriteInt(key.name, TextToInt(Gui().Text(field)));
}

void SaveState(ControlId control, const keys::IntKey& key) {
  PrefsWriteInt(key.name, Gui().State(control) != 0 ? 1 : 0);
}

}  // namespace

std::u16string SettingsFilePath() { return SettingsFolder() + std::u16string(keys::FileName); }

void LoadSettings() { LoadSettingsFrom(SettingsFilePath()); }

void LoadSettingsFrom(const std::u16string& path) {
  if (!FileExists(path)) return;
  PrefsOpen(path);
  SelectSliceType(PrefsReadInt(keys::SliceType.name, keys::SliceType.fallback));
  LoadIntoField(CtlHeightField, keys::SliceHeight);
  LoadIntoState(CtlJoinCheck, keys::ConnectSlice);
  LoadIntoField(CtlMinimumField, keys::AutoSliceMin);
  LoadIntoField(CtlMaximumField, keys::AutoSliceMax);
  LoadIntoState(CtlResizeCheck, keys::Resize);
  LoadIntoField(CtlWidthField, keys::ResizeWidth);
  Gui().SetText(CtlFolderBox, PrefsReadText(keys::CustomDir.name, keys::CustomDir.fallback));
  LoadIntoState(CtlOpenFolderCheck, keys::FolderOpen);
  Gui().SetText(CtlPrefixBox, PrefsReadText(keys::CustomFileName.name, keys::CustomFileName.fallback));
  Gui().SetText(CtlDigitsField, PrefsReadText(keys::DigitNumber.name, keys::DigitNumber.fallback));
  RefreshDigitsLabel();
  SelectFormat(PrefsReadInt(keys::SaveExtension.name, keys::SaveExtension.fallback));
  LoadIntoField(CtlQualityField, keys::JPGQuality);
  PrefsClose();
}

void SaveSettings() {
  const std::u16string path = SettingsFilePath();
  if (FileExists(path)) {
    PrefsOpen(path);
  } else {
    PrefsCreate(path);
  }
  PrefsWriteInt(keys::SliceType.name, Gui().State(CtlFixedOption) != 0 ? 1 : 0);
  SaveField(CtlHeightField, keys::SliceHeight);
  SaveState(CtlJoinCheck, keys::ConnectSlice);
  SaveField(CtlMinimumField, keys::AutoSliceMin);
  SaveField(CtlMaximumField, keys::AutoSliceMax);
  SaveState(CtlResizeCheck, keys::Resize);
  SaveField(CtlWidthField, keys::ResizeWidth);
  PrefsWriteText(keys::CustomDir.name, Gui().Text(CtlFolderBox));
  PrefsWriteText(keys::CustomFileName.name, Gui().Text(CtlPrefixBox));
  PrefsWriteText(keys::DigitNumber.name, Gui().Text(CtlDigitsField));
  PrefsWriteInt(keys::SaveExtension.name, Gui().State(CtlFormatBox));
  SaveField(CtlQualityField, keys::JPGQuality);
  SaveState(CtlOpenFolderCheck, keys::FolderOpen);
  PrefsClose();
  Gui().MessageBox(u"알림", u"현재 설정이 저장되었습니다.", MessageIcon::Plain);
}

}  // namespace zen
