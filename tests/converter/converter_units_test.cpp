// Names, strip plans, PackBits and the BMP writer.
#include <gtest/gtest.h>

#include <numeric>

#include "converter/bmp_writer.h"
#include "converter/converter_paths.h"
#include "converter/psd_planes.h"
#include "converter/strip_plan.h"
#include "tests/support/converter_test_support.h"
#include "tests/support/psd_test_writer.h"

namespace zen {
namespace {

TEST(ConverterBaseName, FollowsTheProgramsRules) {
  EXPECT_EQ(ConverterBaseName("/a/b/ep.01.png"), "ep.01");
  EXPECT_EQ(ConverterBaseName("/a/b/page.psb"), "page");
  EXPECT_EQ(ConverterBaseName("/a/b/name."), "name.");      // last-character dot: kept whole
  EXPECT_EQ(ConverterBaseName("/a/b/.hidden"), ".hidden");  // begins with its only dot
  EXPECT_EQ(ConverterBaseName("/a/b/.x.psd"), ".x");
  EXPECT_EQ(ConverterBaseName("/a/b/my page.v2 final"), "my page.v2 final");  // a blank stops the scan
  EXPECT_EQ(ConverterBaseName("/a/b.c/noext"), "noext");                      // dots in folders do not count
  EXPECT_EQ(ConverterBaseName("/a/만화 1화.psd"), "만화 1화");
  EXPECT_EQ(ConverterBaseName("plain"), "plain");
}

TEST(ConverterPaths, OutputNamesAndFolderSlash) {
  EXPECT_EQ(WholeOutputPath("/s/Zentrova/", "/x/ep.01.psd"), "/s/Zentrova/ep.01.bmp");
  EXPECT_EQ(WholeOutputPath("/s/Zentrova", "/x/ep.psd"), "/s/Zentrova/ep.bmp");
  EXPECT_EQ(StripOutputPath("/s/", "/x/long.png", 0), "/s/longP0.bmp");
  EXPECT_EQ(StripOutputPath("/s/", "/x/long.png", 19), "/s/longP19.bmp");
}

TEST(ConverterPaths, FirstImageSuffixIsDroppedUnlessAFileHasTheLiteralName) {
  test::TempFolder folder;
  std::string literal = folder.File("odd[0]");
  test::WriteBytes(literal, {1});
  EXPECT_EQ(StripFirstImageSuffix(literal), literal);
  EXPECT_EQ(StripFirstImageSuffix(folder.File("a.psd[0]")), folder.File("a.psd"));
  EXPECT_EQ(StripFirstImageSuffix(folder.File("a.psd")), folder.File("a.psd"));
  EXPECT_EQ(StripFirstImageSuffix("[0]"), "[0]");
}

TEST(PlanStrips, EvenTallerFirstAndBounded) {
  std::array<uint32_t, StripCount> rows{};
  std::string error;
  for (uint32_t height : {20u, 21u, 39u, 32001u, 40000u, 90000u, 300000u, 655340u}) {
    ASSERT_TRUE(PlanStrips(height, rows, error)) << height;
    EXPECT_EQ(std::accumulate(rows.begin(), rows.end(), uint64_t{0}), height);
    EXPECT_LE(rows.front() - rows.back(), 1u);
    for (int i = 1; i < StripCount; ++i) EXPECT_LE(rows[i], rows[i - 1]);
    EXPECT_GE(rows.back(), 1u);
    EXPECT_LE(rows.front(), kMaxStripRows);
  }
  EXPECT_FALSE(PlanStrips(19, rows, error));
  EXPECT_FALSE(PlanStrips(655341, rows, error));  // a strip would need 32768 rows
  EXPECT_FALSE(error.empty());
}

TEST(UnpackBits, RunsLiteralsAndOverruns) {
  uint8_t out[6];
  const uint8_t packed[] = {0xFE, 7, 0x02, 1, 2, 3};  // 3 x 7, then 1 2 3
  ASSERT_TRUE(UnpackBitsRow(packed, sizeof packed, out, 6));
  EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{7, 7, 7, 1, 2, 3}));
  const uint8_t noop[] = {0x80, 0xFB, 9};
  ASSERT_TRUE(UnpackBitsRow(noop, sizeof noop, out, 6));
  EXPECT_EQ(out[5], 9);
  EXPECT_FALSE(UnpackBitsRow(packed, sizeof packed, out, 5));  // would overfill the row
  EXPECT_FALSE(UnpackBitsRow(packed, 4, out, 6));              // literal cut short
  EXPECT_FALSE(UnpackBitsRow(packed, 2, out, 6));              // row not filled
  const uint8_t repeat_cut[] = {0xFE};
  EXPECT_FALSE(UnpackBitsRow(repeat_cut, 1, out, 3));
  std::vector<uint8_t> row(300);
  for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(i < 150 ? i : 5);
  std::vector<uint8_t> again(row.size());
  std::vector<uint8_t> packed_row = test::PackBits(row.data(), row.size());
  ASSERT_TRUE(UnpackBitsRow(packed_row.data(), packed_row.size(), again.data(), again.size()));
  EXPECT_EQ(again, row);
}

TEST(BmpFileWriter, WritesBottomUpPaddedRowsAndRenamesAtTheEnd) {
  test::TempFolder folder;
  std::string path = folder.File("three.bmp");
  BmpFileWriter writer;
  ASSERT_TRUE(writer.Open(path, 3, 2));
  const uint8_t rows[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  ASSERT_TRUE(writer.WriteRows(rows, 1));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"three.bmp.part"});
  ASSERT_TRUE(writer.WriteRows(rows + 9, 1));
  EXPECT_FALSE(writer.WriteRows(rows, 1));  // one row too many
  BmpFileWriter second;
  ASSERT_TRUE(second.Open(path, 3, 2));
  ASSERT_TRUE(second.WriteRows(rows, 2));
  ASSERT_TRUE(second.Finish());
  std::vector<uint8_t> bytes = test::ReadBytes(path);
  ASSERT_EQ(bytes.size(), 54u + 2 * 12);
  // The bottom row (the second given) comes first, as given (blue, green, red), padded to 12 bytes.
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 54, bytes.begin() + 66),
            (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}));
  test::RgbImage image;
  ASSERT_TRUE(test::ReadBmp24(path, image));
  EXPECT_EQ(std::vector<uint8_t>(image.rgb.begin(), image.rgb.begin() + 3), (std::vector<uint8_t>{0, 0, 255}));
}

TEST(BmpFileWriter, AnUnfinishedFileLeavesNothing) {
  test::TempFolder folder;
  {
    BmpFileWriter writer;
    ASSERT_TRUE(writer.Open(folder.File("x.bmp"), 4, 4));
    const uint8_t row[12] = {};
    ASSERT_TRUE(writer.WriteRows(row, 1));
    EXPECT_FALSE(writer.Finish());  // three rows missing
  }
  EXPECT_TRUE(folder.Names().empty());
  BmpFileWriter huge;
  EXPECT_FALSE(huge.Open(folder.File("y.bmp"), 300000, 300000));  // past the format's 4 GiB
  EXPECT_TRUE(folder.Names().empty());
}

}  // namespace
}  // namespace zen
