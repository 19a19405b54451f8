#include "interchange/bmp_header.h"

#include <cstring>

#include "interchange/byte_order.h"

namespace zen {
namespace {

constexpr uint64_t kLargestField = 0xFFFFFFFFu;

uint32_t FieldOrZero(uint64_t value) { return value > kLargestField ? 0 : static_cast<uint32_t>(value); }

}  // namespace

bool BmpSizesFit24(uint32_t width, uint32_t height) {
  return width > 0 && height > 0 && width <= 0x7FFFFFFF && height <= 0x7FFFFFFF &&
         BmpRowBytes24(width) * height + kBmpHeaderSize <= kLargestField;
}

void WriteBmpHeader24(uint8_t (&header)[kBmpHeaderSize], uint32_t width, uint32_t height) {
  std::memset(header, 0, sizeof header);
  const uint64_t pixel_bytes = BmpRowBytes24(width) * height;
  header[0] = 'B';
  header[1] = 'M';
  StoreLittle32(header + 2, FieldOrZero(pixel_bytes + kBmpHeaderSize));
  StoreLittle32(header + 10, kBmpHeaderSize);
  StoreLittle32(header + 14, 40);
  StoreLittle32(header + 18, width);
  StoreLittle32(header + 22, height);  // positive: rows stored bottom first
  StoreLittle16(header + 26, 1);
  StoreLittle16(header + 28, 24);
  StoreLittle32(header + 34, FieldOrZero(pixel_bytes));
  StoreLittle32(header + 38, 2835);  // 72 dots per inch
  StoreLittle32(header + 42, 2835);
}

}  // namespace zen
