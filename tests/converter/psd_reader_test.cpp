// The PSD/PSB composite reader against documents written by the test writer: every
// supported mode, depth and compression must decode to the pixels that were written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <utility>

#include "converter/byte_source.h"
#include "converter/image_probe.h"
#include "converter/psd_reader.h"
#include "tests/support/psd_test_writer.h"

namespace zen {
namespace {

using test::PsdFixture;

// The 8-bit value a channel should decode to at a pixel.
uint8_t Intended(int channel, uint32_t x, uint32_t y) {
  return static_cast<uint8_t>((x * 37 + y * 11 + channel * 71) ^ (channel * 13 + (x >> 2)));
}

// Stores the intended 8-bit values at the fixture's depth, off by less than half a step
// so that only rounding to the nearest 8-bit value gives them back.
void StoreSample(PsdFixture& f, std::vector<uint8_t>& plane, uint32_t x, uint32_t y, uint8_t value) {
  uint64_t row = y * test::FixtureRowBytes(f);
  int wobble = static_cast<int>((x + y) % 5) * 25 - 50;  // -50 .. 50 of 65535
  if (f.depth == 8) {
    plane[row + x] = value;
  } else if (f.depth == 16) {
    int stored = std::clamp(value * 257 + wobble, 0, 65535);
    plane[row + 2 * x] = static_cast<uint8_t>(stored >> 8);
    plane[row + 2 * x + 1] = static_cast<uint8_t>(stored);
  } else if (f.depth == 32) {
    float stored = value / 255.0f + wobble * 1e-5f;
    uint32_t bits;
    std::memcpy(&bits, &stored, 4);
    for (int b = 0; b < 4; ++b) plane[row + 4 * x + b] = static_cast<uint8_t>(bits >> (24 - 8 * b));
  } else if (value < 128) {  // 1 bit: set means black
    plane[row + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  }
}

struct Case {
  uint16_t mode;
  uint16_t depth;
  int channels;
};

PsdFixture MakeFixture(const Case& c, uint16_t compression, bool large, uint32_t width, uint32_t height) {
  PsdFixture f;
  f.large = large;
  f.mode = c.mode;
  f.depth = c.depth;
  f.width = width;
  f.height = height;
  f.compression = compression;
  if (c.mode == PsdIndexed) {
    f.palette.resize(768);
    for (int i = 0; i < 768; ++i) f.palette[i] = static_cast<uint8_t>(255 - i * 7);
  }
  f.planes.assign(c.channels, std::vector<uint8_t>(test::FixtureRowBytes(f) * height, 0));
  for (int ch = 0; ch < c.channels; ++ch) {
    for (uint32_t y = 0; y < height; ++y) {
      for (uint32_t x = 0; x < width; ++x) StoreSample(f, f.planes[ch], x, y, Intended(ch, x, y));
    }
  }
  return f;
}

// What the composite must look like, from the intended values.
void ExpectedPixel(const Case& c, const PsdFixture& f, uint32_t x, uint32_t y, uint8_t rgb[3]) {
  auto v = [&](int ch) { return uint32_t{Intended(ch, x, y)}; };
  int colour = 1;
  if (c.mode == PsdBitmap) {
    rgb[0] = rgb[1] = rgb[2] = v(0) < 128 ? 0 : 255;
  } else if (c.mode == PsdIndexed) {
    for (int k = 0; k < 3; ++k) rgb[k] = f.palette[k * 256 + v(0)];
  } else if (c.mode == PsdRgb) {
    colour = 3;
    for (int k = 0; k < 3; ++k) rgb[k] = static_cast<uint8_t>(v(k));
  } else if (c.mode == PsdCmyk) {
    colour = 4;
    for (int k = 0; k < 3; ++k) rgb[k] = static_cast<uint8_t>(v(k) * v(3) / 255);
  } else {
    rgb[0] = rgb[1] = rgb[2] = static_cast<uint8_t>(v(0));
  }
  if (c.channels > colour && c.mode != PsdIndexed && c.mode != PsdBitmap) {
    // Merged colours count as matted with white: none is darker than the white showing through.
    uint8_t white = static_cast<uint8_t>(255 - v(colour));
    for (int k = 0; k < 3; ++k) rgb[k] = std::max(rgb[k], white);
  }
}

bool DecodeAll(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& rgb, uint32_t& width, uint32_t& height,
               std::string& error) {
  MemoryByteSource source(bytes.data(), bytes.size());
  auto rows = OpenImageRows(source, error);
  if (!rows) return false;
  width = rows->Width();
  height = rows->Height();
  rgb.assign(uint64_t{width} * height * 3, 0);
  // Uneven batches, so band edges fall inside requests.
  for (uint32_t y = 0; y < height;) {
    uint32_t take = std::min<uint32_t>(height - y, 1 + y % 7);
    if (!rows->ReadRows(rgb.data() + uint64_t{y} * width * 3, take)) {
      error = rows->Error();
      return false;
    }
    y += take;
  }
  for (uint64_t i = 0; i < rgb.size(); i += 3) std::swap(rgb[i], rgb[i + 2]);  // rows come as BGR
  return true;
}

void CheckCase(const Case& c, uint16_t compression, bool large, uint32_t width, uint32_t height) {
  PsdFixture f = MakeFixture(c, compression, large, width, height);
  if (c.channels > 1) f.layer_count = -1;  // the extra channel is the merged transparency
  std::vector<uint8_t> bytes = test::WritePsd(f);
  std::vector<uint8_t> rgb;
  uint32_t w = 0;
  uint32_t h = 0;
  std::string error;
  std::string what = "mode " + std::to_string(c.mode) + " depth " + std::to_string(c.depth) + " channels " +
                     std::to_string(c.channels) + " compression " + std::to_string(compression) +
                     (large ? " PSB" : " PSD");
  ASSERT_TRUE(DecodeAll(bytes, rgb, w, h, error)) << what << ": " << error;
  ASSERT_EQ(w, width);
  ASSERT_EQ(h, height);
  int mismatches = 0;
  for (uint32_t y = 0; y < height && mismatches < 3; ++y) {
    for (uint32_t x = 0; x < width && mismatches < 3; ++x) {
      uint8_t want[3];
      ExpectedPixel(c, f, x, y, want);
      const uint8_t* got = &rgb[(uint64_t{y} * width + x) * 3];
      if (std::memcmp(got, want, 3) != 0) {
        ++mismatches;
        ADD_FAILURE() << what << " at " << x << "," << y << ": got " << int(got[0]) << " " << int(got[1]) << " "
                      << int(got[2]) << ", want " << int(want[0]) << " " << int(want[1]) << " " << int(want[2]);
      }
    }
  }
}

const Case kCases[] = {
    {PsdBitmap, 1, 1},  {PsdGreyscale, 8, 1}, {PsdGreyscale, 16, 1}, {PsdGreyscale, 32, 1}, {PsdGreyscale, 8, 2},
    {PsdDuotone, 8, 1}, {PsdDuotone, 16, 1},  {PsdIndexed, 8, 1},    {PsdRgb, 8, 3},        {PsdRgb, 16, 3},
    {PsdRgb, 32, 3},    {PsdRgb, 8, 4},       {PsdRgb, 16, 4},       {PsdRgb, 32, 4},       {PsdCmyk, 8, 4},
    {PsdCmyk, 16, 4},   {PsdCmyk, 8, 5},
};

TEST(PsdReader, EveryModeDepthAndCompressionDecodesToThePixelsWritten) {
  for (bool large : {false, true}) {
    for (uint16_t compression : {0, 1, 2, 3}) {
      for (const Case& c : kCases) {
        if (c.depth == 1 && compression == 3) continue;  // no prediction on bits
        CheckCase(c, compression, large, 37, 23);
      }
    }
  }
}

TEST(PsdReader, ManyBandsAndOneZipStreamPerChannel) {
  // 2000 x 1500 RGB needs several 4 MiB bands per channel.
  for (uint16_t compression : {0, 1, 3}) CheckCase({PsdRgb, 8, 3}, compression, true, 2000, 1500);
  PsdFixture f = MakeFixture({PsdRgb, 16, 3}, 2, false, 50, 40);
  f.zip_stream_per_channel = true;
  std::vector<uint8_t> rgb;
  uint32_t w = 0, h = 0;
  std::string error;
  ASSERT_TRUE(DecodeAll(test::WritePsd(f), rgb, w, h, error)) << error;
  EXPECT_EQ(rgb[3 * 7], Intended(0, 7, 0));
  EXPECT_EQ(rgb[(uint64_t{39} * 50 + 49) * 3 + 2], Intended(2, 49, 39));
}

// Prediction worked out by hand rather than by the fixture writer: 16-bit samples differ
// as 16-bit numbers; 32-bit rows are split into byte planes (all first bytes, then all
// second bytes, ...) and then differ byte by byte; each row starts afresh.
TEST(PsdReader, PredictedZipMatchesHandComputedRows) {
  struct HandCase {
    uint16_t depth;
    uint32_t width;
    std::vector<uint8_t> stored;
    std::vector<uint8_t> grey;
  };
  const HandCase cases[] = {
      // 0x1000 0x3080 0x20FF / 0xFF00 0x0100 0x0200, each v / 257 rounded
      {16,
       3,
       {0x10, 0x00, 0x20, 0x80, 0xF0, 0x7F, 0xFF, 0x00, 0x02, 0x00, 0x01, 0x00},
       {0x10, 0x30, 0x21, 0xFE, 0x01, 0x02}},
      // 1.0 0.5 / 0.25 0.0
      {32, 2, {0x3F, 0x00, 0x41, 0x80, 0, 0, 0, 0, 0x3E, 0xC2, 0x80, 0x80, 0, 0, 0, 0}, {255, 128, 64, 0}},
  };
  for (const HandCase& c : cases) {
    SCOPED_TRACE(c.depth);
    test::PsdFixture f;
    f.mode = PsdGreyscale;
    f.depth = c.depth;
    f.width = c.width;
    f.height = 2;
    f.compression = PsdZipPredicted;
    f.planes_predicted = true;
    f.planes = {c.stored};
    std::vector<uint8_t> rgb;
    uint32_t w = 0, h = 0;
    std::string error;
    ASSERT_TRUE(DecodeAll(test::WritePsd(f), rgb, w, h, error)) << error;
    ASSERT_EQ(rgb.size(), c.grey.size() * 3);
    for (size_t i = 0; i < c.grey.size(); ++i) EXPECT_EQ(rgb[3 * i], c.grey[i]) << "pixel " << i;
  }
}

TEST(PsdReader, ExtraChannelIsTransparencyOnlyWithANegativeLayerCount) {
  std::vector<uint8_t> rgb;
  uint32_t w = 0, h = 0;
  std::string error;
  for (bool large : {false, true}) {
    for (bool in_block : {false, true}) {
      SCOPED_TRACE(std::string(large ? "PSB" : "PSD") + (in_block ? ", count in an Lr16 block" : ""));
      PsdFixture f = MakeFixture({PsdRgb, 16, 4}, 1, large, 4, 2);
      std::fill(f.planes[3].begin(), f.planes[3].end(), 0);  // fully transparent
      f.layer_count_in_block = in_block;
      f.layer_count = -2;
      ASSERT_TRUE(DecodeAll(test::WritePsd(f), rgb, w, h, error)) << error;
      EXPECT_EQ(rgb, std::vector<uint8_t>(rgb.size(), 255));
      // With real layers, or none at all (a flattened page), a fourth channel is a saved
      // selection and leaves the colours alone.
      for (std::optional<int16_t> layers : {std::optional<int16_t>{3}, std::optional<int16_t>{}}) {
        f.layer_count = layers;
        ASSERT_TRUE(DecodeAll(test::WritePsd(f), rgb, w, h, error)) << error;
        EXPECT_EQ(rgb[0], Intended(0, 0, 0));
        EXPECT_EQ(rgb[1], Intended(1, 0, 0));
      }
    }
  }
}

TEST(PsdReader, ColoursMattedWithWhiteStandAsStoredOverWhite) {
  // What a painting program saves for a transparent background: colour c at alpha a is
  // stored as c x a + 255 x (1 - a); over white that is exactly the picture.
  PsdFixture f = MakeFixture({PsdGreyscale, 8, 2}, 1, false, 256, 1);
  f.layer_count = -1;
  for (uint32_t x = 0; x < 256; ++x) {
    uint32_t c = (x * 7) % 256;
    uint32_t a = x;
    f.planes[0][x] = static_cast<uint8_t>((c * a + 255 * (255 - a) + 127) / 255);
    f.planes[1][x] = static_cast<uint8_t>(a);
  }
  std::vector<uint8_t> rgb;
  uint32_t w = 0, h = 0;
  std::string error;
  ASSERT_TRUE(DecodeAll(test::WritePsd(f), rgb, w, h, error)) << error;
  for (uint32_t x = 0; x < 256; ++x) EXPECT_EQ(rgb[3 * x], f.planes[0][x]) << x;
  EXPECT_EQ(rgb[0], 255);  // alpha 0: white, whatever colour was stored
}

TEST(PsdReader, FloatsOutsideZeroToOneAreClamped) {
  PsdFixture f = MakeFixture({PsdGreyscale, 32, 1}, 0, false, 3, 1);
  const float values[3] = {1.5f, -0.25f, NAN};
  for (int x = 0; x < 3; ++x) {
    uint32_t bits;
    std::memcpy(&bits, &values[x], 4);
    for (int b = 0; b < 4; ++b) f.planes[0][4 * x + b] = static_cast<uint8_t>(bits >> (24 - 8 * b));
  }
  std::vector<uint8_t> rgb;
  uint32_t w = 0, h = 0;
  std::string error;
  ASSERT_TRUE(DecodeAll(test::WritePsd(f), rgb, w, h, error)) << error;
  EXPECT_EQ(rgb, (std::vector<uint8_t>{255, 255, 255, 0, 0, 0, 0, 0, 0}));
}

TEST(PsdReader, OtherModesGiveAClearError) {
  for (uint16_t mode : {uint16_t{PsdLab}, uint16_t{PsdMultichannel}, uint16_t{5}}) {
    PsdFixture f = MakeFixture({PsdRgb, 8, 3}, 0, false, 4, 4);
    f.mode = mode;
    std::vector<uint8_t> rgb;
    uint32_t w = 0, h = 0;
    std::string error;
    EXPECT_FALSE(DecodeAll(test::WritePsd(f), rgb, w, h, error));
    EXPECT_NE(error.find("colour mode"), std::string::npos) << error;
  }
}

// Writes a valid document, lets `damage` change its bytes, and expects an error.
void ExpectRejected(const std::function<void(std::vector<uint8_t>&)>& damage, bool large, uint16_t compression,
                    const std::string& what) {
  PsdFixture f = MakeFixture({PsdRgb, 8, 3}, compression, large, 16, 8);
  std::vector<uint8_t> bytes = test::WritePsd(f);
  damage(bytes);
  std::vector<uint8_t> rgb;
  uint32_t w = 0, h = 0;
  std::string error;
  EXPECT_FALSE(DecodeAll(bytes, rgb, w, h, error)) << what;
  EXPECT_FALSE(error.empty()) << what;
}

void Store32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
  for (int b = 0; b < 4; ++b) bytes[at + b] = static_cast<uint8_t>(v >> (24 - 8 * b));
}

TEST(PsdReader, LyingHeadersAndSectionLengthsAreErrors) {
  ExpectRejected([](auto& b) { b.resize(20); }, false, 1, "truncated header");
  ExpectRejected([](auto& b) { b[4] = 0, b[5] = 3; }, false, 1, "version 3");
  ExpectRejected([](auto& b) { b[12] = 0, b[13] = 0; }, false, 1, "no channels");
  ExpectRejected([](auto& b) { Store32(b, 14, 40000); }, false, 1, "PSD taller than 30000");
  ExpectRejected([](auto& b) { Store32(b, 18, 0); }, true, 1, "zero width");
  ExpectRejected([](auto& b) { Store32(b, 14, 300001); }, true, 1, "PSB taller than 300000");
  ExpectRejected([](auto& b) { b[23] = 12; }, false, 1, "12-bit depth");
  ExpectRejected([](auto& b) { Store32(b, 26, 0xFFFFFFF0u); }, false, 1, "colour data past the end");
  ExpectRejected([](auto& b) { Store32(b, 30, 1000); }, false, 1, "resources past the end");
  ExpectRejected([](auto& b) { Store32(b, 34, 0x7FFFFFFF); }, false, 1, "layer section past the end");
  ExpectRejected([](auto& b) { Store32(b, 34, 1), Store32(b, 38, 0); }, true, 1, "PSB 8-byte length past the end");
  ExpectRejected([](auto& b) { b[39] = 9; }, false, 0, "unknown compression");
  ExpectRejected([](auto& b) { b.resize(b.size() - 1); }, false, 0, "raw data cut short");
  ExpectRejected([](auto& b) { b.resize(b.size() - 12); }, true, 2, "ZIP data cut short");
  ExpectRejected([](auto& b) { b[b.size() - 20] ^= 0x55, b[b.size() - 30] ^= 0x55; }, false, 2, "ZIP data damaged");
  PsdFixture indexed = MakeFixture({PsdIndexed, 8, 1}, 0, false, 4, 4);
  indexed.palette.resize(300);
  std::vector<uint8_t> rgb;
  uint32_t w = 0, h = 0;
  std::string error;
  EXPECT_FALSE(DecodeAll(test::WritePsd(indexed), rgb, w, h, error));
}

TEST(PsdReader, LyingRleRowsAreErrors) {
  // Row-length table: after the 26-byte header, 4 + 4 empty section lengths, the layer
  // length (4 or 8) and the compression field.
  const size_t psd_table = 26 + 4 + 4 + 4 + 2;
  const size_t psb_table = 26 + 4 + 4 + 8 + 2;
  ExpectRejected([&](auto& b) { b[psd_table] = 0x7F, b[psd_table + 1] = 0xFF; }, false, 1, "row length too big");
  ExpectRejected([&](auto& b) { Store32(b, psb_table, 0xFFFFFFFFu); }, true, 1, "PSB row length 4 GiB");
  ExpectRejected([&](auto& b) { b.resize(psd_table + 10); }, false, 1, "table cut short");
  ExpectRejected([&](auto& b) { b.resize(b.size() - 3); }, false, 1, "packed data cut short");
  ExpectRejected(
      [&](auto& b) {
        // First row: one repeat of 100 bytes into a row of 16, within the row's own length.
        b[psd_table] = 0, b[psd_table + 1] = 2;
        size_t data = psd_table + 2 * 3 * 8;
        b[data] = static_cast<uint8_t>(257 - 100);
        b[data + 1] = 7;
      },
      false, 1, "row overrunning its width");
}

TEST(PsdReader, EveryTruncationFailsCleanly) {
  for (uint16_t compression : {0, 1, 2, 3}) {
    PsdFixture f = MakeFixture({PsdRgb, 16, 4}, compression, compression % 2 == 1, 9, 5);
    f.layer_count = -1;
    std::vector<uint8_t> bytes = test::WritePsd(f);
    // A deflate stream cut only inside its closing checksum still holds every pixel.
    // (and the last deflate block's end code may share its final bytes).
    size_t complete = compression >= 2 ? bytes.size() - 8 : bytes.size();
    for (size_t size = 0; size < complete; ++size) {
      std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + size);
      std::vector<uint8_t> rgb;
      uint32_t w = 0, h = 0;
      std::string error;
      EXPECT_FALSE(DecodeAll(cut, rgb, w, h, error)) << "compression " << compression << " size " << size;
    }
  }
}

}  // namespace
}  // namespace zen
