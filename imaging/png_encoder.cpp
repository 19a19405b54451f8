// PNG writing through libpng: filter NONE, zlib level 9, no ancillary chunks. RGBA
// stores go out row by row as they are; 24-bit rows as RGB, or as palette indices for
// depths 1, 2, 4 and 8. The setjmp lives in one small function with plain locals.
#include <png.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codec_registry.h"
#include "imaging/neuquant.h"

namespace zen {
namespace {

constexpr double kPaletteGamma = 1.8;
constexpr int kDitherBit = 256;

[[noreturn]] void OnPngError(png_structp png, png_const_charp /*message*/) { png_longjmp(png, 1); }
void OnPngWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// Plain description of one file to write, read by the guarded writer.
struct PngPlan {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bit_depth = 8;
  int colour_type = PNG_COLOR_TYPE_RGB;
  const png_color* palette = nullptr;
  int palette_size = 0;
  const uint8_t* (*row)(void* context, int32_t y) = nullptr;
  void* context = nullptr;
};

bool WriteGuarded(png_structp png, png_infop info, std::FILE* file, const PngPlan* plan) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, plan->width, plan->height, plan->bit_depth, plan->colour_type, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (plan->palette) png_set_PLTE(png, info, plan->palette, plan->palette_size);
  png_write_info(png, info);
  for (png_uint_32 y = 0; y < plan->height; ++y) {
    const uint8_t* row = plan->row(plan->context, static_cast<int32_t>(y));
    if (!row) png_error(png, "no row");
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  return true;
}

struct PngWriter {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngWriter() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

int WritePlan(const std::string& path, const PngPlan& plan) {
  PngWriter writer;
  writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, &OnPngError, &OnPngWarning);
  if (!writer.png) return 0;
  writer.info = png_create_info_struct(writer.png);
  if (!writer.info) return 0;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  if (!WriteGuarded(writer.png, writer.info, file, &plan)) {
    AbandonWrittenFile(file, path);
    return 0;
  }
  return FinishWrittenFile(file, path);
}

// --- indexed rows --------------------------------------------------------------

// Turns composited rows into packed palette indices, optionally with Floyd-Steinberg
// error diffusion.
class IndexedRows {
 public:
  IndexedRows(SaveRows& rows, int depth, bool dither) : rows_(rows), depth_(depth), dither_(dither) {
    const auto width = static_cast<size_t>(rows.Width());
    packed_.assign((width * static_cast<size_t>(depth) + 7) / 8, 0);
    indices_.assign(width, 0);
    if (dither_) {
      error_.assign((width + 2) * 3, 0.0f);
      next_error_.assign((width + 2) * 3, 0.0f);
    }
    if (depth == 1) {
      palette_ = {{0, 0, 0, 255}, {255, 255, 255, 255}};
    } else {
      quantizer_ = std::make_unique<NeuQuant>(1 << depth, kPaletteGamma);
      const size_t pixels = width * static_cast<size_t>(rows.Height());
      const int factor = static_cast<int>(std::min<size_t>(pixels / 262144 + 1, 10));
      quantizer_->Learn(rows.Image(), factor, true);
      palette_ = quantizer_->Palette();
    }
  }

  const std::vector<PaletteEntry>& Palette() const { return palette_; }

  const uint8_t* Row(int32_t y) {
    const uint8_t* rgb = rows_.Rgb(y);
    const auto width = static_cast<size_t>(rows_.Width());
    for (size_t x = 0; x < width; ++x) indices_[x] = dither_ ? DitheredIndex(rgb, x) : Choose(rgb + x * 3);
    if (dither_) std::swap(error_, next_error_), std::fill(next_error_.begin(), next_error_.end(), 0.0f);
    Pack();
    return packed_.data();
  }

  static const uint8_t* RowOf(void* self, int32_t y) { return static_cast<IndexedRows*>(self)->Row(y); }

 private:
  uint8_t Choose(const uint8_t* rgb) {
    if (depth_ == 1) {
      const double luma = 0.2126 * rgb[0] + 0.7152 * rgb[1] + 0.0722 * rgb[2];
      return luma > 160 ? 1 : 0;
    }
    return static_cast<uint8_t>(quantizer_->Nearest({rgb[0], rgb[1], rgb[2], 255}));
  }

