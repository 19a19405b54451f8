#pragma once
// The layout of the 24-bit BMP files this system writes: a 54-byte header (file header
// and 40-byte info header), then rows bottom row first, B, G, R, padded to 4 bytes.
// Shared with the converter, which streams such files.
#include <cstddef>
#include <cstdint>

namespace zen {

inline constexpr size_t kBmpHeaderSize = 54;

// Bytes of one stored 24-bit row, padding included.
constexpr size_t BmpRowBytes24(int32_t width) { return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3}; }

// Fills the 54 header bytes for a bottom-up 24-bit image of the given size.
void WriteBmpHeader24(uint8_t (&header)[kBmpHeaderSize], int32_t width, int32_t height);

}  // namespace zen
