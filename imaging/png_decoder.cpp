// PNG reading through libpng. Every row is delivered as 8-bit RGBA straight into the
// pixel store (opaque images get a filler alpha of 255), so no intermediate buffer.
// Each setjmp lives in one small function whose locals are plain values.
#include <png.h>

#include <cstring>

#include "imaging/codec_registry.h"

namespace zen {
namespace {

constexpr size_t kSignatureSize = 8;

struct PngScratch : DecoderScratch {
  png_structp png = nullptr;
  png_infop info = nullptr;
  int passes = 1;
  int32_t done = 0;  // rows complete from the top
  bool failed = false;
  ~PngScratch() override { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp /*message*/) { png_longjmp(png, 1); }
void OnPngWarning(png_structp /*png*/, png_const_charp /*message*/) {}

void ReadFromMemory(png_structp png, png_bytep out, size_t count) {
  auto* state = static_cast<DecodeState*>(png_get_io_ptr(png));
  if (state->Read(out, count) != count) png_error(png, "truncated");
}

// What the header says, and what we make of it.
struct PngHeader {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int file_depth = 0;
  int decoded_bits = 0;  // 24 or 32
  int passes = 1;
  bool usable = false;  // rows come out as 4 bytes per pixel
};

int DepthForFile(int colour_type, int bit_depth, bool transparency) {
  // A transparency chunk turns RGB and palette images into RGBA, grey into grey+alpha.
  if (transparency) {
    if (colour_type == PNG_COLOR_TYPE_RGB || colour_type == PNG_COLOR_TYPE_PALETTE) return 32;
    if (colour_type == PNG_COLOR_TYPE_GRAY) return bit_depth < 8 ? 8 : bit_depth;
  }
  if (colour_type == PNG_COLOR_TYPE_RGB) return 24;
  if (colour_type == PNG_COLOR_TYPE_RGB_ALPHA) return 32;
  return bit_depth;
}

bool ReadHeaderGuarded(png_structp png, png_infop info, PngHeader* header) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_sig_bytes(png, kSignatureSize);
  png_read_info(png, info);
  header->passes = png_set_interlace_handling(png);
  const int type = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);
  const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  header->file_depth = DepthForFile(type, depth, transparency);
  if (transparency) png_set_tRNS_to_alpha(png);
  png_set_expand(png);
  if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  png_set_strip_16(png);
  const bool has_alpha = transparency || (type & PNG_COLOR_MASK_ALPHA) != 0;
  header->decoded_bits = has_alpha ? 32 : 24;
  if (!has_alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_read_update_info(png, info);
  header->width = png_get_image_width(png, info);
  header->height = png_get_image_height(png, info);
  header->usable = png_get_bit_depth(png, info) == 8 && png_get_channels(png, info) == 4 &&
                   png_get_rowbytes(png, info) == static_cast<size_t>(header->width) * 4;
  return true;
}

bool ProbePng(DecodeState& state) {
  png_byte signature[kSignatureSize];
  if (state.Read(signature, kSignatureSize) != kSignatureSize) return false;
  if (png_sig_cmp(signature, 0, kSignatureSize) != 0) return false;
  auto scratch = std::make_unique<PngScratch>();
  scratch->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, &OnPngError, &OnPngWarning);
  if (!scratch->png) return false;
  scratch->info = png_create_info_struct(scratch->png);
  if (!scratch->info) return false;
  if (state.file) {
    png_init_io(scratch->png, state.file);
  } else {
    png_set_read_fn(scratch->png, &state, &ReadFromMemory);
  }
  PngHeader header;
  if (!ReadHeaderGuarded(scratch->png, scratch->info, &header) || !header.usable) {
    // A PNG by its signature whose header chunks are broken, or with no image data at all.
    state.failure = LoadFailure::Damaged;
    return false;
  }
  if (header.width > 0x7FFFFFFF || header.height > 0x7FFFFFFF) return false;
  state.width = static_cast<int32_t>(header.width);
  state.height = static_cast<int32_t>(header.height);
  state.file_depth = static_cast<uint16_t>(header.file_depth);
  state.bits_per_pixel = header.decoded_bits;
  // Every pixel takes at least one bit, and deflate packs at most 1032 bytes into one
  // (a 258-byte match coded in two bits).
  state.least_input_size = static_cast<uint64_t>(header.width) * header.height / 8 / 1032;
  scratch->passes = header.passes;
  state.scratch = std::move(scratch);
  return true;
}

// A damaged data chunk (its checksum, or its compressed stream) or data that ends early
// stops the library here; the rows of the last pass then fall short. Ancillary chunks with
// a bad checksum only warn, and are dropped. Rows from `from` to `until` of each pass.
void ReadRowsGuarded(png_structp png, NativeImage* store, int passes, int32_t from, int32_t until,
                     volatile int32_t* done) {
  if (setjmp(png_jmpbuf(png))) return;
  for (int pass = 0; pass < passes; ++pass) {
    const bool last = pass == passes - 1;
    for (int32_t y = from; y < until; ++y) {
      png_read_row(png, store->Row(y), nullptr);
      if (last) *done = y + 1;
    }
  }
}

// An interlaced image is read whole at the first call: its passes fill pixels sparsely.
int32_t DecodePngRows(DecodeState& state, NativeImage& store, int32_t until) {
  auto* scratch = static_cast<PngScratch*>(state.scratch.get());
  if (!scratch) return 0;
  if (scratch->failed) return scratch->done;
  if (scratch->passes > 1) {
    // Interlace passes fill pixels sparsely, so the store must start blank.
    std::memset(store.pixels.get(), 0, store.ByteCount());
    until = store.height;
  }
  volatile int32_t done = scratch->done;
  ReadRowsGuarded(scratch->png, &store, scratch->passes, scratch->done, until, &done);
  scratch->done = done;
  if (done < until) scratch->failed = true;  // libpng is not called again after its error
  return done;
}

int32_t DecodePng(DecodeState& state, NativeImage& store) { return DecodePngRows(state, store, store.height); }

void ClosePng(DecodeState& state) { state.ClearPrivate(); }

}  // namespace

DecoderEntry PngDecoderEntry() { return {CodecPng, &ProbePng, &DecodePng, &ClosePng, &DecodePngRows}; }

}  // namespace zen
