// Preparing sources: converter calls for over-tall and layered files, the clean-up of
// converter files, the size limits, resizing, and skipping sources that do not load.
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "platform/gui/main_controls.h"
#include "platform/text.h"
#include "slicing/converter_status.h"
#include "tests/slicing/job_fixture.h"

namespace zen::test {
namespace {

class SourcePreparationTest : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    UsePng();
    log_ = root_ / "converter.log";
    setenv("ZEN_STANDIN_LOG", log_.c_str(), 1);
    unsetenv("ZEN_STANDIN_NO_OUTPUT");
  }
  void TearDown() override {
    unsetenv("ZEN_STANDIN_LOG");
    unsetenv("ZEN_STANDIN_NO_OUTPUT");
    unsetenv("ZEN_STANDIN_HANG");
    JobTest::TearDown();
  }
  std::vector<std::string> ConverterCalls() const {
    std::ifstream in(log_);
    std::vector<std::string> calls;
    for (std::string line; std::getline(in, line);) calls.push_back(line);
    return calls;
  }
  // Checks that the pieces, in order, hold consecutive rows of one source from row 0.
  void ExpectContinuousRows(int total_rows) {
    int64_t next = 0;
    for (const PieceReport& piece : observer_.pieces) {
      ASSERT_EQ(piece.rows.size(), 1u);
      EXPECT_EQ(piece.rows[0].first_row, next);
      next += piece.rows[0].row_count;
      EXPECT_EQ(piece.rows[0].row_count, piece.height);
    }
    EXPECT_EQ(next, total_rows);
  }
  // A conversion's words: its output goes to the job's own folder inside the settings folder
  // ("work-" and six letters or digits). No <regex>: GCC 12 warns inside it under the sanitizers.
  static bool IsWorkFolderCall(const std::string& call, const std::string& command, const fs::path& page,
                               const fs::path& settings) {
    const std::string head =
        "-logfile\t-\t" + command + "\t" + page.string() + "\t-configPath\t" + settings.string() + "/work-";
    if (call.size() != head.size() + 7 || call.compare(0, head.size(), head) != 0 || call.back() != '/') return false;
    return std::all_of(call.begin() + head.size(), call.end() - 1,
                       [](char c) { return std::isalnum((unsigned char)c); });
  }
  fs::path log_;
};

struct ProgressObserver : RecordingObserver {
  std::vector<int> bar_at_piece;
  void PieceSaved(const PieceReport& piece) override {
    RecordingObserver::PieceSaved(piece);
    bar_at_piece.push_back(gui::Gui().State(gui::CtlProgressBar));
  }
};

TEST_F(SourcePreparationTest, AnOverTallSourceIsCutInStripsAsOneContinuousImage) {
  ProgressObserver progress;
  TheSlicingJob().host.observer = &progress;
  std::vector<std::u16string> painted;
  gui_->OnPaint([&] { painted.push_back(gui_->Text(gui::CtlProgressText)); });
  const fs::path page = MakePage("ep/tall.png", 16, 40000);
  AddSource(page);
  UseFixedHeight(1500, false);
  RunJob();
  observer_.pieces = progress.pieces;
  ASSERT_EQ(observer_.pieces.size(), 27u);
  EXPECT_EQ(observer_.pieces.back().height, 1000);
  ExpectContinuousRows(40000);
  // The piece across the first strip seam (row 2000) holds the rows on both sides.
  auto second = ReadPng(root_ / "ep/slice/slice_2.png");
  ASSERT_TRUE(second);
  EXPECT_EQ(RowCode(*second, 0), 1500);
  EXPECT_EQ(RowCode(*second, 1499), 2999);
  // The bar moves through the one source, strip by strip and piece by piece.
  EXPECT_TRUE(std::is_sorted(progress.bar_at_piece.begin(), progress.bar_at_piece.end()));
  // Reports come as pieces finish, a few behind the cut.
  EXPECT_LE(progress.bar_at_piece.front(), 60);
  EXPECT_GE(progress.bar_at_piece.back(), 95);
  // The row named the file, and the conversion, on screen before each wait.
  EXPECT_EQ(painted.front(), u"tall.png");
  EXPECT_NE(std::find(painted.begin(), painted.end(), u"tall.png(파일 변환 중)"), painted.end());
  EXPECT_TRUE(FilesIn(settings_).empty());
  const auto calls = ConverterCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0], "-logfile\t-\t-info\t" + page.string() + "[0]");
  EXPECT_TRUE(IsWorkFolderCall(calls[1], "-convertSlice", page, settings_)) << calls[1];
}

