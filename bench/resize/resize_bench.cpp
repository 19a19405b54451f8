// Smooth resize of a tall comic page, 1380 x 20000 -> 690 x 10000, timed beside a plain
// copy of the source bytes (the floor) and, when built with Magick++, ImageMagick's
// Mitchell filter on one thread. Usage: resize_bench [runs]
// Both wall time and this thread's CPU time are shown: on a busy machine the CPU time
// is the steadier figure.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench/common/comic_page.h"
#include "imaging/image_table.h"
#include "imaging/resize.h"
#include "imaging/resize_core.h"
#ifdef ZEN_BENCH_WITH_MAGICK
#include "magick_resize.h"
#endif

namespace {

constexpr int32_t kSourceWidth = 1380, kSourceHeight = 20000;
constexpr int32_t kTargetWidth = 690, kTargetHeight = 10000;

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Samples {
  std::vector<double> wall, cpu;
};

struct Timing {
  double wall = 0, cpu = 0;  // medians
  double best_cpu = 0;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

Timing Summarise(const Samples& s) {
  return {Median(s.wall), Median(s.cpu), *std::min_element(s.cpu.begin(), s.cpu.end())};
}

// `prepare` runs untimed before each timed `work`.
Timing Measure(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
  Samples s;
  for (int run = 0; run < runs; ++run) {
    prepare();
    const auto start = std::chrono::steady_clock::now();
    const double cpu_start = ThreadCpuMs();
    work();
    s.cpu.push_back(ThreadCpuMs() - cpu_start);
    s.wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  return Summarise(s);
}

void Report(const char* what, const Timing& t) {
  std::printf("  %-40s median wall %7.1f ms   CPU %7.1f ms (best %7.1f)\n", what, t.wall, t.cpu, t.best_cpu);
}

#ifdef ZEN_BENCH_WITH_MAGICK
double MeanDifference(const std::vector<uint8_t>& a, const uint8_t* b) {
  double total = 0;
  for (size_t i = 0; i < a.size(); ++i) total += std::abs(int{a[i]} - int{b[i]});
  return total / static_cast<double>(a.size());
}
#endif

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const std::vector<uint8_t> page = zen::bench::ComicPage(kSourceWidth, kSourceHeight);
  std::printf("smooth resize %dx%d -> %dx%d, %d runs each\n", kSourceWidth, kSourceHeight, kTargetWidth, kTargetHeight,
              runs);

  std::vector<uint8_t> copy(page.size(), 1);
  const Timing floor = Measure(
      runs, [] {}, [&] { std::memcpy(copy.data(), page.data(), page.size()); });
  Report(("memcpy of the source (" + std::to_string(page.size() >> 20) + " MiB)").c_str(), floor);

  constexpr zen::ImageId kPage = 9, kWork = 10;
  zen::ResetImageTable();
  zen::ImageCreate(kPage, kSourceWidth, kSourceHeight);
  std::memcpy(zen::ImageNativeObject(kPage)->pixels.get(), page.data(), page.size());
  int ok = 1;
  const Timing ours = Measure(
      runs, [&] { zen::ImageCopy(kPage, kWork); }, [&] { ok &= zen::ImageResize(kWork, kTargetWidth, kTargetHeight); });
  Report("ImageResize (new store included)", ours);
  const uint8_t* result = zen::ImageNativeObject(kWork)->pixels.get();

  std::vector<uint8_t> warm(static_cast<size_t>(kTargetWidth) * kTargetHeight * 4, 1);
  const Timing core = Measure(
      runs, [] {},
      [&] {
        ok &= zen::resize::ResampleSmooth(page.data(), kSourceWidth, kSourceHeight, warm.data(), kTargetWidth,
                                          kTargetHeight);
      });
  Report("ResampleSmooth into a warm buffer", core);
  if (!ok || std::memcmp(warm.data(), result, warm.size()) != 0) {
    std::printf("resize failed or the two results differ\n");
    return 1;
  }
  std::printf("  ImageResize / memcpy: %.2fx the floor (CPU time)\n", ours.cpu / floor.cpu);

#ifdef ZEN_BENCH_WITH_MAGICK
  std::vector<uint8_t> theirs;
  Samples samples;
  zen::bench::MagickResizeMs(page.data(), kSourceWidth, kSourceHeight, kTargetWidth, kTargetHeight, runs, &theirs,
                             &samples.wall, &samples.cpu);
  const Timing magick = Summarise(samples);
  Report("ImageMagick Mitchell, 1 thread", magick);
  std::printf("  ImageMagick / ImageResize: %.2fx wall, %.2fx CPU (goal >= 2x)\n", magick.wall / ours.wall,
              magick.cpu / ours.cpu);
  std::printf("  mean |difference| per sample against ImageMagick: %.3f\n", MeanDifference(theirs, result));
#else
  std::printf("  (ImageMagick comparison not built: install libmagick++-dev and reconfigure)\n");
#endif
  zen::ResetImageTable();
  return 0;
}
