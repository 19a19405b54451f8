#include <cstdlib>
#include <cstring>

#include "imaging_support.h"
#include "tests/support/jpeg_direct.h"

namespace zen::test {
namespace {

using Bytes = std::vector<uint8_t>;
using Px = std::array<uint8_t, 4>;

// --- the library used directly (errors end the test program, which is fine here) ---

using Tables = std::vector<std::vector<uint16_t>>;

Tables LibraryTables(int quality) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  c.in_color_space = JCS_RGB;
  c.input_components = 3;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, FALSE);
  Tables tables;
  for (int t = 0; t < 2; ++t) tables.emplace_back(c.quant_tbl_ptrs[t]->quantval, c.quant_tbl_ptrs[t]->quantval + 64);
  jpeg_destroy_compress(&c);
  return tables;
}

Bytes Pattern(int width, int height, int components) {
  Bytes pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(components));
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i * 7 + (i / 97) * 13) & 255);
  return pixels;
}

using JpegTest = ImagingTest;

TEST_F(JpegTest, CorpusDecodesLikeTheReferenceAndIsOpaque) {
  for (const char* name : {"ycc420.jpg", "ycc444.jpg", "progressive.jpg", "grey.jpg"}) {
    SCOPED_TRACE(name);
    const auto path = CorpusDir() / "good" / name;
    ASSERT_NE(ImageLoad(1, U16(path)), 0);
    EXPECT_EQ(FindImage(1)->file_depth, 24);
    EXPECT_EQ(FindImage(1)->codec_id, static_cast<uint32_t>(CodecJpeg));
    int w = 0;
    int h = 0;
    const auto reference = ReferenceRgba(path, &w, &h);
    if (!reference) GTEST_SKIP() << "ImageMagick is not available";
    const NativeImage* image = ImageNativeObject(1);
    ASSERT_EQ(image->width, w);
    ASSERT_EQ(image->height, h);
    int worst = 0;
    for (size_t i = 0; i < reference->size(); ++i) {
      worst = std::max(worst, std::abs(int{image->pixels[i]} - int{(*reference)[i]}));
    }
    EXPECT_LE(worst, 2);
  }
}

// red = C x K / 255 with the samples as the library hands them over.
void ExpectCmykFormula(const Bytes& file) {
  const DirectJpeg decoded = DirectJpegDecode(file, JCS_CMYK);
  const Bytes& cmyk = decoded.samples;
  ASSERT_NE(ImageLoadMemory(1, file.data(), file.size()), 0);
  EXPECT_EQ(FindImage(1)->file_depth, 32);
  const NativeImage* image = ImageNativeObject(1);
  ASSERT_EQ(image->width, decoded.width);
  for (size_t i = 0; i < cmyk.size(); i += 4) {
    const uint32_t k = cmyk[i + 3];
    const Px expected = {static_cast<uint8_t>(cmyk[i] * k / 255), static_cast<uint8_t>(cmyk[i + 1] * k / 255),
                         static_cast<uint8_t>(cmyk[i + 2] * k / 255), 255};
    const Px got = {image->pixels[i], image->pixels[i + 1], image->pixels[i + 2], image->pixels[i + 3]};
    ASSERT_EQ(got, expected) << "pixel " << i / 4;
  }
}

TEST_F(JpegTest, CmykAndYcckBecomeOpaqueRgbByTheFormula) {
  ExpectCmykFormula(ReadBytes(CorpusDir() / "good" / "cmyk.jpg"));
  ExpectCmykFormula(DirectJpegEncode({Pattern(21, 9, 4).data(), 21, 9, 4, JCS_CMYK}, 90, JCS_YCCK));
}

TEST_F(JpegTest, RgbStoredFilesComeOutAsStored) {
  const Bytes file = DirectJpegEncode({Pattern(17, 5, 3).data(), 17, 5, 3, JCS_RGB}, 90, JCS_RGB);
  const Bytes rgb = DirectJpegDecode(file, JCS_RGB).samples;
  ASSERT_NE(ImageLoadMemory(1, file.data(), file.size()), 0);
  EXPECT_EQ(FindImage(1)->file_depth, 24);
  const NativeImage* image = ImageNativeObject(1);
  for (size_t i = 0; i < rgb.size() / 3; ++i) {
    ASSERT_EQ(image->pixels[i * 4], rgb[i * 3]);
    ASSERT_EQ(image->pixels[i * 4 + 2], rgb[i * 3 + 2]);
    ASSERT_EQ(image->pixels[i * 4 + 3], 255);
  }
}

