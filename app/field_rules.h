#pragma once
// The rules that keep the main window's entry fields within their ranges and its folder
// and prefix boxes valid, and the digits label. The event loop calls OnFocusGained,
// OnFocusLost and OnChanged for control events of the main window.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/main_fields.h"

#include "platform/gui/window_system.h"

namespace zen {

// Non-empty, no "/", no character below U+0020, and not "." or ".." (as folder names
// those would put the pieces into the source folder or its parent).
bool IsValidName(std::u16string_view text);

// Whether the name box (the folder or prefix box) holds a name its rule allows.
bool NameBoxUsable(gui::ControlId box);
// Both name boxes checked before a job starts (a settings file is never checked on
// loading): the first box whose name is not usable shows its message; false then.
bool NameBoxesUsableForStart();

// Set the field to the bound when its value (the field conversion; empty is 0) lies beyond.
void ClampMinimum(gui::ControlId field, int64_t minimum);
void ClampMaximum(gui::ControlId field, int64_t maximum);
// Both clamps on a text before it reaches its field: the text, or the bound it passes.
std::u16string WithinRange(std::u16string text, FieldRange range);

void OnFocusGained(gui::ControlId control);
void OnFocusLost(gui::ControlId control);
void OnChanged(gui::ControlId control);

// "파일명 자릿수 (" + a "1" with n - 1 zeros in front + ") :", n from the digits field.
void RefreshDigitsLabel();

}  // namespace zen
