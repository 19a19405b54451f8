// One job through the bundle's own ZenHelper rather than the stand-in: a 16-bit layered
// PSD page and an over-tall PNG become pieces that hold every source row in order, and
// the converter leaves nothing behind in the settings folder.
#include <fstream>

#include "platform/text.h"
#include "tests/slicing/job_fixture.h"
#include "tests/support/psd_test_writer.h"

namespace zen::test {
namespace {

// The test page as a PSD: 16-bit RGB, deflated with prediction, with a layer section, so
// it takes the whole-file conversion and the depth reduction on the way.
fs::path MakePsdPage(const fs::path& path, int width, int height, int tag) {
  PsdFixture psd;
  psd.depth = 16;
  psd.width = static_cast<uint32_t>(width);
  psd.height = static_cast<uint32_t>(height);
  psd.compression = 3;
  psd.layer_count = 2;
  psd.planes.assign(3, std::vector<uint8_t>(static_cast<size_t>(width) * height * 2));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = PagePixel(x, y, tag, false);
      const uint8_t samples[3] = {c.r, c.g, c.b};
      const size_t at = (static_cast<size_t>(y) * width + x) * 2;
      // v * 257 is the 16-bit sample that stands for the 8-bit value v exactly.
      for (int k = 0; k < 3; ++k) psd.planes[k][at] = psd.planes[k][at + 1] = samples[k];
    }
  }
  fs::create_directories(path.parent_path());
  const std::vector<uint8_t> bytes = WritePsd(psd);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

class RealConverterTest : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    TheSlicingJob().converter_path = FromUtf8(ZEN_REAL_CONVERTER);
    UsePng();
  }
};

TEST_F(RealConverterTest, APsdPageAndAnOverTallPngBecomeTheExpectedPieces) {
  AddSource(MakePsdPage(root_ / "ep/01.psd", 12, 2500, 1));
  AddSource(MakePage("ep/02.png", 16, 40000, 2));
  UseFixedHeight(1500, false);
  RunJob();

  // Each source's rows in order, its last piece on its own: the PSD's 2500 rows, then the
  // PNG's 40000 across its 20 strips (seams every 2000 rows, inside pieces).
  struct Expected {
    int tag, first_row, height, width;
  };
  std::vector<Expected> expected{{1, 0, 1500, 12}, {1, 1500, 1000, 12}};
  for (int row = 0; row < 40000; row += 1500) expected.push_back({2, row, std::min(1500, 40000 - row), 16});
  ASSERT_EQ(observer_.pieces.size(), expected.size());
  EXPECT_TRUE(observer_.skipped.empty());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("piece " + std::to_string(i + 1));
    const auto piece = ReadPng(root_ / ("ep/slice/slice_" + std::to_string(i + 1) + ".png"));
    ASSERT_TRUE(piece);
    ASSERT_EQ(piece->height, expected[i].height);
    ASSERT_EQ(piece->width, expected[i].width);
    for (int y = 0; y < piece->height; ++y) {
      ASSERT_EQ(RowTag(*piece, y), expected[i].tag) << "row " << y;
      ASSERT_EQ(RowCode(*piece, y), (expected[i].first_row + y) & 0xFFFF) << "row " << y;
      ASSERT_EQ(piece->At(1, y), (Rgb{200, 200, 200})) << "row " << y;
      ASSERT_EQ(piece->At(4, y), (Rgb{30, 60, 90})) << "row " << y;
    }
  }
  EXPECT_TRUE(FilesIn(settings_).empty());
}

}  // namespace
}  // namespace zen::test
