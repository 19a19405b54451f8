#include <unistd.h>

#include <filesystem>

#include "app_harness.h"
#include "imaging/codecs.h"
#include "slicing/slicing_job.h"

namespace zen::test {
namespace {

using namespace zen::gui;

// Loads the bundle's pictures the way start-up does, from inside Contents.
class PicturesTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    RegisterAllCodecs();
    saved = std::filesystem::current_path();
    std::filesystem::current_path(ZEN_BUNDLE_DIR);
  }
  void TearDown() override {
    std::filesystem::current_path(saved);
    ShellTest::TearDown();
  }
  std::filesystem::path saved;
};

TEST_F(PicturesTest, PicturesAreScaledToTheirSizeTimesTheScale) {
  for (double scale : {1.0, 2.0}) {
    App().image_scale = scale;
    LoadMainPictures();
    const int s = static_cast<int>(scale);
    EXPECT_EQ(ImageGetWidth(SlotBanner), 470 * s);
    EXPECT_EQ(ImageGetHeight(SlotBanner), 80 * s);
    EXPECT_EQ(ImageGetWidth(SlotLeftStrip), 20 * s);
    EXPECT_EQ(ImageGetHeight(SlotRightStrip), 100 * s);
    for (int slot = SlotToolbarFirst; slot <= SlotFolderIcon; ++slot) {
      EXPECT_EQ(ImageGetWidth(slot), 8 * s) << slot;
      EXPECT_EQ(ImageGetHeight(slot), 8 * s) << slot;
    }
  }
}

TEST_F(PicturesTest, ControlsShowTheirSlots) {
  BuildMainWindow();  // again, now with the pictures found
  EXPECT_EQ(gui->Control(CtlBanner)->image, ImageNativeObject(SlotBanner));
  EXPECT_NE(gui->Control(CtlBanner)->image, nullptr);
  EXPECT_EQ(gui->Control(CtlToolbarClear)->image, ImageNativeObject(SlotToolbarFirst + 4));
  EXPECT_NE(gui->Control(CtlToolbarClear)->image, nullptr);
  // The review button's picture outlives a job, whose images have numbers of their own.
  ResetSlicingJob();
  EXPECT_NE(ImageNativeObject(SlotToolbarReview), nullptr);
  EXPECT_EQ(gui->Control(CtlToolbarReview)->image, ImageNativeObject(SlotToolbarReview));
}

TEST_F(PicturesTest, MissingPictureLeavesItsSlotEmpty) {
  const auto empty = std::filesystem::temp_directory_path() / ("zen-no-res-" + std::to_string(getpid()));
  std::filesystem::create_directories(empty);
  std::filesystem::current_path(empty);
  ResetImageTable();
  LoadMainPictures();
  std::filesystem::current_path(saved);
  std::filesystem::remove_all(empty);
  EXPECT_EQ(ImageNativeObject(SlotBanner), nullptr);
}

}  // namespace
}  // namespace zen::test
