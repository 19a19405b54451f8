#include "engine3d/renderer.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine3d/rasterizer.h"

namespace zen::engine3d {
namespace {

constexpr float kNearW = 0.01f;  // the near clipping distance

struct ClipVertex {
  float x, y, z, w;  // z unused by the rasterizer, kept for symmetry of clipping
  float u, v, eu, ev;
};

struct View {
  Affine world_to_camera;
  float sx = 1, sy = 1;  // projection scale on x and y
  ClipRect clip;
};

int32_t SupersampleFactor(const EngineState& state) { return state.antialiasing == 1 ? 2 : 1; }

View MakeView(const Camera& cam, const RenderTarget& target) {
  View view;
  Affine& m = view.world_to_camera;
  const Vec3 rows[3] = {cam.right, cam.up, cam.forward * -1.0f};
  for (int i = 0; i < 3; ++i) {
    m.m[i][0] = rows[i].x;
    m.m[i][1] = rows[i].y;
    m.m[i][2] = rows[i].z;
  }
  m.t = {-Dot(cam.right, cam.position), -Dot(cam.up, cam.position), Dot(cam.forward, cam.position)};
  auto edge = [](float percent, int32_t size) {
    return std::clamp(static_cast<int32_t>(std::lround(percent / 100.0f * static_cast<float>(size))), 0, size);
  };
  view.clip = {edge(cam.left, target.width), edge(cam.top, target.height), edge(cam.left + cam.width, target.width),
               edge(cam.top + cam.height, target.height)};
  float w = static_cast<float>(view.clip.x1 - view.clip.x0), h = static_cast<float>(view.clip.y1 - view.clip.y0);
  float f = 1.0f / std::tan(cam.fov_degrees * 3.14159265f / 360.0f);
  view.sy = f;
  view.sx = h > 0 && w > 0 ? f * h / w : f;
  return view;
}

void ClearViewport(RenderTarget& target, const ClipRect& clip, uint32_t background) {
  for (int32_t y = clip.y0; y < clip.y1; ++y) {
    size_t row = static_cast<size_t>(y) * static_cast<size_t>(target.width);
    std::fill(target.colour.begin() + row + clip.x0, target.colour.begin() + row + clip.x1, background);
    std::fill(target.depth.begin() + row + clip.x0, target.depth.begin() + row + clip.x1, 0.0f);
  }
}

// The sphere-map coordinates of the reflection of the view ray at a point (camera space).
void SphereMap(Vec3 position, Vec3 normal, float* u, float* v) {
  Vec3 e = Normalised(position, {0, 0, -1});
  Vec3 r = e - normal * (2.0f * Dot(normal, e));
  float m = 2.0f * std::sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0f) * (r.z + 1.0f));
  if (m < 1e-6f) m = 1e-6f;
  *u = r.x / m + 0.5f;
  *v = 0.5f - r.y / m;
}

ScreenVertex Project(const ClipVertex& c, const View& view) {
  float q = 1.0f / c.w;
  float hw = 0.5f * static_cast<float>(view.clip.x1 - view.clip.x0);
  float hh = 0.5f * static_cast<float>(view.clip.y1 - view.clip.y0);
  return {static_cast<float>(view.clip.x0) + hw * (1.0f + c.x * q),
          static_cast<float>(view.clip.y0) + hh * (1.0f - c.y * q),
          q,
          c.u,
          c.v,
          c.eu,
          c.ev};
}

ClipVertex Between(const ClipVertex& a, const ClipVertex& b, float t) {
  auto mix = [t](float p, float r) { return p + (r - p) * t; };
  return {mix(a.x, b.x), mix(a.y, b.y), mix(a.z, b.z),   mix(a.w, b.w),
          mix(a.u, b.u), mix(a.v, b.v), mix(a.eu, b.eu), mix(a.ev, b.ev)};
}

// Clips against the near distance, projects, culls back faces and draws.
void DrawClipped(RenderTarget& target, const View& view, const ShadeState& shade, const ClipVertex* tri) {
  if (tri[0].x > tri[0].w && tri[1].x > tri[1].w && tri[2].x > tri[2].w) return;
  if (tri[0].x < -tri[0].w && tri[1].x < -tri[1].w && tri[2].x < -tri[2].w) return;
  if (tri[0].y > tri[0].w && tri[1].y > tri[1].w && tri[2].y > tri[2].w) return;
  if (tri[0].y < -tri[0].w && tri[1].y < -tri[1].w && tri[2].y < -tri[2].w) return;
  ClipVertex poly[4];
  int n = 0;
  for (int i = 0; i < 3; ++i) {
    const ClipVertex& a = tri[i];
    const ClipVertex& b = tri[(i + 1) % 3];
    bool a_in = a.w >= kNearW, b_in = b.w >= kNearW;
    if (a_in) poly[n++] = a;
    if (a_in != b_in) poly[n++] = Between(a, b, (kNearW - a.w) / (b.w - a.w));
  }
  if (n < 3) return;
  ScreenVertex s[4];
  for (int i = 0; i < n; ++i) s[i] = Project(poly[i], view);
  float det = (s[1].x - s[0].x) * (s[2].y - s[0].y) - (s[2].x - s[0].x) * (s[1].y - s[0].y);
  if (!(det < 0)) return;  // y runs down the screen: a front face turns clockwise here
  for (int i = 1; i + 1 < n; ++i) DrawTriangle(target, view.clip, shade, s[0], s[i], s[i + 1]);
}

