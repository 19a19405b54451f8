#pragma once
// The engine's process-wide record: the screen, the numbered objects and the frame buffers.
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine3d/engine3d.h"
#include "engine3d/math3d.h"
#include "engine3d/mesh.h"
#include "engine3d/texture.h"

namespace zen::engine3d {

inline constexpr int32_t kMaxObjectNumber = 4095;
inline constexpr size_t kMaxLayersAboveBase = 3;
inline constexpr int32_t kMaxScreenSide = 8192;

struct Camera {
  float left = 0, top = 0, width = 100, height = 100;  // viewport, per cent of the screen
  float fov_degrees = 45;
  uint32_t background = 0;
  Vec3 position;
  Vec3 right{1, 0, 0}, up{0, 1, 0}, forward{0, 0, -1};
};

struct MaterialLayer {
  int32_t texture = -1;
  int32_t blend = ENGINE_BLEND_REPLACE;
  int32_t texcoords = 0;  // ENGINE_ATTR_TEXCOORDS value
};

struct Material {
  std::vector<MaterialLayer> layers;  // [0] is the base
  int32_t filtering = ENGINE_FILTER_BILINEAR;
  int32_t anisotropy = 0;
  int32_t unlit = 1;
};

struct Entity {
  int32_t mesh = -1;
  int32_t material = -1;
  int32_t parent = -1;
  Vec3 rotation;  // degrees
};

struct Screen {
  bool open = false;
  intptr_t window = 0;
  int32_t x = 0, y = 0, width = 0, height = 0;
  std::vector<uint32_t> frame;  // width x height, packed like texels
};

// The buffers triangles are drawn into: the frame size times the supersampling factor.
struct RenderTarget {
  int32_t width = 0, height = 0;
  std::vector<uint32_t> colour;
  std::vector<float> depth;  // 1 / w of the nearest surface, 0 for none
};

struct EngineState {
  bool initialised = false;
  int32_t antialiasing = 0;
  Screen screen;
  RenderTarget target;
  std::map<int32_t, Camera> cameras;
  std::map<int32_t, std::unique_ptr<Mesh>> meshes;
  std::map<int32_t, std::unique_ptr<Texture>> textures;
  std::map<int32_t, Material> materials;
  std::map<int32_t, Entity> entities;
  std::vector<std::string> resource_folders;
  EnginePresentCallback present = nullptr;
  void* present_user = nullptr;
  bool shown_before = false;
  std::chrono::steady_clock::time_point last_show;
};

EngineState& State();
void ResetState();  // back to a never-initialised engine: every object and buffer released

inline bool ValidNumber(int32_t n) { return n >= 0 && n <= kMaxObjectNumber; }

// The object under a number, or nullptr.
template <typename T>
T* Find(std::map<int32_t, std::unique_ptr<T>>& map, int32_t number) {
  auto it = map.find(number);
  return it == map.end() ? nullptr : it->second.get();
}
template <typename T>
T* Find(std::map<int32_t, T>& map, int32_t number) {
  auto it = map.find(number);
  return it == map.end() ? nullptr : &it->second;
}

}  // namespace zen::engine3d
