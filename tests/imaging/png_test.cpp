#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "imaging_support.h"

namespace zen::test {
namespace {

using Px = std::array<uint8_t, 4>;

// The chunks of a PNG file, in order, with the image data inflated.
struct PngFile {
  std::vector<std::string> chunks;
  uint32_t width = 0;
  uint32_t height = 0;
  int bit_depth = 0;
  int colour_type = -1;
  size_t palette_bytes = 0;
  std::vector<uint8_t> idat;
  std::vector<uint8_t> raw;  // inflated
};

uint32_t Be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
         p[3];
}

PngFile ParsePng(const std::vector<uint8_t>& bytes) {
  PngFile png;
  size_t at = 8;
  while (at + 12 <= bytes.size()) {
    const uint32_t length = Be32(&bytes[at]);
    const std::string type(reinterpret_cast<const char*>(&bytes[at + 4]), 4);
    const uint8_t* data = &bytes[at + 8];
    png.chunks.push_back(type);
    if (type == "IHDR") {
      png.width = Be32(data);
      png.height = Be32(data + 4);
      png.bit_depth = data[8];
      png.colour_type = data[9];
    } else if (type == "PLTE") {
      png.palette_bytes = length;
    } else if (type == "IDAT") {
      png.idat.insert(png.idat.end(), data, data + length);
    }
    at += 12 + length;
  }
  const size_t row = (static_cast<size_t>(png.width) *
                          (png.colour_type == 6   ? 4
                           : png.colour_type == 2 ? 3
                                                  : 1) *
                          static_cast<size_t>(png.bit_depth) +
                      7) /
                         8 +
                     1;
  png.raw.resize(row * png.height);
  uLongf size = png.raw.size();
  if (uncompress(png.raw.data(), &size, png.idat.data(), png.idat.size()) != Z_OK) png.raw.clear();
  return png;
}

// Every row of the inflated data starts with filter type 0 (none).
bool OnlyFilterNone(const PngFile& png) {
  if (png.raw.empty() || png.height == 0) return false;
  const size_t row = png.raw.size() / png.height;
  for (size_t y = 0; y < png.height; ++y) {
    if (png.raw[y * row] != 0) return false;
  }
  return true;
}

using PngTest = ImagingTest;

TEST_F(PngTest, EveryColourTypeDecodesLikeTheReferenceWithItsFileDepth) {
  const std::map<std::string, int> depths = {{"grey1", 1},
                                             {"grey2", 2},
                                             {"grey4", 4},
                                             {"grey8", 8},
                                             {"grey16", 16},
                                             {"grey8_trns", 8},
                                             {"grey2_trns", 8},
                                             {"rgb8", 24},
                                             {"rgb16", 24},
                                             {"greyalpha8", 8},
                                             {"greyalpha16", 16},
                                             {"rgba8", 32},
                                             {"rgba16", 32},
                                             {"rgb8_trns", 32},
                                             {"palette1", 1},
                                             {"palette2", 2},
                                             {"palette4", 4},
                                             {"palette8", 8},
                                             {"palette8_trns", 32},
                                             {"rgb8_interlaced", 24},
                                             {"rgba16_interlaced", 32},
                                             {"palette4_interlaced", 4}};
  for (const auto& [name, depth] : depths) {
    SCOPED_TRACE(name);
    const auto path = CorpusDir() / "good" / (name + ".png");
    ASSERT_NE(ImageLoad(1, U16(path)), 0);
    EXPECT_EQ(FindImage(1)->file_depth, depth);
    EXPECT_EQ(FindImage(1)->codec_id, static_cast<uint32_t>(CodecPng));
    int w = 0;
    int h = 0;
    const auto reference = ReferenceRgba(path, &w, &h);
    if (!reference) GTEST_SKIP() << "ImageMagick is not available";
    const NativeImage* image = ImageNativeObject(1);
    ASSERT_EQ(image->width, w);
    ASSERT_EQ(image->height, h);
    // The reference rounds 16-bit samples; we keep the high byte.
    const int tolerance = name.find("16") != std::string::npos ? 1 : 0;
    int worst = 0;
    for (size_t i = 0; i < reference->size(); ++i) {
      worst = std::max(worst, std::abs(int{image->pixels[i]} - int{(*reference)[i]}));
    }
    EXPECT_LE(worst, tolerance);
  }
}

TEST_F(PngTest, SixteenBitSamplesKeepTheirHighByte) {
  ASSERT_NE(ImageLoad(1, U16(CorpusDir() / "good" / "rgb16.png")), 0);
  // The generator's sample at (1, 0) is 37 in every channel's formula base; check exactly
  // against the high byte of what the file holds instead of against a rounding decoder.
  const auto bytes = ReadBytes(CorpusDir() / "good" / "rgb16.png");
  PngFile png = ParsePng(bytes);
  ASSERT_FALSE(png.raw.empty());
  const size_t row = png.raw.size() / png.height;
  for (uint32_t x = 0; x < png.width; ++x) {
    const uint8_t* sample = &png.raw[2 * row + 1 + x * 6];
    const Px px = PixelOf(1, static_cast<int32_t>(x), 2);
    EXPECT_EQ(px[0], sample[0]);
    EXPECT_EQ(px[1], sample[2]);
    EXPECT_EQ(px[2], sample[4]);
  }
}

TEST_F(PngTest, AlphaSurvivesOnlyFromDepth32Images) {
  ASSERT_NE(ImageCreate(1, 2, 1), 0);
  SetPixel(1, 0, 0, {200, 100, 50, 0});
  SetPixel(1, 1, 0, {200, 100, 50, 128});
  const auto opaque = Temp("from24.png");
  ASSERT_NE(ImageSave(1, U16(opaque), CodecPng, 7, -1), 0);
  FindImage(1)->file_depth = 32;
  const auto alpha = Temp("from32.png");
  ASSERT_NE(ImageSave(1, U16(alpha), CodecPng, 7, -1), 0);

  ASSERT_NE(ImageLoad(2, U16(opaque)), 0);
  EXPECT_EQ(FindImage(2)->file_depth, 24);
  EXPECT_EQ(PixelOf(2, 0, 0), (Px{255, 255, 255, 255}));
  EXPECT_EQ(PixelOf(2, 1, 0), (Px{227, 177, 152, 255}));  // (c * a + (255 - a) * 255) / 255
  ASSERT_NE(ImageLoad(2, U16(alpha)), 0);
  EXPECT_EQ(FindImage(2)->file_depth, 32);
  EXPECT_EQ(PixelOf(2, 0, 0), (Px{200, 100, 50, 0}));
  EXPECT_EQ(PixelOf(2, 1, 0), (Px{200, 100, 50, 128}));
}

TEST_F(PngTest, CanvasPiecesAreRgb8WithFilterNoneAndNoExtraChunks) {
  ASSERT_NE(ImageCreate(10, 5, 3), 0);
  const auto path = Temp("piece.png");
  ASSERT_NE(ImageSave(10, U16(path), CodecPng, 7, -1), 0);
  const PngFile png = ParsePng(ReadBytes(path));
  EXPECT_EQ(png.colour_type, 2);
  EXPECT_EQ(png.bit_depth, 8);
  EXPECT_TRUE(OnlyFilterNone(png));
  for (const std::string& chunk : png.chunks)
    EXPECT_TRUE(chunk == "IHDR" || chunk == "IDAT" || chunk == "IEND") << chunk;
  FindImage(10)->file_depth = 32;
  ASSERT_NE(ImageSave(10, U16(path), CodecPng, 7, -1), 0);
  const PngFile rgba = ParsePng(ReadBytes(path));
  EXPECT_EQ(rgba.colour_type, 6);
  EXPECT_TRUE(OnlyFilterNone(rgba));
}

TEST_F(PngTest, PiecesOfPaletteImagesAreIndexedWithAFullPalette) {
  ASSERT_NE(ImageLoad(9, U16(CorpusDir() / "good" / "palette8.png")), 0);
  ASSERT_NE(ImageGrab(9, 10, 0, 2, 19, 8), 0);
  const auto path = Temp("indexed.png");
  ASSERT_NE(ImageSave(10, U16(path), CodecPng, 7, -1), 0);
  const PngFile png = ParsePng(ReadBytes(path));
  EXPECT_EQ(png.colour_type, 3);
  EXPECT_EQ(png.bit_depth, 8);
  EXPECT_EQ(png.palette_bytes, 256u * 3);
  EXPECT_TRUE(OnlyFilterNone(png));
  for (int depth : {2, 4}) {
    ASSERT_NE(ImageSave(10, U16(path), CodecPng, 7, depth), 0);
    const PngFile small = ParsePng(ReadBytes(path));
    EXPECT_EQ(small.bit_depth, depth);
    EXPECT_EQ(small.palette_bytes, (size_t{1} << depth) * 3);
    EXPECT_NE(ImageLoad(11, U16(path)), 0);
  }
}

TEST_F(PngTest, OneBitOutputUsesTheLuminanceThreshold) {
  ASSERT_NE(ImageCreate(1, 3, 1), 0);
  SetPixel(1, 0, 0, {161, 161, 161, 255});
  SetPixel(1, 1, 0, {160, 160, 160, 255});
  SetPixel(1, 2, 0, {0, 0, 255, 255});  // blue is dark: 0.0722 * 255
  const auto path = Temp("bw.png");
  ASSERT_NE(ImageSave(1, U16(path), CodecPng, 7, 1), 0);
  EXPECT_EQ(ParsePng(ReadBytes(path)).bit_depth, 1);
  ASSERT_NE(ImageLoad(2, U16(path)), 0);
  EXPECT_EQ(FindImage(2)->file_depth, 1);
  EXPECT_EQ(PixelOf(2, 0, 0), (Px{255, 255, 255, 255}));
  EXPECT_EQ(PixelOf(2, 1, 0), (Px{0, 0, 0, 255}));
  EXPECT_EQ(PixelOf(2, 2, 0), (Px{0, 0, 0, 255}));
}

TEST_F(PngTest, LearntPalettesStayCloseToTheImage) {
  ASSERT_NE(ImageCreate(1, 64, 64), 0);
  const Px colours[4] = {{250, 20, 20, 255}, {20, 240, 30, 255}, {30, 30, 230, 255}, {245, 245, 240, 255}};
  for (int32_t y = 0; y < 64; ++y) {
    for (int32_t x = 0; x < 64; ++x) SetPixel(1, x, y, colours[(x / 32) + 2 * (y / 32)]);
  }
  const auto path = Temp("four.png");
  ASSERT_NE(ImageSave(1, U16(path), CodecPng, 7, 4), 0);
  ASSERT_NE(ImageLoad(2, U16(path)), 0);
  int worst = 0;
  for (int32_t y = 0; y < 64; ++y) {
    for (int32_t x = 0; x < 64; ++x) {
      const Px a = PixelOf(1, x, y);
      const Px b = PixelOf(2, x, y);
      for (size_t k = 0; k < 3; ++k) worst = std::max(worst, std::abs(int{a[k]} - int{b[k]}));
    }
  }
  EXPECT_LE(worst, 16);
}

TEST_F(PngTest, DitheringOnlyWithQualityBit256) {
  ASSERT_NE(ImageCreate(1, 64, 16), 0);
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 0; x < 64; ++x) SetPixel(1, x, y, {static_cast<uint8_t>(x * 4), 90, 160, 255});
  }
  const auto plain = Temp("plain.png");
  const auto dithered = Temp("dithered.png");
  ASSERT_NE(ImageSave(1, U16(plain), CodecPng, 7, 2), 0);
  ASSERT_NE(ImageSave(1, U16(dithered), CodecPng, 7 | 256, 2), 0);
  const auto a = ParsePng(ReadBytes(plain));
  const auto b = ParsePng(ReadBytes(dithered));
  EXPECT_NE(a.raw, b.raw);
  // Without dithering every row is the same; with it, neighbouring rows differ.
  const size_t row = a.raw.size() / a.height;
  EXPECT_TRUE(std::equal(a.raw.begin(), a.raw.begin() + static_cast<std::ptrdiff_t>(row),
                         a.raw.begin() + static_cast<std::ptrdiff_t>(row)));
  EXPECT_FALSE(std::equal(b.raw.begin(), b.raw.begin() + static_cast<std::ptrdiff_t>(row),
                          b.raw.begin() + static_cast<std::ptrdiff_t>(row)));
}

