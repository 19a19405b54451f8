#pragma once
// A surface the drawing operations can work on. Plain C layout, because targets also
// come from the 3D engine library (its textures), which is loaded at run time.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ZenDrawingTarget {
  uint8_t* pixels;  // first byte of the stored first row
  int32_t width;    // pixels
  int32_t height;   // pixels
  int32_t bytes_per_row;
  int32_t bytes_per_pixel;  // 4 (R, G, B, A) for images; other targets may use 3 (R, G, B)
  int32_t bottom_up;        // non-zero: rows are stored last row first
  void* owner;              // the image's native object for image targets, else the creator's
  // Called by DrawingStop, for targets that must learn that their pixels changed.
  void (*on_stop)(struct ZenDrawingTarget* target);
} ZenDrawingTarget;

#ifdef __cplusplus
}
#endif
