// The About window's model, in the order the engine expects.
#include "app/about/about_scene_model.h"

namespace zen {
namespace {

void SetUpCamera(const EngineEntries& e, Colour window_colour) {
  e.cameras.create(0, 0, 0, 100, 100);
  e.cameras.field_of_view(0, 30);
  e.cameras.background(0, window_colour);
  e.cameras.move(0, 0, 0.25f, 0.65f, 2);
  e.cameras.look_at(0, 0, -0.025f, 0);
}

void SetUpMaterials(const EngineEntries& e, Colour window_colour) {
  e.textures.load(0, "Package.png");
  e.materials.create(0, 0);
  e.materials.filtering(0, 3, 8);
  e.materials.unlit(0, 1);

  e.textures.create(1, 2, 2);
  if (DrawingStart(e.textures.draw_into(1))) {
    FillRect(0, 0, 2, 2, window_colour);
    DrawingStop();
  }
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

}  // namespace

void BuildAboutScene(const EngineEntries& e, Colour window_colour, const char* resource_folder) {
  SetUpCamera(e, window_colour);
  e.resources.add_folder(resource_folder, 0);
  e.meshes.load(0, "Package.mesh");
  e.meshes.load(1, "PackagePlane.mesh");
  e.meshes.load(2, "PackageSticker1.mesh");
  SetUpMaterials(e, window_colour);
  e.entities.create(0, 0, 0);
  e.entities.create(1, 1, 1);
  e.entities.create(2, 2, 2);
  e.entities.attach(0, "", 1);
  e.entities.attach(0, "", 2);
}

}  // namespace zen