  uint8_t DitheredIndex(const uint8_t* rgb, size_t x) {
    uint8_t wanted[3];
    float* err = &error_[(x + 1) * 3];
    for (size_t k = 0; k < 3; ++k) {
      wanted[k] = static_cast<uint8_t>(std::clamp(rgb[x * 3 + k] + err[k], 0.0f, 255.0f) + 0.5f);
    }
    const uint8_t index = Choose(wanted);
    for (size_t k = 0; k < 3; ++k) {
      const float e = static_cast<float>(wanted[k]) - palette_[index][k];
      error_[(x + 2) * 3 + k] += e * 7 / 16;
      next_error_[x * 3 + k] += e * 3 / 16;
      next_error_[(x + 1) * 3 + k] += e * 5 / 16;
      next_error_[(x + 2) * 3 + k] += e * 1 / 16;
    }
    return index;
  }

  void Pack() {
    std::fill(packed_.begin(), packed_.end(), 0);
    const size_t per_byte = static_cast<size_t>(8 / depth_);
    for (size_t x = 0; x < indices_.size(); ++x) {
      const int shift = 8 - depth_ * static_cast<int>(x % per_byte + 1);
      packed_[x / per_byte] |= static_cast<uint8_t>(indices_[x] << shift);
    }
  }

  SaveRows& rows_;
  int depth_;
  bool dither_;
  std::unique_ptr<NeuQuant> quantizer_;
  std::vector<PaletteEntry> palette_;
  std::vector<uint8_t> indices_;
  std::vector<uint8_t> packed_;
  std::vector<float> error_;
  std::vector<float> next_error_;
};

int WriteIndexed(const std::string& path, SaveRows& rows, int quality, int depth) {
  IndexedRows indexed(rows, depth, (quality & kDitherBit) != 0);
  std::vector<png_color> palette(size_t{1} << depth);
  for (size_t i = 0; i < palette.size() && i < indexed.Palette().size(); ++i) {
    palette[i] = {indexed.Palette()[i][0], indexed.Palette()[i][1], indexed.Palette()[i][2]};
  }
  PngPlan plan;
  plan.width = static_cast<png_uint_32>(rows.Width());
  plan.height = static_cast<png_uint_32>(rows.Height());
  plan.bit_depth = depth;
  plan.colour_type = PNG_COLOR_TYPE_PALETTE;
  plan.palette = palette.data();
  plan.palette_size = static_cast<int>(palette.size());
  plan.row = &IndexedRows::RowOf;
  plan.context = &indexed;
  return WritePlan(path, plan);
}

const uint8_t* RgbRowOf(void* rows, int32_t y) { return static_cast<SaveRows*>(rows)->Rgb(y); }
const uint8_t* StoreRowOf(void* image, int32_t y) { return static_cast<const NativeImage*>(image)->Row(y); }

int WritePng24(const std::string& path, SaveRows& rows, int quality, int depth) {
  if (depth == 1 || depth == 2 || depth == 4 || depth == 8) return WriteIndexed(path, rows, quality, depth);
  PngPlan plan;
  plan.width = static_cast<png_uint_32>(rows.Width());
  plan.height = static_cast<png_uint_32>(rows.Height());
  plan.colour_type = PNG_COLOR_TYPE_RGB;
  plan.row = &RgbRowOf;
  plan.context = &rows;
  return WritePlan(path, plan);
}

int WritePng32(const std::string& path, const NativeImage& image, int /*quality*/) {
  PngPlan plan;
  plan.width = static_cast<png_uint_32>(image.width);
  plan.height = static_cast<png_uint_32>(image.height);
  plan.colour_type = PNG_COLOR_TYPE_RGB_ALPHA;
  plan.row = &StoreRowOf;
  plan.context = const_cast<NativeImage*>(&image);
  return WritePlan(path, plan);
}

}  // namespace

EncoderEntry PngEncoderEntry() { return {CodecPng, &WritePng24, &WritePng32}; }

}  // namespace zen
