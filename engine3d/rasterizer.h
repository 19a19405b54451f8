#pragma once
// Drawing one perspective-correct, depth-tested, textured triangle into the render target.
#include <cstdint>

#include "engine3d/engine_state.h"
#include "engine3d/texture.h"

namespace zen::engine3d {

// A vertex after projection: x, y in render-target pixels (y down), q = 1 / w, and the
// two coordinate sets (the mesh's, and the environment-mapped one), not yet divided.
struct ScreenVertex {
  float x = 0, y = 0, q = 1;
  float u = 0, v = 0;
  float eu = 0, ev = 0;
};

struct ShadeLayer {
  const Texture* texture = nullptr;  // prepared; nullptr samples opaque white
  int32_t blend = ENGINE_BLEND_REPLACE;
  bool environment = false;  // uses the environment-mapped coordinates
  float log2_size = 0;       // log2 of level 0's longer side
};

struct ShadeState {
  ShadeLayer layers[1 + kMaxLayersAboveBase];
  int32_t layer_count = 0;
  int32_t filtering = ENGINE_FILTER_BILINEAR;
  bool needs_environment = false;
};

struct ClipRect {
  int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // x1, y1 exclusive
};

// Fills the pixels whose centres lie inside the triangle (top-left rule), either winding.
void DrawTriangle(RenderTarget& target, const ClipRect& clip, const ShadeState& shade, const ScreenVertex& a,
                  const ScreenVertex& b, const ScreenVertex& c);

}  // namespace zen::engine3d
