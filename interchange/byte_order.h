#pragma once
// Reading and storing fixed-size integers in files: big-endian fields of the PSD family,
// little-endian fields of BMP.
#include <cstdint>

namespace zen {

inline uint16_t LoadBig16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t LoadBig32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
         p[3];
}
inline uint64_t LoadBig64(const uint8_t* p) { return static_cast<uint64_t>(LoadBig32(p)) << 32 | LoadBig32(p + 4); }
inline uint16_t LoadLittle16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t LoadLittle32(const uint8_t* p) {
  return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

inline void StoreLittle16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreLittle32(uint8_t* p, uint32_t v) {
  StoreLittle16(p, v);
  StoreLittle16(p + 2, v >> 16);
}

}  // namespace zen
