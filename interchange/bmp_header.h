#pragma once
// The layout of the 24-bit BMP files both programs write: a 54-byte header (file header
// and 40-byte info header), then rows bottom row first, B, G, R, padded to 4 bytes.
#include <cstddef>
#include <cstdint>

namespace zen {

inline constexpr size_t kBmpHeaderSize = 54;

// Bytes of one stored 24-bit row, padding included.
constexpr uint64_t BmpRowBytes24(uint32_t width) { return (uint64_t{width} * 3 + 3) / 4 * 4; }

// True when an image of this size has positive 32-bit sides and a file size that the
// header's 32-bit size fields can hold.
bool BmpSizesFit24(uint32_t width, uint32_t height);

// Fills the 54 header bytes for a bottom-up 24-bit image of the given size. A size field
// that cannot hold its value is written as 0; readers use the dimensions instead.
void WriteBmpHeader24(uint8_t (&header)[kBmpHeaderSize], uint32_t width, uint32_t height);

}  // namespace zen
