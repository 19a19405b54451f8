#include <cstring>

#include "imaging/image_store.h"
#include "imaging_support.h"

namespace zen::test {
namespace {

using ImageTableTest = ImagingTest;

// Gives every pixel of image id a distinct colour derived from its position.
void Paint(ImageId id) {
  NativeImage* image = ImageNativeObject(id);
  for (int32_t y = 0; y < image->height; ++y) {
    for (int32_t x = 0; x < image->width; ++x) {
      SetPixel(id, x, y, {static_cast<uint8_t>(x), static_cast<uint8_t>(y), 7, static_cast<uint8_t>(100 + x)});
    }
  }
}

TEST_F(ImageTableTest, CreateReplacesTheOldImageWithOpaqueBlackOfDepth24) {
  ASSERT_NE(ImageCreate(10, 3, 2), 0);
  Paint(10);
  const std::intptr_t result = ImageCreate(10, 2, 4);
  EXPECT_EQ(result, reinterpret_cast<std::intptr_t>(ImageNativeObject(10)));
  EXPECT_EQ(ImageGetWidth(10), 2);
  EXPECT_EQ(ImageGetHeight(10), 4);
  EXPECT_EQ(FindImage(10)->file_depth, 24);
  EXPECT_EQ(FindImage(10)->codec_id, 0u);
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 2; ++x) EXPECT_EQ(PixelOf(10, x, y), (std::array<uint8_t, 4>{0, 0, 0, 255}));
  }
}

TEST_F(ImageTableTest, RefusedSizesLeaveTheNumberEmpty) {
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-3, 5}, {65536, 1}, {1, 65536}}) {
    ASSERT_NE(ImageCreate(3, 1, 1), 0);
    EXPECT_EQ(ImageCreate(3, w, h), 0) << w << "x" << h;
    EXPECT_EQ(FindImage(3), nullptr);
    EXPECT_EQ(ImageGetWidth(3), 0);
  }
  EXPECT_EQ(ImageCreate(AnyNumber, 0, 1), 0);
  EXPECT_TRUE(TheImageTable().handles.empty());
}

TEST_F(ImageTableTest, NumbersPastTheTableGrowItToNumberPlus16) {
  EXPECT_EQ(TheImageTable().slots.size(), 16u);
  ASSERT_NE(ImageCreate(100, 1, 1), 0);
  EXPECT_EQ(TheImageTable().slots.size(), 116u);
  EXPECT_EQ(ImageGetWidth(100), 1);
  ASSERT_NE(ImageCreate(115, 2, 1), 0);
  EXPECT_EQ(TheImageTable().slots.size(), 116u);
  EXPECT_EQ(ImageGetWidth(99), 0);
}

TEST_F(ImageTableTest, HandlesWorkEverywhereAndNeverLookLikeNumbers) {
  const std::intptr_t a = ImageCreate(AnyNumber, 1, 1);
  const std::intptr_t b = ImageCreate(AnyNumber, 2, 3);
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  EXPECT_NE(a, b);
  EXPECT_GE(a, static_cast<std::intptr_t>(TheImageTable().slots.size()));
  EXPECT_EQ(ImageGetWidth(b), 2);
  EXPECT_EQ(ImageGetHeight(b), 3);
  EXPECT_NE(ImageDrawTarget(a), nullptr);
  EXPECT_EQ(FindImage(a + 1), nullptr);
  EXPECT_EQ(ImageGetWidth(123456789), 0);
  ImageFree(123456789);  // unknown values are ignored
  ImageFree(a);
  EXPECT_EQ(ImageGetWidth(a), 0);
  EXPECT_EQ(ImageDrawTarget(a), nullptr);
  EXPECT_EQ(ImageGetWidth(b), 2);
}

TEST_F(ImageTableTest, FreeingAllImagesEmptiesSlotsAndHandles) {
  ASSERT_NE(ImageCreate(0, 1, 1), 0);
  ASSERT_NE(ImageCreate(20, 1, 1), 0);
  const std::intptr_t h = ImageCreate(AnyNumber, 1, 1);
  ImageFree(AllImages);
  EXPECT_EQ(FindImage(0), nullptr);
  EXPECT_EQ(FindImage(20), nullptr);
  EXPECT_EQ(FindImage(h), nullptr);
  EXPECT_NE(ImageCreate(20, 1, 1), 0);  // the kept slot works again
}

TEST_F(ImageTableTest, CopyDuplicatesBytesAndFileDepth) {
  ASSERT_NE(ImageCreate(1, 5, 4), 0);
  Paint(1);
  FindImage(1)->file_depth = 8;
  ASSERT_NE(ImageCopy(1, 2), 0);
  const NativeImage* a = ImageNativeObject(1);
  const NativeImage* b = ImageNativeObject(2);
  ASSERT_EQ(b->ByteCount(), a->ByteCount());
  EXPECT_EQ(std::memcmp(a->pixels.get(), b->pixels.get(), a->ByteCount()), 0);
  EXPECT_EQ(FindImage(2)->file_depth, 8);
  // Onto itself: left as it is.
  EXPECT_EQ(ImageCopy(1, 1), reinterpret_cast<std::intptr_t>(a));
  EXPECT_EQ(ImageNativeObject(1), a);
  // A missing source changes nothing.
  EXPECT_EQ(ImageCopy(7, 2), 0);
  EXPECT_NE(FindImage(2), nullptr);
  const std::intptr_t h = ImageCopy(1, AnyNumber);
  EXPECT_EQ(ImageGetWidth(h), 5);
}

