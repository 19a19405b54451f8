#include "tests/engine3d/about_scene.h"

#include <cstddef>
#include <cstring>

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

static void SetUpMaterials(const EngineEntries& e, uint32_t window_colour) {
  e.textures.load(0, "Package.png");
  e.materials.create(0, 0);
  e.materials.filtering(0, 3, 8);
  e.materials.unlit(0, 1);

  e.textures.create(1, 2, 2);
  FillWholeTarget(e.textures.draw_into(1), window_colour);
  e.materials.create(1, 1);
  e.textures.load(2, "PackagePlane.png");
  e.materials.add_layer(1, 2, 2);
  e.materials.filtering(1, 3, 8);
  e.materials.unlit(1, 1);

  e.textures.load(3, "Env.png");
  e.materials.create(2, 0);
  e.materials.filtering(2, 3, 8);
  e.materials.add_layer(2, 3, 1);
  e.materials.attribute(2, 15, 2, 1);
}

bool SetUpAboutScene(const EngineEntries& e, const AboutSceneOptions& o) {
  e.screen.set_antialiasing(o.antialiasing);
  if (!e.screen.open_window_screen(1, 0, 0, o.width, o.height, 32)) return false;
  e.cameras.create(0, 0, 0, 100, 100);
  e.cameras.field_of_view(0, 30);
  e.cameras.background(0, o.window_colour);
  e.cameras.move(0, 0, 0.25f, 0.65f, 2);
  e.cameras.look_at(0, 0, -0.025f, 0);
  e.resources.add_folder(o.resource_folder.c_str(), 0);
  e.meshes.load(0, "Package.mesh");
  e.meshes.load(1, "PackagePlane.mesh");
  e.meshes.load(2, "PackageSticker1.mesh");
  SetUpMaterials(e, o.window_colour);
  e.entities.create(0, 0, 0);
  e.entities.create(1, 1, 1);
  e.entities.create(2, 2, 2);
  e.entities.attach(0, "", 1);
  e.entities.attach(0, "", 2);
  return true;
}

}  // namespace zen::testing
