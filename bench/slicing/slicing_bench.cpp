// Whole slicing jobs on a 690 x 20000 comic page (JPEG q90), through the headless window
// layer, beside the floor: decoding the source once and encoding the same pieces directly
// with libjpeg / libpng. Every run is its own child process, so each peak memory figure is
// that run's alone. Not a test: run by hand,
//   build-dir/bench/slicing/slicing_bench [runs]
// ZEN_BENCH_CONVERTER=path uses another converter for the size query than the stand-in;
// ZEN_THREADS=n gives the jobs n workers (the floor is one thread whatever it says).
// Modes: fixed height 1500 with JPEG quality 9 pieces, the same with PNG pieces, cut
// detection (300 ~ 1500) with JPEG pieces, and a 1380 x 30000 page resized to 690 wide
// and cut at 1500 (its floor: the decode of that page and the encode of the pieces, made
// from every other row and column).
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "bench/common/comic_page.h"
#include "bench/common/png_file.h"
#include "imaging/codecs.h"
#include "platform/gui/main_controls.h"
#include "platform/program_runner.h"
#include "platform/text.h"
#include "slicing/slicing_job.h"
#include "tests/support/jpeg_direct.h"
#include "tests/support/shell_records.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 690;
constexpr int kHeight = 20000;
constexpr int kSliceHeight = 1500;
constexpr int kWideWidth = 1380;
constexpr int kWideHeight = 30000;  // within one load: no converter strips

struct Piece {
  int first = 0;
  int rows = 0;
};

double NowMs() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

bool WriteJpeg(const std::string& path, const uint8_t* rgb, int width, int rows, int quality) {
  return zen::test::DirectJpegEncodeFile(path, {rgb, width, rows}, quality);
}

std::vector<Piece> FixedPieces(int height) {
  std::vector<Piece> pieces;
  for (int y = 0; y < height; y += kSliceHeight) pieces.push_back({y, std::min(kSliceHeight, height - y)});
  return pieces;
}

std::vector<Piece> ReadPieces(const std::string& path) {
  std::vector<Piece> pieces;
  std::ifstream in(path);
  for (Piece p; in >> p.first >> p.rows;) pieces.push_back(p);
  return pieces;
}

// Every other row and column: pixels of the resized page's size for the resize's floor.
std::vector<uint8_t> HalfSize(const std::vector<uint8_t>& rgb, int width, int height) {
  std::vector<uint8_t> half(static_cast<size_t>(width / 2) * (height / 2) * 3);
  uint8_t* to = half.data();
  for (int y = 0; y < height / 2; ++y) {
    const uint8_t* row = rgb.data() + static_cast<size_t>(2 * y) * width * 3;
    for (int x = 0; x < width / 2; ++x, to += 3) std::memcpy(to, row + 6 * x, 3);
  }
  return half;
}

void RunFloor(const std::string& source, const std::string& out, bool png, const std::vector<Piece>& pieces_in,
              bool halve = false) {
  // The floor's decode: the whole file in memory, decompressed once into RGB rows.
  zen::test::DirectJpeg decoded = zen::test::DirectJpegDecodeFile(source).value();
  const int width = halve ? decoded.width / 2 : decoded.width;
  const int height = halve ? decoded.height / 2 : decoded.height;
  if (halve) decoded.samples = HalfSize(decoded.samples, decoded.width, decoded.height);
  const std::vector<uint8_t>& rgb = decoded.samples;
  const std::vector<Piece> pieces = pieces_in.empty() ? FixedPieces(height) : pieces_in;
  int n = 0;
  for (const Piece& p : pieces) {
    const uint8_t* rows = rgb.data() + static_cast<size_t>(p.first) * width * 3;
    const std::string name = out + "/floor_" + std::to_string(++n);
    if (png) {
      zen::bench::WritePng(name + ".png", rows, width, p.rows, 9);
    } else {
      WriteJpeg(name + ".jpg", rows, width, p.rows, 90);
    }
  }
}

// --- the job through the headless window layer ----------------------------------

