#pragma once
// The same decodes and encodes done directly with libjpeg and libpng, as the baseline
// the image store's codecs are measured against. Errors end the program.
#include <cstdint>
#include <string>
#include <vector>

namespace zen::bench {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

RgbImage DirectJpegDecode(const std::string& path);
void DirectJpegEncode(const RgbImage& image, const std::string& path, int quality);
RgbImage DirectPngDecode(const std::string& path);
void DirectPngEncode(const RgbImage& image, const std::string& path);

}  // namespace zen::bench
