#include "engine3d/loader/engine_loader.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace zen {
namespace {

// The loader's error as one line on standard output (the program's only output).
void WriteLoaderError() {
  const char* error = dlerror();
  std::string line = error ? error : "engine3d: cannot load the library";
  std::replace(line.begin(), line.end(), '\n', ' ');
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

bool ResolveScreenEntries(void* lib, EngineScreenEntries& s) {
  return ResolveEngineEntry(lib, "EngineInit", s.init) && ResolveEngineEntry(lib, "EngineShutdown", s.shutdown) &&
         ResolveEngineEntry(lib, "EngineSetPresentCallback", s.set_present_callback) &&
         ResolveEngineEntry(lib, "EngineSetAntialiasing", s.set_antialiasing) &&
         ResolveEngineEntry(lib, "EngineOpenWindowScreen", s.open_window_screen) &&
         ResolveEngineEntry(lib, "EngineRenderFrame", s.render_frame) &&
         ResolveEngineEntry(lib, "EngineShowFrame", s.show_frame) &&
         ResolveEngineEntry(lib, "EngineFramePixels", s.frame_pixels);
}

bool ResolveCameras(void* lib, EngineEntries& e) {
  EngineCameraEntries& c = e.cameras;
  return ResolveEngineEntry(lib, "EngineCreateCamera", c.create) &&
         ResolveEngineEntry(lib, "EngineCameraFieldOfView", c.field_of_view) &&
         ResolveEngineEntry(lib, "EngineCameraBackground", c.background) &&
         ResolveEngineEntry(lib, "EngineMoveCamera", c.move) &&
         ResolveEngineEntry(lib, "EngineCameraLookAt", c.look_at) &&
         ResolveEngineEntry(lib, "EngineCameraHeight", c.height);
}

bool ResolveResources(void* lib, EngineEntries& e) {
  return ResolveEngineEntry(lib, "EngineAddResourceFolder", e.resources.add_folder);
}

bool ResolveMeshes(void* lib, EngineEntries& e) { return ResolveEngineEntry(lib, "EngineLoadMesh", e.meshes.load); }

bool ResolveTextures(void* lib, EngineEntries& e) {
  EngineTextureEntries& t = e.textures;
  return ResolveEngineEntry(lib, "EngineLoadTexture", t.load) &&
         ResolveEngineEntry(lib, "EngineCreateTexture", t.create) &&
         ResolveEngineEntry(lib, "EngineDrawIntoTexture", t.draw_into);
}

bool ResolveMaterials(void* lib, EngineEntries& e) {
  EngineMaterialEntries& m = e.materials;
  return ResolveEngineEntry(lib, "EngineCreateMaterial", m.create) &&
         ResolveEngineEntry(lib, "EngineMaterialFiltering", m.filtering) &&
         ResolveEngineEntry(lib, "EngineMaterialUnlit", m.unlit) &&
         ResolveEngineEntry(lib, "EngineAddMaterialLayer", m.add_layer) &&
         ResolveEngineEntry(lib, "EngineMaterialAttribute", m.attribute);
}

bool ResolveEntities(void* lib, EngineEntries& e) {
  EngineEntityEntries& n = e.entities;
  return ResolveEngineEntry(lib, "EngineCreateEntity", n.create) &&
         ResolveEngineEntry(lib, "EngineAttachEntity", n.attach) && ResolveEngineEntry(lib, "EngineEntityYaw", n.yaw) &&
         ResolveEngineEntry(lib, "EngineRotateEntity", n.rotate);
}

void PresentToSink(void* /*user*/, intptr_t window, int32_t x, int32_t y, int32_t width, int32_t height,
                   const uint8_t* rgba) {
  const EngineFrameSink& sink = EngineLoader().frame_sink;
  if (sink) sink(EngineFrame{window, x, y, width, height, rgba});
}

void CloseLibrary(EngineLoaderState& state) {
  if (state.library) dlclose(state.library);
  state.library = nullptr;
  state.entries = EngineEntries{};
}

// Steps 2 to 4 on an opened library; false (library still open) on failure.
bool InitialiseLibrary(EngineLoaderState& state) {
  EngineEntries& e = state.entries;
  if (!ResolveEngineEntry(state.library, "EngineInterfaceVersion", e.screen.interface_version) ||
      e.screen.interface_version() != kEngineInterfaceVersion) {
    return false;
  }
  if (!ResolveScreenEntries(state.library, e.screen) || e.screen.init() == 0) return false;
  e.screen.set_present_callback(PresentToSink, nullptr);
  for (EngineModuleInitialiser module : state.modules) {
    if (!module(state.library, e)) {
      e.screen.shutdown();  // a missing entry would crash later: refuse the library now
      return false;
    }
  }
  return true;
}

}  // namespace

void* EngineSymbol(void* library, const char* name) { return library ? dlsym(library, name) : nullptr; }

EngineLoaderState& EngineLoader() {
  static EngineLoaderState state;
  return state;
}

void ResetEngineLoader() {
  UnloadEngine();
  EngineLoader() = EngineLoaderState{};
}

void RegisterEngineModule(EngineModuleInitialiser initialiser) {
  auto& modules = EngineLoader().modules;
  if (std::find(modules.begin(), modules.end(), initialiser) == modules.end()) modules.push_back(initialiser);
}

void RegisterEngineModules() {
  for (EngineModuleInitialiser m :
       {ResolveCameras, ResolveResources, ResolveMeshes, ResolveTextures, ResolveMaterials, ResolveEntities}) {
    RegisterEngineModule(m);
  }
}

bool LoadEngine() {
  EngineLoaderState& state = EngineLoader();
  if (state.library) return true;
  state.library = dlopen(state.library_name.c_str(), RTLD_LAZY | RTLD_GLOBAL);
  if (!state.library) {
    WriteLoaderError();
    return false;
  }
  if (!InitialiseLibrary(state)) {
    CloseLibrary(state);
    return false;
  }
  return true;
}

bool EngineLoaded() { return EngineLoader().library != nullptr; }

const EngineEntries& Engine() { return EngineLoader().entries; }

void SetEngineFrameSink(EngineFrameSink sink) { EngineLoader().frame_sink = std::move(sink); }

void UnloadEngine() {
  EngineLoaderState& state = EngineLoader();
  if (state.library && state.entries.screen.shutdown) state.entries.screen.shutdown();
  CloseLibrary(state);
}

}  // namespace zen
