#pragma once
// The main window's controls, one row each, in the order they are created: what the window
// builds, the ranges the field rules keep, the config.ini keys the settings load and save,
// and the number options of the batch command line. Each fact about a control lives here.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/gui/window_system.h"

namespace zen {

// How config.ini keeps a control's value.
enum class Stored : uint8_t {
  No,
  Number,  // the entry's text as a whole number
  Text,    // the text as it is
  State,   // the option, check or fixed choice: 1/0, or the chosen item's index
};

struct FieldRange {
  int low = 0;
  int high = 0;
  bool Given() const { return low != 0 || high != 0; }
};

// What a name box may hold (a usable file or folder name: not ".", "..", no "/" and no
// control character), and the message shown when it holds something else.
struct NameRule {
  bool empty_allowed = false;
  std::u16string_view title{};
  std::u16string_view text{};
};

struct MainField {
  gui::ControlId id = gui::NoControl;
  gui::ControlKind kind = gui::ControlKind::Text;
  gui::Rect geometry{};
  std::u16string_view label{};
  int font = -1;  // -1: none given
  int max_length = 0;
  gui::Align align = gui::Align::Left;
  int picture = -1;  // the image slot an image or image button shows
  // The initial value, also config.ini's default: the first items, the text, the state.
  std::array<std::u16string_view, 2> items{};
  std::u16string_view text{};           // empty: none set
  int state = -1;                       // -1: none set
  FieldRange range{};                   // digit fields: what the field rules and the batch options allow
  const NameRule* name_rule = nullptr;  // the folder and prefix boxes: what their names may be
  std::u16string_view key{};            // config.ini's key, empty for none
  int key_order = 0;                    // the key's place in a newly written config.ini
  Stored stored = Stored::No;
  std::string_view option{};  // the batch command line's number option ("--height")
  std::string_view help{};    // its words in the help text, before the range
  std::u16string_view tip{};  // the tooltip, empty for none
  // Keys that press the control (portable text, "Ctrl+O"); with a scope, only while the
  // keyboard focus is in that control.
  std::array<std::u16string_view, 2> shortcuts{};
  gui::ControlId shortcut_scope = gui::NoControl;
};

std::span<const MainField> MainFields();
// The row of a main-window control; null for another number.
const MainField* FindField(gui::ControlId id);

}  // namespace zen
