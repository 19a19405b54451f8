// Where the cuts land: the gutter scan of the cut-detection option beside the smart
// planner, over synthetic strips that know their safe rows (strip_page.h), each page as
// a lossless PNG and as a JPEG of quality 7, cut by whole dry-run jobs through the
// headless window layer (300 ~ 1500). Then the smart planner's time over the rows of a
// 690 x 20000 JPEG beside the time of decoding it. Not a test: run by hand,
//   build-dir/bench/planning/planning_bench [pages, at least 200] [--why] [--times] [--bands N]
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "bench/common/png_file.h"
#include "bench/planning/strip_page.h"
#include "imaging/codecs.h"
#include "planning/band_tracker.h"
#include "planning/row_analysis.h"
#include "planning/smart_planner.h"
#include "platform/gui/main_controls.h"
#include "platform/program_runner.h"
#include "platform/text.h"
#include "slicing/slicing_job.h"
#include "tests/support/jpeg_direct.h"
#include "tests/support/shell_records.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 690;
constexpr int64_t kMin = 300;
constexpr int64_t kMax = 1500;

double NowMs() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

std::vector<uint8_t> Rgb(const std::vector<uint8_t>& rgba) {
  std::vector<uint8_t> rgb(rgba.size() / 4 * 3);
  for (size_t i = 0, j = 0; i < rgba.size(); i += 4, j += 3) std::memcpy(&rgb[j], &rgba[i], 3);
  return rgb;
}

// Most pages 2500-12000 rows; every 50th shorter than the minimum.
int32_t PageHeight(int index) {
  if (index % 50 == 49) return 150 + (index * 37) % 140;
  return 2500 + static_cast<int32_t>((static_cast<uint32_t>(index) * 2654435761u >> 8) % 9500);
}

// Each page in a folder of its own, so each is a run of its own in both modes.
void WritePages(const fs::path& root, int pages, std::vector<zen::bench::StripPage>& known) {
  for (int i = 0; i < pages; ++i) {
    zen::bench::StripPage page = zen::bench::MakeStripPage(static_cast<uint32_t>(i + 1), kWidth, PageHeight(i));
    const std::vector<uint8_t> rgb = Rgb(page.rgba);
    const std::string name = "p" + std::to_string(1000 + i);
    fs::create_directories(root / "clean" / name);
    fs::create_directories(root / "jpeg7" / name);
    zen::bench::WritePng((root / "clean" / name / "page.png").string(), rgb.data(), kWidth, page.height, 1);
    zen::test::DirectJpegEncodeFile((root / "jpeg7" / name / "page.jpg").string(), {rgb.data(), kWidth, page.height},
                                    70);
    page.rgba = {};  // only the safe rows are kept
    known.push_back(std::move(page));
  }
}

// A dry-run job over the pages of `set`, in the gutter scan or the smart planner: its plan.
zen::CutPlan PlanOf(const fs::path& root, const std::string& set, int pages, bool smart, const std::string& converter) {
  using namespace zen;
  gui::HeadlessGui* gui = test::InstallHeadlessGui();
  BuildMainWindow();
  gui->SetState(gui::CtlOpenFolderCheck, 0);
  RegisterAllCodecs();
  InitProgramRunner();
  ResetSlicingJob();
  bool poll_events = false;
  int64_t job_end_time = -1;
  const int smart_planner = smart ? 1 : 0;
  SlicingJob& job = TheSlicingJob();
  job.converter_path = FromUtf8(converter);
  job.host.settings_folder = FromUtf8((root / "settings").string() + "/");
  job.host.poll_events = &poll_events;
  job.host.job_end_time = &job_end_time;
  job.host.dry_run = true;
  job.host.smart_planner = &smart_planner;
  const char* file = set == "clean" ? "page.png" : "page.jpg";
  for (int i = 0; i < pages; ++i) {
    const fs::path path = root / set / ("p" + std::to_string(1000 + i)) / file;
    gui->InsertRow(gui::CtlSourceList, -1, u"", FromUtf8(file), FromUtf8(path.string()));
  }
  gui->SetState(gui::CtlCutDetectOption, 1);
  gui->SetState(gui::CtlFixedOption, 0);
  gui->SetText(gui::CtlMinimumField, FromUtf8(std::to_string(kMin)));
  gui->SetText(gui::CtlMaximumField, FromUtf8(std::to_string(kMax)));
  job.job_state = JobStartRequested;
  StartJob();
  gui::Event event;
  while (job.job_state == JobRunning) {
    gui->PollEvent(event);
    StepJob();
  }
  CutPlan plan = job.plan;
  gui::InstallGui(nullptr);
  return plan;
}

struct Tally {
  int64_t cuts = 0, inside = 0, avoidable = 0, forced = 0, under_min = 0, over_max = 0;
  std::vector<int64_t> heights;
};

// Whether a gutter of at least MinGutter rows reaches into [from + min, from + max].
bool SafeBandInReach(const zen::bench::StripPage& page, int64_t from) {
  for (const auto& [top, bottom] : page.GutterBands(zen::MinGutter)) {
    if (top <= from + kMax && bottom >= from + kMin) return true;
  }
  return false;
}

