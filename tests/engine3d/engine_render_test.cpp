// The engine as the About window uses it: loaded through the host's loader.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "engine3d/loader/engine_loader.h"
#include "tests/support/about_scene.h"

namespace zen {
namespace {

using testing::AboutSceneOptions;

uint32_t PixelAt(const uint8_t* rgba, int32_t width, int32_t x, int32_t y) {
  const uint8_t* p = rgba + (static_cast<size_t>(y) * width + x) * 4;
  return p[0] | p[1] << 8 | p[2] << 16;
}

class EngineRenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetEngineLoader();
    RegisterEngineModules();
    ASSERT_TRUE(LoadEngine());
    options_.resource_folder = testing::PackageFolder();
  }
  void TearDown() override { ResetEngineLoader(); }

  const uint8_t* Render(int32_t* w, int32_t* h) {
    Engine().screen.render_frame();
    return Engine().screen.frame_pixels(w, h);
  }

  AboutSceneOptions options_;
};

TEST_F(EngineRenderTest, AboutSceneShowsTheBoxInTheCentreAndTheWindowColourAtTheCorners) {
  for (int32_t scale : {1, 2}) {
    options_.width = 360 * scale;
    options_.height = 320 * scale;
    ASSERT_TRUE(testing::SetUpAboutScene(Engine(), options_));
    for (float yaw : {0.0f, 45.0f, 200.0f}) {
      Engine().entities.rotate(0, 0, yaw, 0);
      int32_t w = 0, h = 0;
      const uint8_t* frame = Render(&w, &h);
      ASSERT_NE(frame, nullptr);
      ASSERT_EQ(w, options_.width);
      ASSERT_EQ(h, options_.height);
      for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}}) {
        EXPECT_EQ(PixelAt(frame, w, x, y), options_.window_colour) << x << "," << y << " yaw " << yaw;
      }
      for (int32_t dx : {-w / 10, 0, w / 10}) {  // the box is about a third of the width
        EXPECT_NE(PixelAt(frame, w, w / 2 + dx, h / 2), options_.window_colour) << dx << " yaw " << yaw;
      }
    }
  }
}

TEST_F(EngineRenderTest, YawAndCameraHeightGiveBackTheValuesLastSet) {
  ASSERT_TRUE(testing::SetUpAboutScene(Engine(), options_));
  const EngineEntries& e = Engine();
  EXPECT_FLOAT_EQ(e.entities.yaw(0), 0.0f);
  e.entities.rotate(0, 10, 1234.5678f, -3);
  EXPECT_EQ(e.entities.yaw(0), 1234.5678f);
  EXPECT_FLOAT_EQ(e.cameras.height(0), 0.25f);
  e.cameras.move(0, 0, -0.1234f, 0, 2);
  EXPECT_EQ(e.cameras.height(0), -0.1234f);
  EXPECT_EQ(e.entities.yaw(7), 0.0f);  // no such entity
}

TEST_F(EngineRenderTest, CameraMode8MovesByOffsetsAndMode2SetsThePosition) {
  const EngineEntries& e = Engine();
  e.cameras.create(0, 0, 0, 100, 100);
  e.cameras.move(0, 1, 0.25f, 3, 2);
  e.cameras.move(0, 5, 0.5f, 7, 8);
  EXPECT_FLOAT_EQ(e.cameras.height(0), 0.75f);
  float cy = e.cameras.height(0);
  e.cameras.move(0, 0, 0.3f * 0.5f - cy, 0, 8);  // the About window's height rule
  EXPECT_FLOAT_EQ(e.cameras.height(0), 0.15f);
  e.cameras.move(0, 0, 9, 0, 5);  // unknown modes leave it alone
  EXPECT_FLOAT_EQ(e.cameras.height(0), 0.15f);
}

TEST_F(EngineRenderTest, DrawingIntoATextureShowsInTheNextFrames) {
  const EngineEntries& e = Engine();
  options_.window_colour = 0x336699;
  ASSERT_TRUE(testing::SetUpAboutScene(Engine(), options_));
  e.cameras.move(0, 0.15f, 0.6f, 0.1001f, 2);  // straight down on the plane, clear of the shadow
  e.cameras.look_at(0, 0.15f, -0.12f, 0.1f);
  e.cameras.field_of_view(0, 5);
  int32_t w = 0, h = 0;
  EXPECT_EQ(PixelAt(Render(&w, &h), w, w / 2, h / 2), 0x336699u);
  testing::FillWholeTarget(e.textures.draw_into(1), 0x00FF00);
  EXPECT_EQ(PixelAt(Render(&w, &h), w, w / 2, h / 2), 0x00FF00u);
}

TEST_F(EngineRenderTest, ShowFrameHandsTheFrameToTheSinkAndPacesFrames) {
  ASSERT_TRUE(testing::SetUpAboutScene(Engine(), options_));
  std::vector<EngineFrame> frames;
  SetEngineFrameSink([&](const EngineFrame& f) { frames.push_back(f); });
  Engine().screen.render_frame();
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 3; ++i) Engine().screen.show_frame();
  auto spent = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].window, 1);
  EXPECT_EQ(frames[0].width, 360);
  EXPECT_EQ(frames[0].height, 320);
  int32_t w = 0, h = 0;
  EXPECT_EQ(frames[0].rgba, Engine().screen.frame_pixels(&w, &h));
  EXPECT_GE(spent, std::chrono::milliseconds(33));  // two paced intervals at least
}

TEST_F(EngineRenderTest, OpeningTheScreenRefusesBadSizes) {
  const EngineEntries& e = Engine();
  EXPECT_EQ(e.screen.open_window_screen(1, 0, 0, 0, 320, 32), 0);
  EXPECT_EQ(e.screen.open_window_screen(1, 0, 0, 360, 100000, 32), 0);
  EXPECT_EQ(e.screen.open_window_screen(1, 0, 0, 360, 320, 16), 0);
  EXPECT_EQ(e.screen.open_window_screen(1, 0, -320, 720, 640, 32), 1);
}

TEST_F(EngineRenderTest, MissingResourcesAndObjectsAreHarmless) {
  const EngineEntries& e = Engine();
  options_.resource_folder = "no/such/folder";
  ASSERT_TRUE(testing::SetUpAboutScene(Engine(), options_));
  EXPECT_EQ(e.textures.draw_into(3), nullptr);  // Env.png not found
  e.entities.attach(1, "", 0);                  // would make a cycle: refused
  e.entities.attach(5, "", 0);
  int32_t w = 0, h = 0;
  const uint8_t* frame = Render(&w, &h);
  EXPECT_EQ(PixelAt(frame, w, w / 2, h / 2), options_.window_colour);  // no meshes: background only
}

}  // namespace
}  // namespace zen
