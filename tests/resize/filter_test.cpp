// The filter's defining cases: weights, window clamping, clipping, channels apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "imaging/image_table.h"
#include "imaging/resize.h"
#include "imaging/resize_core.h"
#include "imaging/resize_weights.h"
#include "reference_resize.h"

namespace zen {
namespace {

using resize::BuildWeightTable;
using resize::WeightTable;
using testing::Pixels;

std::vector<double> WeightsOf(const WeightTable& t, int32_t i) {
  const double* w = t.weights.data() + t.offset[static_cast<size_t>(i)];
  return std::vector<double>(w, w + t.count[static_cast<size_t>(i)]);
}

TEST(ResizeWeights, MatchTheReferenceWindowsWithoutTheirZeroEnds) {
  const int32_t sizes[] = {1, 2, 3, 5, 7, 10, 20, 33, 64, 100, 257, 1000};
  for (int32_t n : sizes) {
    for (int32_t m : sizes) {
      const WeightTable table = BuildWeightTable(n, m);
      const auto reference = testing::ReferenceWeights(n, m);
      for (int32_t i = 0; i < m; ++i) {
        const auto& win = reference[static_cast<size_t>(i)];
        auto lo = win.weights.begin();
        auto hi = win.weights.end();
        while (lo != hi && *lo == 0.0) ++lo;
        while (hi != lo && *(hi - 1) == 0.0) --hi;
        ASSERT_EQ(WeightsOf(table, i), std::vector<double>(lo, hi)) << n << " -> " << m << " at " << i;
        if (lo != hi) {
          ASSERT_EQ(table.first[static_cast<size_t>(i)], win.first + (lo - win.weights.begin()));
        }
        // The uniform window used across rows holds the same weights in the same places.
        const int32_t start = table.padded_start[static_cast<size_t>(i)];
        ASSERT_GE(start, 0);
        ASSERT_LE(start + table.taps, n);
        for (int32_t k = 0; k < table.taps; ++k) {
          const int64_t source = start + k;
          const double expected =
              source >= win.first && source <= win.last ? win.weights[static_cast<size_t>(source - win.first)] : 0.0;
          ASSERT_EQ(
              table.padded_weights[static_cast<size_t>(i) * static_cast<size_t>(table.taps) + static_cast<size_t>(k)],
              expected);
        }
      }
    }
  }
}

TEST(ResizeWeights, ScaleOneIsASlightSoftening) {
  const WeightTable table = BuildWeightTable(10, 10);
  EXPECT_EQ(table.first[5], 4);
  const std::vector<double> inside = WeightsOf(table, 5);
  ASSERT_EQ(inside.size(), 3u);
  EXPECT_NEAR(inside[0], 1.0 / 18, 1e-15);
  EXPECT_NEAR(inside[1], 16.0 / 18, 1e-15);
  EXPECT_NEAR(inside[2], 1.0 / 18, 1e-15);
  // At the ends only two weights remain, renormalised.
  const std::vector<double> top = WeightsOf(table, 0);
  ASSERT_EQ(top.size(), 2u);
  EXPECT_NEAR(top[0], 16.0 / 17, 1e-15);
  EXPECT_NEAR(top[1], 1.0 / 17, 1e-15);
  EXPECT_EQ(table.first[9], 8);
  EXPECT_EQ(WeightsOf(table, 9), (std::vector<double>{top[1], top[0]}));
}

TEST(ResizeWeights, HalvingReachesFourPixelsEachWay) {
  const WeightTable table = BuildWeightTable(40, 20);
  const auto reference = testing::ReferenceWeights(40, 20);
  for (int32_t i = 0; i < 20; ++i) {
    EXPECT_LE(reference[static_cast<size_t>(i)].last - reference[static_cast<size_t>(i)].first + 1, 9);
  }
  // Inside: the window of 9 had its first index raised; its last weight lies at 2.25.
  EXPECT_EQ(reference[10].first, 17);
  EXPECT_EQ(reference[10].last, 25);
  EXPECT_EQ(reference[10].weights.back(), 0.0);
  EXPECT_EQ(table.first[10], 17);
  EXPECT_EQ(table.count[10], 8);
}

TEST(ResizeWeights, OnePixelIsCopied) {
  const WeightTable table = BuildWeightTable(1, 2);
  for (int32_t i = 0; i < 2; ++i) {
    EXPECT_EQ(table.first[static_cast<size_t>(i)], 0);
    EXPECT_EQ(WeightsOf(table, i), std::vector<double>{1.0});
  }
  ResetImageTable();
  ImageCreate(9, 1, 1);
  const uint8_t colour[4] = {10, 200, 77, 128};
  std::memcpy(ImageNativeObject(9)->pixels.get(), colour, 4);
  ASSERT_EQ(ImageResize(9, 2, KeepDimension), 1);
  const uint8_t* out = ImageNativeObject(9)->pixels.get();
  EXPECT_EQ(std::memcmp(out, colour, 4), 0);
  EXPECT_EQ(std::memcmp(out + 4, colour, 4), 0);
  ResetImageTable();
}

// One row of pixels, each (v, v, v, 255).
Pixels GreyRow(const std::vector<uint8_t>& values) {
  Pixels row;
  for (uint8_t v : values) row.insert(row.end(), {v, v, v, 255});
  return row;
}

std::vector<uint8_t> RedOf(const Pixels& row) {
  std::vector<uint8_t> red;
  for (size_t i = 0; i < row.size(); i += 4) red.push_back(row[i]);
  return red;
}

Pixels Enlarge(const Pixels& row, int32_t from, int32_t to) {
  Pixels out(static_cast<size_t>(to) * 4);
  EXPECT_TRUE(resize::ResampleSmooth(row.data(), from, 1, out.data(), to, 1));
  return out;
}

TEST(ResizeFilter, EdgeOvershootIsClippedNotWrapped) {
  // A grey edge shows both lobes of the cubic...
  const std::vector<uint8_t> grey = RedOf(Enlarge(GreyRow({50, 50, 50, 50, 200, 200, 200, 200}), 8, 32));
  EXPECT_LT(*std::min_element(grey.begin(), grey.end()), 50);
  EXPECT_GT(*std::max_element(grey.begin(), grey.end()), 200);
  // ...which a black/white edge clips at 0 and 255: the ramp stays monotonic.
  const std::vector<uint8_t> hard = RedOf(Enlarge(GreyRow({0, 0, 0, 0, 255, 255, 255, 255}), 8, 32));
  EXPECT_TRUE(std::is_sorted(hard.begin(), hard.end()));
  EXPECT_EQ(hard.front(), 0);
  EXPECT_EQ(hard.back(), 255);
  EXPECT_EQ(std::count(hard.begin(), hard.begin() + 12, 0), 12);
  EXPECT_EQ(std::count(hard.end() - 12, hard.end(), 255), 12);
}

TEST(ResizeFilter, ScaleOneVerticalPassSoftensARow) {
  // 4 x 5, black with a white middle row; only the width changes.
  Pixels image(4 * 5 * 4, 0);
  for (size_t i = 0; i < image.size(); i += 4) image[i + 3] = 255;
  for (size_t i = 2 * 16; i < 3 * 16; ++i) image[i] = 255;
  Pixels out(8 * 5 * 4);
  ASSERT_TRUE(resize::ResampleSmooth(image.data(), 4, 5, out.data(), 8, 5));
  const uint8_t expected_rows[5] = {0, 14, 227, 14, 0};  // 255/18 and 255*16/18, rounded
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 8; ++x) {
      const uint8_t* p = &out[static_cast<size_t>(y * 8 + x) * 4];
      EXPECT_EQ(p[0], expected_rows[y]) << x << "," << y;
      EXPECT_EQ(p[3], 255);
    }
  }
}

