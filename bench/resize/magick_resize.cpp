#include "magick_resize.h"

#include <Magick++.h>
#include <time.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zen::bench {

namespace {

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

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

void MagickResizeMs(const uint8_t* pixels, int32_t width, int32_t height, int32_t target_width, int32_t target_height,
                    int runs, std::vector<uint8_t>* result, std::vector<double>* wall_ms, std::vector<double>* cpu_ms) {
  UsePermissivePolicy();
  Magick::InitializeMagick(nullptr);
  Magick::ResourceLimits::thread(1);
  Magick::Image source;
  source.read(static_cast<size_t>(width), static_cast<size_t>(height), "RGBA", Magick::CharPixel, pixels);
  Magick::Geometry size(static_cast<size_t>(target_width), static_cast<size_t>(target_height));
  size.aspect(true);  // exactly this size
  for (int run = 0; run < runs; ++run) {
    Magick::Image image = source;
    image.filterType(Magick::MitchellFilter);
    const auto start = std::chrono::steady_clock::now();
    const double cpu_start = ThreadCpuMs();
    image.resize(size);
    cpu_ms->push_back(ThreadCpuMs() - cpu_start);
    wall_ms->push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    if (run == runs - 1 && result) {
      result->resize(static_cast<size_t>(target_width) * static_cast<size_t>(target_height) * 4);
      image.write(0, 0, static_cast<size_t>(target_width), static_cast<size_t>(target_height), "RGBA",
                  Magick::CharPixel, result->data());
    }
  }
}

}  // namespace zen::bench
