// JPEG writing through the libjpeg API: the library's defaults and quality 10 x q with
// q clamped to 0..10, baseline tables not forced. Opaque store rows are handed to the
// library as they are (its RGBX input form), so no copy is made for them.
#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on
#include <algorithm>
#include <csetjmp>
#include <memory>

#include "imaging/codec_registry.h"
#include "imaging/jpeg_errors.h"

namespace zen {
namespace {

struct JpegWriter {
  jpeg_compress_struct cinfo{};
  JpegErrorHandler errors;
  bool created = false;
  ~JpegWriter() {
    if (created) jpeg_destroy_compress(&cinfo);
  }
};

const uint8_t* NextRow(void* rows, int32_t y) { return static_cast<SaveRows*>(rows)->Rgbx(y); }

bool WriteGuarded(JpegWriter* w, std::FILE* file, SaveRows* rows, int quality) {
  w->cinfo.err = w->errors.Install();
  if (setjmp(w->errors.jump)) return false;
  jpeg_create_compress(&w->cinfo);
  w->created = true;
  jpeg_stdio_dest(&w->cinfo, file);
  w->cinfo.image_width = static_cast<JDIMENSION>(rows->Width());
  w->cinfo.image_height = static_cast<JDIMENSION>(rows->Height());
  w->cinfo.input_components = 4;
  w->cinfo.in_color_space = JCS_EXT_RGBX;
  jpeg_set_defaults(&w->cinfo);
  jpeg_set_quality(&w->cinfo, quality, FALSE);
  jpeg_start_compress(&w->cinfo, TRUE);
  while (w->cinfo.next_scanline < w->cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(NextRow(rows, static_cast<int32_t>(w->cinfo.next_scanline)));
    jpeg_write_scanlines(&w->cinfo, &row, 1);
  }
  jpeg_finish_compress(&w->cinfo);
  return true;
}

int WriteJpeg24(const std::string& path, SaveRows& rows, int quality, int /*depth*/) {
  auto writer = std::make_unique<JpegWriter>();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  const int library_quality = std::clamp(quality, 0, 10) * 10;
  if (!WriteGuarded(writer.get(), file, &rows, library_quality)) {
    writer.reset();
    AbandonWrittenFile(file, path);
    return 0;
  }
  writer.reset();
  return FinishWrittenFile(file, path);
}

}  // namespace

EncoderEntry JpegEncoderEntry() { return {CodecJpeg, &WriteJpeg24, nullptr}; }

}  // namespace zen
