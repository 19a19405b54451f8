// The library's exported C operations: thin wrappers over the engine's record. No
// exception leaves them; a failed allocation leaves the object empty.
#include <algorithm>
#include <bit>
#include <fstream>
#include <sstream>
#include <thread>

#include "engine3d/engine3d.h"
#include "engine3d/engine_state.h"
#include "engine3d/renderer.h"

#define ENGINE_EXPORT extern "C" __attribute__((visibility("default")))

static_assert(std::endian::native == std::endian::little, "frames are handed on as R, G, B, A bytes");

namespace zen::engine3d {
namespace {

template <typename Fn>
void Guarded(Fn&& fn) {
  try {
    fn();
  } catch (...) {
  }
}

// A file name looked up in the resource folders, in the order added, then as given.
std::string ResolveResource(const EngineState& state, const std::string& name) {
  for (const std::string& folder : state.resource_folders) {
    std::string path = folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
    if (std::ifstream(path, std::ios::binary).good()) return path;
  }
  return name;
}

std::optional<Mesh> ReadMeshFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<size_t>(in.gcount()));
    if (text.size() > kMeshMaxFileBytes) return std::nullopt;
  }
  return ParseMesh(text);
}

uint32_t Opaque(uint32_t colour) { return (colour & 0xFFFFFFu) | 0xFF000000u; }

}  // namespace
}  // namespace zen::engine3d

using namespace zen::engine3d;

ENGINE_EXPORT int32_t EngineInterfaceVersion(void) { return ENGINE_INTERFACE_VERSION; }

ENGINE_EXPORT int32_t EngineInit(void) {
  State().initialised = true;
  return 1;
}

ENGINE_EXPORT void EngineShutdown(void) { ResetState(); }

ENGINE_EXPORT void EngineSetPresentCallback(EnginePresentCallback callback, void* user) {
  State().present = callback;
  State().present_user = user;
}

ENGINE_EXPORT void EngineSetAntialiasing(int32_t mode) { State().antialiasing = mode == 1 ? 1 : 0; }

ENGINE_EXPORT int32_t EngineOpenWindowScreen(intptr_t window, int32_t x, int32_t y, int32_t width, int32_t height,
                                             int32_t depth) {
  EngineState& state = State();
  if (!state.initialised || width < 1 || height < 1 || width > kMaxScreenSide || height > kMaxScreenSide) return 0;
  if (depth != 32 && depth != 24) return 0;
  try {
    state.screen = Screen{true,
                          window,
                          x,
                          y,
                          width,
                          height,
                          std::vector<uint32_t>(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFF000000u)};
  } catch (...) {
    state.screen = Screen{};
    return 0;
  }
  state.target = RenderTarget{};
  if (!PrepareRenderTarget(state)) {
    state.screen = Screen{};
    return 0;
  }
  return 1;
}

ENGINE_EXPORT void EngineRenderFrame(void) {
  Guarded([] { RenderFrame(State()); });
}

ENGINE_EXPORT void EngineShowFrame(void) {
  EngineState& state = State();
  const Screen& s = state.screen;
  if (s.open && state.present) {
    state.present(state.present_user, s.window, s.x, s.y, s.width, s.height,
                  reinterpret_cast<const uint8_t*>(s.frame.data()));
  }
  using Clock = std::chrono::steady_clock;
  const auto interval = std::chrono::microseconds(16700);
  if (state.shown_before) {
    auto since = Clock::now() - state.last_show;
    if (since < interval) std::this_thread::sleep_for(interval - since);
  }
  state.shown_before = true;
  state.last_show = Clock::now();
}

ENGINE_EXPORT const uint8_t* EngineFramePixels(int32_t* width, int32_t* height) {
  const Screen& s = State().screen;
  if (width) *width = s.open ? s.width : 0;
  if (height) *height = s.open ? s.height : 0;
  return s.open ? reinterpret_cast<const uint8_t*>(s.frame.data()) : nullptr;
}

// ---- cameras ----

ENGINE_EXPORT void EngineCreateCamera(int32_t camera, float left, float top, float width, float height) {
  if (!ValidNumber(camera)) return;
  Guarded([&] {
    Camera c;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    State().cameras[camera] = c;
  });
}

ENGINE_EXPORT void EngineCameraFieldOfView(int32_t camera, float degrees) {
  if (Camera* c = Find(State().cameras, camera)) c->fov_degrees = std::clamp(degrees, 1.0f, 170.0f);
}

ENGINE_EXPORT void EngineCameraBackground(int32_t camera, uint32_t colour) {
  if (Camera* c = Find(State().cameras, camera)) c->background = Opaque(colour);
}

ENGINE_EXPORT void EngineMoveCamera(int32_t camera, float x, float y, float z, int32_t mode) {
  Camera* c = Find(State().cameras, camera);
  if (!c) return;
  if (mode == ENGINE_MOVE_ABSOLUTE) c->position = {x, y, z};
  if (mode == ENGINE_MOVE_OFFSET) c->position = c->position + Vec3{x, y, z};
}

ENGINE_EXPORT void EngineCameraLookAt(int32_t camera, float x, float y, float z) {
  Camera* c = Find(State().cameras, camera);
  if (!c) return;
  Vec3 to = Vec3{x, y, z} - c->position;
  if (Length(to) < 1e-9f) return;
  c->forward = Normalised(to, c->forward);
  c->right = Normalised(Cross(c->forward, {0, 1, 0}), {1, 0, 0});  // straight up or down: keep x as right
  c->up = Cross(c->right, c->forward);
}

