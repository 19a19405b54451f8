#include "engine3d/rasterizer.h"

#include <algorithm>
#include <cmath>

#include "engine3d/sampler.h"

namespace zen::engine3d {
namespace {

// value(x, y) = c + dx * x + dy * y over the screen.
struct Plane {
  float c = 0, dx = 0, dy = 0;
  float At(float x, float y) const { return c + dx * x + dy * y; }
};

Plane MakePlane(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, float va, float vb, float vc,
                float inv_det) {
  Plane p;
  float e1x = b.x - a.x, e1y = b.y - a.y, e2x = c.x - a.x, e2y = c.y - a.y;
  p.dx = ((vb - va) * e2y - (vc - va) * e1y) * inv_det;
  p.dy = ((vc - va) * e1x - (vb - va) * e2x) * inv_det;
  p.c = va - p.dx * a.x - p.dy * a.y;
  return p;
}

struct Gradients {
  Plane q, u, v, eu, ev;
};

// log2 of the footprint of one pixel in coordinate units, from the derivatives of s = U / Q.
inline float FootprintLog2(float w, float s, float t, const Plane& pu, const Plane& pv, const Plane& pq) {
  float sx = (pu.dx - s * pq.dx) * w, sy = (pu.dy - s * pq.dy) * w;
  float tx = (pv.dx - t * pq.dx) * w, ty = (pv.dy - t * pq.dy) * w;
  float rho2 = std::max(sx * sx + tx * tx, sy * sy + ty * ty);
  return 0.5f * FastLog2(rho2);
}

constexpr int32_t kSegment = 8;  // pixels that share one choice of mipmap levels

// The levels one layer samples in a segment, chosen once for its pixels.
struct LayerPick {
  const MipLevel* near = nullptr;  // nullptr: the constant below
  const MipLevel* far = nullptr;   // trilinear only, with the weight f (1..255) of far
  uint32_t f = 0;
  uint32_t constant = 0xFFFFFFFFu;
};

LayerPick PickLevels(const ShadeLayer& layer, int32_t filtering, float lod) {
  LayerPick pick;
  const Texture* t = layer.texture;
  if (!t || t->uniform) {
    if (t) pick.constant = t->uniform_texel;
    return pick;
  }
  int32_t last = static_cast<int32_t>(t->levels.size()) - 1;
  pick.near = &t->levels[0];
  if (filtering < ENGINE_FILTER_MIPMAPPED || lod <= 0) return pick;
  if (filtering == ENGINE_FILTER_MIPMAPPED) {
    pick.near = &t->levels[std::min(static_cast<int32_t>(lod + 0.5f), last)];
    return pick;
  }
  int32_t l = static_cast<int32_t>(lod);
  if (l >= last) {
    pick.near = &t->levels[last];
    return pick;
  }
  pick.near = &t->levels[l];
  pick.f = static_cast<uint32_t>((lod - static_cast<float>(l)) * 256.0f);
  if (pick.f > 0) pick.far = &t->levels[l + 1];
  return pick;
}

// u and v already wrapped into [0, 1).
inline uint32_t SamplePick(const LayerPick& pick, bool nearest, float u, float v) {
  if (!pick.near) return pick.constant;
  if (nearest) return SampleNearest(*pick.near, u, v);
  uint32_t texel = SampleBilinearWrapped(*pick.near, u, v);
  return pick.far ? LerpTexel(texel, SampleBilinearWrapped(*pick.far, u, v), pick.f) : texel;
}

// The interpolated values at one pixel, stepped along a span.
struct SpanValues {
  float q, u, v, eu, ev;
};

struct SegmentPicks {
  LayerPick layers[1 + kMaxLayersAboveBase];
};

SegmentPicks PickSegment(const ShadeState& shade, const Gradients& g, const SpanValues& s) {
  SegmentPicks picks;
  float w = 1.0f / s.q;
  bool mip = shade.filtering >= ENGINE_FILTER_MIPMAPPED;
  float lod = mip ? FootprintLog2(w, s.u * w, s.v * w, g.u, g.v, g.q) : 0;
  float elod = mip && shade.needs_environment ? FootprintLog2(w, s.eu * w, s.ev * w, g.eu, g.ev, g.q) : 0;
  for (int32_t i = 0; i < shade.layer_count; ++i) {
    const ShadeLayer& layer = shade.layers[i];
    picks.layers[i] = PickLevels(layer, shade.filtering, (layer.environment ? elod : lod) + layer.log2_size);
  }
  return picks;
}

inline uint32_t ShadePixel(const ShadeState& shade, const SegmentPicks& picks, const SpanValues& s) {
  float w = 1.0f / s.q;
  float u = Wrap(s.u * w), v = Wrap(s.v * w), eu = 0, ev = 0;
  if (shade.needs_environment) {
    eu = Wrap(s.eu * w);
    ev = Wrap(s.ev * w);
  }
  bool nearest = shade.filtering == ENGINE_FILTER_NEAREST;
  uint32_t colour =
      SamplePick(picks.layers[0], nearest, shade.layers[0].environment ? eu : u, shade.layers[0].environment ? ev : v);
  for (int32_t i = 1; i < shade.layer_count; ++i) {
    const ShadeLayer& layer = shade.layers[i];
    uint32_t texel =
        layer.environment ? SamplePick(picks.layers[i], nearest, eu, ev) : SamplePick(picks.layers[i], nearest, u, v);
    if (layer.blend == ENGINE_BLEND_REPLACE) {
      colour = texel;
    } else if (layer.blend == ENGINE_BLEND_ADD) {
      colour = AddTexel(colour, texel);
    } else {
      uint32_t alpha = texel >> 24;
      colour = LerpTexel(colour, texel, alpha + (alpha >> 7));
    }
  }
  return colour | 0xFF000000u;
}

inline void Step(SpanValues& s, const Gradients& g) {
  s.q += g.q.dx;
  s.u += g.u.dx;
  s.v += g.v.dx;
  s.eu += g.eu.dx;
  s.ev += g.ev.dx;
}

void DrawSpan(RenderTarget& target, const ShadeState& shade, const Gradients& g, int32_t y, int32_t x0, int32_t x1) {
  float px = static_cast<float>(x0) + 0.5f, py = static_cast<float>(y) + 0.5f;
  SpanValues s{g.q.At(px, py), g.u.At(px, py), g.v.At(px, py), g.eu.At(px, py), g.ev.At(px, py)};
  size_t row = static_cast<size_t>(y) * static_cast<size_t>(target.width);
  float* depth = target.depth.data() + row;
  uint32_t* colour = target.colour.data() + row;
  SegmentPicks picks;
  for (int32_t x = x0; x < x1;) {
    int32_t segment_end = std::min(x + kSegment, x1);
    bool picked = false;  // chosen at the segment's first visible pixel, if any
    for (; x < segment_end; ++x, Step(s, g)) {
      if (!(s.q > depth[x])) continue;
      if (!picked) {
        picks = PickSegment(shade, g, s);
        picked = true;
      }
      depth[x] = s.q;
      colour[x] = ShadePixel(shade, picks, s);
    }
  }
}

// The x where the edge from a to b crosses the height y (a.y <= y < b.y).
inline float EdgeX(const ScreenVertex& a, const ScreenVertex& b, float y) {
  return a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
}

}  // namespace

void DrawTriangle(RenderTarget& target, const ClipRect& clip, const ShadeState& shade, const ScreenVertex& a,
                  const ScreenVertex& b, const ScreenVertex& c) {
  float det = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
  if (!(std::fabs(det) > 1e-12f)) return;
  float inv = 1.0f / det;
  Gradients g{MakePlane(a, b, c, a.q, b.q, c.q, inv), MakePlane(a, b, c, a.u * a.q, b.u * b.q, c.u * c.q, inv),
              MakePlane(a, b, c, a.v * a.q, b.v * b.q, c.v * c.q, inv),
              MakePlane(a, b, c, a.eu * a.q, b.eu * b.q, c.eu * c.q, inv),
              MakePlane(a, b, c, a.ev * a.q, b.ev * b.q, c.ev * c.q, inv)};
  const ScreenVertex* v[3] = {&a, &b, &c};
  std::sort(v, v + 3, [](const ScreenVertex* p, const ScreenVertex* r) { return p->y < r->y; });
  float ytop = std::max(std::ceil(v[0]->y - 0.5f), static_cast<float>(clip.y0));
  float ybottom = std::min(std::ceil(v[2]->y - 0.5f), static_cast<float>(clip.y1));
  for (int32_t y = static_cast<int32_t>(ytop); y < static_cast<int32_t>(ybottom); ++y) {
    float yc = static_cast<float>(y) + 0.5f;
    float xa = EdgeX(*v[0], *v[2], yc);
    float xb = yc < v[1]->y ? EdgeX(*v[0], *v[1], yc) : EdgeX(*v[1], *v[2], yc);
    if (xa > xb) std::swap(xa, xb);
    float xs = std::max(std::ceil(xa - 0.5f), static_cast<float>(clip.x0));
    float xe = std::min(std::ceil(xb - 0.5f), static_cast<float>(clip.x1));
    if (xs < xe) DrawSpan(target, shade, g, y, static_cast<int32_t>(xs), static_cast<int32_t>(xe));
  }
}

}  // namespace zen::engine3d