TEST_F(SourcePreparationTest, CancelKeepsWrittenPiecesAndRemovesConverterFiles) {
  AddSource(MakePage("ep/tall.png", 16, 40000));
  UseFixedHeight(1500, false);
  TheSlicingJob().job_state = JobStartRequested;
  StartJob();
  for (int i = 0; i < 3; ++i) StepJob();
  EXPECT_FALSE(FilesIn(settings_).empty());
  CancelJob();
  EXPECT_EQ(TheSlicingJob().job_state, JobIdle);
  EXPECT_EQ(gui_->Text(gui::CtlProgressText), u"작업 취소");
  EXPECT_GE(job_end_time_, 0);
  EXPECT_TRUE(FilesIn(settings_).empty());
  // Strips of 2000 rows: two pieces were written; the open one (500 rows) is dropped.
  EXPECT_EQ(FilesIn(root_ / "ep/slice"), (std::vector<std::string>{"slice_1.png", "slice_2.png"}));
  EXPECT_EQ(FindImage(SourceImage), nullptr);
}

TEST_F(SourcePreparationTest, CutDetectionJoinsAStripsLastPieceToTheNextStrip) {
  // Panels of 950 rows with 50-row gutters; every strip seam (each 2000 rows) falls inside
  // a panel. A .psb goes through the layered form of the strip command.
  const fs::path page = MakePage("ep/tall.psb", 9, 40000, 0, [](int y) { return y % 1000 >= 900 && y % 1000 < 950; });
  AddSource(page);
  UseCutDetection(300, 1500);
  RunJob();
  std::vector<int> expected{925};
  for (int i = 0; i < 39; ++i) expected.push_back(1000);
  expected.push_back(75);
  EXPECT_EQ(PieceHeights(), expected);
  ExpectContinuousRows(40000);
  EXPECT_TRUE(FilesIn(settings_).empty());
  const auto calls = ConverterCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_NE(calls[1].find("-convertSlice\t" + page.string() + "[0]\t"), std::string::npos);
}

TEST_F(SourcePreparationTest, LeftoversGrowAcrossStripsWithoutAGutter) {
  // Only two gutters in 40000 rows: most strips hold a single segment that ends inside a
  // panel, so the leftover is carried on through several strips and written as one piece.
  AddSource(MakePage("ep/tall.png", 9, 40000, 0,
                     [](int y) { return (y >= 11000 && y < 11050) || (y >= 31000 && y < 31050); }));
  UseCutDetection(300, 1500);
  RunJob();
  EXPECT_EQ(PieceHeights(), (std::vector<int>{11025, 20000, 8975}));
  ExpectContinuousRows(40000);
  auto middle = ReadPng(root_ / "ep/slice/slice_2.png");
  ASSERT_TRUE(middle);
  for (int y = 0; y < middle->height; y += 997) EXPECT_EQ(RowCode(*middle, y), 11025 + y);
  EXPECT_TRUE(FilesIn(settings_).empty());
}

TEST_F(SourcePreparationTest, ALeftoverIsWrittenBeforeItOutgrowsTheStore) {
  // 40000 rows of content without a gutter: joined through every strip the piece would
  // pass 32767 rows, so the leftover of the first 16 strips is written on its own.
  AddSource(MakePage("ep/tall.png", 9, 40000));
  UseCutDetection(300, 1500);
  RunJob();
  EXPECT_EQ(PieceHeights(), (std::vector<int>{32000, 8000}));
  ExpectContinuousRows(40000);
}