// One line per avoidable cut: where it is, the band it was put in and what the page has there.
void Explain(const char* set, int index, const zen::PlanCut& cut, int64_t top, const zen::bench::StripPage& page) {
  const auto [element_top, element_bottom] = page.ElementSpan(cut.row);
  std::printf("why %s p%d: cut %lld (piece from %lld, %s) band %lld-%lld in %s %lld-%lld\n", set, index,
              static_cast<long long>(cut.row), static_cast<long long>(top),
              cut.kind == zen::CutKind::Forced ? "forced" : "gutter", static_cast<long long>(cut.band.top),
              static_cast<long long>(cut.band.bottom),
              zen::bench::ElementName(page.element[static_cast<size_t>(cut.row)]), static_cast<long long>(element_top),
              static_cast<long long>(element_bottom));
}

void Count(const zen::PlanRun& run, const zen::bench::StripPage& page, Tally& t, const char* explain, int index) {
  int64_t top = 0;
  for (const zen::PlanCut& cut : run.cuts) {
    const int64_t height = cut.row - top;
    t.heights.push_back(height);
    if (height < kMin && run.Rows() >= kMin) ++t.under_min;
    if (height > kMax) ++t.over_max;
    if (cut.row < run.Rows()) {
      ++t.cuts;
      if (cut.kind == zen::CutKind::Forced) ++t.forced;
      if (!page.SafeCut(cut.row)) {
        ++t.inside;
        if (SafeBandInReach(page, top)) {
          ++t.avoidable;
          if (explain) Explain(explain, index, cut, top, page);
        }
      }
    }
    top = cut.row;
  }
}

void PrintTally(const std::string& set, const char* planner, Tally t) {
  std::sort(t.heights.begin(), t.heights.end());
  double mean = 0, square = 0;
  for (int64_t h : t.heights) mean += static_cast<double>(h);
  mean /= static_cast<double>(std::max<size_t>(t.heights.size(), 1));
  for (int64_t h : t.heights) square += (static_cast<double>(h) - mean) * (static_cast<double>(h) - mean);
  const double sd = std::sqrt(square / static_cast<double>(std::max<size_t>(t.heights.size(), 1)));
  auto at = [&](double q) {
    return t.heights.empty() ? 0 : t.heights[static_cast<size_t>(q * (t.heights.size() - 1))];
  };
  std::printf(
      "| %-5s | %-6s | %5lld | %6lld (%5.1f %%) | %9lld | %6lld | %9lld | %8lld | %6zu | %6.0f | %5.0f | %4lld-%-5lld "
      "|\n",
      set.c_str(), planner, static_cast<long long>(t.cuts), static_cast<long long>(t.inside),
      t.cuts ? 100.0 * static_cast<double>(t.inside) / static_cast<double>(t.cuts) : 0.0,
      static_cast<long long>(t.avoidable), static_cast<long long>(t.forced), static_cast<long long>(t.under_min),
      static_cast<long long>(t.over_max), t.heights.size(), mean, sd, static_cast<long long>(at(0.05)),
      static_cast<long long>(at(0.95)));
}

void CompareCuts(const fs::path& root, int pages, const std::string& converter, bool explain) {
  std::vector<zen::bench::StripPage> known;
  const double start = NowMs();
  WritePages(root, pages, known);
  std::printf("%d pages written in %.0f s; min %lld, max %lld, MinGutter %d\n\n", pages, (NowMs() - start) / 1000,
              static_cast<long long>(kMin), static_cast<long long>(kMax), zen::MinGutter);
  std::printf(
      "| set   | planner | cuts | inside content   | avoidable | forced | under min | over max | pieces | mean   | sd  "
      "  | p5-p95     |\n");
  std::printf(
      "|-------|---------|------|------------------|-----------|--------|-----------|----------|--------|--------|-----"
      "--|------------|\n");
  for (const std::string set : {"clean", "jpeg7"}) {
    for (const bool smart : {false, true}) {
      const zen::CutPlan plan = PlanOf(root, set, pages, smart, converter);
      Tally tally;
      for (const zen::PlanRun& run : plan.runs) {
        if (run.files.empty()) continue;
        const std::string folder = fs::path(zen::ToUtf8(run.files.front().path)).parent_path().filename().string();
        const int index = std::atoi(folder.c_str() + 1) - 1000;
        const char* why = explain && smart ? set.c_str() : nullptr;
        if (index >= 0 && index < pages) Count(run, known[static_cast<size_t>(index)], tally, why, index);
      }
      PrintTally(set, smart ? "smart" : "cut", tally);
    }
  }
}

