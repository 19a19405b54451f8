#include "converter/bmp_rows.h"

#include <vector>

#include "interchange/byte_order.h"

namespace zen {
namespace {

class BmpRowSource final : public RowSource {
 public:
  BmpRowSource(ByteSource& source, uint64_t data, uint32_t width, uint32_t height, int bytes_per_pixel, bool top_first)
      : source_(source),
        data_(data),
        width_(width),
        height_(height),
        bytes_per_pixel_(bytes_per_pixel),
        top_first_(top_first),
        stride_((uint64_t{width} * bytes_per_pixel + 3) / 4 * 4),
        row_(stride_) {}

  uint32_t Width() const override { return width_; }
  uint32_t Height() const override { return height_; }

  bool ReadRow(uint8_t* bgr) override {
    if (!Error().empty()) return false;
    if (next_row_ >= height_) return Fail("BMP: more rows asked for than the image has");
    uint64_t file_row = top_first_ ? next_row_ : height_ - 1 - next_row_;
    if (!source_.ReadAt(data_ + file_row * stride_, row_.data(), stride_)) {
      return Fail("BMP: pixel data ends early");
    }
    for (uint32_t x = 0; x < width_; ++x) {
      const uint8_t* p = row_.data() + uint64_t{x} * bytes_per_pixel_;
      bgr[3 * x] = p[0];
      bgr[3 * x + 1] = p[1];
      bgr[3 * x + 2] = p[2];
    }
    ++next_row_;
    return true;
  }

 private:
  ByteSource& source_;
  uint64_t data_;
  uint32_t width_;
  uint32_t height_;
  int bytes_per_pixel_;
  bool top_first_;
  uint64_t stride_;
  std::vector<uint8_t> row_;
  uint32_t next_row_ = 0;
};

}  // namespace

std::unique_ptr<RowSource> OpenBmpRows(ByteSource& source, std::string& error) {
  uint8_t bytes[34];
  if (!source.ReadAt(0, bytes, sizeof bytes) || bytes[0] != 'B' || bytes[1] != 'M' || LoadLittle32(bytes + 14) < 40) {
    error = "BMP: no Windows bitmap header";
    return nullptr;
  }
  uint32_t data = LoadLittle32(bytes + 10);
  int32_t width = static_cast<int32_t>(LoadLittle32(bytes + 18));
  int32_t height = static_cast<int32_t>(LoadLittle32(bytes + 22));
  uint16_t bits = LoadLittle16(bytes + 28);
  uint32_t compression = LoadLittle32(bytes + 30);
  if (width <= 0 || height == 0 || height == INT32_MIN) {
    error = "BMP: bad image size";
    return nullptr;
  }
  bool fields_ok = compression == 0 || (compression == 3 && bits == 32);
  if ((bits != 24 && bits != 32) || !fields_ok) {
    error = "BMP: only uncompressed 24- and 32-bit images are converted";
    return nullptr;
  }
  uint32_t rows = static_cast<uint32_t>(height < 0 ? -height : height);
  uint64_t stride = (uint64_t(static_cast<uint32_t>(width)) * (bits / 8) + 3) / 4 * 4;
  if (data > source.Size() || stride * rows > source.Size() - data) {
    error = "BMP: pixel data runs past the end of the file";
    return nullptr;
  }
  return std::make_unique<BmpRowSource>(source, data, static_cast<uint32_t>(width), rows, bits / 8, height < 0);
}

}  // namespace zen
