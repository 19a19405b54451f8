#pragma once
// Shared set-up of the slicing tests: the program's main window on the headless window
// system, a temporary folder tree, a stand-in converter, test pages written as real PNG
// files, and a recording observer.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/headless/headless_gui.h"
#include "platform/gui/main_controls.h"
#include "slicing/slicing_job.h"

namespace zen::test {

namespace fs = std::filesystem;

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

using PixelFunction = std::function<Rgb(int x, int y)>;
using RowPredicate = std::function<bool(int y)>;

// Writes an 8-bit RGB PNG row by row (no whole-image buffer).
bool WritePng(const fs::path& path, int width, int height, const PixelFunction& pixel);

struct DecodedPng {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  Rgb At(int x, int y) const {
    const size_t at = (static_cast<size_t>(y) * width + x) * 3;
    return {rgb[at], rgb[at + 1], rgb[at + 2]};
  }
};
std::optional<DecodedPng> ReadPng(const fs::path& path);

// The test page: column 2 carries the row's code (red = y & 255, green = y >> 8 & 255,
// blue = tag), so every piece row tells which source row it came from. Content rows have
// odd columns far from column 0; gutter rows are plain white apart from column 2, which
// the uniformity test never reads.
Rgb PagePixel(int x, int y, int tag, bool gutter);
int RowCode(const DecodedPng& piece, int y);  // the source row held by piece row y
int RowTag(const DecodedPng& piece, int y);

struct RecordingObserver : JobObserver {
  std::vector<PieceReport> pieces;
  std::vector<std::u16string> skipped;
  int size_stops = 0;
  int finished = 0;
  void PieceSaved(const PieceReport& piece) override { pieces.push_back(piece); }
  void SourceSkipped(int64_t, std::u16string_view path, const ProblemReason&) override { skipped.emplace_back(path); }
  void SizeLimitStop(std::u16string_view, bool) override { ++size_stops; }
  void JobFinished() override { ++finished; }
};

class JobTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A page under the temporary root; rows where gutter(y) holds are plain white.
  fs::path MakePage(const std::string& relative, int width, int height, int tag = 0,
                    const RowPredicate& gutter = nullptr);
  void AddSource(const fs::path& path);
  void SetText(gui::ControlId control, std::u16string_view text);
  void SetState(gui::ControlId control, int state);
  void UseCutDetection(int minimum, int maximum);
  void UseFixedHeight(int height, bool joined);
  // Cut detection by the smart planner.
  void UseSmart(int minimum, int maximum);
  void UsePng() { SetState(gui::CtlFormatBox, 1); }

  // Requests a start and runs steps until the job is idle; the number of steps.
  int RunJob(int max_steps = 1000000);
  // File names in a folder, sorted by name.
  std::vector<std::string> FilesIn(const fs::path& folder) const;
  // Heights of the pieces the observer saw, in order.
  std::vector<int> PieceHeights() const;

  gui::HeadlessGui* gui_ = nullptr;
  fs::path root_;
  fs::path settings_;
  bool poll_events_ = false;
  int smart_planner_ = 0;
  int64_t job_end_time_ = -1;
  RecordingObserver observer_;
};

}  // namespace zen::test
