#include "imaging_support.h"

namespace zen::test {
namespace {

using DrawingTest = ImagingTest;

constexpr std::array<uint8_t, 4> kOpaqueBlack = {0, 0, 0, 255};

TEST_F(DrawingTest, PixelReadReturnsColourWithoutAlpha) {
  ASSERT_NE(ImageCreate(1, 3, 3), 0);
  SetPixel(1, 2, 1, {10, 20, 30, 0});
  ASSERT_NE(DrawingStart(ImageDrawTarget(1)), 0);
  EXPECT_EQ(PixelRead(2, 1), 0x1E140Au);
  EXPECT_EQ(PixelRead(0, 0), 0u);
  DrawingStop();
}

TEST_F(DrawingTest, DrawImageAtCopiesColourAndKeepsTargetAlpha) {
  ASSERT_NE(ImageCreate(1, 4, 4), 0);  // opaque canvas
  ASSERT_NE(ImageCreate(2, 2, 2), 0);
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 2; ++x)
      SetPixel(2, x, y, {static_cast<uint8_t>(50 + x), static_cast<uint8_t>(60 + y), 70, 128});
  }
  ASSERT_NE(DrawingStart(ImageDrawTarget(1)), 0);
  DrawImageAt(ImageNativeObject(2), 1, 1);
  DrawImageAt(ImageNativeObject(2), -1, 3);  // clipped: only source (1, 0) lands, at (0, 3)
  DrawImageAt(ImageNativeObject(2), 10, 0);  // entirely outside
  DrawingStop();
  EXPECT_EQ(PixelOf(1, 1, 1), (std::array<uint8_t, 4>{50, 60, 70, 255}));
  EXPECT_EQ(PixelOf(1, 2, 2), (std::array<uint8_t, 4>{51, 61, 70, 255}));
  EXPECT_EQ(PixelOf(1, 0, 3), (std::array<uint8_t, 4>{51, 60, 70, 255}));
  EXPECT_EQ(PixelOf(1, 0, 0), kOpaqueBlack);
  EXPECT_EQ(PixelOf(1, 3, 3), kOpaqueBlack);
}

TEST_F(DrawingTest, FillRectNormalisesNegativeSizesAndClips) {
  ASSERT_NE(ImageCreate(1, 5, 5), 0);
  SetPixel(1, 3, 3, {0, 0, 0, 9});
  ASSERT_NE(DrawingStart(ImageDrawTarget(1)), 0);
  FillRect(4, 4, -2, -2, ColourPack(200, 100, 50));  // covers (2..3, 2..3)
  FillRect(-3, -3, 4, 4, ColourPack(1, 2, 3));       // clipped to (0, 0)
  FillRect(4, 0, 10, 1, ColourPack(9, 9, 9));        // clipped to (4, 0)
  DrawingStop();
  EXPECT_EQ(PixelOf(1, 2, 2), (std::array<uint8_t, 4>{200, 100, 50, 255}));
  EXPECT_EQ(PixelOf(1, 3, 3), (std::array<uint8_t, 4>{200, 100, 50, 9}));  // alpha kept
  EXPECT_EQ(PixelOf(1, 4, 4), kOpaqueBlack);
  EXPECT_EQ(PixelOf(1, 1, 1), kOpaqueBlack);
  EXPECT_EQ(PixelOf(1, 0, 0), (std::array<uint8_t, 4>{1, 2, 3, 255}));
  EXPECT_EQ(PixelOf(1, 1, 0), kOpaqueBlack);
  EXPECT_EQ(PixelOf(1, 4, 0), (std::array<uint8_t, 4>{9, 9, 9, 255}));
}

TEST_F(DrawingTest, OutlinedModeDrawsOnlyTheBorder) {
  ASSERT_NE(ImageCreate(1, 5, 5), 0);
  ASSERT_NE(DrawingStart(ImageDrawTarget(1)), 0);
  DrawingMode(DrawingOutlined);
  FillRect(0, 0, 5, 4, ColourPack(255, 255, 255));
  DrawingStop();
  const std::array<uint8_t, 4> white = {255, 255, 255, 255};
  for (int32_t x = 0; x < 5; ++x) {
    EXPECT_EQ(PixelOf(1, x, 0), white);
    EXPECT_EQ(PixelOf(1, x, 3), white);
    EXPECT_EQ(PixelOf(1, x, 4), kOpaqueBlack);
  }
  EXPECT_EQ(PixelOf(1, 0, 2), white);
  EXPECT_EQ(PixelOf(1, 4, 2), white);
  EXPECT_EQ(PixelOf(1, 2, 2), kOpaqueBlack);
}

TEST_F(DrawingTest, StartAndStopTellTheTargetAndTheViews) {
  EXPECT_EQ(DrawingStart(nullptr), 0);
  DrawingStop();  // nothing current: nothing happens
  ASSERT_NE(ImageCreate(1, 1, 1), 0);
  const uint64_t before = ImageNativeObject(1)->revision;
  ASSERT_NE(DrawingStart(ImageDrawTarget(1)), 0);
  DrawingStop();
  EXPECT_EQ(ImageNativeObject(1)->revision, before + 1);
  EXPECT_EQ(ImageDrawTarget(5), nullptr);
}

// A foreign 3-byte, bottom-up target such as a texture.
TEST_F(DrawingTest, ThreeByteBottomUpTargets) {
  uint8_t pixels[2 * 8] = {};  // 2 rows of 2 pixels, 8 bytes per row (2 bytes padding)
  static int stops = 0;
  stops = 0;
  ZenDrawingTarget target{pixels, 2, 2, 8, 3, 1, nullptr, [](ZenDrawingTarget*) { ++stops; }};
  ASSERT_NE(DrawingStart(&target), 0);
  FillRect(0, 0, 1, 1, ColourPack(1, 2, 3));  // top row is stored last
  EXPECT_EQ(PixelRead(0, 0), ColourPack(1, 2, 3));
  DrawingStop();
  EXPECT_EQ(pixels[8], 1);
  EXPECT_EQ(pixels[10], 3);
  EXPECT_EQ(pixels[0], 0);
  EXPECT_EQ(stops, 1);
}

}  // namespace
}  // namespace zen::test
