#pragma once
// ImageMagick's Mitchell resize of an in-memory RGBA image, for comparison only.
#include <cstdint>
#include <vector>

namespace zen::bench {

// Milliseconds of each of `runs` resizes (one thread); the last result into *result.
std::vector<double> MagickResizeMs(const uint8_t* pixels, int32_t width, int32_t height, int32_t target_width,
                                   int32_t target_height, int runs, std::vector<uint8_t>* result);

}  // namespace zen::bench
