// The job as a whole: names and folders of pieces, progress, the end of a job, controls
// and list rows changed while it runs, and restarts.
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "platform/gui/main_controls.h"
#include "platform/text.h"
#include "tests/slicing/job_fixture.h"

namespace zen::test {
namespace {

class SlicingJobTest : public JobTest {
 protected:
  void Begin() {
    TheSlicingJob().job_state = JobStartRequested;
    StartJob();
  }
  void Finish() {
    for (int i = 0; i < 100000 && TheSlicingJob().job_state == JobRunning; ++i) StepJob();
  }
  std::vector<std::u16string> PieceNames() const {
    std::vector<std::u16string> names;
    for (const PieceReport& piece : observer_.pieces) {
      const size_t slash = piece.path.rfind(u'/');
      names.push_back(piece.path.substr(slash + 1));
    }
    return names;
  }
};

TEST_F(SlicingJobTest, StartingWithAnEmptyListLeavesTheJobIdle) {
  Begin();
  EXPECT_EQ(TheSlicingJob().job_state, JobIdle);
  EXPECT_FALSE(poll_events_);
}

TEST_F(SlicingJobTest, TheSourceFolderNameCanNameTheOutputFolderAndThePrefix) {
  AddSource(MakePage("a/ep1/001.png", 4, 10));
  SetText(gui::CtlFolderBox, u"[원본 폴더명]");
  RunJob();
  EXPECT_EQ(FilesIn(root_ / "a/ep1/ep1"), (std::vector<std::string>{"slice_1.jpg"}));

  SetText(gui::CtlFolderBox, u"slice");
  SetText(gui::CtlPrefixBox, u"[원본 폴더명_]");
  SetText(gui::CtlDigitsField, u"2");
  UsePng();
  RunJob();
  EXPECT_EQ(FilesIn(root_ / "a/ep1/slice"), (std::vector<std::string>{"ep1_01.png"}));

  SetText(gui::CtlPrefixBox, u"[원본 폴더명]");
  RunJob();
  SetText(gui::CtlPrefixBox, u"");
  RunJob();
  EXPECT_EQ(FilesIn(root_ / "a/ep1/slice"), (std::vector<std::string>{"01.png", "ep101.png", "ep1_01.png"}));
}

TEST_F(SlicingJobTest, NumbersArePaddedToTheDigitsButNeverCut) {
  TheSlicingJob().host.dry_run = true;
  AddSource(MakePage("ep/page.png", 4, 1000));
  UseFixedHeight(1, false);
  SetText(gui::CtlDigitsField, u"3");
  RunJob();
  const auto names = PieceNames();
  ASSERT_EQ(names.size(), 1000u);
  EXPECT_EQ(names[0], u"slice_001.jpg");
  EXPECT_EQ(names[6], u"slice_007.jpg");
  EXPECT_EQ(names[999], u"slice_1000.jpg");
  EXPECT_FALSE(fs::exists(root_ / "ep/slice"));  // a dry run makes no folder
}

TEST_F(SlicingJobTest, ProgressCountsRowsAndTheEndShowsCompletion) {
  for (const char* name : {"ep/1.png", "ep/2.png", "ep/3.png"}) AddSource(MakePage(name, 4, 10));
  Begin();
  EXPECT_TRUE(poll_events_);
  EXPECT_EQ(gui_->ContentSize(gui::MainWindow).height, 660);
  std::vector<int> bars{gui_->State(gui::CtlProgressBar)};
  EXPECT_EQ(gui_->Text(gui::CtlProgressText), u"1.png");
  while (TheSlicingJob().job_state == JobRunning) {
    StepJob();
    bars.push_back(gui_->State(gui::CtlProgressBar));
  }
  EXPECT_EQ(bars, (std::vector<int>{25, 50, 75, 100}));
  EXPECT_EQ(gui_->Text(gui::CtlProgressText), u"작업 완료");
  EXPECT_GE(job_end_time_, 0);
  EXPECT_TRUE(TheSlicingJob().output_folder.empty());
  EXPECT_TRUE(gui_->MessageBoxes().empty());
}

TEST_F(SlicingJobTest, AFormatChangeReachesTheNextPiece) {
  AddSource(MakePage("ep/page.png", 4, 3000));
  UseFixedHeight(1200, false);
  Begin();
  StepJob();
  UsePng();
  Finish();
  EXPECT_EQ(FilesIn(root_ / "ep/slice"), (std::vector<std::string>{"slice_1.jpg", "slice_2.png", "slice_3.png"}));
}

TEST_F(SlicingJobTest, RowsAddedWhileRunningAreCutAndEmptyingTheListEndsTheJob) {
  AddSource(MakePage("ep/1.png", 4, 2400, 1));
  UseFixedHeight(1200, false);
  Begin();
  AddSource(MakePage("ep/2.png", 4, 1200, 2));
  Finish();
  EXPECT_EQ(PieceHeights(), (std::vector<int>{1200, 1200, 1200}));

  observer_.pieces.clear();
  Begin();
  gui_->ClearRows(gui::CtlSourceList);
  Finish();
  EXPECT_EQ(TheSlicingJob().job_state, JobIdle);
  EXPECT_EQ(PieceHeights(), (std::vector<int>{1200, 1200}));
}

TEST_F(SlicingJobTest, ARestartDropsTheHalfBuiltPieceAndTheInterruptedStrips) {
  AddSource(MakePage("ep/tall.png", 8, 40000, 1));
  UseFixedHeight(1500, true);
  Begin();
  StepJob();
  StepJob();  // half of the second piece is drawn, strip files wait in the settings folder
  EXPECT_FALSE(FilesIn(settings_).empty());
  gui_->ClearRows(gui::CtlSourceList);
  AddSource(MakePage("ep/short.png", 8, 1000, 2));
  Begin();  // the interrupted job's first piece, still being written, is reported here
  observer_.pieces.clear();
  EXPECT_TRUE(FilesIn(settings_).empty());
  EXPECT_EQ(TheSlicingJob().strip_index, -1);
  Finish();
  ASSERT_EQ(observer_.pieces.size(), 1u);
  EXPECT_EQ(observer_.pieces[0].height, 1000);
  EXPECT_EQ(PieceNames()[0], u"slice_1.jpg");
}

TEST_F(SlicingJobTest, ARestartDuringCutDetectionStartsFromAnEmptySegmentList) {
  AddSource(MakePage("ep/page.png", 9, 3000, 0, [](int y) { return y >= 1000 && y < 1200; }));
  UseCutDetection(300, 1500);
  UsePng();
  Begin();
  StepJob();  // the first segment is scanned
  EXPECT_EQ(TheSlicingJob().segment_list.size(), 1u);
  observer_.pieces.clear();
  RunJob();
  EXPECT_EQ(PieceHeights(), (std::vector<int>{1200, 1800}));
}

TEST_F(SlicingJobTest, TheEndOpensTheOutputFolderAsOneArgument) {
  const fs::path bin = root_ / "bin";
  fs::create_directories(bin);
  const fs::path record = root_ / "opened.txt";
  {
    std::ofstream script(bin / "xdg-open");
    script << "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > '" << record.string() << "'\n";
  }
  chmod((bin / "xdg-open").c_str(), 0755);
  const std::string old_path = getenv("PATH") ? getenv("PATH") : "";
  setenv("PATH", (bin.string() + ":" + old_path).c_str(), 1);
  AddSource(MakePage("my ep/001.png", 4, 10));
  SetState(gui::CtlOpenFolderCheck, 1);
  RunJob();
  setenv("PATH", old_path.c_str(), 1);
  for (int i = 0; i < 200 && !fs::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::ifstream in(record);
  std::string count, folder;
  std::getline(in, count);
  std::getline(in, folder);
  EXPECT_EQ(count, "1");
  EXPECT_EQ(folder, (root_ / "my ep/slice").string());
}

}  // namespace
}  // namespace zen::test
