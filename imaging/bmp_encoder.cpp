// BMP writing: 54-byte headers and 24-bit rows, bottom row first.
#include <cstring>
#include <vector>

#include "imaging/bmp_format.h"
#include "imaging/codec_registry.h"

namespace zen {
namespace {

void PutLe16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void PutLe32(uint8_t* p, uint32_t v) {
  PutLe16(p, v & 0xFFFF);
  PutLe16(p + 2, v >> 16);
}

int WriteBmp24(const std::string& path, SaveRows& rows, int /*quality*/, int /*depth*/) {
  const int32_t width = rows.Width();
  const int32_t height = rows.Height();
  std::vector<uint8_t> stored;
  try {
    stored.assign(BmpRowBytes24(width), 0);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  uint8_t header[kBmpHeaderSize];
  WriteBmpHeader24(header, width, height);
  bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;
  for (int32_t y = height - 1; ok && y >= 0; --y) {
    const uint8_t* rgb = rows.Rgb(y);
    for (int32_t x = 0; x < width; ++x) {
      stored[x * 3] = rgb[x * 3 + 2];
      stored[x * 3 + 1] = rgb[x * 3 + 1];
      stored[x * 3 + 2] = rgb[x * 3];
    }
    ok = std::fwrite(stored.data(), 1, stored.size(), file) == stored.size();
  }
  if (!ok) {
    AbandonWrittenFile(file, path);
    return 0;
  }
  return FinishWrittenFile(file, path);
}

}  // namespace

void WriteBmpHeader24(uint8_t (&header)[kBmpHeaderSize], int32_t width, int32_t height) {
  std::memset(header, 0, sizeof header);
  const uint64_t pixel_bytes = static_cast<uint64_t>(BmpRowBytes24(width)) * static_cast<uint64_t>(height);
  const uint64_t file_bytes = pixel_bytes + kBmpHeaderSize;
  header[0] = 'B';
  header[1] = 'M';
  // Sizes past 4 GiB cannot be stored; readers use the dimensions instead.
  PutLe32(header + 2, file_bytes > 0xFFFFFFFFu ? 0 : static_cast<uint32_t>(file_bytes));
  PutLe32(header + 10, kBmpHeaderSize);
  PutLe32(header + 14, 40);
  PutLe32(header + 18, static_cast<uint32_t>(width));
  PutLe32(header + 22, static_cast<uint32_t>(height));
  PutLe16(header + 26, 1);
  PutLe16(header + 28, 24);
  PutLe32(header + 34, pixel_bytes > 0xFFFFFFFFu ? 0 : static_cast<uint32_t>(pixel_bytes));
  PutLe32(header + 38, 2835);  // 72 dots per inch
  PutLe32(header + 42, 2835);
}

EncoderEntry BmpEncoderEntry() { return {CodecBmp, &WriteBmp24, nullptr}; }

}  // namespace zen