TEST_F(SourcePreparationTest, ALayeredFileIsConvertedWholeAndItsBitmapDeleted) {
  const fs::path page = MakePage("ep/page.psd", 6, 2500);
  AddSource(page);
  UseFixedHeight(1200, true);
  RunJob();
  EXPECT_EQ(PieceHeights(), (std::vector<int>{1200, 1200, 100}));
  EXPECT_TRUE(FilesIn(settings_).empty());
  const auto calls = ConverterCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_TRUE(IsWorkFolderCall(calls[1], "-convert", page, settings_)) << calls[1];
}

TEST_F(SourcePreparationTest, APageWiderThanTheStoreStopsTheJobWithTheWidthMessage) {
  AddSource(MakePage("ep/wide.png", 40000, 2));
  AddSource(MakePage("ep/next.png", 4, 10));
  RunJob();
  ASSERT_EQ(gui_->MessageBoxes().size(), 1u);
  const gui::MessageRecord& box = gui_->MessageBoxes()[0];
  EXPECT_EQ(box.title, u"이미지 크기 오류");
  EXPECT_EQ(box.text,
            u"작업이 중단되었습니다.\r\rwide.png파일의 가로 길이가 32000픽셀이 넘습니다.\r"
            u"PSB 형식만 32000픽셀 이상의 이미지를 지원합니다.");
  EXPECT_EQ(box.icon, gui::MessageIcon::Stop);
  EXPECT_EQ(gui_->Text(gui::CtlProgressText), u"작업 완료");
  EXPECT_TRUE(observer_.pieces.empty());
  EXPECT_EQ(observer_.size_stops, 1);
}

TEST_F(SourcePreparationTest, ResizingFollowsTheWidthFactorAndStopsBeyondTheStoreHeight) {
  AddSource(MakePage("a/big.png", 1380, 3001));
  SetState(gui::CtlResizeCheck, 1);
  SetText(gui::CtlWidthField, u"690");
  UseFixedHeight(32000, false);
  RunJob();
  // 3001 * 0.5 = 1500.5 rounds to the even 1500.
  ASSERT_EQ(observer_.pieces.size(), 1u);
  EXPECT_EQ(observer_.pieces[0].width, 690);
  EXPECT_EQ(observer_.pieces[0].height, 1500);
  EXPECT_TRUE(gui_->MessageBoxes().empty());

  // Doubling 20000 rows gives 40000, more than the store can report.
  gui_->ClearRows(gui::CtlSourceList);
  AddSource(MakePage("b/narrow.png", 100, 20000));
  SetText(gui::CtlWidthField, u"200");
  observer_.pieces.clear();
  RunJob();
  EXPECT_TRUE(observer_.pieces.empty());
  ASSERT_EQ(gui_->MessageBoxes().size(), 1u);
  EXPECT_NE(gui_->MessageBoxes()[0].text.find(u"narrow.png파일의 세로 길이가"), std::u16string::npos);

  // A target the store cannot even make (100000 rows) stops the same way, before resizing,
  // rather than cutting the page unscaled.
  gui_->ClearRows(gui::CtlSourceList);
  AddSource(MakePage("c/slim.png", 8, 4000));
  SetText(gui::CtlWidthField, u"200");
  RunJob();
  EXPECT_TRUE(observer_.pieces.empty());
  ASSERT_EQ(gui_->MessageBoxes().size(), 2u);
  EXPECT_NE(gui_->MessageBoxes()[1].text.find(u"slim.png파일의 세로 길이가"), std::u16string::npos);
  EXPECT_EQ(observer_.size_stops, 2);
}

