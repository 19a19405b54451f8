// Fixed-height cutting: one band of the source per step into the open piece, which may
// run on into the next source (joined mode, or the next strip of an over-tall source).
#include <algorithm>
#include <cstring>

#include "imaging/image_table.h"
#include "slicing/job_internal.h"
#include "slicing/slicing_job.h"

namespace zen {
namespace {

using namespace slicing_detail;

// Onto the opaque piece canvas: a clear pixel shows white, as in a JPEG piece and in a
// page the converter made, never the colour it happens to store.
void DrawOnto(ImageId target, ImageId image, int32_t x, int32_t y) {
  const NativeImage* native = ImageNativeObject(image);
  if (!native || !DrawingStart(ImageDrawTarget(target))) return;
  DrawImageOverWhiteAt(native, x, y);
  DrawingStop();
}

// Two pixels a word, so the test runs at the speed of memory: the alpha bytes (the top
// byte of each pixel read as a little-endian word) of the AND of all words.
bool AllOpaque(const NativeImage& image) {
  constexpr uint64_t kAlphas = 0xFF000000FF000000u;
  const uint8_t* p = image.pixels.get();
  const size_t bytes = image.ByteCount();
  uint64_t all = ~uint64_t{0};
  size_t i = 0;
  for (; i + 8 <= bytes; i += 8) {
    uint64_t word = 0;
    std::memcpy(&word, p + i, 8);
    all &= word;
  }
  if (i < bytes) all &= 0xFFFFFFFF00FFFFFFu | uint64_t{p[i + 3]} << 24;  // an odd last pixel
  return (all & kAlphas) == kAlphas;
}

// A band that makes a whole piece on its own. Drawing it onto a fresh opaque canvas gives
// its colours with alpha 255, with the canvas's file depth 24; for an opaque band
// a grab straight into PieceImage gives the same bytes with a third of the copying. False
// (and nothing done that matters) when the band is not opaque.
bool GrabWholePiece(int32_t width, int64_t band) {
  const SlicingJob& job = TheSlicingJob();
  ImageGrab(SourceImage, PieceImage, 0, static_cast<int32_t>(job.cursor_y), width, static_cast<int32_t>(band));
  ImageRecord* piece = FindImage(PieceImage);
  if (!piece || !AllOpaque(*piece->native)) return false;
  piece->file_depth = 24;
  piece->codec_id = 0;
  return true;
}

}  // namespace

void FixedHeightStep() {
  SlicingJob& job = TheSlicingJob();
  const int64_t band = std::min(job.settings.slice_height - job.carry_height, job.source_height - job.cursor_y);
  const auto width = static_cast<int32_t>(job.source_width);
  if (job.carry_height == 0 && band == job.settings.slice_height && GrabWholePiece(width, band)) {
    AddPieceRows(job.cursor_y, band);
    SavePiece(PieceImage);
    ImageFree(PieceImage);
    job.cursor_y += band;
    if (job.cursor_y >= job.source_height) EndSource();
    return;
  }
  ImageGrab(SourceImage, BandImage, 0, static_cast<int32_t>(job.cursor_y), width, static_cast<int32_t>(band));
  if (job.carry_height == 0) {
    // A height beyond what the store can make leaves no canvas; that piece then fails to
    // save and is counted.
    const auto height = static_cast<int32_t>(std::min<int64_t>(job.settings.slice_height, INT32_MAX));
    ImageCreate(PieceImage, width, height);
  }
  DrawOnto(PieceImage, BandImage, 0, static_cast<int32_t>(job.carry_height));
  AddPieceRows(job.cursor_y, band);
  job.carry_height += band;
  if (job.carry_height >= job.settings.slice_height) job.carry_height = 0;
  if (job.carry_height == 0) {
    SavePiece(PieceImage);
    ImageFree(PieceImage);
  }
  job.cursor_y += band;
  if (job.cursor_y >= job.source_height) EndSource();
}

namespace slicing_detail {

void WriteTail() {
  SlicingJob& job = TheSlicingJob();
  if (job.carry_height <= 0) return;
  ImageCreate(TailImage, static_cast<int32_t>(job.source_width), static_cast<int32_t>(job.carry_height));
  DrawOnto(TailImage, PieceImage, 0, 0);
  ImageFree(PieceImage);
  SavePiece(TailImage);
  ImageFree(TailImage);
  job.carry_height = 0;
}

}  // namespace slicing_detail
}  // namespace zen
