#include "engine3d/texture.h"

#include <png.h>

#include <cstring>
#include <new>

namespace zen::engine3d {
namespace {

int32_t PowerOfTwoAtLeast(int32_t n) {
  int32_t p = 1;
  while (p < n) p <<= 1;
  return p;
}

int32_t Log2(int32_t p) {
  int32_t s = 0;
  while ((1 << s) < p) ++s;
  return s;
}

void MarkDirty(ZenDrawingTarget* target) { static_cast<Texture*>(target->owner)->dirty = true; }

void AttachTarget(Texture& t) {
  t.target.pixels = t.pixels.data();
  t.target.width = t.width;
  t.target.height = t.height;
  t.target.bytes_per_row = t.width * 4;
  t.target.bytes_per_pixel = 4;
  t.target.bottom_up = 0;
  t.target.owner = &t;
  t.target.on_stop = MarkDirty;
}

uint32_t LoadTexel(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// Level 0: the stored pixels, resampled (nearest) to power-of-two sides.
MipLevel BaseLevel(const Texture& t) {
  MipLevel level;
  level.width = PowerOfTwoAtLeast(t.width);
  level.height = PowerOfTwoAtLeast(t.height);
  level.width_shift = Log2(level.width);
  level.texels.resize(static_cast<size_t>(level.width) * static_cast<size_t>(level.height));
  for (int32_t y = 0; y < level.height; ++y) {
    const uint8_t* row = t.pixels.data() + static_cast<size_t>(y * t.height / level.height) * t.width * 4;
    for (int32_t x = 0; x < level.width; ++x) {
      level.texels[static_cast<size_t>(y) * level.width + x] = LoadTexel(row + (x * t.width / level.width) * 4);
    }
  }
  return level;
}

uint32_t Average(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  uint32_t rb = ((a & 0xFF00FF) + (b & 0xFF00FF) + (c & 0xFF00FF) + (d & 0xFF00FF) + 0x20002) >> 2;
  uint32_t ag =
      (((a >> 8) & 0xFF00FF) + ((b >> 8) & 0xFF00FF) + ((c >> 8) & 0xFF00FF) + ((d >> 8) & 0xFF00FF) + 0x20002) >> 2;
  return (rb & 0xFF00FF) | ((ag & 0xFF00FF) << 8);
}

// The next smaller level, each texel the mean of a 2 x 2 block (a side of 1 stays 1).
MipLevel HalfLevel(const MipLevel& src) {
  MipLevel level;
  level.width = src.width > 1 ? src.width / 2 : 1;
  level.height = src.height > 1 ? src.height / 2 : 1;
  level.width_shift = Log2(level.width);
  level.texels.resize(static_cast<size_t>(level.width) * static_cast<size_t>(level.height));
  for (int32_t y = 0; y < level.height; ++y) {
    int32_t y0 = src.height > 1 ? 2 * y : 0;
    int32_t y1 = src.height > 1 ? 2 * y + 1 : 0;
    for (int32_t x = 0; x < level.width; ++x) {
      int32_t x0 = src.width > 1 ? 2 * x : 0;
      int32_t x1 = src.width > 1 ? 2 * x + 1 : 0;
      const uint32_t* s = src.texels.data();
      level.texels[static_cast<size_t>(y) * level.width + x] =
          Average(s[y0 * src.width + x0], s[y0 * src.width + x1], s[y1 * src.width + x0], s[y1 * src.width + x1]);
    }
  }
  return level;
}

}  // namespace

std::unique_ptr<Texture> NewTexture(int32_t width, int32_t height, uint32_t fill) {
  if (width < 1 || height < 1 || width > kTextureMaxSide || height > kTextureMaxSide) return nullptr;
  try {
    auto t = std::make_unique<Texture>();
    t->width = width;
    t->height = height;
    t->pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (size_t i = 0; i < t->pixels.size(); i += 4) std::memcpy(&t->pixels[i], &fill, 4);
    AttachTarget(*t);
    return t;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::unique_ptr<Texture> LoadPngTexture(const std::string& path) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return nullptr;
  image.format = PNG_FORMAT_RGBA;
  auto t = (image.width <= kTextureMaxSide && image.height <= kTextureMaxSide)
               ? NewTexture(static_cast<int32_t>(image.width), static_cast<int32_t>(image.height), 0)
               : nullptr;
  if (!t || !png_image_finish_read(&image, nullptr, t->pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return nullptr;
  }
  return t;
}

void PrepareTexture(Texture& t) {
  if (!t.dirty) return;
  try {
    t.levels.clear();
    t.levels.push_back(BaseLevel(t));
    while (t.levels.back().width > 1 || t.levels.back().height > 1) t.levels.push_back(HalfLevel(t.levels.back()));
  } catch (const std::bad_alloc&) {
    t.levels.clear();
  }
  t.dirty = false;
  if (t.levels.empty()) {  // out of memory: sample opaque white rather than nothing
    t.uniform = true;
    t.uniform_texel = 0xFFFFFFFFu;
    return;
  }
  const std::vector<uint32_t>& texels = t.levels[0].texels;
  t.uniform = true;
  for (uint32_t texel : texels) {
    if (texel != texels[0]) {
      t.uniform = false;
      break;
    }
  }
  t.uniform_texel = texels[0];
}

}  // namespace zen::engine3d
