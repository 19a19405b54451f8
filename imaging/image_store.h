#pragma once
// The process-wide record behind the image table and the current drawing context.
// Only the imaging library itself includes this; everyone else uses image_table.h.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/image_table.h"

namespace zen {

// What DrawingStart sets up: a copy of the target's geometry plus the drawing state.
struct DrawingContext {
  ZenDrawingTarget* target = nullptr;
  uint8_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bytes_per_row = 0;
  int32_t bytes_per_pixel = 4;
  bool bottom_up = false;
  int32_t origin_x = 0;  // added to every coordinate; always 0 here
  int32_t origin_y = 0;
  int mode = DrawingDefault;
  Colour front = 0;
  Colour back = 0xFFFFFF;

  // The first byte of the target's row y (top-first numbering).
  uint8_t* RowAt(int32_t y) const {
    int32_t stored = bottom_up ? height - 1 - y : y;
    return pixels + static_cast<std::ptrdiff_t>(stored) * bytes_per_row;
  }
};

struct ImageTable {
  // Slot records are kept (zeroed) when freed so the slot can be reused.
  std::vector<std::unique_ptr<ImageRecord>> slots;
  // Records created under AnyNumber; the record's address is its handle.
  std::vector<std::unique_ptr<ImageRecord>> handles;
  std::unique_ptr<DrawingContext> drawing;
};

ImageTable& TheImageTable();

// How many pixels from the start of an RGBA row are fully opaque; four are tested per
// step, since most pages are opaque throughout.
inline size_t OpaquePrefix(const uint8_t* row, size_t width) {
  size_t first = 0;
  for (; first + 4 <= width; first += 4) {
    uint32_t words[4];
    std::memcpy(words, row + first * 4, sizeof words);
    if ((words[0] & words[1] & words[2] & words[3]) < 0xFF000000u) break;
  }
  while (first < width && row[first * 4 + 3] == 255) ++first;
  return first;
}

}  // namespace zen
