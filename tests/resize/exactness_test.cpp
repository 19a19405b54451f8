// The fast resampling loops must give the plain reference's bytes exactly.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "imaging/resize_core.h"
#include "reference_resize.h"
#include "test_pictures.h"

namespace zen {
namespace {

using testing::Pixels;

struct Case {
  int32_t sw, sh, tw, th;
};

std::string Name(const Case& c) {
  return std::to_string(c.sw) + "x" + std::to_string(c.sh) + " -> " + std::to_string(c.tw) + "x" + std::to_string(c.th);
}

Pixels FastSmooth(const Pixels& source, const Case& c) {
  Pixels out(static_cast<size_t>(c.tw) * static_cast<size_t>(c.th) * 4, 0xAB);
  EXPECT_TRUE(resize::ResampleSmooth(source.data(), c.sw, c.sh, out.data(), c.tw, c.th));
  return out;
}

Pixels FastRaw(const Pixels& source, const Case& c) {
  Pixels out(static_cast<size_t>(c.tw) * static_cast<size_t>(c.th) * 4, 0xAB);
  resize::ResampleRaw(source.data(), c.sw, c.sh, out.data(), c.tw, c.th);
  return out;
}

// Reports the first differing byte rather than two huge vectors.
void ExpectSameBytes(const Pixels& expected, const Pixels& actual, const Case& c, const char* mode) {
  ASSERT_EQ(expected.size(), actual.size()) << mode << " " << Name(c);
  for (size_t i = 0; i < expected.size(); ++i) {
    if (expected[i] != actual[i]) {
      const size_t pixel = i / 4;
      FAIL() << mode << " " << Name(c) << ": pixel (" << pixel % static_cast<size_t>(c.tw) << ", "
             << pixel / static_cast<size_t>(c.tw) << ") channel " << i % 4 << ": expected " << int{expected[i]}
             << ", got " << int{actual[i]};
    }
  }
}

void CheckBothModes(const Case& c, uint32_t seed) {
  const Pixels source = testing::MixedPicture(c.sw, c.sh, seed);
  ExpectSameBytes(testing::ReferenceSmooth(source, c.sw, c.sh, c.tw, c.th), FastSmooth(source, c), c, "smooth");
  ExpectSameBytes(testing::ReferenceRaw(source, c.sw, c.sh, c.tw, c.th), FastRaw(source, c), c, "raw");
}

TEST(ResampleExactness, RandomSizesMatchReference) {
  testing::Lcg random(7);
  for (uint32_t round = 0; round < 400; ++round) {
    Case c{random.Between(1, 48), random.Between(1, 48), 0, 0};
    // Now and then one side keeps its size, as with KeepDimension.
    c.tw = random.Between(0, 5) == 0 ? c.sw : random.Between(1, 96);
    c.th = random.Between(0, 5) == 0 ? c.sh : random.Between(1, 96);
    CheckBothModes(c, round);
    if (::testing::Test::HasFailure()) return;
  }
}

TEST(ResampleExactness, ExtremeRatiosAndEdges) {
  const Case cases[] = {
      {1, 1, 1, 2},       {1, 1, 2, 1},     {1, 1, 157, 3},  {1, 7, 300, 2}, {300, 2, 1, 1},
      {2, 500, 7, 1},     {1000, 1, 3, 1},  {1, 1000, 1, 3}, {5, 5, 997, 4}, {3, 2000, 3, 1999},
      {1999, 3, 2000, 3}, {64, 64, 1, 64},  {64, 64, 64, 1}, {17, 9, 9, 17}, {9, 17, 17, 9},
      {40, 30, 20, 15},   {30, 40, 15, 20}, {6, 6, 6, 6},    {7, 3, 3, 7},   {2, 2, 65, 65},
  };
  uint32_t seed = 100;
  for (const Case& c : cases) CheckBothModes(c, seed++);
}

TEST(ResampleExactness, WebtoonShapedHalving) {
  // The common job: half the width, the height following (a tie in the pass order).
  CheckBothModes({1380, 150, 690, 75}, 1);
  CheckBothModes({800, 101, 690, 87}, 2);
  CheckBothModes({690, 60, 1380, 120}, 3);
}

}  // namespace
}  // namespace zen
