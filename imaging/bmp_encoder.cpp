// BMP writing: 54-byte headers and 24-bit rows, bottom row first.
#include <cstdio>
#include <vector>

#include "imaging/codec_registry.h"
#include "interchange/bmp_header.h"

namespace zen {
namespace {

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

EncoderEntry BmpEncoderEntry() { return {CodecBmp, &WriteBmp24, nullptr}; }

}  // namespace zen