TEST_F(ImageTableTest, GrabPastTheBottomKeepsTheRequestedSize) {
  ASSERT_NE(ImageCreate(9, 4, 3), 0);
  Paint(9);
  FindImage(9)->file_depth = 32;
  ASSERT_NE(ImageGrab(9, 10, 0, 1, 4, 5), 0);
  EXPECT_EQ(ImageGetWidth(10), 4);
  EXPECT_EQ(ImageGetHeight(10), 5);
  EXPECT_EQ(FindImage(10)->file_depth, 32);
  for (int32_t x = 0; x < 4; ++x) {
    EXPECT_EQ(PixelOf(10, x, 0), PixelOf(9, x, 1));
    EXPECT_EQ(PixelOf(10, x, 1), PixelOf(9, x, 2));
    for (int32_t y = 2; y < 5; ++y) EXPECT_EQ(PixelOf(10, x, y), (std::array<uint8_t, 4>{0, 0, 0, 0}));
  }
}

TEST_F(ImageTableTest, GrabClipsLeftAndTopAndLandsTopLeft) {
  ASSERT_NE(ImageCreate(9, 4, 3), 0);
  Paint(9);
  // cw = 3 + min(-1, 0) = 2 columns from source x 0; ch = 2 - 1 = 1 row from y 0.
  ASSERT_NE(ImageGrab(9, 10, -1, -1, 3, 2), 0);
  EXPECT_EQ(PixelOf(10, 0, 0), PixelOf(9, 0, 0));
  EXPECT_EQ(PixelOf(10, 1, 0), PixelOf(9, 1, 0));
  EXPECT_EQ(PixelOf(10, 2, 0), (std::array<uint8_t, 4>{0, 0, 0, 0}));
  EXPECT_EQ(PixelOf(10, 0, 1), (std::array<uint8_t, 4>{0, 0, 0, 0}));
  // Entirely outside: a blank image of the requested size.
  ASSERT_NE(ImageGrab(9, 11, 10, 10, 2, 2), 0);
  EXPECT_EQ(PixelOf(11, 1, 1), (std::array<uint8_t, 4>{0, 0, 0, 0}));
  // Partly to the right.
  ASSERT_NE(ImageGrab(9, 12, 3, 0, 2, 1), 0);
  EXPECT_EQ(PixelOf(12, 0, 0), PixelOf(9, 3, 0));
  EXPECT_EQ(PixelOf(12, 1, 0), (std::array<uint8_t, 4>{0, 0, 0, 0}));
}

TEST_F(ImageTableTest, GrabOntoItsOwnNumberReplacesTheSource) {
  ASSERT_NE(ImageCreate(9, 4, 3), 0);
  Paint(9);
  const auto expected = PixelOf(9, 2, 1);
  ASSERT_NE(ImageGrab(9, 9, 1, 1, 2, 2), 0);
  EXPECT_EQ(ImageGetWidth(9), 2);
  EXPECT_EQ(PixelOf(9, 1, 0), expected);
  // A failed grab still empties the target; a missing source leaves it alone.
  ASSERT_NE(ImageCreate(10, 1, 1), 0);
  EXPECT_EQ(ImageGrab(9, 10, 0, 0, 0, 1), 0);
  EXPECT_EQ(FindImage(10), nullptr);
  ASSERT_NE(ImageCreate(10, 1, 1), 0);
  EXPECT_EQ(ImageGrab(5, 10, 0, 0, 1, 1), 0);
  EXPECT_NE(FindImage(10), nullptr);
}

TEST_F(ImageTableTest, AFailedCreationUnderAnyNumberFreesNothingElse) {
  ASSERT_NE(ImageCreate(9, 2, 2), 0);
  const std::intptr_t h = ImageCreate(AnyNumber, 1, 1);
  EXPECT_EQ(ImageGrab(9, AnyNumber, 0, 0, 0, 5), 0);
  EXPECT_EQ(ImageGrab(9, AnyNumber, 0, 0, 70000, 1), 0);
  EXPECT_NE(FindImage(9), nullptr);
  EXPECT_NE(FindImage(h), nullptr);
  EXPECT_EQ(TheImageTable().handles.size(), 1u);
}

TEST_F(ImageTableTest, SidesOf32768AndMoreReadBackNegative) {
  ASSERT_NE(ImageCreate(1, 40000, 1), 0);
  EXPECT_EQ(ImageGetWidth(1), 40000 - 65536);
  EXPECT_EQ(ImageNativeObject(1)->width, 40000);
  ASSERT_NE(ImageCreate(1, 1, 32767), 0);
  EXPECT_EQ(ImageGetHeight(1), 32767);
}

TEST_F(ImageTableTest, ReplacingTheStoreKeepsNumberDepthAndCodec) {
  ASSERT_NE(ImageCreate(4, 2, 2), 0);
  ImageRecord* record = FindImage(4);
  record->file_depth = 8;
  record->codec_id = CodecPng;
  auto bigger = NewNativeImage(6, 5);
  ASSERT_NE(bigger, nullptr);
  NativeImage* raw = bigger.get();
  ReplaceNativeImage(record, std::move(bigger));
  EXPECT_EQ(ImageNativeObject(4), raw);
  EXPECT_EQ(ImageGetWidth(4), 6);
  EXPECT_EQ(ImageGetHeight(4), 5);
  EXPECT_EQ(FindImage(4)->file_depth, 8);
  EXPECT_EQ(FindImage(4)->codec_id, static_cast<uint32_t>(CodecPng));
  EXPECT_EQ(NewNativeImage(65536, 1), nullptr);
  EXPECT_EQ(NewNativeImage(1, 0), nullptr);
}

}  // namespace
}  // namespace zen::test
