#pragma once
// Loading our 3D engine library (engine3d.so) at run time, and the table of its entry
// points by family. The library is loaded once and kept for the run.
//
// Start-up registers the module initialisers (RegisterEngineModules), long before the
// first LoadEngine; each resolves by name the entry points of one family.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine3d/engine3d.h"

namespace zen {

inline constexpr char kEngineLibraryName[] = "engine3d.so";  // found through the RUNPATH
inline constexpr int32_t kEngineInterfaceVersion = 572;

struct EngineScreenEntries {
  EngineInterfaceVersionFn interface_version = nullptr;
  EngineInitFn init = nullptr;
  EngineShutdownFn shutdown = nullptr;
  EngineSetPresentCallbackFn set_present_callback = nullptr;
  EngineSetAntialiasingFn set_antialiasing = nullptr;
  EngineOpenWindowScreenFn open_window_screen = nullptr;
  EngineRenderFrameFn render_frame = nullptr;
  EngineShowFrameFn show_frame = nullptr;
  EngineFramePixelsFn frame_pixels = nullptr;
};
struct EngineCameraEntries {
  EngineCreateCameraFn create = nullptr;
  EngineCameraFieldOfViewFn field_of_view = nullptr;
  EngineCameraBackgroundFn background = nullptr;
  EngineMoveCameraFn move = nullptr;
  EngineCameraLookAtFn look_at = nullptr;
  EngineCameraHeightFn height = nullptr;
};
struct EngineResourceEntries {
  EngineAddResourceFolderFn add_folder = nullptr;
};
struct EngineMeshEntries {
  EngineLoadMeshFn load = nullptr;
};
struct EngineTextureEntries {
  EngineLoadTextureFn load = nullptr;
  EngineCreateTextureFn create = nullptr;
  EngineDrawIntoTextureFn draw_into = nullptr;
};
struct EngineMaterialEntries {
  EngineCreateMaterialFn create = nullptr;
  EngineMaterialFilteringFn filtering = nullptr;
  EngineMaterialUnlitFn unlit = nullptr;
  EngineAddMaterialLayerFn add_layer = nullptr;
  EngineMaterialAttributeFn attribute = nullptr;
};
struct EngineEntityEntries {
  EngineCreateEntityFn create = nullptr;
  EngineAttachEntityFn attach = nullptr;
  EngineEntityYawFn yaw = nullptr;
  EngineRotateEntityFn rotate = nullptr;
};

struct EngineEntries {
  EngineScreenEntries screen;
  EngineCameraEntries cameras;
  EngineResourceEntries resources;
  EngineMeshEntries meshes;
  EngineTextureEntries textures;
  EngineMaterialEntries materials;
  EngineEntityEntries entities;
};

// The address of an exported name of the loaded library, or nullptr.
void* EngineSymbol(void* library, const char* name);
template <typename Fn>
bool ResolveEngineEntry(void* library, const char* name, Fn& entry) {
  entry = reinterpret_cast<Fn>(EngineSymbol(library, name));
  return entry != nullptr;
}

// Fills one family of entries from the library; false when a name is missing.
using EngineModuleInitialiser = bool (*)(void* library, EngineEntries& entries);

// One finished frame as the engine hands it on (see EnginePresentCallback).
struct EngineFrame {
  intptr_t window = 0;
  int32_t x = 0, y = 0, width = 0, height = 0;
  const uint8_t* rgba = nullptr;  // width x height, R, G, B, A, rows top first
};
using EngineFrameSink = std::function<void(const EngineFrame&)>;

struct EngineLoaderState {
  std::string library_name = kEngineLibraryName;  // tests name stand-ins here
  std::vector<EngineModuleInitialiser> modules;   // in registration order
  void* library = nullptr;                        // set exactly while loaded
  EngineEntries entries;
  EngineFrameSink frame_sink;
};

EngineLoaderState& EngineLoader();
// Unloads (as UnloadEngine) and forgets registrations and the sink; tests use it.
void ResetEngineLoader();

// Registers a module initialiser; a second registration of the same one is ignored.
void RegisterEngineModule(EngineModuleInitialiser initialiser);
// Registers the initialisers of every family the host uses: cameras, resources, meshes,
// textures, materials, entities.
void RegisterEngineModules();

// Loads the library by its bare file name (lazily and globally resolved), checks its
// interface version, resolves the screen-level entries, initialises it, then runs every
// registered module initialiser in order. On a loader failure the loader's error text is
// written to standard output as one line. After the first success: true at once.
bool LoadEngine();
bool EngineLoaded();
// The entries; all set once LoadEngine succeeded (families without a registered
// initialiser stay null).
const EngineEntries& Engine();
// Where frames go (the window layer's presentation); may be set before or after loading.
void SetEngineFrameSink(EngineFrameSink sink);
// Exit clean-up: the library's shutdown, then unloading.
void UnloadEngine();

}  // namespace zen