ENGINE_EXPORT float EngineCameraHeight(int32_t camera) {
  Camera* c = Find(State().cameras, camera);
  return c ? c->position.y : 0.0f;
}

// ---- resources, meshes, textures ----

ENGINE_EXPORT void EngineAddResourceFolder(const char* path, int32_t type) {
  if (!path || type != ENGINE_FOLDER_PLAIN) return;
  Guarded([&] { State().resource_folders.emplace_back(path); });
}

ENGINE_EXPORT void EngineLoadMesh(int32_t mesh, const char* file_name) {
  if (!ValidNumber(mesh)) return;
  EngineState& state = State();
  state.meshes.erase(mesh);
  if (!file_name) return;
  Guarded([&] {
    std::optional<Mesh> loaded = ReadMeshFile(ResolveResource(state, file_name));
    if (loaded) state.meshes[mesh] = std::make_unique<Mesh>(std::move(*loaded));
  });
}

ENGINE_EXPORT void EngineLoadTexture(int32_t texture, const char* file_name) {
  if (!ValidNumber(texture)) return;
  EngineState& state = State();
  state.textures.erase(texture);
  if (!file_name) return;
  Guarded([&] {
    auto loaded = LoadPngTexture(ResolveResource(state, file_name));
    if (loaded) state.textures[texture] = std::move(loaded);
  });
}

ENGINE_EXPORT void EngineCreateTexture(int32_t texture, int32_t width, int32_t height) {
  if (!ValidNumber(texture)) return;
  EngineState& state = State();
  state.textures.erase(texture);
  Guarded([&] {
    auto created = NewTexture(width, height, 0xFF000000u);
    if (created) state.textures[texture] = std::move(created);
  });
}

ENGINE_EXPORT ZenDrawingTarget* EngineDrawIntoTexture(int32_t texture) {
  Texture* t = Find(State().textures, texture);
  if (!t) return nullptr;
  t->dirty = true;  // whatever is drawn shows even if the host never stops drawing
  return &t->target;
}

// ---- materials ----

ENGINE_EXPORT void EngineCreateMaterial(int32_t material, int32_t texture) {
  if (!ValidNumber(material)) return;
  Guarded([&] {
    Material m;
    m.layers.push_back(MaterialLayer{texture, ENGINE_BLEND_REPLACE, 0});
    State().materials[material] = std::move(m);
  });
}

ENGINE_EXPORT void EngineMaterialFiltering(int32_t material, int32_t mode, int32_t level) {
  Material* m = Find(State().materials, material);
  if (!m) return;
  bool known = mode >= ENGINE_FILTER_NEAREST && mode <= ENGINE_FILTER_TRILINEAR;
  m->filtering = known ? mode : ENGINE_FILTER_BILINEAR;
  m->anisotropy = level;
}

ENGINE_EXPORT void EngineMaterialUnlit(int32_t material, int32_t flag) {
  if (Material* m = Find(State().materials, material)) m->unlit = flag;
}

ENGINE_EXPORT void EngineAddMaterialLayer(int32_t material, int32_t texture, int32_t blend_mode) {
  Material* m = Find(State().materials, material);
  if (!m || m->layers.size() > kMaxLayersAboveBase) return;
  bool known = blend_mode >= ENGINE_BLEND_REPLACE && blend_mode <= ENGINE_BLEND_ALPHA;
  Guarded([&] { m->layers.push_back(MaterialLayer{texture, known ? blend_mode : ENGINE_BLEND_REPLACE, 0}); });
}

ENGINE_EXPORT void EngineMaterialAttribute(int32_t material, int32_t attribute, int32_t value, int32_t layer) {
  Material* m = Find(State().materials, material);
  if (!m || layer < 0 || static_cast<size_t>(layer) >= m->layers.size()) return;
  if (attribute == ENGINE_ATTR_TEXCOORDS) m->layers[static_cast<size_t>(layer)].texcoords = value == 2 ? 2 : 0;
}

// ---- entities ----

ENGINE_EXPORT void EngineCreateEntity(int32_t entity, int32_t mesh, int32_t material) {
  if (!ValidNumber(entity)) return;
  EngineState& state = State();
  Guarded([&] {
    for (auto& [number, e] : state.entities) {
      if (e.parent == entity) e.parent = -1;  // children of what lived here come loose
    }
    Entity e;
    e.mesh = mesh;
    e.material = material;
    state.entities[entity] = e;
  });
}

ENGINE_EXPORT void EngineAttachEntity(int32_t parent, const char* point_name, int32_t child) {
  (void)point_name;  // no named points: every name is the root
  EngineState& state = State();
  Entity* c = Find(state.entities, child);
  if (!c || !Find(state.entities, parent)) return;
  for (int32_t p = parent; p != -1; p = state.entities.at(p).parent) {
    if (p == child) return;  // would make a cycle
  }
  c->parent = parent;
}

ENGINE_EXPORT float EngineEntityYaw(int32_t entity) {
  Entity* e = Find(State().entities, entity);
  return e ? e->rotation.y : 0.0f;
}

ENGINE_EXPORT void EngineRotateEntity(int32_t entity, float x, float y, float z) {
  if (Entity* e = Find(State().entities, entity)) e->rotation = {x, y, z};
}
