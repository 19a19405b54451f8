// The current drawing context: reading pixels, drawing images and filling rectangles.
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "imaging/image_store.h"
#include "imaging/image_table.h"
#include "interchange/pixel_rules.h"

namespace zen {
namespace {

DrawingContext* Current() { return TheImageTable().drawing.get(); }

// A span clipped to [0, limit): the first covered coordinate and the count, or count 0.
struct Span {
  int32_t start = 0;
  int32_t count = 0;
  int32_t skipped = 0;  // how many leading units fell before 0
};

Span ClipSpan(int64_t from, int64_t length, int32_t limit) {
  int64_t end = std::min<int64_t>(from + length, limit);
  int64_t start = std::max<int64_t>(from, 0);
  if (end <= start) return {};
  return {static_cast<int32_t>(start), static_cast<int32_t>(end - start), static_cast<int32_t>(start - from)};
}

// Colour bytes copied over, the target's alpha (if it has one) kept. Pieces are composed
// with this a band at a time, so the 4-byte case moves four pixels per step.
void CopyColourBytes(uint8_t* out, const uint8_t* in, int32_t count, int32_t out_step) {
  if (out_step == 4 && std::endian::native == std::endian::little) {
    int32_t i = 0;
#ifdef __SSE2__
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (; i + 4 <= count; i += 4) {
      const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * i));
      const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + 4 * i));
      const __m128i mixed = _mm_or_si128(_mm_and_si128(dst, alpha), _mm_andnot_si128(alpha, src));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), mixed);
    }
#endif
    for (; i < count; ++i) {
      uint32_t dst;
      uint32_t src;
      std::memcpy(&dst, out + 4 * i, 4);
      std::memcpy(&src, in + 4 * i, 4);
      dst = (dst & 0xFF000000u) | (src & 0x00FFFFFFu);
      std::memcpy(out + 4 * i, &dst, 4);
    }
    return;
  }
  for (int32_t i = 0; i < count; ++i) {
    std::memcpy(out + static_cast<std::ptrdiff_t>(i) * out_step, in + 4 * i, 3);
  }
}

// Each pixel composited over white into the target's colour bytes; opaque runs are copied.
void CompositeOverWhite(uint8_t* out, const uint8_t* in, int32_t count, int32_t out_step) {
  int32_t i = 0;
  while (i < count) {
    const auto run =
        static_cast<int32_t>(OpaquePrefix(in + 4 * static_cast<ptrdiff_t>(i), static_cast<size_t>(count - i)));
    CopyColourBytes(out + static_cast<ptrdiff_t>(i) * out_step, in + 4 * static_cast<ptrdiff_t>(i), run, out_step);
    i += run;
    for (; i < count && in[4 * i + 3] != 255; ++i) {
      const uint8_t* p = in + 4 * static_cast<ptrdiff_t>(i);
      uint8_t* o = out + static_cast<ptrdiff_t>(i) * out_step;
      for (int k = 0; k < 3; ++k) o[k] = OverWhite(p[k], p[3]);
    }
  }
}

void PaintSpan(const DrawingContext& context, int32_t y, Span columns, Colour colour) {
  const int32_t step = context.bytes_per_pixel;
  uint8_t* out = context.RowAt(y) + static_cast<std::ptrdiff_t>(columns.start) * step;
  const uint8_t rgb[3] = {static_cast<uint8_t>(ColourRed(colour)), static_cast<uint8_t>(ColourGreen(colour)),
                          static_cast<uint8_t>(ColourBlue(colour))};
  for (int32_t i = 0; i < columns.count; ++i) std::memcpy(out + static_cast<std::ptrdiff_t>(i) * step, rgb, 3);
}

// Fills the rectangle [x, x + w) x [y, y + h), already normalised to positive sizes.
void FillArea(const DrawingContext& context, int64_t x, int64_t y, int64_t w, int64_t h, Colour colour) {
  const Span columns = ClipSpan(x, w, context.width);
  const Span rows = ClipSpan(y, h, context.height);
  if (columns.count == 0) return;
  for (int32_t r = 0; r < rows.count; ++r) PaintSpan(context, rows.start + r, columns, colour);
}

}  // namespace

