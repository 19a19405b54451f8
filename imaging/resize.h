#pragma once
// Resampling an image in place: a separable Mitchell-Netravali filter, or nearest neighbour.
#include <cstdint>

#include "imaging/image_table.h"

namespace zen {

inline constexpr int32_t KeepDimension = -65535;
enum ResizeModeFlags : int { ResizeSmooth = 0, ResizeRaw = 1 };

// 1 when the image now has the requested size (or already had it), 0 on failure, in which
// case the image is unchanged. Only bit 0 of mode is read.
int ImageResize(ImageId image, int32_t width, int32_t height, int mode = ResizeSmooth);

}  // namespace zen