ShadeState MakeShade(EngineState& state, const Material* material) {
  ShadeState shade;
  if (!material) {
    shade.layer_count = 1;  // no material: opaque white
    return shade;
  }
  shade.filtering = material->filtering;
  for (const MaterialLayer& layer : material->layers) {
    if (shade.layer_count == static_cast<int32_t>(std::size(shade.layers))) break;
    ShadeLayer& out = shade.layers[shade.layer_count++];
    Texture* texture = Find(state.textures, layer.texture);
    if (texture) {
      PrepareTexture(*texture);
      out.texture = texture;
      int32_t side = texture->levels.empty() ? 1 : std::max(texture->levels[0].width, texture->levels[0].height);
      out.log2_size = std::log2(static_cast<float>(side));
    }
    out.blend = layer.blend;
    out.environment = layer.texcoords == 2;
    shade.needs_environment |= out.environment;
  }
  if (shade.layer_count == 0) shade.layer_count = 1;
  return shade;
}

void DrawEntity(EngineState& state, const View& view, int32_t number, const Entity& entity) {
  const Mesh* mesh = Find(state.meshes, entity.mesh);
  if (!mesh) return;
  ShadeState shade = MakeShade(state, Find(state.materials, entity.material));
  Affine to_camera = Compose(view.world_to_camera, EntityWorld(state, number));
  std::vector<ClipVertex> verts(mesh->vertices.size());
  for (size_t i = 0; i < verts.size(); ++i) {
    const MeshVertex& mv = mesh->vertices[i];
    Vec3 p = to_camera.Apply(mv.position);
    ClipVertex& c = verts[i];
    c = {p.x * view.sx, p.y * view.sy, p.z, -p.z, mv.u, mv.v, 0, 0};
    if (shade.needs_environment) SphereMap(p, Normalised(to_camera.Turn(mv.normal), {0, 0, 1}), &c.eu, &c.ev);
  }
  for (const auto& t : mesh->triangles) {
    ClipVertex tri[3] = {verts[t[0]], verts[t[1]], verts[t[2]]};
    DrawClipped(state.target, view, shade, tri);
  }
}

uint32_t Mean4(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  uint32_t rb = ((a & 0xFF00FF) + (b & 0xFF00FF) + (c & 0xFF00FF) + (d & 0xFF00FF) + 0x20002) >> 2;
  uint32_t ag =
      (((a >> 8) & 0xFF00FF) + ((b >> 8) & 0xFF00FF) + ((c >> 8) & 0xFF00FF) + ((d >> 8) & 0xFF00FF) + 0x20002) >> 2;
  return (rb & 0xFF00FF) | ((ag & 0xFF00FF) << 8);
}

void Resolve(EngineState& state) {
  Screen& screen = state.screen;
  const RenderTarget& t = state.target;
  if (SupersampleFactor(state) == 1) {
    std::copy(t.colour.begin(), t.colour.end(), screen.frame.begin());
    return;
  }
  for (int32_t y = 0; y < screen.height; ++y) {
    const uint32_t* r0 = t.colour.data() + static_cast<size_t>(2 * y) * t.width;
    const uint32_t* r1 = r0 + t.width;
    uint32_t* out = screen.frame.data() + static_cast<size_t>(y) * screen.width;
    for (int32_t x = 0; x < screen.width; ++x) out[x] = Mean4(r0[2 * x], r0[2 * x + 1], r1[2 * x], r1[2 * x + 1]);
  }
}

}  // namespace

Affine EntityWorld(const EngineState& state, int32_t number) {
  Affine world;
  for (int depth = 0; depth <= kMaxObjectNumber; ++depth) {  // attaching refuses cycles; the bound is a guard
    auto it = state.entities.find(number);
    if (it == state.entities.end()) break;
    const Vec3& r = it->second.rotation;
    world = Compose(RotationDegrees(r.x, r.y, r.z), world);
    number = it->second.parent;
  }
  return world;
}

bool PrepareRenderTarget(EngineState& state) {
  int32_t k = SupersampleFactor(state);
  RenderTarget& t = state.target;
  if (t.width == state.screen.width * k && t.height == state.screen.height * k) return true;
  try {
    size_t n = static_cast<size_t>(state.screen.width * k) * static_cast<size_t>(state.screen.height * k);
    t.colour.assign(n, 0xFF000000u);
    t.depth.assign(n, 0.0f);
    t.width = state.screen.width * k;
    t.height = state.screen.height * k;
    return true;
  } catch (const std::bad_alloc&) {
    t = RenderTarget{};
    return false;
  }
}

void RenderFrame(EngineState& state) {
  if (!state.screen.open || !PrepareRenderTarget(state)) return;
  for (const auto& [number, camera] : state.cameras) {
    View view = MakeView(camera, state.target);
    ClearViewport(state.target, view.clip, camera.background | 0xFF000000u);
    for (const auto& [entity_number, entity] : state.entities) DrawEntity(state, view, entity_number, entity);
  }
  Resolve(state);
}

}  // namespace zen::engine3d