TEST(ResizeFilter, FlatStaysFlatAndColourIgnoresAlpha) {
  // Colour (10, 20, 30) under a checkerboard of alpha: colour stays exact, alpha is filtered.
  Pixels image;
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 11; ++x) image.insert(image.end(), {10, 20, 30, static_cast<uint8_t>((x + y) % 2 ? 255 : 0)});
  }
  const int32_t sizes[][2] = {{11, 9}, {22, 18}, {5, 4}, {1, 1}, {33, 2}, {3, 40}};
  for (const auto& size : sizes) {
    Pixels out(static_cast<size_t>(size[0] * size[1]) * 4);
    ASSERT_TRUE(resize::ResampleSmooth(image.data(), 11, 9, out.data(), size[0], size[1]));
    bool alpha_mixed = false;
    for (size_t i = 0; i < out.size(); i += 4) {
      ASSERT_EQ(out[i], 10);
      ASSERT_EQ(out[i + 1], 20);
      ASSERT_EQ(out[i + 2], 30);
      alpha_mixed |= out[i + 3] != 0 && out[i + 3] != 255;
    }
    EXPECT_TRUE(alpha_mixed) << size[0] << "x" << size[1];
  }
}

TEST(ResizeRaw, FixedPointSteps) {
  EXPECT_EQ(resize::RawSourceIndex(2, 4, 0), 0);
  EXPECT_EQ(resize::RawSourceIndex(2, 4, 1), 0);
  EXPECT_EQ(resize::RawSourceIndex(2, 4, 2), 1);
  EXPECT_EQ(resize::RawSourceIndex(2, 4, 3), 1);
  EXPECT_EQ(resize::RawSourceIndex(4, 2, 0), 1);
  EXPECT_EQ(resize::RawSourceIndex(4, 2, 1), 3);
  EXPECT_EQ(resize::RawSourceIndex(65535, 1, 0), 32767);
  // Every index stays inside the source, whatever the ratio.
  for (int32_t n : {1, 3, 7, 999, 32767, 65535}) {
    for (int32_t m : {1, 2, 5, 1000, 65535}) {
      for (int32_t i : {0, m / 2, m - 1}) {
        const int32_t index = resize::RawSourceIndex(n, m, i);
        ASSERT_GE(index, 0);
        ASSERT_LT(index, n);
      }
    }
  }
}

}  // namespace
}  // namespace zen
