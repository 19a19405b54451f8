// Fixed-height cutting through whole jobs: piece sizes, names, and which source rows each
// piece holds.
#include <png.h>

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
  EXPECT_TRUE(TheSlicingJob().failed_pieces.empty());
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

namespace zen::test {
namespace {

// A PNG of the given colour type (grey or RGBA), every pixel the same.
void WriteFlatPng(const fs::path& path, int width, int height, int colour_type, std::vector<uint8_t> pixel) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = colour_type == PNG_COLOR_TYPE_GRAY ? PNG_FORMAT_GRAY : PNG_FORMAT_RGBA;
  std::vector<uint8_t> buffer;
  for (int i = 0; i < width * height; ++i) buffer.insert(buffer.end(), pixel.begin(), pixel.end());
  fs::create_directories(path.parent_path());
  ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, buffer.data(), 0, nullptr));
}

png_uint_32 FormatOf(const fs::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return 0xFFFFFFFF;
  const png_uint_32 format = image.format;
  png_image_free(&image);
  return format;
}

// Pieces are composed on an opaque canvas: whatever the source's kind, a PNG piece is plain
// 8-bit RGB, whether it ends inside the source or not, and a clear pixel shows white (never
// the colour it stores), as in a JPEG piece or a page the converter made.
TEST_F(FixedHeightTest, PiecesAreOpaqueRgbWhateverTheSourceKind) {
  WriteFlatPng(root_ / "grey/page.png", 4, 250, PNG_COLOR_TYPE_GRAY, {77});
  WriteFlatPng(root_ / "clear/page.png", 4, 250, PNG_COLOR_TYPE_RGBA, {10, 20, 30, 0});
  AddSource(root_ / "grey/page.png");
  AddSource(root_ / "clear/page.png");
  UseFixedHeight(100, false);
  RunJob();
  for (const char* folder : {"grey", "clear"}) {
    for (const char* name : {"slice_1.png", "slice_3.png"}) {
      const fs::path piece = root_ / folder / "slice" / name;
      EXPECT_EQ(FormatOf(piece), static_cast<png_uint_32>(PNG_FORMAT_RGB)) << piece;
      auto decoded = ReadPng(piece);
      ASSERT_TRUE(decoded);
      const Rgb expected = std::string(folder) == "grey" ? Rgb{77, 77, 77} : Rgb{255, 255, 255};
      EXPECT_EQ(decoded->At(3, decoded->height - 1), expected) << piece;
    }
  }
}

}  // namespace
}  // namespace zen::test
