#pragma once
// Textures: the pixels the host may draw on, and the mipmap chain sampled from them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/drawing_target.h"

namespace zen::engine3d {

// One level of the sampled chain: power-of-two sides, texels packed R | G << 8 | B << 16 | A << 24.
struct MipLevel {
  int32_t width = 1;
  int32_t height = 1;
  int32_t width_shift = 0;  // log2(width)
  std::vector<uint32_t> texels;
};

struct Texture {
  int32_t width = 0;  // the stored pixels, R, G, B, A bytes, rows top first
  int32_t height = 0;
  std::vector<uint8_t> pixels;
  ZenDrawingTarget target{};
  bool dirty = true;  // pixels changed since the chain was built
  std::vector<MipLevel> levels;
  bool uniform = false;  // every texel equal: sampling can be skipped
  uint32_t uniform_texel = 0;
};

inline constexpr int32_t kTextureMaxSide = 4096;

// A texture of the given size filled with one texel value; nullptr for a refused size or
// when memory runs out.
std::unique_ptr<Texture> NewTexture(int32_t width, int32_t height, uint32_t fill);
// The texture of a PNG file, or nullptr when it cannot be read.
std::unique_ptr<Texture> LoadPngTexture(const std::string& path);
// Rebuilds the sampled chain when the pixels changed.
void PrepareTexture(Texture& texture);

}  // namespace zen::engine3d
