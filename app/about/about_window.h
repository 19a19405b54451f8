#pragma once
// The About window: version text, the update button, the close button and the turning
// 3D model of the package drawn by the engine library (engine3d/loader/engine_loader.h).
#include <string>
#include <string_view>

#include "imaging/image_table.h"
#include "platform/gui/window_system.h"

namespace zen {

struct AboutWindowState {
  bool built = false;  // the window exists (hidden or shown)
  bool scene = false;  // the 3D scene was set up
  Colour window_colour = 0xFFFFFFFFu;
};

AboutWindowState& AboutWindowRecord();
void ResetAboutWindow();  // tests: as before the first "정보" (the engine stays as it is)

// The version written with ten decimals, then trailing zeros and a trailing point dropped;
// a decimal comma becomes ".". 2.09 gives "2.09".
std::u16string AboutVersionText(double version);
// base + "/checkupdate.php?ver=" + version text, percent-encoded, then "&mac=1".
std::u16string UpdateAddress(std::u16string_view base, double version);
// Every UTF-8 byte outside letters, digits and !#$&'()*,-./:;=?@_~ becomes %XX.
std::string PercentEncode(std::u16string_view text);

void ShowAboutWindow();
void HandleAboutEvent(const gui::Event& event);
void AboutAnimationStep();

// Sets up the scene on the built window; false when the engine or its screen failed.
bool SetUpAboutScene(Colour window_colour, double backing_scale);
// The window colour as the window system paints it, read back through a 1 x 1 image.
Colour TakeWindowColour();

}  // namespace zen
