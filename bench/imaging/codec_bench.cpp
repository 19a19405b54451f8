// Codec and grab benchmark on a deterministic 690 x 20000 comic page. Each figure is
// measured in the same run against the same work done directly with the libraries:
//   ImageLoad + ImageSave of the JPEG (quality 9) vs libjpeg decode + encode (goal <= 1.15x)
//   ImageLoad + ImageSave of the PNG (level 9, filter none) vs libpng        (goal <= 1.10x)
//   ImageGrab of 1500-row bands vs memcpy of the same bytes                  (goal <= 1.5x)
//   peak memory of loading the JPEG, in a fresh process  (goal <= 1.3 x RGBA + file size)
// Run: build*/bench/imaging/codec_bench [repetitions]
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/common/comic_page.h"
#include "direct_codecs.h"
#include "imaging/codecs.h"
#include "imaging/image_table.h"
#include "platform/text.h"

namespace {

constexpr int32_t kWidth = 690;
constexpr int32_t kHeight = 20000;
constexpr int32_t kBand = 1500;

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The best of `runs` alternating timings of ours and theirs.
std::pair<double, double> Compare(int runs, const std::function<void()>& ours, const std::function<void()>& theirs) {
  double best_ours = 1e30;
  double best_theirs = 1e30;
  for (int i = 0; i < runs; ++i) {
    best_ours = std::min(best_ours, Seconds(ours));
    best_theirs = std::min(best_theirs, Seconds(theirs));
  }
  return {best_ours, best_theirs};
}

void Report(const char* what, std::pair<double, double> t, double goal) {
  const double ratio = t.first / t.second;
  std::printf("%-34s ours %8.1f ms  direct %8.1f ms  ratio %.3f  (goal <= %.2f) %s\n", what, t.first * 1e3,
              t.second * 1e3, ratio, goal, ratio <= goal ? "ok" : "OVER");
}

long MaxRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Child mode: load the file once and print the peak resident size before and after.
int MeasureLoadPeak(const char* path) {
  zen::RegisterAllCodecs();
  const long before = MaxRssKb();
  if (zen::ImageLoad(1, zen::FromUtf8(path)) == 0) return 1;
  std::printf("%ld %ld\n", before, MaxRssKb());
  return 0;
}

void ReportLoadPeak(const std::string& jpeg) {
  char exe[4096] = {};
  if (readlink("/proc/self/exe", exe, sizeof exe - 1) <= 0) return;
  const std::string command = std::string("'") + exe + "' --load-peak '" + jpeg + "'";
  std::FILE* child = popen(command.c_str(), "r");
  long before = 0;
  long after = 0;
  const bool read = child && std::fscanf(child, "%ld %ld", &before, &after) == 2;
  if (child) pclose(child);
  if (!read) {
    std::printf("peak memory: child run failed\n");
    return;
  }
  const double rgba_mb = static_cast<double>(kWidth) * kHeight * 4 / 1048576.0;
  const double file_mb = static_cast<double>(std::filesystem::file_size(jpeg)) / 1048576.0;
  const double grown_mb = static_cast<double>(after - before) / 1024.0;
  const double budget = 1.3 * rgba_mb + file_mb;
  std::printf("JPEG load peak: %.1f MB above a %.1f MB start (RGBA %.1f MB, file %.1f MB, budget %.1f MB) %s\n",
              grown_mb, before / 1024.0, rgba_mb, file_mb, budget, grown_mb <= budget ? "ok" : "OVER");
}

// The shared comic page under number, as an opaque image.
bool MakeComicPage(zen::ImageId number, int32_t width, int32_t height) {
  if (zen::ImageCreate(number, width, height) == 0) return false;
  const std::vector<uint8_t> page = zen::bench::ComicPage(width, height);
  std::memcpy(zen::ImageNativeObject(number)->pixels.get(), page.data(), page.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--load-peak") == 0) return MeasureLoadPeak(argv[2]);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  zen::RegisterAllCodecs();
  const auto dir = std::filesystem::temp_directory_path() / ("zen-codec-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const auto path = [&](const char* name) { return (dir / name).string(); };
  if (!MakeComicPage(9, kWidth, kHeight)) return 1;
  zen::ImageSave(9, zen::FromUtf8(path("page.jpg")), zen::CodecJpeg, 9, -1);
  zen::ImageSave(9, zen::FromUtf8(path("page.png")), zen::CodecPng, 7, -1);
  std::printf("page %dx%d: JPEG %.1f MB, PNG %.1f MB; best of %d runs\n", kWidth, kHeight,
              std::filesystem::file_size(path("page.jpg")) / 1048576.0,
              std::filesystem::file_size(path("page.png")) / 1048576.0, runs);

  Report("JPEG load + save (quality 9)",
         Compare(
             runs,
             [&] {
               zen::ImageLoad(1, zen::FromUtf8(path("page.jpg")));
               zen::ImageSave(1, zen::FromUtf8(path("ours.jpg")), zen::CodecJpeg, 9, -1);
               zen::ImageFree(1);
             },
             [&] {
               zen::bench::DirectJpegEncode(zen::bench::DirectJpegDecode(path("page.jpg")), path("direct.jpg"), 90);
             }),
         1.15);
  Report("PNG load + save (level 9, none)",
         Compare(
             std::max(1, runs - 1),
             [&] {
               zen::ImageLoad(1, zen::FromUtf8(path("page.png")));
               zen::ImageSave(1, zen::FromUtf8(path("ours.png")), zen::CodecPng, 7, -1);
               zen::ImageFree(1);
             },
             [&] { zen::bench::DirectPngEncode(zen::bench::DirectPngDecode(path("page.png")), path("direct.png")); }),
         1.10);

  const size_t band_bytes = static_cast<size_t>(kWidth) * kBand * 4;
  std::vector<uint8_t> copy(band_bytes);
  const zen::NativeImage* page = zen::ImageNativeObject(9);
  Report("ImageGrab of 1500-row bands",
         Compare(
             runs * 10,
             [&] {
               for (int32_t y = 0; y + kBand <= kHeight; y += kBand) zen::ImageGrab(9, 10, 0, y, kWidth, kBand);
             },
             [&] {
               for (int32_t y = 0; y + kBand <= kHeight; y += kBand) std::memcpy(copy.data(), page->Row(y), band_bytes);
               __asm__ volatile("" : : "r"(copy.data()) : "memory");
             }),
         1.5);
  ReportLoadPeak(path("page.jpg"));
  std::filesystem::remove_all(dir);
  return 0;
}