TEST_F(PngTest, SaveRefusesBadRequestsAndWritesNothing) {
  ASSERT_NE(ImageCreate(1, 2, 2), 0);
  const auto path = Temp("never.png");
  EXPECT_EQ(ImageSave(1, u"", CodecPng, 7, -1), 0);
  EXPECT_EQ(ImageSave(2, U16(path), CodecPng, 7, -1), 0);
  for (int depth : {0, 3, 12, 33, -2}) EXPECT_EQ(ImageSave(1, U16(path), CodecPng, 7, depth), 0) << depth;
  EXPECT_EQ(ImageSave(1, U16(path), 0x12345, 7, -1), 0);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(ImageSave(1, U16(Temp("missing") / "x.png"), CodecPng, 7, -1), 0);
  EXPECT_NE(ImageSave(1, U16(path), CodecPng, 7, 16), 0);  // 16 is allowed: written as RGB
  EXPECT_EQ(ParsePng(ReadBytes(path)).colour_type, 2);
}

// Where each chunk of a PNG file starts.
std::map<std::string, size_t> ChunkOffsets(const std::vector<uint8_t>& bytes) {
  std::map<std::string, size_t> offsets;
  for (size_t at = 8; at + 12 <= bytes.size(); at += 12 + Be32(&bytes[at])) {
    offsets.emplace(std::string(reinterpret_cast<const char*>(&bytes[at + 4]), 4), at);
  }
  return offsets;
}

