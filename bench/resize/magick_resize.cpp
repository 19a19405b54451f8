#include "magick_resize.h"

#include <Magick++.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zen::bench {

namespace {

// The distribution's policy caps images at 16K rows and 256 MiB, which would push a
// 1380 x 20000 page to a disk cache; a private policy lifts the caps for a fair run.
void UsePermissivePolicy() {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "zen-resize-bench-magick";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "policy.xml") << "<policymap>\n"
                                       "  <policy domain=\"resource\" name=\"memory\" value=\"8GiB\"/>\n"
                                       "  <policy domain=\"resource\" name=\"map\" value=\"8GiB\"/>\n"
                                       "  <policy domain=\"resource\" name=\"width\" value=\"1MP\"/>\n"
                                       "  <policy domain=\"resource\" name=\"height\" value=\"1MP\"/>\n"
                                       "  <policy domain=\"resource\" name=\"area\" value=\"4GP\"/>\n"
                                       "  <policy domain=\"resource\" name=\"disk\" value=\"16GiB\"/>\n"
                                       "</policymap>\n";
  setenv("MAGICK_CONFIGURE_PATH", dir.c_str(), 1);
  setenv("MAGICK_THREAD_LIMIT", "1", 1);
  setenv("MAGICK_OCL_DEVICE", "OFF", 1);
}

}  // namespace

std::vector<double> MagickResizeMs(const uint8_t* pixels, int32_t width, int32_t height, int32_t target_width,
                                   int32_t target_height, int runs, std::vector<uint8_t>* result) {
  UsePermissivePolicy();
  Magick::InitializeMagick(nullptr);
  Magick::ResourceLimits::thread(1);
  Magick::Image source;
  source.read(static_cast<size_t>(width), static_cast<size_t>(height), "RGBA", Magick::CharPixel, pixels);
  std::vector<double> times;
  Magick::Geometry size(static_cast<size_t>(target_width), static_cast<size_t>(target_height));
  size.aspect(true);  // exactly this size
  for (int run = 0; run < runs; ++run) {
    Magick::Image image = source;
    image.filterType(Magick::MitchellFilter);
    const auto start = std::chrono::steady_clock::now();
    image.resize(size);
    const auto end = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    if (run == runs - 1 && result) {
      result->resize(static_cast<size_t>(target_width) * static_cast<size_t>(target_height) * 4);
      image.write(0, 0, static_cast<size_t>(target_width), static_cast<size_t>(target_height), "RGBA",
                  Magick::CharPixel, result->data());
    }
  }
  return times;
}

}  // namespace zen::bench
