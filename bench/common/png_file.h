#pragma once
// PNG files written with libpng directly (no filter), for the benchmarks' sources and floors.
#include <string>

namespace zen::bench {

// RGB rows, top first; `level` is zlib's compression level (0-9).
bool WritePng(const std::string& path, const unsigned char* rgb, int width, int rows, int level);

}  // namespace zen::bench