TEST_F(PngTest, DamagedImageDataFailsTheLoadButABadAncillaryChecksumDoesNot) {
  // A barely compressible image, so that its data chunk is large.
  ASSERT_NE(ImageCreate(1, 200, 200), 0);
  NativeImage* image = ImageNativeObject(1);
  uint32_t noise = 1;
  for (size_t i = 0; i < image->ByteCount(); ++i)
    image->pixels[i] = static_cast<uint8_t>((noise = noise * 1103515245u + 12345u) >> 24);
  const auto path = Temp("page.png");
  ASSERT_NE(ImageSave(1, U16(path), CodecPng, 7, -1), 0);
  const auto good = ReadBytes(path);
  const size_t idat = ChunkOffsets(good).at("IDAT");
  const size_t iend = ChunkOffsets(good).at("IEND");
  auto cut = good;
  cut.resize(good.size() / 2);
  auto bad_checksum = good;
  bad_checksum[idat + 8 + 1000] ^= 0x10;
  std::vector<uint8_t> no_data(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(idat));
  no_data.insert(no_data.end(), good.begin() + static_cast<std::ptrdiff_t>(iend), good.end());
  for (const auto* damaged : {&cut, &bad_checksum, &no_data}) {
    ASSERT_NE(ImageCreate(2, 3, 3), 0);
    LoadFailure why = LoadFailure::None;
    EXPECT_EQ(ImageLoadMemory(2, damaged->data(), damaged->size(), &why), 0);
    EXPECT_EQ(why, LoadFailure::Damaged);
    // A failed decode leaves no half-made page behind.
    if (damaged != &no_data) {
      EXPECT_EQ(FindImage(2), nullptr);
    }
  }
  // A text chunk whose checksum is wrong is only dropped.
  const uint8_t text[] = {0, 0, 0, 3, 't', 'E', 'X', 't', 'a', 0, 'b', 1, 2, 3, 4};
  auto with_text = good;
  with_text.insert(with_text.begin() + static_cast<std::ptrdiff_t>(idat), std::begin(text), std::end(text));
  ASSERT_NE(ImageLoadMemory(2, with_text.data(), with_text.size()), 0);
  ASSERT_NE(ImageLoadMemory(3, good.data(), good.size()), 0);
  EXPECT_EQ(PixelOf(2, 199, 199), PixelOf(3, 199, 199));
  LoadFailure why = LoadFailure::None;
  EXPECT_EQ(ImageLoad(2, U16(Temp("absent.png")), &why), 0);
  EXPECT_EQ(why, LoadFailure::Missing);
}

