#include "tests/slicing/job_fixture.h"

#include <png.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/main_window.h"
#include "imaging/codecs.h"
#include "imaging/image_table.h"
#include "platform/gui/main_controls.h"
#include "platform/program_runner.h"
#include "platform/text.h"
#include "tests/support/shell_records.h"

namespace zen::test {

bool WritePng(const fs::path& path, int width, int height, const PixelFunction& pixel) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_byte> row(static_cast<size_t>(width) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_compression_level(png, 1);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, y);
      row[x * 3] = c.r;
      row[x * 3 + 1] = c.g;
      row[x * 3 + 2] = c.b;
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

std::optional<DecodedPng> ReadPng(const fs::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return std::nullopt;
  image.format = PNG_FORMAT_RGB;
  DecodedPng decoded;
  decoded.width = static_cast<int>(image.width);
  decoded.height = static_cast<int>(image.height);
  decoded.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, decoded.rgb.data(), 0, nullptr)) return std::nullopt;
  return decoded;
}

Rgb PagePixel(int x, int y, int tag, bool gutter) {
  if (x == 2) return {static_cast<uint8_t>(y & 255), static_cast<uint8_t>((y >> 8) & 255), static_cast<uint8_t>(tag)};
  if (gutter) return {255, 255, 255};
  if (x % 2 == 1) return {200, 200, 200};
  return {30, 60, 90};
}

int RowCode(const DecodedPng& piece, int y) {
  const Rgb c = piece.At(2, y);
  return c.r | (c.g << 8);
}

int RowTag(const DecodedPng& piece, int y) { return piece.At(2, y).b; }

void JobTest::SetUp() {
  std::string pattern = (fs::temp_directory_path() / "zen-slicing-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  root_ = pattern;
  settings_ = root_ / "settings";
  fs::create_directories(settings_);
  gui_ = InstallHeadlessGui();
  ResetImageTable();
  BuildMainWindow();
  // Unchecked, so that no test opens a file browser by accident.
  gui_->SetState(gui::CtlOpenFolderCheck, 0);
  RegisterAllCodecs();
  InitProgramRunner();
  ResetSlicingJob();
  SlicingJob& job = TheSlicingJob();
  // ZEN_TEST_CONVERTER runs the same tests against another converter (the real one).
  const char* converter = getenv("ZEN_TEST_CONVERTER");
  job.converter_path = FromUtf8(converter && *converter ? converter : ZEN_CONVERTER_STAND_IN);
  job.host.settings_folder = FromUtf8(settings_.string() + "/");
  job.host.poll_events = &poll_events_;
  job.host.job_end_time = &job_end_time_;
  job.host.observer = &observer_;
}

void JobTest::TearDown() {
  ResetSlicingJob();
  ResetImageTable();
  gui::InstallGui(nullptr);
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

fs::path JobTest::MakePage(const std::string& relative, int width, int height, int tag, const RowPredicate& gutter) {
  const fs::path path = root_ / relative;
  fs::create_directories(path.parent_path());
  const bool ok =
      WritePng(path, width, height, [&](int x, int y) { return PagePixel(x, y, tag, gutter && gutter(y)); });
  EXPECT_TRUE(ok) << path;
  return path;
}

void JobTest::AddSource(const fs::path& path) {
  const std::u16string full = FromUtf8(path.string());
  gui_->InsertRow(gui::CtlSourceList, -1, u"", FromUtf8(path.filename().string()), full);
}

void JobTest::SetText(gui::ControlId control, std::u16string_view text) { gui_->SetText(control, text); }

void JobTest::SetState(gui::ControlId control, int state) { gui_->SetState(control, state); }

void JobTest::UseCutDetection(int minimum, int maximum) {
  SetState(gui::CtlCutDetectOption, 1);
  SetText(gui::CtlMinimumField, IntToText(minimum));
  SetText(gui::CtlMaximumField, IntToText(maximum));
}

void JobTest::UseSmart(int minimum, int maximum) {
  UseCutDetection(minimum, maximum);
  smart_planner_ = 1;
  TheSlicingJob().host.smart_planner = &smart_planner_;
}

void JobTest::UseFixedHeight(int height, bool joined) {
  SetState(gui::CtlFixedOption, 1);
  SetText(gui::CtlHeightField, IntToText(height));
  SetState(gui::CtlJoinCheck, joined ? 1 : 0);
}

int JobTest::RunJob(int max_steps) {
  SlicingJob& job = TheSlicingJob();
  job.job_state = JobStartRequested;
  StartJob();
  int steps = 0;
  while (job.job_state == JobRunning && steps < max_steps) {
    StepJob();
    ++steps;
  }
  EXPECT_EQ(job.job_state, JobIdle) << "the job did not end";
  return steps;
}

std::vector<std::string> JobTest::FilesIn(const fs::path& folder) const {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<int> JobTest::PieceHeights() const {
  std::vector<int> heights;
  for (const PieceReport& piece : observer_.pieces) heights.push_back(piece.height);
  return heights;
}

}  // namespace zen::test