int DrawingStart(ZenDrawingTarget* target) {
  ImageTable& table = TheImageTable();
  table.drawing.reset();
  if (!target || !target->pixels || target->width <= 0 || target->height <= 0) return 0;
  if (target->bytes_per_pixel != 3 && target->bytes_per_pixel != 4) return 0;
  if (target->bytes_per_row < target->width * target->bytes_per_pixel) return 0;
  auto context = std::unique_ptr<DrawingContext>(new (std::nothrow) DrawingContext);
  if (!context) return 0;
  context->target = target;
  context->pixels = target->pixels;
  context->width = target->width;
  context->height = target->height;
  context->bytes_per_row = target->bytes_per_row;
  context->bytes_per_pixel = target->bytes_per_pixel;
  context->bottom_up = target->bottom_up != 0;
  table.drawing = std::move(context);
  return 1;
}

void DrawingStop() {
  ImageTable& table = TheImageTable();
  if (!table.drawing) return;
  ZenDrawingTarget* target = table.drawing->target;
  table.drawing.reset();
  if (target && target->on_stop) target->on_stop(target);
}

void DrawingMode(int mode) {
  if (DrawingContext* context = Current()) context->mode = mode;
}

namespace {

using RowBlend = void (*)(uint8_t* out, const uint8_t* in, int32_t count, int32_t out_step);

void DrawRows(const NativeImage* image, int32_t x, int32_t y, RowBlend blend) {
  const DrawingContext* context = Current();
  if (!context || !image || !image->pixels) return;
  const Span columns = ClipSpan(static_cast<int64_t>(x) + context->origin_x, image->width, context->width);
  const Span rows = ClipSpan(static_cast<int64_t>(y) + context->origin_y, image->height, context->height);
  if (columns.count == 0) return;
  const int32_t step = context->bytes_per_pixel;
  for (int32_t r = 0; r < rows.count; ++r) {
    const uint8_t* in = image->Row(rows.skipped + r) + static_cast<std::ptrdiff_t>(columns.skipped) * 4;
    uint8_t* out = context->RowAt(rows.start + r) + static_cast<std::ptrdiff_t>(columns.start) * step;
    blend(out, in, columns.count, step);
  }
}

}  // namespace

void DrawImageAt(const NativeImage* image, int32_t x, int32_t y) { DrawRows(image, x, y, &CopyColourBytes); }

void DrawImageOverWhiteAt(const NativeImage* image, int32_t x, int32_t y) {
  DrawRows(image, x, y, &CompositeOverWhite);
}

Colour PixelRead(int32_t x, int32_t y) {
  const DrawingContext* context = Current();
  if (!context) return 0;
  const uint8_t* p = context->RowAt(y + context->origin_y) +
                     static_cast<std::ptrdiff_t>(x + context->origin_x) * context->bytes_per_pixel;
  return ColourPack(p[0], p[1], p[2]);
}

void FillRect(int32_t x, int32_t y, int32_t width, int32_t height, Colour colour) {
  const DrawingContext* context = Current();
  if (!context) return;
  // A negative size reaches left or up from the given corner.
  int64_t left = static_cast<int64_t>(x) + context->origin_x;
  int64_t top = static_cast<int64_t>(y) + context->origin_y;
  int64_t w = width;
  int64_t h = height;
  if (w < 0) left += w, w = -w;
  if (h < 0) top += h, h = -h;
  if (w == 0 || h == 0) return;
  if ((context->mode & DrawingOutlined) == 0 || w <= 2 || h <= 2) {
    FillArea(*context, left, top, w, h, colour);
    return;
  }
  FillArea(*context, left, top, w, 1, colour);
  FillArea(*context, left, top + h - 1, w, 1, colour);
  FillArea(*context, left, top + 1, 1, h - 2, colour);
  FillArea(*context, left + w - 1, top + 1, 1, h - 2, colour);
}

}  // namespace zen
