#include <cstring>

#include "imaging_support.h"
#include "interchange/bmp_header.h"

namespace zen::test {
namespace {

using Bytes = std::vector<uint8_t>;

void Le16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Le32(Bytes& b, uint32_t v) {
  Le16(b, v & 0xFFFF);
  Le16(b, v >> 16);
}

// A BMP with a 40-byte info header, the given palette (B, G, R, 0 each) and pixel bytes.
Bytes Bmp(int32_t width, int32_t height, int bits, uint32_t compression, const Bytes& palette, const Bytes& pixels,
          uint32_t colours_used = 0) {
  Bytes b = {'B', 'M'};
  const auto offset = static_cast<uint32_t>(54 + palette.size());
  Le32(b, static_cast<uint32_t>(offset + pixels.size()));
  Le32(b, 0);
  Le32(b, offset);
  Le32(b, 40);
  Le32(b, static_cast<uint32_t>(width));
  Le32(b, static_cast<uint32_t>(height));
  Le16(b, 1);
  Le16(b, static_cast<uint32_t>(bits));
  Le32(b, compression);
  Le32(b, static_cast<uint32_t>(pixels.size()));
  Le32(b, 2835);
  Le32(b, 2835);
  Le32(b, colours_used);
  Le32(b, 0);
  b.insert(b.end(), palette.begin(), palette.end());
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

class BmpTest : public ImagingTest {
 protected:
  // Loads the bytes into image 1; true on success.
  bool Load(const Bytes& bytes) { return ImageLoadMemory(1, bytes.data(), bytes.size()) != 0; }
  std::array<uint8_t, 4> At(int32_t x, int32_t y) { return PixelOf(1, x, y); }
};

using Px = std::array<uint8_t, 4>;
const Bytes kPalette = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 10, 20, 30, 0};  // red, green, blue, (30,20,10)

TEST_F(BmpTest, Rows24BitArePaddedAndStoredBottomUp) {
  // 3 x 2: bottom row first, 9 data bytes + 3 padding per row.
  const Bytes pixels = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0,   // bottom: red green blue
                        1, 2, 3,   4, 5,   6, 7,   8, 9, 0, 0, 0};  // top
  ASSERT_TRUE(Load(Bmp(3, 2, 24, 0, {}, pixels)));
  EXPECT_EQ(ImageGetWidth(1), 3);
  EXPECT_EQ(FindImage(1)->file_depth, 24);
  EXPECT_EQ(FindImage(1)->codec_id, static_cast<uint32_t>(CodecBmp));
  EXPECT_EQ(At(0, 1), (Px{255, 0, 0, 255}));
  EXPECT_EQ(At(2, 1), (Px{0, 0, 255, 255}));
  EXPECT_EQ(At(0, 0), (Px{3, 2, 1, 255}));
  EXPECT_EQ(At(2, 0), (Px{9, 8, 7, 255}));
}

TEST_F(BmpTest, Rows32BitIgnoreTheFourthByte) {
  ASSERT_TRUE(Load(Bmp(1, 1, 32, 0, {}, {30, 20, 10, 0})));
  EXPECT_EQ(At(0, 0), (Px{10, 20, 30, 255}));
  EXPECT_EQ(FindImage(1)->file_depth, 32);
}

TEST_F(BmpTest, SixteenBitFieldsMoveToTheTopOfTheirBytes) {
  ASSERT_TRUE(Load(Bmp(2, 1, 16, 0, {}, {0x00, 0x7C, 0xFF, 0x7F})));  // 5-5-5: red, white
  EXPECT_EQ(At(0, 0), (Px{248, 0, 0, 255}));
  EXPECT_EQ(At(1, 0), (Px{248, 248, 248, 255}));
  ASSERT_TRUE(Load(Bmp(3, 1, 16, 3, {}, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0, 0})));  // 5-6-5
  EXPECT_EQ(At(0, 0), (Px{248, 0, 0, 255}));
  EXPECT_EQ(At(1, 0), (Px{0, 252, 0, 255}));
  EXPECT_EQ(At(2, 0), (Px{0, 0, 248, 255}));
  ASSERT_TRUE(Load(Bmp(1, 1, 16, 2, {}, {0xFF, 0xFF, 0, 0})));  // another compression: black
  EXPECT_EQ(At(0, 0), (Px{0, 0, 0, 255}));
}

