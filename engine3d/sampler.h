#pragma once
// Texel arithmetic and texture sampling on packed R | G << 8 | B << 16 | A << 24 texels.
#include <cstdint>
#include <cstring>

#include "engine3d/texture.h"

namespace zen::engine3d {

// a + (b - a) * f / 256 on every channel, f in 0..256.
inline uint32_t LerpTexel(uint32_t a, uint32_t b, uint32_t f) {
  uint32_t g = 256 - f;
  uint32_t rb = (((a & 0xFF00FFu) * g + (b & 0xFF00FFu) * f) >> 8) & 0xFF00FFu;
  uint32_t ag = (((a >> 8) & 0xFF00FFu) * g + ((b >> 8) & 0xFF00FFu) * f) & 0xFF00FF00u;
  return rb | ag;
}

// Red, green and blue added, each clamped at 255; alpha kept from a.
inline uint32_t AddTexel(uint32_t a, uint32_t b) {
  uint32_t r = (a & 0xFF) + (b & 0xFF);
  uint32_t g = ((a >> 8) & 0xFF) + ((b >> 8) & 0xFF);
  uint32_t bl = ((a >> 16) & 0xFF) + ((b >> 16) & 0xFF);
  r = r > 255 ? 255 : r;
  g = g > 255 ? 255 : g;
  bl = bl > 255 ? 255 : bl;
  return r | g << 8 | bl << 16 | (a & 0xFF000000u);
}

// A rough log2 (exponent plus linear mantissa), enough to choose mipmap levels.
inline float FastLog2(float x) {
  int32_t bits;
  std::memcpy(&bits, &x, 4);
  return static_cast<float>(bits) * (1.0f / 8388608.0f) - 127.0f;
}

// The coordinate wrapped into [0, 1).
inline float Wrap(float u) {
  u = u > 1e6f ? 1e6f : (u < -1e6f ? -1e6f : u);
  u -= static_cast<float>(static_cast<int32_t>(u));
  return u < 0 ? u + 1.0f : u;
}

inline uint32_t SampleNearest(const MipLevel& level, float u, float v) {
  int32_t x = static_cast<int32_t>(Wrap(u) * static_cast<float>(level.width)) & (level.width - 1);
  int32_t y = static_cast<int32_t>(Wrap(v) * static_cast<float>(level.height)) & (level.height - 1);
  return level.texels[(static_cast<size_t>(y) << level.width_shift) + x];
}

// u and v already wrapped into [0, 1).
inline uint32_t SampleBilinearWrapped(const MipLevel& level, float u, float v) {
  int32_t w256 = level.width << 8;
  int32_t h256 = level.height << 8;
  int32_t fx = static_cast<int32_t>(u * static_cast<float>(w256)) + w256 - 128;
  int32_t fy = static_cast<int32_t>(v * static_cast<float>(h256)) + h256 - 128;
  int32_t x0 = (fx >> 8) & (level.width - 1);
  int32_t x1 = (x0 + 1) & (level.width - 1);
  int32_t y0 = (fy >> 8) & (level.height - 1);
  int32_t y1 = (y0 + 1) & (level.height - 1);
  const uint32_t* row0 = level.texels.data() + (static_cast<size_t>(y0) << level.width_shift);
  const uint32_t* row1 = level.texels.data() + (static_cast<size_t>(y1) << level.width_shift);
  uint32_t ax = static_cast<uint32_t>(fx & 255);
  uint32_t top = LerpTexel(row0[x0], row0[x1], ax);
  uint32_t bottom = LerpTexel(row1[x0], row1[x1], ax);
  return LerpTexel(top, bottom, static_cast<uint32_t>(fy & 255));
}

}  // namespace zen::engine3d
