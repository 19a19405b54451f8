#pragma once
// The main window: every control at its place with its label, items, initial
// state and font, and the nine pictures in image slots 0-8.
namespace zen {

// Loads the two fonts (FontLarge: system 14 bold; FontNormal: system 13).
void LoadMainFonts();
// Loads the pictures from res/ (relative to the working folder) into slots 0-8 and scales
// them by App().image_scale. A missing file leaves its slot empty.
void LoadMainPictures();
// Creates the window and its controls, in the order of the field table (main_fields.h), and
// shows it.
void BuildMainWindow();

}  // namespace zen
