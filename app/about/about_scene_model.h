#pragma once
// The About window's model: camera, meshes, materials and entities, built through the
// loaded engine's entries once its screen is open. Kept apart from the window so the
// engine's tests and benchmark render exactly the program's scene.
#include "engine3d/loader/engine_loader.h"
#include "imaging/image_table.h"

namespace zen {

// resource_folder holds the model files ("res/package" in the bundle).
void BuildAboutScene(const EngineEntries& e, Colour window_colour, const char* resource_folder);

}  // namespace zen
