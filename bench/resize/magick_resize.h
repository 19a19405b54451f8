#pragma once
// ImageMagick's Mitchell resize of an in-memory RGBA image, for comparison only.
#include <cstdint>
#include <vector>

namespace zen::bench {

// Runs `runs` resizes on one thread, appending each one's wall and CPU milliseconds;
// the last result goes into *result.
void MagickResizeMs(const uint8_t* pixels, int32_t width, int32_t height, int32_t target_width, int32_t target_height,
                    int runs, std::vector<uint8_t>* result, std::vector<double>* wall_ms, std::vector<double>* cpu_ms);

}  // namespace zen::bench
