// The job's worker threads: pieces written side by side are the bytes one thread makes,
// each result is reported once and in order, and a job cut short leaves no half-written
// file. ./test.sh runs these again under ThreadSanitizer.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numeric>

#include "imaging/resize_core.h"
#include "platform/text.h"
#include "slicing/worker_pool.h"
#include "tests/slicing/job_fixture.h"
#include "tests/support/jpeg_direct.h"

namespace zen::test {
namespace {

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool HasTemporaryFile(const fs::path& folder) {
  std::error_code error;
  for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
    if (entry.path().extension() == ".part") return true;
  }
  return false;
}

// The test page as a JPEG file; its first `keep` bytes only when keep is given.
fs::path WriteJpegPage(const fs::path& path, int width, int height, size_t keep = 0) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = PagePixel(x, y, 0, false);
      uint8_t* at = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      at[0] = c.r;
      at[1] = static_cast<uint8_t>(c.g ^ (x * y));  // detail all the way down
      at[2] = c.b;
    }
  }
  std::vector<uint8_t> file = DirectJpegEncode({rgb.data(), width, height}, 90);
  if (keep) file.resize(keep);
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), std::ssize(file));
  return path;
}

class ThreadsTest : public JobTest {
 protected:
  void TearDown() override {
    unsetenv("ZEN_THREADS");
    JobTest::TearDown();
  }
  void UseWorkers(int workers) {
    setenv("ZEN_THREADS", std::to_string(workers).c_str(), 1);
    TheSlicingJob().handed.reset();  // the next job starts its workers afresh
  }
  // The job as set up, once with one worker and once with four, into two folders; every
  // report and every piece's bytes must match.
  void ExpectSameWithOneAndFour(const std::string& what) {
    std::vector<PieceReport> runs[2];
    const char* folders[2] = {"one", "four"};
    for (int run = 0; run < 2; ++run) {
      UseWorkers(run == 0 ? 1 : 4);
      SetText(gui::CtlFolderBox, FromUtf8(folders[run]));
      observer_.pieces.clear();
      RunJob();
      runs[run] = observer_.pieces;
    }
    ASSERT_EQ(runs[0].size(), runs[1].size()) << what;
    ASSERT_FALSE(runs[0].empty()) << what;
    for (size_t i = 0; i < runs[0].size(); ++i) {
      const PieceReport& one = runs[0][i];
      const PieceReport& four = runs[1][i];
      EXPECT_TRUE(one.written && four.written) << what << " piece " << i;
      EXPECT_EQ(fs::path(ToUtf8(one.path)).filename(), fs::path(ToUtf8(four.path)).filename()) << what;
      ASSERT_EQ(one.rows.size(), four.rows.size()) << what << " piece " << i;
      for (size_t k = 0; k < one.rows.size(); ++k) {
        EXPECT_EQ(one.rows[k].first_row, four.rows[k].first_row) << what << " piece " << i;
        EXPECT_EQ(one.rows[k].row_count, four.rows[k].row_count) << what << " piece " << i;
      }
      const std::string bytes = Bytes(ToUtf8(one.path));
      EXPECT_FALSE(bytes.empty()) << what;
      EXPECT_TRUE(bytes == Bytes(ToUtf8(four.path))) << what << " piece " << i;
    }
    gui_->ClearRows(gui::CtlSourceList);
  }
};

TEST_F(ThreadsTest, PiecesAreTheSameBytesWithOneWorkerAndWithFour) {
  AddSource(MakePage("fixed/page.png", 24, 9000, 1));
  UseFixedHeight(700, false);
  ExpectSameWithOneAndFour("fixed, JPEG");

  UsePng();
  AddSource(MakePage("joined/a.png", 24, 2500, 2));
  AddSource(MakePage("joined/b.png", 24, 3100, 3));
  UseFixedHeight(900, true);
  ExpectSameWithOneAndFour("joined, PNG");

  // A JPEG source, cut as it decodes.
  UseFixedHeight(500, false);
  AddSource(WriteJpegPage(root_ / "jpeg/page.jpg", 700, 4000));
  ExpectSameWithOneAndFour("JPEG source");

  AddSource(MakePage("cut/page.png", 24, 12000, 4, [](int y) { return y % 1300 > 1150; }));
  UseCutDetection(400, 1500);
  ExpectSameWithOneAndFour("cut detection");

  // Smaller, then larger than the source: both orders of the resize passes.
  SetState(gui::CtlResizeCheck, 1);
  UseFixedHeight(800, false);
  AddSource(MakePage("resize/narrow.png", 40, 6000, 5));
  SetText(gui::CtlWidthField, u"23");
  ExpectSameWithOneAndFour("resized down");
  AddSource(MakePage("resize/wide.png", 40, 3000, 6));
  SetText(gui::CtlWidthField, u"57");
  ExpectSameWithOneAndFour("resized up");
  SetState(gui::CtlResizeCheck, 0);

  // Over the height one load takes: the converter cuts it in strips.
  AddSource(MakePage("tall/page.png", 16, 40000, 7));
  UseFixedHeight(1500, false);
  ExpectSameWithOneAndFour("through the converter");
}