TEST_F(SourcePreparationTest, SourcesThatDoNotLoadAreSkippedAndReported) {
  AddSource(MakePage("ep1/good.png", 4, 2400, 1));
  fs::create_directories(root_ / "ep1");
  std::ofstream(root_ / "ep1/broken.png") << "not an image at all";
  AddSource(root_ / "ep1/broken.png");
  AddSource(root_ / "ep1/missing.png");
  AddSource(MakePage("ep2/other.png", 4, 1000, 2));
  UseFixedHeight(1200, true);
  RunJob();
  // The skipped rows are cut with nothing: no piece carries the previous source's size.
  EXPECT_EQ(PieceHeights(), (std::vector<int>{1200, 1200, 1000}));
  ASSERT_EQ(gui_->MessageBoxes().size(), 1u);
  const gui::MessageRecord& box = gui_->MessageBoxes()[0];
  EXPECT_EQ(box.title, u"작업 오류");
  EXPECT_EQ(box.text,
            u"불러오지 못한 파일:\rbroken.png: 지원하지 않는 형식의 파일입니다.\rmissing.png: 파일이 없습니다.");
  EXPECT_EQ(box.icon, gui::MessageIcon::Stop);
  EXPECT_EQ(gui_->Text(gui::CtlProgressText), u"작업 완료");
  EXPECT_EQ(FilesIn(root_ / "ep2/slice"), (std::vector<std::string>{"slice_1.png"}));
}

// Names the converter's parameter string cannot carry (a double quote, a line feed) reach
// it whole as separate arguments; whole and strip conversions and the size query all work.
TEST_F(SourcePreparationTest, NamesWithAQuoteOrALineFeedConvert) {
  AddSource(MakePage("ep/say \"hi\".psd", 4, 1000, 1));
  AddSource(MakePage("ep/two\nlines.psd", 4, 1000, 2));
  AddSource(MakePage("ep/tall \"q\".png", 4, 40000, 3));
  UseFixedHeight(30000, false);
  RunJob();
  EXPECT_TRUE(TheSlicingJob().skipped_sources.empty());
  EXPECT_EQ(PieceHeights(), (std::vector<int>{1000, 1000, 30000, 10000}));
  EXPECT_TRUE(FilesIn(settings_).empty());
  const auto calls = ConverterCalls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0], "-logfile\t-\t-info\t" + (root_ / "ep/say \"hi\".psd").string() + "[0]");
}

// A converter that stops answering is stopped, what it wrote is never loaded, and its
// source is skipped with that reason; the job goes on.
TEST_F(SourcePreparationTest, AConverterThatHangsIsStoppedAndItsSourceSkipped) {
  // Long enough that a converter merely slowed by a busy machine is not taken for a hung one.
  TheSlicingJob().host.converter_quiet_limit_ms = 1000;
  const fs::path layered = MakePage("ep/layered.psd", 4, 100);
  const fs::path tall = MakePage("ep/tall.png", 4, 40000);
  const fs::path plain = MakePage("ep/plain.png", 4, 100);
  UseFixedHeight(1200, false);
  for (const char* command : {"-convert", "-convertSlice", "-info"}) {
    SCOPED_TRACE(command);
    setenv("ZEN_STANDIN_HANG", command, 1);
    gui_->ClearRows(gui::CtlSourceList);
    for (const fs::path& page : {layered, tall, plain}) AddSource(page);
    observer_.pieces.clear();
    RunJob();
    const std::string hung = command;
    int64_t rows = 0;
    for (const PieceReport& piece : observer_.pieces) rows += piece.height;
    const std::vector<FileProblem>& skipped = TheSlicingJob().skipped_sources;
    ASSERT_EQ(skipped.size(), hung == "-info" ? 3u : 1u);
    EXPECT_EQ(skipped[0].path, FromUtf8((hung == "-convertSlice" ? tall : layered).string()));
    EXPECT_EQ(skipped[0].reason.problem, JobProblem::ConverterStopped);
    EXPECT_EQ(rows, hung == "-info" ? 0 : hung == "-convert" ? 40100 : 200);
    EXPECT_TRUE(FilesIn(settings_).empty());
  }
}

