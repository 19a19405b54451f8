#include "tests/support/about_scene.h"

#include <cstddef>
#include <cstring>

#include "app/about/about_scene_model.h"

namespace zen::testing {

std::string PackageFolder() { return std::string(ZEN_TEST_DATA_DIR) + "/../../res/package"; }

void FillWholeTarget(ZenDrawingTarget* target, uint32_t colour) {
  uint8_t rgba[4] = {static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                     static_cast<uint8_t>(colour >> 16), 255};
  for (int32_t y = 0; y < target->height; ++y) {
    uint8_t* row = target->pixels + static_cast<std::ptrdiff_t>(y) * target->bytes_per_row;
    for (int32_t x = 0; x < target->width; ++x) std::memcpy(row + x * target->bytes_per_pixel, rgba, 4);
  }
  if (target->on_stop) target->on_stop(target);
}

bool SetUpAboutScene(const EngineEntries& e, const AboutSceneOptions& o) {
  e.screen.set_antialiasing(o.antialiasing);
  if (!e.screen.open_window_screen(1, 0, 0, o.width, o.height, 32)) return false;
  BuildAboutScene(e, o.window_colour, o.resource_folder.c_str());
  return true;
}

}  // namespace zen::testing