// The bands the planner sees on page `index` as a JPEG (q7), each with what the page has there.
void DumpBands(const fs::path& root, int index) {
  using namespace zen;
  const bench::StripPage page = bench::MakeStripPage(static_cast<uint32_t>(index + 1), kWidth, PageHeight(index));
  const std::vector<uint8_t> rgb = Rgb(page.rgba);
  const std::string path = (root / "page.jpg").string();
  test::DirectJpegEncodeFile(path, {rgb.data(), kWidth, page.height}, 70);
  RegisterAllCodecs();
  if (!ImageLoad(SourceImage, FromUtf8(path))) return;
  const NativeImage* image = ImageNativeObject(SourceImage);
  BandTracker tracker;
  for (int32_t y = 0; y < image->height; ++y) tracker.Add(AnalyseRow(image->Row(y), image->width));
  tracker.CloseOpenBand();
  for (size_t i = 0; i < tracker.Bands().size(); ++i) {
    const Band& band = tracker.Bands()[i];
    const BandShape shape = tracker.ShapeOf(i);
    std::printf("%6lld-%-6lld %4lld key %5d%s%s%s%s%s stretch %lld  %s\n", static_cast<long long>(band.top),
                static_cast<long long>(band.bottom), static_cast<long long>(band.Height()), band.colour_key,
                tracker.IsBackgroundAt(band, band.bottom + kMax) ? " background" : "", band.gradient ? " gradient" : "",
                shape.line_gap ? " line-gap" : "", shape.text_above ? " text-above" : "",
                shape.text_below ? " text-below" : "", static_cast<long long>(shape.stretch_rows),
                bench::ElementName(page.element[static_cast<size_t>(band.Middle())]));
  }
  ImageFree(SourceImage);
}

uint64_t ReadEveryByte(const zen::NativeImage& image) {
  uint64_t sum = 0;
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* row = image.Row(y);
    for (int32_t i = 0; i < image.width / 2; ++i) {
      uint64_t word = 0;
      std::memcpy(&word, row + 8 * static_cast<size_t>(i), 8);
      sum += word;
    }
  }
  return sum;
}

// The fastest of `runs` decodes of a 690 x 20000 JPEG (quality 7) through the program's own
// loader, and the fastest smart planning over its decoded rows, as the job hands them over.
void CompareTimes(const fs::path& root, int runs) {
  using namespace zen;
  const bench::StripPage page = bench::MakeStripPage(20000, kWidth, 20000);
  const std::vector<uint8_t> rgb = Rgb(page.rgba);
  const std::string path = (root / "tall.jpg").string();
  test::DirectJpegEncodeFile(path, {rgb.data(), kWidth, page.height}, 70);
  RegisterAllCodecs();
  double decode = 1e300, plan = 1e300, read = 1e300, rows = 1e300;
  uint64_t checksum = 0;
  size_t cuts = 0;
  for (int i = 0; i < runs; ++i) {
    double t0 = NowMs();
    if (!ImageLoad(SourceImage, FromUtf8(path))) return;
    decode = std::min(decode, NowMs() - t0);
    const NativeImage* image = ImageNativeObject(SourceImage);
    // The floor: every byte of the rows read once; then the row scan alone.
    t0 = NowMs();
    checksum += ReadEveryByte(*image);
    read = std::min(read, NowMs() - t0);
    t0 = NowMs();
    for (int32_t y = 0; y < image->height; ++y) checksum += AnalyseRow(image->Row(y), image->width).detail;
    rows = std::min(rows, NowMs() - t0);
    t0 = NowMs();
    SmartPlanner planner(PlannerLimits{kMin, kMax});
    for (int32_t y = 0; y < image->height; y += 2048) {
      planner.AddRows(image->Row(y), image->width, std::min(2048, image->height - y),
                      static_cast<size_t>(image->width) * 4);
    }
    planner.Finish();
    cuts = planner.TakeSettledCuts().size();
    plan = std::min(plan, NowMs() - t0);
    ImageFree(SourceImage);
  }
  std::printf(
      "\n690 x 20000 JPEG (q7, %.2f MB), best of %d: decode %.1f ms, smart planning %.1f ms (%zu pieces) = "
      "%.1f %% of the decode\n",
      static_cast<double>(fs::file_size(path)) / 1e6, runs, decode, plan, cuts, 100.0 * plan / decode);
  std::printf("of which the row scan %.1f ms; reading every byte of the rows once takes %.1f ms (%llu)\n", rows, read,
              static_cast<unsigned long long>(checksum % 10));
}

}  // namespace

int main(int argc, char** argv) {
  // planning_bench [pages] [--why: each avoidable smart cut explained] [--times: the timing only]
  //   [--bands N: the bands the planner sees on page N as a JPEG]
  const int pages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  bool explain = false, times_only = false;
  int bands_of = -1;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--bands") == 0 && i + 1 < argc) bands_of = std::atoi(argv[i + 1]);
    explain = explain || std::strcmp(argv[i], "--why") == 0;
    times_only = times_only || std::strcmp(argv[i], "--times") == 0;
  }
  std::string pattern = (fs::temp_directory_path() / "zen-planning-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const fs::path root = pattern;
  fs::create_directories(root / "settings");
  const char* chosen = getenv("ZEN_BENCH_CONVERTER");
  const std::string converter = chosen && *chosen ? chosen : ZEN_CONVERTER_STAND_IN;
  if (bands_of >= 0) {
    DumpBands(root, bands_of);
    fs::remove_all(root);
    return 0;
  }
  if (!times_only) CompareCuts(root, pages, converter, explain);
  CompareTimes(root, 5);
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return 0;
}
