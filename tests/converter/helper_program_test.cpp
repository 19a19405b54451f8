// The built ZenHelper, run as the program runs it: the three command lines, the size
// line, the BMP files it leaves, and what it leaves when it fails.
#include <gtest/gtest.h>

#include <zlib.h>

#include <numeric>

#include "tests/support/converter_test_support.h"
#include "tests/support/psd_test_writer.h"

namespace zen {
namespace {

using test::RgbImage;
using test::RunHelper;
using test::TempFolder;

test::PsdFixture RgbFixture(uint32_t width, uint32_t height, bool large, uint16_t compression) {
  test::PsdFixture f;
  f.large = large;
  f.width = width;
  f.height = height;
  f.compression = compression;
  RgbImage pattern = test::PatternImage(width, height);
  f.planes.assign(3, std::vector<uint8_t>(uint64_t{width} * height));
  for (uint64_t i = 0; i < uint64_t{width} * height; ++i) {
    for (int c = 0; c < 3; ++c) f.planes[c][i] = pattern.rgb[3 * i + c];
  }
  return f;
}

std::string SizeLine(const test::RunResult& run) {
  size_t at = run.out.find("[IMAGE SIZE]");
  return at == std::string::npos ? "" : run.out.substr(at, run.out.find('\n', at) - at);
}

TEST(ZenHelper, InfoPrintsTheSizeOfEveryFormat) {
  TempFolder folder;
  RgbImage image = test::PatternImage(69, 2000);
  test::WritePng(folder.File("a.png"), image);
  test::WriteJpeg(folder.File("a.jpg"), image);
  test::WriteBytes(folder.File("a.psd"), test::WritePsd(RgbFixture(69, 2000, false, 1)));
  test::WriteBytes(folder.File("a.psb"), test::WritePsd(RgbFixture(69, 2000, true, 1)));
  ASSERT_EQ(RunHelper({"-convert", folder.File("a.psd"), "-configPath", folder.Slash()}).status, 0);
  for (const char* name : {"a.png", "a.jpg", "a.psd", "a.psb", "a.bmp"}) {
    test::RunResult run = RunHelper({"-logfile", "-", "-info", folder.File(name) + "[0]"});
    EXPECT_EQ(run.status, 0) << name << run.err;
    EXPECT_EQ(SizeLine(run), "[IMAGE SIZE]69x2000") << name;
  }
  // Without the suffix, and for a file whose name really ends in "[0]".
  std::filesystem::copy_file(folder.File("a.png"), folder.File("b.png[0]"));
  EXPECT_EQ(SizeLine(RunHelper({"-logfile", "-", "-info", folder.File("a.jpg")})), "[IMAGE SIZE]69x2000");
  EXPECT_EQ(SizeLine(RunHelper({"-logfile", "-", "-info", folder.File("b.png[0]")})), "[IMAGE SIZE]69x2000");
}

TEST(ZenHelper, InfoReadsOnlyTheHeaderOfAnOverTallPsb) {
  TempFolder folder;
  test::PsdFixture f = RgbFixture(690, 2, true, 1);
  std::vector<uint8_t> bytes = test::WritePsd(f);
  bytes[14] = 0, bytes[15] = 1, bytes[16] = 0x5F, bytes[17] = 0x90;  // claims 90000 rows
  test::WriteBytes(folder.File("tall.psb"), bytes);
  test::RunResult run = RunHelper({"-logfile", "-", "-info", folder.File("tall.psb") + "[0]"});
  EXPECT_EQ(SizeLine(run), "[IMAGE SIZE]690x90000");
}

TEST(ZenHelper, ConvertWritesTheCompositeUnderTheBaseName) {
  TempFolder folder;
  TempFolder settings;
  test::PsdFixture f = RgbFixture(31, 45, false, 1);
  test::WriteBytes(folder.File("ep.01.psd"), test::WritePsd(f));
  // The folder without its trailing slash works too.
  test::RunResult run =
      RunHelper({"-logfile", "-", "-convert", folder.File("ep.01.psd"), "-configPath", settings.path().string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(settings.Names(), std::vector<std::string>{"ep.01.bmp"});
  RgbImage bmp;
  ASSERT_TRUE(test::ReadBmp24(settings.File("ep.01.bmp"), bmp));
  EXPECT_EQ(bmp.rgb, test::PatternImage(31, 45).rgb);
}

// Runs a strip conversion and puts the strips back together, checking each strip.
bool Reassemble(const TempFolder& settings, const std::string& base, RgbImage& whole) {
  whole = {};
  std::vector<uint32_t> heights;
  for (int i = 0; i < 20; ++i) {
    RgbImage strip;
    if (!test::ReadBmp24(settings.File(base + "P" + std::to_string(i) + ".bmp"), strip)) return false;
    EXPECT_LE(strip.height, 32767u);
    if (i > 0) {
      EXPECT_EQ(strip.width, whole.width);
    }
    whole.width = strip.width;
    heights.push_back(strip.height);
    whole.rgb.insert(whole.rgb.end(), strip.rgb.begin(), strip.rgb.end());
  }
  whole.height = std::accumulate(heights.begin(), heights.end(), 0u);
  EXPECT_LE(*std::max_element(heights.begin(), heights.end()) - *std::min_element(heights.begin(), heights.end()), 1u);
  return true;
}

TEST(ZenHelper, StripsOfOverTallPngAndJpegReassembleToTheSourcesDecode) {
  TempFolder folder;
  TempFolder settings;
  RgbImage image = test::PatternImage(690, 40000);
  test::WritePng(folder.File("long.png"), image);
  test::WriteJpeg(folder.File("long.jpg"), image);
  for (const char* name : {"long.png", "long.jpg"}) {
    test::RunResult run =
        RunHelper({"-logfile", "-", "-convertSlice", folder.File(name), "-configPath", settings.Slash()});
    ASSERT_EQ(run.status, 0) << name << run.err;
    EXPECT_EQ(settings.Names().size(), 20u) << name;
    RgbImage reference;
    ASSERT_TRUE(std::string(name) == "long.png" ? test::DecodePng(folder.File(name), reference)
                                                : test::DecodeJpeg(folder.File(name), reference));
    RgbImage whole;
    ASSERT_TRUE(Reassemble(settings, "long", whole)) << name;
    EXPECT_EQ(whole.width, 690u);
    EXPECT_EQ(whole.height, 40000u);
    EXPECT_TRUE(whole.rgb == reference.rgb) << name;
    std::filesystem::remove_all(settings.path());
    std::filesystem::create_directories(settings.path());
  }
}

// What other readers accept: a JPEG without its end marker, and stray bytes between
// segments. Both still convert to the decode of the intact file.
TEST(ZenHelper, JpegsWithoutTheEndMarkerOrWithStrayBytesConvert) {
  TempFolder folder;
  TempFolder settings;
  test::WriteJpeg(folder.File("whole.jpg"), test::PatternImage(64, 400));
  RgbImage reference;
  ASSERT_TRUE(test::DecodeJpeg(folder.File("whole.jpg"), reference));
  const std::vector<uint8_t> whole = test::ReadBytes(folder.File("whole.jpg"));
  ASSERT_EQ(whole[whole.size() - 2], 0xFF);
  ASSERT_EQ(whole[whole.size() - 1], 0xD9);
  test::WriteBytes(folder.File("noend.jpg"), std::vector<uint8_t>(whole.begin(), whole.end() - 2));
  std::vector<uint8_t> stray = whole;
  const size_t after_app0 = 4 + ((size_t{whole[4]} << 8) | whole[5]);
  ASSERT_EQ(whole[2], 0xFF);  // APP0 comes first
  stray.insert(stray.begin() + static_cast<std::ptrdiff_t>(after_app0), {0x00, 0x00, 0x17});
  test::WriteBytes(folder.File("stray.jpg"), stray);
  for (const char* name : {"noend", "stray"}) {
    SCOPED_TRACE(name);
    const std::string path = folder.File(std::string(name) + ".jpg");
    EXPECT_EQ(SizeLine(RunHelper({"-logfile", "-", "-info", path + "[0]"})), "[IMAGE SIZE]64x400");
    test::RunResult run = RunHelper({"-logfile", "-", "-convertSlice", path, "-configPath", settings.Slash()});
    ASSERT_EQ(run.status, 0) << run.err;
    RgbImage strips;
    ASSERT_TRUE(Reassemble(settings, name, strips));
    EXPECT_TRUE(strips.rgb == reference.rgb);
  }
}

TEST(ZenHelper, StripsOfInterlacedPngAndOfPsbWithTheSuffix) {
  TempFolder folder;
  TempFolder settings;
  RgbImage image = test::PatternImage(50, 1001);
  test::WritePng(folder.File("lace.png"), image, true);
  test::RunResult run = RunHelper({"-convertSlice", folder.File("lace.png"), "-configPath", settings.Slash()});
  ASSERT_EQ(run.status, 0) << run.err;
  RgbImage whole;
  ASSERT_TRUE(Reassemble(settings, "lace", whole));
  EXPECT_TRUE(whole.rgb == image.rgb);

  test::WriteBytes(folder.File("page.psb"), test::WritePsd(RgbFixture(50, 1001, true, 1)));
  run = RunHelper({"-logfile", "-", "-convertSlice", folder.File("page.psb") + "[0]", "-configPath", settings.Slash()});
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_TRUE(Reassemble(settings, "page", whole));
  EXPECT_TRUE(whole.rgb == image.rgb);
}

// A few bytes claiming a huge interlaced image (read whole) must not take its memory.
TEST(ZenHelper, APngFarTooSmallForItsSizeIsRefusedAtOnce) {
  TempFolder folder;
  TempFolder settings;
  std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const auto chunk = [&png](const char* type, std::vector<uint8_t> data) {
    const uint32_t size = static_cast<uint32_t>(data.size());
    for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<uint8_t>(size >> shift));
    data.insert(data.begin(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    const uint32_t crc = static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
    for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<uint8_t>(crc >> shift));
  };
  // 20000 x 40000 RGBA, interlaced: 3.2 GB once decoded.
  chunk("IHDR", {0, 0, 0x4E, 0x20, 0, 0, 0x9C, 0x40, 8, 6, 0, 0, 1});
  chunk("IDAT", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
  chunk("IEND", {});
  test::WriteBytes(folder.File("bomb.png"), png);
  test::RunResult run =
      RunHelper({"-logfile", "-", "-convertSlice", folder.File("bomb.png"), "-configPath", settings.Slash()});
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.out.find("too small"), std::string::npos) << run.out;
  EXPECT_TRUE(settings.Names().empty());
}

// Strips skip zlib's checksum for speed; a damaged data chunk still fails through its CRC.
TEST(ZenHelper, ADamagedPngDataChunkFailsAndLeavesNoStrips) {
  TempFolder folder;
  TempFolder settings;
  test::WritePng(folder.File("tall.png"), test::PatternImage(40, 33000));
  std::vector<uint8_t> bytes = test::ReadBytes(folder.File("tall.png"));
  const std::string text(bytes.begin(), bytes.end());
  const size_t idat = text.rfind("IDAT");  // the last chunk: rows near the bottom
  ASSERT_NE(idat, std::string::npos);
  bytes[idat + 4 + 20] ^= 0x10;
  test::WriteBytes(folder.File("tall.png"), bytes);
  test::RunResult run =
      RunHelper({"-logfile", "-", "-convertSlice", folder.File("tall.png"), "-configPath", settings.Slash()});
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.out.find("PNG"), std::string::npos) << run.out;
  EXPECT_TRUE(settings.Names().empty());
}

TEST(ZenHelper, FailuresLeaveNoFilesAndSayWhy) {
  TempFolder folder;
  TempFolder settings;
  std::vector<uint8_t> bytes = test::WritePsd(RgbFixture(40, 400, false, 1));
  bytes.resize(bytes.size() - 100);
  test::WriteBytes(folder.File("cut.psd"), bytes);
  test::WriteBytes(settings.File("cut.bmp"), {1, 2, 3});  // stale output of an earlier run
  test::WriteBytes(settings.File("cutP7.bmp"), {1, 2, 3});
  for (const char* command : {"-convert", "-convertSlice"}) {
    test::RunResult run =
        RunHelper({"-logfile", "-", command, folder.File("cut.psd"), "-configPath", settings.Slash()});
    EXPECT_NE(run.status, 0) << command;
    EXPECT_NE(run.out.find("failed: PSD"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "") << "said once, in the log";
  }
  EXPECT_TRUE(settings.Names().empty());

  // A failure in a late strip removes the strips already written.
  RgbImage image = test::PatternImage(64, 400);
  test::WriteJpeg(folder.File("late.jpg"), image);
  std::vector<uint8_t> jpeg = test::ReadBytes(folder.File("late.jpg"));
  jpeg.resize(jpeg.size() * 3 / 4);
  test::WriteBytes(folder.File("late.jpg"), jpeg);
  test::RunResult run = RunHelper({"-convertSlice", folder.File("late.jpg"), "-configPath", settings.Slash()});
  EXPECT_NE(run.status, 0);
  EXPECT_FALSE(run.err.empty());
  EXPECT_TRUE(settings.Names().empty());

  for (const auto& words : std::vector<std::vector<std::string>>{
           {"-info", folder.File("missing.png[0]")},
           {"-convert", folder.File("missing.psd"), "-configPath", settings.Slash()},
           {"-convertSlice", folder.File("tiny.png"), "-configPath", settings.Slash()},
           {"-convert", folder.File("cut.psd")},
           {"-bogus"}}) {
    if (words.size() > 1 && words[1].find("tiny") != std::string::npos)
      test::WritePng(folder.File("tiny.png"), test::PatternImage(5, 19));
    test::RunResult failed = RunHelper(words);
    EXPECT_NE(failed.status, 0) << words[0];
    EXPECT_FALSE(failed.err.empty()) << words[0];
  }
  EXPECT_TRUE(settings.Names().empty());
}

}  // namespace
}  // namespace zen
