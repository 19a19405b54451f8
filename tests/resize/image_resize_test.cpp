// ImageResize on the image store: what it keeps, what it replaces, and when it refuses.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/codecs.h"
#include "imaging/image_table.h"
#include "imaging/resize.h"
#include "reference_resize.h"
#include "test_pictures.h"

namespace zen {
namespace {

using testing::Pixels;

class ImageResizeTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetImageTable(); }
  void TearDown() override { ResetImageTable(); }

  // A mixed picture under number, with a file depth and codec as if loaded from a file.
  Pixels Put(ImageId number, int32_t width, int32_t height, uint32_t seed = 1) {
    EXPECT_NE(ImageCreate(number, width, height), 0);
    Pixels pixels = testing::MixedPicture(width, height, seed);
    std::memcpy(ImageNativeObject(number)->pixels.get(), pixels.data(), pixels.size());
    ImageRecord* record = FindImage(number);
    record->file_depth = 32;
    record->codec_id = CodecPng;
    return pixels;
  }

  static Pixels Bytes(ImageId id) {
    const NativeImage* image = ImageNativeObject(id);
    return Pixels(image->pixels.get(), image->pixels.get() + image->ByteCount());
  }
};

TEST_F(ImageResizeTest, ReplacesThePixelsAndKeepsNumberDepthAndCodec) {
  const Pixels source = Put(9, 40, 30);
  ASSERT_EQ(ImageResize(9, 23, 61), 1);
  EXPECT_EQ(ImageGetWidth(9), 23);
  EXPECT_EQ(ImageGetHeight(9), 61);
  EXPECT_EQ(FindImage(9)->file_depth, 32);
  EXPECT_EQ(FindImage(9)->codec_id, CodecPng);
  EXPECT_EQ(Bytes(9), testing::ReferenceSmooth(source, 40, 30, 23, 61));
}

TEST_F(ImageResizeTest, HandlesAndKeepDimension) {
  const auto handle = static_cast<ImageId>(ImageCreate(AnyNumber, 8, 8));
  ASSERT_NE(handle, 0);
  ASSERT_EQ(ImageResize(handle, 16, KeepDimension), 1);
  EXPECT_EQ(ImageGetWidth(handle), 16);
  EXPECT_EQ(ImageGetHeight(handle), 8);
  ASSERT_EQ(ImageResize(handle, KeepDimension, 3), 1);
  EXPECT_EQ(ImageGetWidth(handle), 16);
  EXPECT_EQ(ImageGetHeight(handle), 3);
}

TEST_F(ImageResizeTest, CurrentSizeLeavesTheStoreObjectAlone) {
  Put(9, 12, 7);
  const NativeImage* before = ImageNativeObject(9);
  const uint8_t* pixels = before->pixels.get();
  const Pixels bytes = Bytes(9);
  EXPECT_EQ(ImageResize(9, 12, 7), 1);
  EXPECT_EQ(ImageResize(9, KeepDimension, KeepDimension), 1);
  EXPECT_EQ(ImageResize(9, 12, KeepDimension, ResizeRaw), 1);
  EXPECT_EQ(ImageNativeObject(9), before);
  EXPECT_EQ(ImageNativeObject(9)->pixels.get(), pixels);
  EXPECT_EQ(Bytes(9), bytes);
}

TEST_F(ImageResizeTest, RefusalsLeaveTheImageAsItWas) {
  Put(9, 12, 7);
  const NativeImage* before = ImageNativeObject(9);
  const Pixels bytes = Bytes(9);
  EXPECT_EQ(ImageResize(9, 0, 7), 0);
  EXPECT_EQ(ImageResize(9, 12, 0), 0);
  EXPECT_EQ(ImageResize(9, -5, 7), 0);
  EXPECT_EQ(ImageResize(9, 12, -65534), 0);
  EXPECT_EQ(ImageResize(9, 65536, 7), 0);  // the new store cannot be made
  FindImage(9)->frame_count = 2;
  EXPECT_EQ(ImageResize(9, 24, 14), 0);
  FindImage(9)->frame_count = 1;
  EXPECT_EQ(ImageNativeObject(9), before);
  EXPECT_EQ(ImageGetWidth(9), 12);
  EXPECT_EQ(ImageGetHeight(9), 7);
  EXPECT_EQ(Bytes(9), bytes);
  EXPECT_EQ(ImageResize(3, 10, 10), 0);       // nothing under that number
  EXPECT_EQ(ImageResize(123456, 10, 10), 0);  // not a handle either
}

TEST_F(ImageResizeTest, OnlyBitZeroOfTheModeCounts) {
  const Pixels source = Put(9, 9, 5);
  ImageCopy(9, 10);
  ImageCopy(9, 11);
  ASSERT_EQ(ImageResize(9, 20, 3, ResizeRaw), 1);
  ASSERT_EQ(ImageResize(10, 20, 3, 3), 1);
  ASSERT_EQ(ImageResize(11, 20, 3, 2), 1);
  EXPECT_EQ(Bytes(9), testing::ReferenceRaw(source, 9, 5, 20, 3));
  EXPECT_EQ(Bytes(10), Bytes(9));
  EXPECT_EQ(Bytes(11), testing::ReferenceSmooth(source, 9, 5, 20, 3));
}

}  // namespace
}  // namespace zen
