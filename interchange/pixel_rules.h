#pragma once
// How both programs turn stored colours into the opaque RGB they cut, so that a page
// converted by the helper and a page loaded directly give the same bytes.
#include <cstdint>

namespace zen {

// One channel value composited over white with its alpha (both 0..255).
inline uint8_t OverWhite(uint32_t value, uint32_t alpha) {
  return static_cast<uint8_t>((value * alpha + (255 - alpha) * 255) / 255);
}

// One RGB channel of a CMYK pixel as stored (255 minus the ink, as JPEG and PSD files
// keep it): the paper shows through as the product with the black plate, red = C x K / 255.
inline uint8_t FromCmyk(uint32_t stored, uint32_t black) { return static_cast<uint8_t>(stored * black / 255); }

}  // namespace zen