TEST_F(SourcePreparationTest, AConversionThatProducesNothingSkipsTheSourceAndLeavesNoFiles) {
  setenv("ZEN_STANDIN_NO_OUTPUT", "1", 1);
  AddSource(MakePage("ep/layered.psd", 4, 100));
  AddSource(MakePage("ep/plain.png", 4, 100));
  UseFixedHeight(1200, false);
  RunJob();
  EXPECT_EQ(PieceHeights(), (std::vector<int>{100}));
  EXPECT_EQ(observer_.skipped, (std::vector<std::u16string>{FromUtf8((root_ / "ep/layered.psd").string())}));
  EXPECT_TRUE(FilesIn(settings_).empty());
}

TEST_F(SourcePreparationTest, AFailedConversionSaysWhyInTheConvertersOwnWordsOrByItsStatus) {
  setenv("ZEN_STANDIN_FAIL_STATUS", "1", 1);
  AddSource(MakePage("ep/one.psd", 4, 100));
  RunJob();
  setenv("ZEN_STANDIN_FAIL_STATUS", "3", 1);
  RunJob();
  unsetenv("ZEN_STANDIN_FAIL_STATUS");
  ASSERT_EQ(gui_->MessageBoxes().size(), 2u);
  EXPECT_EQ(gui_->MessageBoxes()[0].text, u"불러오지 못한 파일:\rone.psd: 변환하지 못했습니다. (the stand-in refuses)");
  EXPECT_EQ(gui_->MessageBoxes()[1].text, u"불러오지 못한 파일:\rone.psd: " + std::u16string(ConverterFailureText(3)));
}

TEST_F(SourcePreparationTest, PiecesThatCannotBeWrittenAreCountedInTheErrorMessage) {
  AddSource(MakePage("ep/page.png", 4, 3000));
  std::ofstream(root_ / "ep/slice") << "a file where the output folder should be";
  std::ofstream(root_ / "ep/broken.png") << "junk";
  AddSource(root_ / "ep/broken.png");
  UseFixedHeight(1200, false);
  RunJob();
  ASSERT_EQ(gui_->MessageBoxes().size(), 1u);
  const std::u16string unwritten = u"\rslice_1.png: 저장 폴더를 만들지 못했습니다.";
  EXPECT_EQ(gui_->MessageBoxes()[0].text.substr(0, 14 + unwritten.size()), u"저장하지 못한 파일: 3개" + unwritten);
  EXPECT_EQ(TheSlicingJob().failed_pieces.size(), 3u);
}

TEST_F(SourcePreparationTest, TheEndOfJobBoxNamesTwentyFilesAtMostThenCountsAndNamesStalePieces) {
  AddSource(MakePage("ep/page.png", 4, 1000));
  for (int i = 0; i < 22; ++i) {
    const fs::path junk = root_ / ("ep/junk" + std::to_string(10 + i) + ".png");
    std::ofstream(junk) << "junk";
    AddSource(junk);
  }
  fs::create_directories(root_ / "ep/slice");
  for (const char* old : {"slice_1.png", "slice_2.png", "slice_03.png", "slice_x.png"}) {
    std::ofstream(root_ / "ep/slice" / old) << "an earlier run";
  }
  UsePng();
  UseFixedHeight(1200, false);
  RunJob();
  ASSERT_EQ(gui_->MessageBoxes().size(), 1u);
  const std::u16string& text = gui_->MessageBoxes()[0].text;
  EXPECT_NE(
      text.find(
          u"\rjunk29.png: 지원하지 않는 형식의 파일입니다.\r외 2개\r\r이전 작업의 조각 파일 2개가 남아 있습니다: " +
          FromUtf8((root_ / "ep/slice").string())),
      std::u16string::npos)
      << ToUtf8(text);
  EXPECT_EQ(text.find(u"junk30.png"), std::u16string::npos);
}

}  // namespace
}  // namespace zen::test
