#pragma once
// Resampling between plain RGBA buffers (rows top first, 4 * width bytes each, no padding).
// ImageResize runs these on the image store; tests and benchmarks call them directly.
#include <cstdint>

#include "imaging/resize.h"  // RunParts

namespace zen::resize {

// Separable Mitchell-Netravali filter with an 8-bit result after each pass. All sizes
// must be >= 1. False when working memory cannot be had (target then undefined). With
// run_parts, bands of output rows are made as separate parts, to the same bytes.
bool ResampleSmooth(const uint8_t* source, int32_t source_width, int32_t source_height, uint8_t* target,
                    int32_t target_width, int32_t target_height, const RunParts& run_parts = {});

// Nearest neighbour with 16.16 fixed-point steps. All sizes must be >= 1.
void ResampleRaw(const uint8_t* source, int32_t source_width, int32_t source_height, uint8_t* target,
                 int32_t target_width, int32_t target_height);

// The source index of output index i for a raw pass from n to m samples.
int32_t RawSourceIndex(int32_t n, int32_t m, int32_t i);

}  // namespace zen::resize
