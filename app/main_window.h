#pragma once
// The main window: every control at its place with its label, items, initial
// state and font, and the nine pictures in image slots 0-8.
#include <vector>

#include "platform/gui/window_system.h"

namespace zen {

// Loads the two fonts (FontLarge: system 14 bold; FontNormal: system 13).
void LoadMainFonts();
// Loads the pictures from res/ (relative to the working folder) into slots 0-8 and scales
// them by App().image_scale. A missing file leaves its slot empty.
void LoadMainPictures();
// Creates the window and its controls, in the order of the field table (main_fields.h), and
// shows it, with the tooltips, shortcuts and tab order of the table.
void BuildMainWindow();
// The controls Tab visits, in order: a frame's controls together, top to bottom and left to
// right.
std::vector<gui::ControlId> MainTabOrder();

}  // namespace zen