struct PieceLog : zen::JobObserver {
  std::vector<Piece> pieces;
  void PieceSaved(const zen::PieceReport& piece) override {
    if (!piece.rows.empty()) {
      pieces.push_back({static_cast<int>(piece.rows[0].first_row), piece.height});
    }
  }
};

void RunJob(const std::string& source, const std::string& settings, const std::string& converter, bool png,
            bool cut_detect, const std::string& piece_log, bool resize = false) {
  using namespace zen;
  gui::HeadlessGui* gui = test::InstallHeadlessGui();
  BuildMainWindow();
  gui->SetState(gui::CtlOpenFolderCheck, 0);  // no file browser after each run
  RegisterAllCodecs();
  InitProgramRunner();
  ResetSlicingJob();
  bool poll_events = false;
  int64_t job_end_time = -1;
  PieceLog log;
  SlicingJob& job = TheSlicingJob();
  job.converter_path = FromUtf8(converter);
  job.host.settings_folder = FromUtf8(settings + "/");
  job.host.poll_events = &poll_events;
  job.host.job_end_time = &job_end_time;
  job.host.observer = &log;
  gui->InsertRow(gui::CtlSourceList, -1, u"", u"page.jpg", FromUtf8(source));
  gui->SetState(gui::CtlFormatBox, png ? 1 : 0);
  if (cut_detect) gui->SetState(gui::CtlCutDetectOption, 1);
  if (resize) {
    gui->SetState(gui::CtlResizeCheck, 1);
    gui->SetText(gui::CtlWidthField, u"690");
  }
  job.job_state = JobStartRequested;
  StartJob();
  gui::Event event;
  while (job.job_state == JobRunning) {
    gui->PollEvent(event);  // the loop's turn: no event is pending
    StepJob();
  }
  if (!piece_log.empty()) {
    std::ofstream out(piece_log);
    for (const Piece& p : log.pieces) out << p.first << ' ' << p.rows << '\n';
  }
  gui::InstallGui(nullptr);
}

int Child(int argc, char** argv) {
  // --child mode source out settings converter
  if (argc < 7) return 2;
  const std::string mode = argv[2], source = argv[3], out = argv[4], settings = argv[5], converter = argv[6];
  const double start = NowMs();
  if (mode == "floor-jpeg") RunFloor(source, out, false, {});
  if (mode == "floor-png") RunFloor(source, out, true, {});
  if (mode == "floor-cut") RunFloor(source, out, false, ReadPieces(out + "/../cut_pieces.txt"));
  if (mode == "job-jpeg") RunJob(source, settings, converter, false, false, "");
  if (mode == "job-png") RunJob(source, settings, converter, true, false, "");
  if (mode == "job-cut") RunJob(source, settings, converter, false, true, out + "/../cut_pieces.txt");
  if (mode == "floor-resize") RunFloor(source, out, false, {}, true);
  if (mode == "job-resize") RunJob(source, settings, converter, false, false, "", true);
  std::printf("%.3f\n", NowMs() - start);
  return 0;
}

struct RunResult {
  double ms = 0;
  long peak_kb = 0;
};

RunResult RunChild(const std::string& self, const std::string& mode, const fs::path& root,
                   const std::string& converter) {
  const fs::path source = root / (mode.ends_with("resize") ? "wide/page.jpg" : "src/page.jpg");
  const fs::path out = mode.rfind("floor", 0) == 0 ? root / "floor" : source.parent_path() / "slice";
  fs::remove_all(root / "floor");
  fs::remove_all(source.parent_path() / "slice");
  fs::create_directories(root / "floor");
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipe_fds[1], 1);
    close(pipe_fds[0]);
    const std::string s = source.string(), o = out.string(), st = (root / "settings").string();
    execl(self.c_str(), self.c_str(), "--child", mode.c_str(), s.c_str(), o.c_str(), st.c_str(), converter.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipe_fds[1]);
  char buffer[64] = {};
  const ssize_t got = read(pipe_fds[0], buffer, sizeof buffer - 1);
  close(pipe_fds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  RunResult result;
  result.ms = got > 0 ? std::atof(buffer) : -1;
  result.peak_kb = usage.ru_maxrss;
  return result;
}

