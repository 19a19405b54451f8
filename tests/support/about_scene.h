#pragma once
// The About window's scene on a screen of the tests' own size, for the tests and the
// benchmark (which have no window); the model is the program's own.
#include <cstdint>
#include <string>

#include "engine3d/loader/engine_loader.h"

namespace zen::testing {

struct AboutSceneOptions {
  uint32_t window_colour = 0xECECEC;  // packed red | green << 8 | blue << 16
  int32_t width = 360;                // frame pixels
  int32_t height = 320;
  int32_t antialiasing = 1;
  std::string resource_folder;  // the folder holding the model files
};

// The committed model in the source tree.
std::string PackageFolder();
// Opens the screen and builds the scene; false when the screen cannot be opened.
bool SetUpAboutScene(const EngineEntries& e, const AboutSceneOptions& options);
// Fills a drawing target as FillRect does over the whole target, then stops drawing.
void FillWholeTarget(ZenDrawingTarget* target, uint32_t colour);

}  // namespace zen::testing