TEST_F(JpegTest, QualityIsTenTimesTheClampedSetting) {
  ASSERT_NE(ImageCreate(1, 16, 16), 0);
  const auto path = Temp("q.jpg");
  for (auto [q, library] : {std::pair{-3, 0}, {0, 0}, {1, 10}, {7, 70}, {9, 90}, {10, 100}, {11, 100}, {400, 100}}) {
    SCOPED_TRACE(q);
    ASSERT_NE(ImageSave(1, U16(path), CodecJpeg, q, -1), 0);
    EXPECT_EQ(DirectJpegReadHeader(ReadBytes(path)).tables, LibraryTables(library));
  }
  // Low qualities keep their large table entries: baseline tables are not forced.
  ASSERT_NE(ImageSave(1, U16(path), CodecJpeg, 1, -1), 0);
  const Tables low = DirectJpegReadHeader(ReadBytes(path)).tables;
  EXPECT_GT(*std::max_element(low[0].begin(), low[0].end()), 255);
}

TEST_F(JpegTest, OutputMatchesTheLibraryFedWithRgbOverWhite) {
  const int w = 37;
  const int h = 19;
  ASSERT_NE(ImageCreate(1, w, h), 0);
  Bytes rgb(static_cast<size_t>(w * h * 3));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const auto a = static_cast<uint8_t>(y == 3 ? x * 7 : 255);  // one row partly transparent
      const Px px = {static_cast<uint8_t>(x * 6), static_cast<uint8_t>(y * 13), static_cast<uint8_t>(x * y), a};
      SetPixel(1, x, y, px);
      for (size_t k = 0; k < 3; ++k) rgb[static_cast<size_t>(y * w + x) * 3 + k] = OverWhite(px[k], a);
    }
  }
  const auto path = Temp("same.jpg");
  ASSERT_NE(ImageSave(1, U16(path), CodecJpeg, 9, -1), 0);
  EXPECT_EQ(ReadBytes(path), DirectJpegEncode({rgb.data(), w, h}, 90));
}

TEST_F(JpegTest, TransparentPixelsAreSavedWhite) {
  ASSERT_NE(ImageCreate(1, 8, 8), 0);
  FindImage(1)->file_depth = 32;  // JPEG has no 32-bit entry: composited anyway
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) SetPixel(1, x, y, {10, 200, 30, 0});
  }
  const auto path = Temp("white.jpg");
  ASSERT_NE(ImageSave(1, U16(path), CodecJpeg, 10, -1), 0);
  ASSERT_NE(ImageLoad(2, U16(path)), 0);
  const Px px = PixelOf(2, 4, 4);
  EXPECT_GE(px[0], 250);
  EXPECT_GE(px[1], 250);
  EXPECT_GE(px[2], 250);
}

TEST_F(JpegTest, RowsCutShortFailTheLoadAMissingEndMarkerDoesNot) {
  const Bytes whole = ReadBytes(CorpusDir() / "good" / "ycc444.jpg");
  ASSERT_EQ(whole[whole.size() - 1], 0xD9);
  Bytes file(whole.begin(), whole.end() - 2);  // without its end marker
  ASSERT_NE(ImageLoadMemory(1, file.data(), file.size()), 0);
  file.resize(whole.size() / 2);
  LoadFailure why = LoadFailure::None;
  EXPECT_EQ(ImageLoadMemory(1, file.data(), file.size(), &why), 0);
  EXPECT_EQ(why, LoadFailure::Damaged);
  EXPECT_EQ(FindImage(1), nullptr);
  // Too short even for its header.
  file.resize(40);
  EXPECT_EQ(ImageLoadMemory(1, file.data(), file.size(), &why), 0);
  EXPECT_EQ(why, LoadFailure::Damaged);
}

}  // namespace
}  // namespace zen::test
