// JPEG reading through the libjpeg API, from the file held in memory. RGB output goes
// straight into the pixel store (the library's RGBA output form); CMYK goes through one
// row buffer. Each setjmp lives in one small function whose locals are plain values.
#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on
#include <csetjmp>
#include <vector>

#include "imaging/codec_registry.h"
#include "imaging/jpeg_errors.h"

namespace zen {
namespace {

constexpr int kRowsPerRead = 16;

struct JpegScratch : DecoderScratch {
  jpeg_decompress_struct cinfo{};
  JpegErrorHandler errors;
  bool created = false;
  bool cmyk = false;
  bool started = false;
  bool failed = false;
  int32_t done = 0;  // rows complete from the top
  std::vector<uint8_t> cmyk_rows;
  ~JpegScratch() override {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

// Reads the header and chooses the output colour space; false on any library error or
// an unknown colour space.
bool ReadHeaderGuarded(JpegScratch* s, const uint8_t* data, size_t size) {
  s->cinfo.err = s->errors.Install();
  if (setjmp(s->errors.jump)) return false;
  jpeg_create_decompress(&s->cinfo);
  s->created = true;
  jpeg_mem_src(&s->cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&s->cinfo, TRUE);
  switch (s->cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB: s->cinfo.out_color_space = JCS_EXT_RGBA; break;
    case JCS_YCCK:
    case JCS_CMYK:
      s->cinfo.out_color_space = JCS_CMYK;
      s->cmyk = true;
      break;
    default: return false;
  }
  s->cinfo.dct_method = JDCT_ISLOW;
  jpeg_calc_output_dimensions(&s->cinfo);
  return true;
}

bool ProbeJpeg(DecodeState& state) {
  uint8_t head[3];
  if (state.Read(head, sizeof head) != sizeof head) return false;
  if (head[0] != 0xFF || head[1] != 0xD8) return false;
  const std::span<const uint8_t> file = state.WholeInput();
  if (file.size() < 3) return false;
  auto scratch = std::make_unique<JpegScratch>();
  if (!ReadHeaderGuarded(scratch.get(), file.data(), file.size())) {
    state.failure = LoadFailure::Damaged;
    return false;
  }
  if (scratch->cinfo.output_width > 0x7FFFFFFF || scratch->cinfo.output_height > 0x7FFFFFFF) return false;
  state.width = static_cast<int32_t>(scratch->cinfo.output_width);
  state.height = static_cast<int32_t>(scratch->cinfo.output_height);
  state.file_depth = scratch->cmyk ? 32 : 24;
  state.bits_per_pixel = 24;
  // Huffman coding spends at least one bit on each 8 x 8 block of a component (its DC
  // code); arithmetic coding can pack a plain page into next to nothing.
  const jpeg_component_info& first = scratch->cinfo.comp_info[0];
  if (!scratch->cinfo.arith_code) {
    state.least_input_size = static_cast<uint64_t>(first.width_in_blocks) * first.height_in_blocks / 8;
  }
  state.scratch = std::move(scratch);
  return true;
}

// C, M, Y, K as stored, made opaque RGB.
void CmykToRgba(const uint8_t* in, uint8_t* out, size_t width) {
  for (size_t x = 0; x < width; ++x, in += 4, out += 4) {
    for (int k = 0; k < 3; ++k) out[k] = FromCmyk(in[k], in[3]);
    out[3] = 255;
  }
}

// Starts the decompression; false when the library fails or the picture is not whole.
bool StartGuarded(JpegScratch* s, const NativeImage* store) {
  if (setjmp(s->errors.jump)) return false;
  jpeg_start_decompress(&s->cinfo);
  if (s->cinfo.output_width != static_cast<JDIMENSION>(store->width) ||
      s->cinfo.output_height != static_cast<JDIMENSION>(store->height)) {
    return false;
  }
  // A progressive file's scans are read whole by now; one cut between scans would pass as
  // a blurred picture.
  return !s->errors.input_ended;
}

// Reads rows until `until` in reads of kRowsPerRead rows. Rows the library could not
// decode (an error, or compressed data cut short) leave done short, which fails the load.
void ReadRowsGuarded(JpegScratch* s, NativeImage* store, int32_t until, volatile int32_t* done) {
  if (setjmp(s->errors.jump)) return;
  const size_t row_bytes = static_cast<size_t>(store->width) * 4;
  while (static_cast<int32_t>(s->cinfo.output_scanline) < until) {
    const auto y = static_cast<int32_t>(s->cinfo.output_scanline);
    const int32_t count = store->height - y < kRowsPerRead ? store->height - y : kRowsPerRead;
    JSAMPROW rows[kRowsPerRead];
    for (int32_t i = 0; i < count; ++i) {
      rows[i] = s->cmyk ? s->cmyk_rows.data() + static_cast<size_t>(i) * row_bytes : store->Row(y + i);
    }
    const auto got = static_cast<int32_t>(jpeg_read_scanlines(&s->cinfo, rows, static_cast<JDIMENSION>(count)));
    if (s->cmyk) {
      for (int32_t i = 0; i < got; ++i) CmykToRgba(rows[i], store->Row(y + i), static_cast<size_t>(store->width));
    }
    if (got == 0 || s->errors.rows_cut) return;
    *done = y + got;
  }
}

// Rows are read in the same reads of kRowsPerRead, however the batches fall, so a batched
// load meets a cut in the data exactly where a whole one does.
int32_t DecodeJpegRows(DecodeState& state, NativeImage& store, int32_t until) {
  auto* scratch = static_cast<JpegScratch*>(state.scratch.get());
  if (!scratch || scratch->failed) return scratch ? scratch->done : 0;
  if (!scratch->started) {
    scratch->started = true;
    if (scratch->cmyk) {
      try {
        scratch->cmyk_rows.resize(static_cast<size_t>(store.width) * 4 * kRowsPerRead);
      } catch (const std::bad_alloc&) {
        state.failure = LoadFailure::TooLarge;
        scratch->failed = true;
        return 0;
      }
    }
    if (!StartGuarded(scratch, &store)) {
      scratch->failed = true;
      return 0;
    }
  }
  volatile int32_t done = scratch->done;
  ReadRowsGuarded(scratch, &store, until, &done);
  scratch->done = done;
  if (done < until) scratch->failed = true;  // the library is not called again
  return done;
}

int32_t DecodeJpeg(DecodeState& state, NativeImage& store) { return DecodeJpegRows(state, store, store.height); }

void CloseJpeg(DecodeState& state) { state.ClearPrivate(); }

}  // namespace

DecoderEntry JpegDecoderEntry() { return {CodecJpeg, &ProbeJpeg, &DecodeJpeg, &CloseJpeg, &DecodeJpegRows}; }

}  // namespace zen