// Job and floor runs alternate, so that load from other programs hits both alike; the
// median run of each counts, and the highest peak.
std::pair<RunResult, RunResult> BestPair(const std::string& self, const std::string& job_mode,
                                         const std::string& floor_mode, const fs::path& root,
                                         const std::string& converter, int runs) {
  RunResult job, floor;
  std::vector<double> times[2];
  for (int i = 0; i < runs; ++i) {
    for (int side = 0; side < 2; ++side) {
      const RunResult r = RunChild(self, side == 0 ? job_mode : floor_mode, root, converter);
      times[side].push_back(r.ms);
      RunResult& kept = side == 0 ? job : floor;
      kept.peak_kb = std::max(kept.peak_kb, r.peak_kb);
    }
  }
  for (int side = 0; side < 2; ++side) {
    std::sort(times[side].begin(), times[side].end());
    (side == 0 ? job : floor).ms = times[side][times[side].size() / 2];
  }
  return {job, floor};
}

std::string SelfPath() {
  char buffer[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

void WritePage(const std::string& path, int width = kWidth, int height = kHeight) {
  std::vector<uint8_t> rgb;
  {
    const std::vector<uint8_t> rgba = zen::bench::ComicPage(width, height);
    rgb.resize(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0, j = 0; i < rgba.size(); i += 4, j += 3) std::memcpy(&rgb[j], &rgba[i], 3);
  }
  WriteJpeg(path, rgb.data(), width, height, 90);
}

}  // namespace

// Also: --page PATH writes the test page only; --child MODE SOURCE OUT SETTINGS CONVERTER
// runs one mode (for profiling a run on its own).
int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--child") == 0) return Child(argc, argv);
  if (argc > 2 && std::strcmp(argv[1], "--page") == 0) {
    WritePage(argv[2]);
    return 0;
  }
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  std::string pattern = (fs::temp_directory_path() / "zen-slicing-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const fs::path root = pattern;
  fs::create_directories(root / "src");
  fs::create_directories(root / "wide");
  fs::create_directories(root / "settings");
  WritePage((root / "src/page.jpg").string());
  WritePage((root / "wide/page.jpg").string(), kWideWidth, kWideHeight);
  const double file_mb = static_cast<double>(fs::file_size(root / "src/page.jpg")) / 1e6;
  const double rgba_mb = kWidth * static_cast<double>(kHeight) * 4 / 1e6;
  const std::string self = SelfPath();
  // ZEN_BENCH_CONVERTER measures with another converter (the bundle's ZenHelper).
  const char* chosen = getenv("ZEN_BENCH_CONVERTER");
  const std::string converter = chosen && *chosen ? chosen : ZEN_CONVERTER_STAND_IN;
  const char* threads = getenv("ZEN_THREADS");
  std::printf("page %dx%d JPEG q90, %.2f MB file, %.1f MB RGBA; median of %d runs; ZEN_THREADS=%s\n", kWidth, kHeight,
              file_mb, rgba_mb, runs, threads && *threads ? threads : "(unset)");
  const std::pair<const char*, const char*> pairs[] = {
      {"job-jpeg", "floor-jpeg"}, {"job-png", "floor-png"}, {"job-cut", "floor-cut"}, {"job-resize", "floor-resize"}};
  for (auto [job_mode, floor_mode] : pairs) {
    const auto [job, floor] = BestPair(self, job_mode, floor_mode, root, converter, runs);
    std::printf("%-9s %8.1f ms  peak %6.1f MB | %-10s %8.1f ms  peak %6.1f MB | ratio %.3f\n", job_mode, job.ms,
                job.peak_kb / 1024.0, floor_mode, floor.ms, floor.peak_kb / 1024.0, job.ms / floor.ms);
    if (std::strcmp(job_mode, "job-jpeg") == 0) {
      const double limit = 1.3 * rgba_mb + file_mb;
      std::printf("          JPEG job peak %.1f MB against the bound 1.3 x RGBA + file = %.1f MB\n",
                  job.peak_kb * 1024.0 / 1e6, limit);
    }
  }
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return 0;
}