TEST_F(BmpTest, OneBitIsBlackAndWhiteWhateverThePalette) {
  const Bytes palette = {0, 0, 255, 0, 0, 255, 0, 0};  // red, green: not used
  ASSERT_TRUE(Load(Bmp(10, 1, 1, 0, palette, {0xA0, 0x40, 0, 0})));
  EXPECT_EQ(FindImage(1)->file_depth, 1);
  EXPECT_EQ(At(0, 0), (Px{255, 255, 255, 255}));
  EXPECT_EQ(At(1, 0), (Px{0, 0, 0, 255}));
  EXPECT_EQ(At(2, 0), (Px{255, 255, 255, 255}));
  EXPECT_EQ(At(9, 0), (Px{255, 255, 255, 255}));
}

TEST_F(BmpTest, FourAndEightBitIndexesUseThePaletteAndSkipOutsiders) {
  ASSERT_TRUE(Load(Bmp(3, 1, 4, 0, kPalette, {0x12, 0x70, 0, 0}, 4)));  // 1, 2, 7 (outside)
  EXPECT_EQ(At(0, 0), (Px{0, 255, 0, 255}));
  EXPECT_EQ(At(1, 0), (Px{0, 0, 255, 255}));
  EXPECT_EQ(At(2, 0), (Px{0, 0, 0, 255}));
  ASSERT_TRUE(Load(Bmp(3, 1, 8, 0, kPalette, {3, 0, 200, 0}, 4)));
  EXPECT_EQ(FindImage(1)->file_depth, 8);
  EXPECT_EQ(At(0, 0), (Px{30, 20, 10, 255}));
  EXPECT_EQ(At(1, 0), (Px{255, 0, 0, 255}));
  EXPECT_EQ(At(2, 0), (Px{0, 0, 0, 255}));
  ASSERT_TRUE(Load(Bmp(1, 1, 4, 2, kPalette, {0x11, 0, 0, 0}, 4)));  // RLE4: not decoded
  EXPECT_EQ(At(0, 0), (Px{0, 0, 0, 255}));
}

TEST_F(BmpTest, Rle8RunsLiteralsMovesAndEnds) {
  const Bytes rle = {3, 1,              // bottom row: three green
                     0, 0,              // next row up
                     0, 3, 2, 0, 1, 0,  // literal blue, red, green + padding
                     0, 2, 1, 1,        // move right 1, up 1 -> (4, row 2 from bottom)
                     9, 3,              // run past the right edge: only x = 4 lands
                     0, 1,              // end of bitmap
                     5, 2};             // never read
  ASSERT_TRUE(Load(Bmp(5, 4, 8, 1, kPalette, rle, 4)));
  EXPECT_EQ(At(0, 3), (Px{0, 255, 0, 255}));
  EXPECT_EQ(At(2, 3), (Px{0, 255, 0, 255}));
  EXPECT_EQ(At(3, 3), (Px{0, 0, 0, 255}));
  EXPECT_EQ(At(0, 2), (Px{0, 0, 255, 255}));
  EXPECT_EQ(At(1, 2), (Px{255, 0, 0, 255}));
  EXPECT_EQ(At(2, 2), (Px{0, 255, 0, 255}));
  EXPECT_EQ(At(3, 1), (Px{0, 0, 0, 255}));
  EXPECT_EQ(At(4, 1), (Px{30, 20, 10, 255}));
  EXPECT_EQ(At(0, 0), (Px{0, 0, 0, 255}));
}

TEST_F(BmpTest, Rle8StaysInsideWhenRunsAndMovesOverreach) {
  const Bytes rle = {0, 2, 255, 255, 200, 1, 0, 9, 1, 1};  // move far away, run, literal cut short
  ASSERT_TRUE(Load(Bmp(2, 2, 8, 1, kPalette, rle, 4)));
  EXPECT_EQ(At(0, 0), (Px{0, 0, 0, 255}));
}

