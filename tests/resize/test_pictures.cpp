#include "test_pictures.h"

#include <cstddef>

namespace zen::testing {

Pixels MixedPicture(int32_t width, int32_t height, uint32_t seed) {
  Lcg random(seed);
  Pixels pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  const int32_t panel_w = random.Between(1, 9);
  const int32_t panel_h = random.Between(1, 9);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = &pixels[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
      const int32_t panel = (x / panel_w + y / panel_h) % 4;
      const uint32_t noise = random.Next();
      for (int c = 0; c < 4; ++c) {
        switch (panel) {
          case 0: p[c] = 0; break;    // black
          case 1: p[c] = 255; break;  // white
          case 2: p[c] = static_cast<uint8_t>(noise >> (c * 6)); break;
          default: p[c] = static_cast<uint8_t>(40 + 50 * c); break;  // a flat colour
        }
      }
      if (panel != 2 && (noise & 3) == 0) p[3] = static_cast<uint8_t>(noise >> 2);  // some translucency
    }
  }
  return pixels;
}

}  // namespace zen::testing