TEST_F(ThreadsTest, APieceThatCannotBeWrittenIsReportedOnceInItsPlace) {
  UseWorkers(4);
  UsePng();
  AddSource(MakePage("ep/page.png", 24, 6000, 1));
  UseFixedHeight(1000, false);
  // A folder where a piece's file should go: the rename over it fails.
  fs::create_directories(root_ / "ep/slice/slice_2.png");
  fs::create_directories(root_ / "ep/slice/slice_5.png");
  RunJob();
  ASSERT_EQ(observer_.pieces.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    const std::string name = "slice_" + std::to_string(i + 1) + ".png";
    EXPECT_EQ(fs::path(ToUtf8(observer_.pieces[i].path)).filename(), name);
    EXPECT_EQ(observer_.pieces[i].written, i != 1 && i != 4) << name;
  }
  const auto& failed = TheSlicingJob().failed_pieces;
  ASSERT_EQ(failed.size(), 2u);
  EXPECT_EQ(fs::path(ToUtf8(failed[0].path)).filename(), "slice_2.png");
  EXPECT_EQ(fs::path(ToUtf8(failed[1].path)).filename(), "slice_5.png");
  EXPECT_FALSE(HasTemporaryFile(root_));
}

// Pieces as large as real ones, so that some are still being written when the job is cut.
TEST_F(ThreadsTest, ARestartOrACancelLeavesOnlyWholePieces) {
  UseWorkers(2);
  UsePng();
  AddSource(MakePage("ep/page.png", 700, 12000, 1));
  UseFixedHeight(1500, false);
  const fs::path out = root_ / "ep/slice";
  for (bool restart : {true, false}) {
    TheSlicingJob().job_state = JobStartRequested;
    StartJob();
    // Until three pieces are handed over (numbered), however the source's rows come in.
    while (TheSlicingJob().job_state == JobRunning && TheSlicingJob().piece_counter < 3) StepJob();
    const size_t reported = observer_.pieces.size();
    if (restart) {
      StartJob();
    } else {
      CancelJob();
    }
    EXPECT_FALSE(HasTemporaryFile(root_)) << restart;
    // Every piece handed over before the stop is written whole and reported.
    EXPECT_GE(observer_.pieces.size(), reported + 1) << restart;
    for (const PieceReport& piece : observer_.pieces) {
      ASSERT_TRUE(piece.written);
      const auto decoded = ReadPng(ToUtf8(piece.path));
      ASSERT_TRUE(decoded) << ToUtf8(piece.path);
      EXPECT_EQ(decoded->height, 1500);
    }
    observer_.pieces.clear();
  }
  EXPECT_EQ(TheSlicingJob().job_state, JobIdle);
}

// A source cut as it decodes whose data breaks off below its first pieces: none of them
// reaches a file, it is skipped for its damaged data, and the next source's pieces are
// numbered as if it had not been listed.
TEST_F(ThreadsTest, ASourceFoundDamagedAfterItsFirstPiecesLeavesNoPiece) {
  UseWorkers(2);
  UsePng();
  const fs::path whole = WriteJpegPage(root_ / "whole.jpg", 700, 6000);
  const fs::path damaged = WriteJpegPage(root_ / "ep/a.jpg", 700, 6000, fs::file_size(whole) / 2);
  AddSource(damaged);
  AddSource(MakePage("ep/b.png", 700, 1200, 9));
  UseFixedHeight(500, false);
  RunJob();
  ASSERT_EQ(observer_.skipped.size(), 1u);
  EXPECT_EQ(ToUtf8(observer_.skipped[0]), damaged.string());
  ASSERT_EQ(TheSlicingJob().skipped_sources.size(), 1u);
  EXPECT_EQ(TheSlicingJob().skipped_sources[0].reason.problem, JobProblem::DamagedImage);
  EXPECT_EQ(FilesIn(root_ / "ep/slice"), (std::vector<std::string>{"slice_1.png", "slice_2.png", "slice_3.png"}));
  ASSERT_EQ(observer_.pieces.size(), 3u);
  for (const PieceReport& piece : observer_.pieces) {
    EXPECT_TRUE(piece.written);
    ASSERT_EQ(piece.rows.size(), 1u);
    EXPECT_EQ(piece.rows[0].source_index, 1);
  }
  const auto first = ReadPng(root_ / "ep/slice/slice_1.png");
  ASSERT_TRUE(first);
  EXPECT_EQ(RowTag(*first, 0), 9);
  EXPECT_FALSE(HasTemporaryFile(root_));
}

TEST(ParallelResize, BandsMadeByThePoolAreTheBytesOfOneThread) {
  slicing_detail::WorkerPool pool(3);
  const RunParts parts = [&pool](int32_t count, const std::function<void(int32_t)>& part) {
    pool.RunParts(count, part);
  };
  struct Case {
    int32_t sw, sh, tw, th;
  };
  // Vertical pass first, horizontal first, and an enlargement.
  for (const Case c : {Case{50, 3000, 30, 900}, Case{60, 1000, 20, 1900}, Case{20, 600, 60, 1000}}) {
    std::vector<uint8_t> source(4 * static_cast<size_t>(c.sw) * c.sh);
    uint32_t seed = 12345;
    for (uint8_t& byte : source) {
      seed = seed * 1664525 + 1013904223;
      byte = static_cast<uint8_t>(seed >> 24);
    }
    std::vector<uint8_t> alone(4 * static_cast<size_t>(c.tw) * c.th);
    std::vector<uint8_t> shared(alone.size(), 7);
    ASSERT_TRUE(resize::ResampleSmooth(source.data(), c.sw, c.sh, alone.data(), c.tw, c.th));
    ASSERT_TRUE(resize::ResampleSmooth(source.data(), c.sw, c.sh, shared.data(), c.tw, c.th, parts));
    EXPECT_TRUE(alone == shared) << c.sw << "x" << c.sh << " to " << c.tw << "x" << c.th;
  }
}

}  // namespace
}  // namespace zen::test
