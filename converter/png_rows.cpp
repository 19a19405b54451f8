#include "converter/png_rows.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <memory>
#include <vector>

#include "interchange/pixel_rules.h"

namespace zen {
namespace {

// libpng long-jumps out of its calls on an error, so every call into it sits in a
// function that sets the jump point first and holds no object with a destructor.
class PngRowSource final : public RowSource {
 public:
  explicit PngRowSource(ByteSource& source) : reader_(source), file_size_(source.Size()) {}
  ~PngRowSource() override {
    if (png_) png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
  }
  PngRowSource(const PngRowSource&) = delete;
  PngRowSource& operator=(const PngRowSource&) = delete;

  bool Start();
  uint32_t Width() const override { return width_; }
  uint32_t Height() const override { return height_; }
  bool ReadRow(uint8_t* bgr) override;

 private:
  static void OnError(png_structp png, png_const_charp message);
  static void OnWarning(png_structp, png_const_charp) {}
  static void OnRead(png_structp png, png_bytep data, png_size_t length);
  bool ReadHeader();
  bool ReadWhole();
  bool ReadImage(png_bytep* rows);
  bool ReadOneRow(uint8_t* row);
  void ToBgr(const uint8_t* in, uint8_t* bgr) const;
  bool Failed() { return Fail("PNG: " + std::string(message_)); }

  SequentialReader reader_;
  uint64_t file_size_ = 0;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  char message_[256] = "damaged file";
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  int channels_ = 3;
  bool interlaced_ = false;
  uint32_t next_row_ = 0;
  uint64_t file_row_bytes_ = 0;  // one row as the file stores it, before any transform
  std::vector<uint8_t> row_;
  std::unique_ptr<uint8_t[]> whole_;  // interlaced images; left unfilled so untouched pages cost nothing
};

void PngRowSource::OnError(png_structp png, png_const_charp message) {
  auto* self = static_cast<PngRowSource*>(png_get_error_ptr(png));
  std::snprintf(self->message_, sizeof self->message_, "%s", message);
  png_longjmp(png, 1);
}

void PngRowSource::OnRead(png_structp png, png_bytep data, png_size_t length) {
  auto* self = static_cast<PngRowSource*>(png_get_io_ptr(png));
  if (self->reader_.Read(data, length) != length) png_error(png, "file ends early");
}

bool PngRowSource::ReadHeader() {
  if (setjmp(png_jmpbuf(png_))) return false;
  png_set_read_fn(png_, this, &PngRowSource::OnRead);
  png_set_user_limits(png_, 0x7FFFFFFF, 0x7FFFFFFF);
  // Every chunk's CRC already guards the compressed bytes; zlib's second checksum over
  // the inflated rows cost a quarter of a tall page's conversion.
#ifdef PNG_IGNORE_ADLER32
  png_set_option(png_, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
  png_read_info(png_, info_);
  width_ = png_get_image_width(png_, info_);
  height_ = png_get_image_height(png_, info_);
  file_row_bytes_ = png_get_rowbytes(png_, info_);
  // Only the transforms the file needs, so plain 8-bit RGB rows come through untouched.
  int type = png_get_color_type(png_, info_);
  if (type == PNG_COLOR_TYPE_PALETTE || png_get_bit_depth(png_, info_) < 8 ||
      png_get_valid(png_, info_, PNG_INFO_tRNS)) {
    png_set_expand(png_);
  }
  if (png_get_bit_depth(png_, info_) == 16) png_set_strip_16(png_);
  if (!(type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png_);
  png_set_bgr(png_);
  interlaced_ = png_set_interlace_handling(png_) > 1;
  png_read_update_info(png_, info_);
  channels_ = png_get_channels(png_, info_);
  return true;
}

bool PngRowSource::Start() {
  png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, &PngRowSource::OnError, &PngRowSource::OnWarning);
  if (png_) info_ = png_create_info_struct(png_);
  if (!png_ || !info_) return Fail("PNG: out of memory");
  if (!ReadHeader()) return Failed();
  if (channels_ != 3 && channels_ != 4) return Fail("PNG: unexpected sample layout");
  // Deflate packs at most 1032 bytes into one, so a file far too small for the rows it
  // claims is refused before a whole interlaced image's memory is taken for it.
  constexpr uint64_t kMaxDeflateRatio = 1032;
  const uint64_t most_rows = (file_size_ + 4096) * kMaxDeflateRatio / (file_row_bytes_ + 1);
  if (height_ > most_rows) {
    return Fail("PNG: the file is too small to hold " + std::to_string(width_) + "x" + std::to_string(height_) +
                " pixels");
  }
  try {
    row_.resize(uint64_t{width_} * channels_);
    if (interlaced_) whole_.reset(new uint8_t[row_.size() * height_]);
  } catch (const std::bad_alloc&) {
    return Fail("PNG: out of memory for " + std::to_string(width_) + "x" + std::to_string(height_));
  }
  if (interlaced_ && !ReadWhole()) return false;
  return true;
}

bool PngRowSource::ReadImage(png_bytep* rows) {
  if (setjmp(png_jmpbuf(png_))) return false;
  png_read_image(png_, rows);
  return true;
}

bool PngRowSource::ReadWhole() {
  std::vector<png_bytep> rows;
  try {
    rows.resize(height_);
  } catch (const std::bad_alloc&) {
    return Fail("PNG: out of memory");
  }
  for (uint32_t y = 0; y < height_; ++y) rows[y] = whole_.get() + uint64_t{y} * row_.size();
  return ReadImage(rows.data()) || Failed();
}

bool PngRowSource::ReadOneRow(uint8_t* row) {
  if (setjmp(png_jmpbuf(png_))) return false;
  png_read_row(png_, row, nullptr);
  return true;
}

void PngRowSource::ToBgr(const uint8_t* in, uint8_t* bgr) const {
  if (channels_ == 3) {
    std::memcpy(bgr, in, uint64_t{width_} * 3);
    return;
  }
  for (uint32_t x = 0; x < width_; ++x) {
    uint8_t alpha = in[4 * x + 3];
    for (int k = 0; k < 3; ++k) bgr[3 * x + k] = OverWhite(in[4 * x + k], alpha);
  }
}

bool PngRowSource::ReadRow(uint8_t* bgr) {
  if (!Error().empty()) return false;
  if (next_row_ >= height_) return Fail("PNG: more rows asked for than the image has");
  if (interlaced_) {
    ToBgr(whole_.get() + uint64_t{next_row_} * row_.size(), bgr);
  } else if (channels_ == 3) {
    if (!ReadOneRow(bgr)) return Failed();
  } else {
    if (!ReadOneRow(row_.data())) return Failed();
    ToBgr(row_.data(), bgr);
  }
  ++next_row_;
  return true;
}

}  // namespace

std::unique_ptr<RowSource> OpenPngRows(ByteSource& source, std::string& error) {
  auto rows = std::make_unique<PngRowSource>(source);
  if (!rows->Start()) {
    error = rows->Error();
    return nullptr;
  }
  return rows;
}

}  // namespace zen
