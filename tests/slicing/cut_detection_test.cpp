// Cut detection through whole jobs: where cuts fall, how gutters are shared out, and the
// uniformity tolerance.
#include "tests/slicing/job_fixture.h"

namespace zen::test {
namespace {

class CutDetectionTest : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    UsePng();
    UseCutDetection(300, 1500);
  }
  // Heights of the pieces of one page whose gutter rows are [from, to) ranges.
  std::vector<int> CutPage(int height, std::vector<std::pair<int, int>> gutters) {
    AddSource(MakePage("ep/page.png", 9, height, 0, [gutters](int y) {
      for (auto [from, to] : gutters) {
        if (y >= from && y < to) return true;
      }
      return false;
    }));
    RunJob();
    return PieceHeights();
  }
};

TEST_F(CutDetectionTest, TheWorkedExampleGivesTheGutterToTheUpperPiece) {
  EXPECT_EQ(CutPage(3000, {{1000, 1200}}), (std::vector<int>{1200, 1800}));
  auto second = ReadPng(root_ / "ep/slice/slice_2.png");
  ASSERT_TRUE(second);
  EXPECT_EQ(RowCode(*second, 0), 1200);
  EXPECT_EQ(RowCode(*second, 1799), 2999);
}

TEST_F(CutDetectionTest, APageWithoutAnyCutIsOnePiece) {
  EXPECT_EQ(CutPage(2000, {{0, 2000}}), (std::vector<int>{2000}));
}

TEST_F(CutDetectionTest, ContentWithoutAGutterIsOnePieceWhateverTheMaximum) {
  EXPECT_EQ(CutPage(5000, {}), (std::vector<int>{5000}));
}

TEST_F(CutDetectionTest, AGutterTooCloseToTheContentStartDoesNotCut) {
  // Content 0-49, a 30-row gutter, content to 599, gutter 600-699, content to the end.
  EXPECT_EQ(CutPage(1000, {{50, 80}, {600, 700}}), (std::vector<int>{650, 350}));
}

TEST_F(CutDetectionTest, ALongGutterIsCutAtTheMinimumDistance) {
  // Content 0-99, gutter 100-499: the cut row is 300; the 200 rows below it are shared.
  EXPECT_EQ(CutPage(1000, {{100, 500}}), (std::vector<int>{400, 600}));
}

TEST_F(CutDetectionTest, AnOddGutterGivesItsExtraRowToTheUpperPiece) {
  // Content 0-399, a 201-row gutter 400-600: 101 rows go up, 100 down.
  EXPECT_EQ(CutPage(1000, {{400, 601}}), (std::vector<int>{501, 499}));
}

TEST_F(CutDetectionTest, AnUpperPieceAtTheMaximumGetsNoGutterRows) {
  UseCutDetection(300, 1000);
  EXPECT_EQ(CutPage(3000, {{1200, 1400}}), (std::vector<int>{1200, 1800}));
}

TEST_F(CutDetectionTest, BlankRowsAtTopAndBottomBelongToTheOuterPieces) {
  EXPECT_EQ(CutPage(2000, {{0, 100}, {600, 700}, {1800, 2000}}), (std::vector<int>{650, 1350}));
}

TEST_F(CutDetectionTest, RowsWithinToleranceCountAsGutter) {
  // A gutter whose odd columns differ from column 0 by exactly 40 still cuts; one odd
  // column 41 away does not; even columns are never compared.
  auto page = [](int delta) {
    return [delta](int x, int y) {
      const bool gutter = y >= 500 && y < 700;
      if (!gutter || x == 2) return PagePixel(x, y, 0, false);
      if (x == 4) return Rgb{0, 0, 0};
      if (x == 7) return Rgb{100, static_cast<uint8_t>(100 + delta), 100};
      return Rgb{100, 100, 100};
    };
  };
  fs::create_directories(root_ / "a");
  fs::create_directories(root_ / "b");
  ASSERT_TRUE(WritePng(root_ / "a/forty.png", 9, 1000, page(40)));
  ASSERT_TRUE(WritePng(root_ / "b/forty-one.png", 9, 1000, page(41)));
  AddSource(root_ / "a/forty.png");
  AddSource(root_ / "b/forty-one.png");
  RunJob();
  EXPECT_EQ(PieceHeights(), (std::vector<int>{600, 400, 1000}));
}

}  // namespace
}  // namespace zen::test
