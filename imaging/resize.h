#pragma once
// Resampling an image in place: a separable Mitchell-Netravali filter, or nearest neighbour.
#include <cstdint>
#include <functional>

#include "imaging/image_table.h"

namespace zen {

inline constexpr int32_t KeepDimension = -65535;
enum ResizeModeFlags : int { ResizeSmooth = 0, ResizeRaw = 1 };

// Runs part(0) ... part(count - 1), each exactly once, in any order and possibly side by
// side, and returns when all have returned. The smooth resize hands out bands of output
// rows through it; the parts write to disjoint rows and share only what they read.
using RunParts = std::function<void(int32_t count, const std::function<void(int32_t)>& part)>;

// 1 when the image now has the requested size (or already had it), 0 on failure, in which
// case the image is unchanged. Only bit 0 of mode is read. Without run_parts the whole
// resize runs on the calling thread; the bytes are the same either way.
int ImageResize(ImageId image, int32_t width, int32_t height, int mode = ResizeSmooth, const RunParts& run_parts = {});

}  // namespace zen
