// Documents written by an independent program (ImageMagick): our composite must match
// ImageMagick's own reading of the same file, flattened onto white.
#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

#include "converter/byte_source.h"
#include "converter/image_probe.h"
#include "tests/support/converter_test_support.h"

namespace zen {
namespace {

bool HaveImageMagick() { return test::Shell("command -v convert >/dev/null 2>&1"); }

// Our decode of the whole file.
bool Decode(const std::string& path, test::RgbImage& image, std::string& error) {
  FileByteSource file;
  if (!file.Open(path)) return false;
  auto rows = OpenImageRows(file, error);
  if (!rows) return false;
  image.width = rows->Width();
  image.height = rows->Height();
  image.rgb.resize(uint64_t{image.width} * image.height * 3);
  if (!rows->ReadRows(image.rgb.data(), image.height)) {
    error = rows->Error();
    return false;
  }
  for (size_t i = 0; i < image.rgb.size(); i += 3) std::swap(image.rgb[i], image.rgb[i + 2]);  // BGR to RGB
  return true;
}

struct Made {
  const char* name;
  const char* options;  // ImageMagick options that shape the document
  int tolerance;        // 16-bit reductions and CMYK arithmetic may round differently
  // ImageMagick 6.9 cannot read its own indexed documents back: compare with the image
  // it wrote from instead.
  bool reference_from_source = false;
};

TEST(ImageMagickCrossCheck, CompositeMatchesItsReading) {
  if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick is not installed";
  test::TempFolder folder;
  const Made cases[] = {
      {"rgb8.psd", "-type TrueColor -depth 8", 0},
      {"rgb8raw.psd", "-type TrueColor -depth 8 -compress None", 0},
      // (Its composite is packed whatever -compress asks for, so the deflated forms are
      // checked against hand-predicted bytes in the reader's tests instead.)
      {"rgb16.psd", "-type TrueColor -depth 16", 1},
      {"rgb8.psb", "-type TrueColor -depth 8", 0},
      {"rgb16raw.psb", "-type TrueColor -depth 16 -compress None", 1},
      {"grey8.psd", "-colorspace Gray -depth 8", 0},
      {"grey16.psb", "-colorspace Gray -depth 16", 1},
      // Transparency only fully on or off: ImageMagick stores partly transparent merged
      // colours unmatted yet reads them back as matted, so only these pixels are defined.
      {"alpha8.psd", "-alpha set -channel A -fx 'i<w/2 ? 0 : 1' +channel -depth 8", 0},
      {"alpha16.psb", "-alpha set -channel A -fx '(i+j)%3==0 ? 0 : 1' +channel -depth 16", 1},
      {"cmyk8.psd", "-colorspace CMYK -depth 8", 1},
      {"palette.psd", "-type Palette -depth 8", 0, true},
      {"bilevel.psd", "-type Bilevel", 0},
  };
  for (const Made& made : cases) {
    std::string psd = folder.File(made.name);
    std::string reference = folder.File(std::string(made.name) + ".ppm");
    ASSERT_TRUE(test::Shell("convert rose: " + std::string(made.options) + " '" + psd + "'")) << made.name;
    std::string input = made.reference_from_source ? "rose: " + std::string(made.options) : "'" + psd + "[0]'";
    ASSERT_TRUE(test::Shell("convert " + input +
                            " -background white -alpha remove -alpha off -colorspace sRGB "
                            "-depth 8 -compress none '" +
                            reference + "'"))
        << made.name;
    test::RgbImage ours;
    std::string error;
    ASSERT_TRUE(Decode(psd, ours, error)) << made.name << ": " << error;
    test::RgbImage theirs;
    std::vector<uint8_t> ppm = test::ReadBytes(reference);
    // Plain PPM: "P3 w h 255" then decimal samples.
    std::string text(ppm.begin(), ppm.end());
    char* cursor = text.data() + 2;
    theirs.width = static_cast<uint32_t>(std::strtoul(cursor, &cursor, 10));
    theirs.height = static_cast<uint32_t>(std::strtoul(cursor, &cursor, 10));
    std::strtoul(cursor, &cursor, 10);
    for (uint64_t i = 0; i < uint64_t{theirs.width} * theirs.height * 3; ++i) {
      theirs.rgb.push_back(static_cast<uint8_t>(std::strtoul(cursor, &cursor, 10)));
    }
    ASSERT_EQ(ours.width, theirs.width) << made.name;
    ASSERT_EQ(ours.height, theirs.height) << made.name;
    int worst = 0;
    for (size_t i = 0; i < ours.rgb.size(); ++i) worst = std::max(worst, std::abs(ours.rgb[i] - theirs.rgb[i]));
    EXPECT_LE(worst, made.tolerance) << made.name;
  }
}

}  // namespace
}  // namespace zen
