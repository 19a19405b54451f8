// Fixed-height cutting through whole jobs: piece sizes, names, and which source rows each
// piece holds.
#include "platform/gui/main_controls.h"
#include "tests/slicing/job_fixture.h"

namespace zen::test {
namespace {

class FixedHeightTest : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    UsePng();
  }
  DecodedPng Piece(const fs::path& path) {
    auto decoded = ReadPng(path);
    EXPECT_TRUE(decoded.has_value()) << path;
    return decoded.value_or(DecodedPng{});
  }
};

TEST_F(FixedHeightTest, CutsAPageIntoFullPiecesAndATail) {
  AddSource(MakePage("ep1/001.png", 8, 3000));
  UseFixedHeight(1200, false);
  EXPECT_EQ(RunJob(), 3);
  const fs::path out = root_ / "ep1/slice";
  EXPECT_EQ(FilesIn(out), (std::vector<std::string>{"slice_1.png", "slice_2.png", "slice_3.png"}));
  const int expected_heights[] = {1200, 1200, 600};
  for (int i = 0; i < 3; ++i) {
    DecodedPng piece = Piece(out / ("slice_" + std::to_string(i + 1) + ".png"));
    EXPECT_EQ(piece.width, 8);
    ASSERT_EQ(piece.height, expected_heights[i]);
    EXPECT_EQ(RowCode(piece, 0), 1200 * i);
    EXPECT_EQ(RowCode(piece, piece.height - 1), 1200 * i + piece.height - 1);
    EXPECT_EQ(piece.At(1, 5), (Rgb{200, 200, 200}));
  }
  EXPECT_EQ(TheSlicingJob().failed_pieces, 0);
  EXPECT_TRUE(gui_->MessageBoxes().empty());
}

TEST_F(FixedHeightTest, AnExactMultipleLeavesNoTailAndOneRowIsItsOwnPiece) {
  AddSource(MakePage("a/exact.png", 4, 2400));
  AddSource(MakePage("b/one.png", 4, 1));
  UseFixedHeight(1200, true);
  RunJob();
  EXPECT_EQ(PieceHeights(), (std::vector<int>{1200, 1200, 1}));
  EXPECT_EQ(FilesIn(root_ / "a/slice"), (std::vector<std::string>{"slice_1.png", "slice_2.png"}));
  EXPECT_EQ(FilesIn(root_ / "b/slice"), (std::vector<std::string>{"slice_1.png"}));
}

TEST_F(FixedHeightTest, JoinedSourcesOfOneFolderAreCutAsOneImage) {
  AddSource(MakePage("ep1/001.png", 6, 1000, 1));
  AddSource(MakePage("ep1/002.png", 6, 1000, 2));
  UseFixedHeight(1200, true);
  RunJob();
  const fs::path out = root_ / "ep1/slice";
  EXPECT_EQ(FilesIn(out), (std::vector<std::string>{"slice_1.png", "slice_2.png"}));
  DecodedPng first = Piece(out / "slice_1.png");
  ASSERT_EQ(first.height, 1200);
  EXPECT_EQ(RowTag(first, 999), 1);
  EXPECT_EQ(RowCode(first, 999), 999);
  EXPECT_EQ(RowTag(first, 1000), 2);
  EXPECT_EQ(RowCode(first, 1000), 0);
  DecodedPng tail = Piece(out / "slice_2.png");
  ASSERT_EQ(tail.height, 800);
  EXPECT_EQ(RowCode(tail, 0), 200);
  ASSERT_EQ(observer_.pieces.size(), 2u);
  ASSERT_EQ(observer_.pieces[0].rows.size(), 2u);
  EXPECT_EQ(observer_.pieces[0].rows[1].first_row, 0);
  EXPECT_EQ(observer_.pieces[0].rows[1].row_count, 200);
}

TEST_F(FixedHeightTest, SeparateModeContinuesTheNumberingOfTheFolder) {
  AddSource(MakePage("ep1/001.png", 4, 1000));
  AddSource(MakePage("ep1/002.png", 4, 1000));
  UseFixedHeight(1200, false);
  RunJob();
  EXPECT_EQ(PieceHeights(), (std::vector<int>{1000, 1000}));
  EXPECT_EQ(FilesIn(root_ / "ep1/slice"), (std::vector<std::string>{"slice_1.png", "slice_2.png"}));
}

TEST_F(FixedHeightTest, ADifferentFolderEndsThePieceAndRestartsTheNumbering) {
  AddSource(MakePage("ep1/001.png", 4, 1000));
  AddSource(MakePage("ep2/001.png", 4, 1000));
  UseFixedHeight(1200, true);
  RunJob();
  EXPECT_EQ(PieceHeights(), (std::vector<int>{1000, 1000}));
  EXPECT_EQ(FilesIn(root_ / "ep1/slice"), (std::vector<std::string>{"slice_1.png"}));
  EXPECT_EQ(FilesIn(root_ / "ep2/slice"), (std::vector<std::string>{"slice_1.png"}));
}

TEST_F(FixedHeightTest, TwoSourcesThatFillOnePieceExactlyLeaveNoTail) {
  AddSource(MakePage("ep1/001.png", 4, 700));
  AddSource(MakePage("ep1/002.png", 4, 500));
  UseFixedHeight(1200, true);
  RunJob();
  EXPECT_EQ(PieceHeights(), (std::vector<int>{1200}));
}

TEST_F(FixedHeightTest, AJoinedPieceTakesTheWidthOfTheSourceItBeganIn) {
  AddSource(MakePage("ep1/001.png", 700, 1000, 1));
  AddSource(MakePage("ep1/002.png", 800, 1000, 2));
  UseFixedHeight(1200, true);
  RunJob();
  const fs::path out = root_ / "ep1/slice";
  DecodedPng spanning = Piece(out / "slice_1.png");
  EXPECT_EQ(spanning.width, 700);
  EXPECT_EQ(spanning.At(699, 1100), (Rgb{200, 200, 200}));  // the narrower band of the wider source
  DecodedPng tail = Piece(out / "slice_2.png");
  EXPECT_EQ(tail.width, 800);
  EXPECT_EQ(tail.height, 800);
}

TEST_F(FixedHeightTest, ATailWiderThanItsCanvasIsBlackOnTheRight) {
  AddSource(MakePage("ep1/001.png", 700, 500, 1));
  AddSource(MakePage("ep1/002.png", 800, 500, 2));
  UseFixedHeight(1200, true);
  RunJob();
  DecodedPng tail = Piece(root_ / "ep1/slice/slice_1.png");
  ASSERT_EQ(tail.width, 800);
  ASSERT_EQ(tail.height, 1000);
  EXPECT_EQ(tail.At(750, 100), (Rgb{0, 0, 0}));
  EXPECT_EQ(tail.At(750, 700), (Rgb{0, 0, 0}));
  EXPECT_EQ(RowTag(tail, 700), 2);
  EXPECT_EQ(tail.At(699, 700), (Rgb{200, 200, 200}));
}

TEST_F(FixedHeightTest, AHeightBelowOneIsRaisedToOne) {
  AddSource(MakePage("ep1/001.png", 4, 3));
  UseFixedHeight(0, false);
  RunJob();
  EXPECT_EQ(gui_->Text(gui::CtlHeightField), u"1");
  EXPECT_EQ(PieceHeights(), (std::vector<int>{1, 1, 1}));
}

}  // namespace
}  // namespace zen::test