// Rows the file never holds are damage, not black rows (a page cut short would pass whole).
TEST_F(BmpTest, UncompressedRowsCutShortAreDamaged) {
  const auto failure = [&](const Bytes& bytes) {
    LoadFailure why = LoadFailure::None;
    EXPECT_EQ(ImageLoadMemory(1, bytes.data(), bytes.size(), &why), 0);
    return why;
  };
  EXPECT_EQ(failure(Bmp(2, 3, 24, 0, {}, {0, 0, 255, 0, 0, 255})), LoadFailure::Damaged);  // one row of 3
  EXPECT_EQ(failure(Bmp(2, 1, 24, 0, {}, {0, 0, 255, 0})), LoadFailure::Damaged);          // half a pixel
  Bytes lying = Bmp(2, 2, 24, 0, {}, {1, 2, 3});
  lying[10] = 0xF0, lying[11] = 0xFF, lying[12] = 0xFF, lying[13] = 0xFF;  // pixels past the end
  EXPECT_EQ(failure(lying), LoadFailure::Damaged);
  ASSERT_TRUE(Load(Bmp(2, 1, 24, 0, {}, {0, 0, 255, 0, 0, 255})));  // the last row needs no padding
  EXPECT_EQ(At(1, 0), (Px{255, 0, 0, 255}));
}

TEST_F(BmpTest, NegativeHeightFailsAndEmptiesTheNumber) {
  ASSERT_NE(ImageCreate(1, 1, 1), 0);
  EXPECT_FALSE(Load(Bmp(1, -1, 24, 0, {}, {0, 0, 0, 0})));
  EXPECT_EQ(FindImage(1), nullptr);
}

TEST_F(BmpTest, ZeroSizeOrNoDecoderKeepsThePreviousImage) {
  ASSERT_NE(ImageCreate(1, 2, 2), 0);
  EXPECT_FALSE(Load(Bmp(0, 1, 24, 0, {}, {0, 0, 0, 0})));
  EXPECT_EQ(ImageGetWidth(1), 2);
  Bytes reserved = Bmp(1, 1, 24, 0, {}, {0, 0, 0, 0});
  reserved[6] = 1;  // not a BMP any more, and nothing else accepts it
  EXPECT_FALSE(Load(reserved));
  EXPECT_EQ(ImageGetWidth(1), 2);
  const Bytes two = {0xFF, 0xD8};
  EXPECT_FALSE(Load(two));
  EXPECT_FALSE(Load({}));
  EXPECT_EQ(ImageGetWidth(1), 2);
}

TEST_F(BmpTest, AWideLoadedImageReportsANegativeWidth) {
  const Bytes row((40000 + 31) / 32 * 4, 0xFF);
  ASSERT_TRUE(Load(Bmp(40000, 1, 1, 0, {}, row)));
  EXPECT_EQ(ImageGetWidth(1), 40000 - 65536);
  EXPECT_EQ(ImageNativeObject(1)->width, 40000);
  EXPECT_EQ(At(39999, 0), (Px{255, 255, 255, 255}));
  EXPECT_FALSE(Load(Bmp(65536, 1, 1, 0, {}, row)));  // 16 bits cannot say it: refused
  EXPECT_EQ(FindImage(1), nullptr);
}

TEST_F(BmpTest, WriterRoundTripsThroughTheReader) {
  ASSERT_NE(ImageCreate(2, 3, 2), 0);
  SetPixel(2, 0, 0, {1, 2, 3, 255});
  SetPixel(2, 2, 1, {200, 100, 50, 0});  // transparent: written over white
  const auto path = Temp("out.bmp");
  ASSERT_NE(ImageSave(2, U16(path), CodecBmp, 7, -1), 0);
  const Bytes bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), kBmpHeaderSize + 2 * BmpRowBytes24(3));
  ASSERT_NE(ImageLoad(1, U16(path)), 0);
  EXPECT_EQ(At(0, 0), (Px{1, 2, 3, 255}));
  EXPECT_EQ(At(2, 1), (Px{255, 255, 255, 255}));
  EXPECT_EQ(At(1, 1), (Px{0, 0, 0, 255}));
}

TEST_F(BmpTest, CorpusFilesMatchTheReferenceDecoder) {
  for (const char* name : {"bmp24.bmp", "bmp8.bmp", "bmp8_rle.bmp", "bmp4.bmp"}) {
    const auto path = CorpusDir() / "good" / name;
    int w = 0;
    int h = 0;
    const auto reference = ReferenceRgba(path, &w, &h);
    if (!reference) GTEST_SKIP() << "ImageMagick is not available";
    ASSERT_NE(ImageLoad(1, U16(path)), 0) << name;
    const NativeImage* image = ImageNativeObject(1);
    ASSERT_EQ(image->width, w);
    ASSERT_EQ(image->height, h);
    EXPECT_EQ(std::memcmp(image->pixels.get(), reference->data(), reference->size()), 0) << name;
  }
}

}  // namespace
}  // namespace zen::test
