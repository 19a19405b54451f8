// Speed and memory of ZenHelper's strip conversion (not a test; prints figures):
//  1. a 690 x 90000 PSB (8-bit RGB, RLE) into 20 strips: the helper's peak resident
//     memory against 2 x one strip's 24-bit size + 16 MiB, and its time against reading
//     the same file's bytes;
//  2. a 690 x 40000 PNG into 20 strips against decoding it once with libpng (target 1.3x).
// Usage: converter_bench [repeats]
#include <png.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "interchange/bmp_header.h"
#include "tests/converter/converter_test_support.h"
#include "tests/converter/psd_test_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

struct HelperRun {
  double seconds = 0;
  double user = 0;
  double system = 0;
  long peak_kib = 0;
  int status = -1;
};

// Runs the helper and measures it (called in a freshly started copy of this program, so
// the helper's peak memory does not include the benchmark's own pages, which a child
// carries until it starts another program).
HelperRun MeasureHelper(const std::vector<std::string>& words) {
  std::string program = zen::test::HelperPath();
  std::vector<char*> argv{program.data()};
  for (const auto& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  HelperRun run;
  auto start = Clock::now();
  pid_t child = 0;
  int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  run.seconds = Seconds(start);
  run.user = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6;
  run.system = usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
  run.peak_kib = usage.ru_maxrss;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

HelperRun RunHelper(const std::vector<std::string>& words) {
  std::string command = "'/proc/" + std::to_string(getpid()) + "/exe' --measure";
  for (const auto& word : words) command += " '" + word + "'";
  HelperRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  if (std::fscanf(pipe, "%lf %lf %lf %ld %d", &run.seconds, &run.user, &run.system, &run.peak_kib, &run.status) != 5) {
    run.status = -1;
  }
  pclose(pipe);
  return run;
}

// The program deletes the strips once loaded; so does the benchmark, outside the timing.
void RemoveStrips(const zen::test::TempFolder& folder, const std::string& base) {
  for (int i = 0; i < 20; ++i) std::remove(folder.File(base + "P" + std::to_string(i) + ".bmp").c_str());
  sync();
}

double ReadFileBytes(const std::string& path) {
  std::vector<char> buffer(1 << 20);
  auto start = Clock::now();
  int descriptor = open(path.c_str(), O_RDONLY);
  while (read(descriptor, buffer.data(), buffer.size()) > 0) {
  }
  close(descriptor);
  return Seconds(start);
}

double CpuSeconds() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

// Wall seconds; cpu gets the processor seconds (the fair measure on a shared machine).
double DecodePngOnce(const std::string& path, double& cpu) {
  double cpu_start = CpuSeconds();
  auto start = Clock::now();
  FILE* file = std::fopen(path.c_str(), "rb");
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) return -1;
  png_init_io(png, file);
  png_read_info(png, info);
  std::vector<uint8_t> row(png_get_rowbytes(png, info));
  for (uint32_t y = 0; y < png_get_image_height(png, info); ++y) png_read_row(png, row.data(), nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  cpu = CpuSeconds() - cpu_start;
  return Seconds(start);
}

void WriteBenchPng(const std::string& path, const zen::test::RgbImage& image) {
  FILE* file = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) return;
  png_init_io(png, file);
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (uint32_t y = 0; y < image.height; ++y) {
    png_write_row(png, const_cast<png_bytep>(&image.rgb[uint64_t{y} * image.width * 3]));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

void BenchPsb(const zen::test::TempFolder& folder, int repeats) {
  const uint32_t width = 690, height = 90000;
  std::string path = folder.File("long.psb");
  {
    zen::test::RgbImage image = zen::test::PatternImage(width, height);
    zen::test::PsdFixture f;
    f.large = true;
    f.width = width;
    f.height = height;
    f.compression = 1;
    f.planes.assign(3, std::vector<uint8_t>(uint64_t{width} * height));
    for (uint64_t i = 0; i < uint64_t{width} * height; ++i) {
      for (int c = 0; c < 3; ++c) f.planes[c][i] = image.rgb[3 * i + c];
    }
    zen::test::WriteBytes(path, zen::test::WritePsd(f));
  }
  double floor = 1e9, best = 1e9;
  long peak = 0;
  HelperRun cpu;
  for (int i = 0; i < repeats; ++i) {
    floor = std::min(floor, ReadFileBytes(path));
    RemoveStrips(folder, "long");
    HelperRun run = RunHelper({"-logfile", "-", "-convertSlice", path + "[0]", "-configPath", folder.Slash()});
    if (run.status != 0) std::printf("PSB conversion failed (%d)\n", run.status);
    if (run.seconds < best) cpu = run;
    best = std::min(best, run.seconds);
    peak = std::max(peak, run.peak_kib);
  }
  double strip_mib = zen::BmpRowBytes24(width) * (height / 20) / 1048576.0;
  double limit_mib = 2 * strip_mib + 16;
  double file_mib = static_cast<double>(zen::test::ReadBytes(path).size()) / 1048576.0;
  std::printf("PSB 690x90000 RGB8 RLE (%.1f MiB file) -> 20 strips\n", file_mib);
  std::printf("  peak memory %.1f MiB (limit 2 x %.1f + 16 = %.1f MiB): %s\n", peak / 1024.0, strip_mib, limit_mib,
              peak / 1024.0 <= limit_mib ? "within" : "OVER");
  std::printf("  time %.3f s (user %.3f, system %.3f); reading the file's bytes %.3f s; %.0f MiB/s of file vs "
              "%.0f MiB/s floor\n",
              best, cpu.user, cpu.system, floor, file_mib / best, file_mib / floor);
}

void BenchPng(const zen::test::TempFolder& folder, int repeats) {
  std::string path = folder.File("long.png");
  WriteBenchPng(path, zen::test::PatternImage(690, 40000));
  double decode = 1e9, best = 1e9, decode_cpu = 1e9, best_cpu = 1e9;
  long peak = 0;
  HelperRun cpu;
  for (int i = 0; i < repeats; ++i) {
    double cpu_seconds = 0;
    decode = std::min(decode, DecodePngOnce(path, cpu_seconds));
    decode_cpu = std::min(decode_cpu, cpu_seconds);
    RemoveStrips(folder, "long");
    HelperRun run = RunHelper({"-logfile", "-", "-convertSlice", path, "-configPath", folder.Slash()});
    if (run.status != 0) std::printf("PNG conversion failed (%d)\n", run.status);
    best_cpu = std::min(best_cpu, run.user + run.system);
    if (run.seconds < best) cpu = run;
    best = std::min(best, run.seconds);
    peak = std::max(peak, run.peak_kib);
  }
  std::printf("PNG 690x40000 RGB8 -> 20 strips, peak memory %.1f MiB\n", peak / 1024.0);
  std::printf("  wall: %.3f s (user %.3f, system %.3f) vs one libpng decode %.3f s: ratio %.2f\n", best, cpu.user,
              cpu.system, decode, best / decode);
  std::printf("  processor time: %.3f s vs %.3f s: ratio %.2f (target <= 1.30): %s\n", best_cpu, decode_cpu,
              best_cpu / decode_cpu, best_cpu / decode_cpu <= 1.3 ? "within" : "OVER");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--measure") {
    HelperRun run = MeasureHelper(std::vector<std::string>(argv + 2, argv + argc));
    std::printf("%f %f %f %ld %d\n", run.seconds, run.user, run.system, run.peak_kib, run.status);
    return 0;
  }
  int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  zen::test::TempFolder folder;
  BenchPsb(folder, repeats);
  BenchPng(folder, repeats);
  return 0;
}