TEST_F(PngTest, PathsAreHandedOverAsUtf8) {
  ASSERT_NE(ImageCreate(1, 3, 2), 0);
  const std::u16string folder = U16(Temp(""));
  const std::u16string path = folder + u"\uC870\uAC01 01.png";  // Korean file name
  ASSERT_NE(ImageSave(1, path, CodecPng, 7, -1), 0);
  EXPECT_TRUE(std::filesystem::exists(Temp("\xEC\xA1\xB0\xEA\xB0\x81 01.png")));
  EXPECT_NE(ImageLoad(AnyNumber, path), 0);
  EXPECT_EQ(ImageLoad(2, u""), 0);
  EXPECT_EQ(ImageLoad(2, folder + u"none.png"), 0);
}

TEST_F(PngTest, RegisteringTwiceChangesNothing) {
  RegisterAllCodecs();
  RegisterPngDecoder();
  const auto& registry = TheCodecRegistry();
  ASSERT_EQ(registry.decoders.size(), 3u);
  EXPECT_EQ(registry.decoders[0].id, static_cast<uint32_t>(CodecBmp));
  EXPECT_EQ(registry.decoders[1].id, static_cast<uint32_t>(CodecPng));
  EXPECT_EQ(registry.decoders[2].id, static_cast<uint32_t>(CodecJpeg));
  ASSERT_EQ(registry.encoders.size(), 3u);
  EXPECT_EQ(registry.encoders[1].id, static_cast<uint32_t>(CodecPng));
}

}  // namespace
}  // namespace zen::test
