#include "app/about/about_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/app_state.h"
#include "app/event_loop.h"
#include "app/loop_hooks.h"
#include "app/main_window.h"
#include "engine3d/loader/engine_loader.h"
#include "imaging/image_table.h"
#include "platform/clock.h"
#include "platform/gui/headless/headless_gui.h"
#include "platform/gui/main_controls.h"
#include "platform/program_runner.h"
#include "tests/support/shell_records.h"

namespace zen {
namespace {

namespace fs = std::filesystem;

TEST(AboutText, VersionTextAndUpdateAddress) {
  EXPECT_EQ(AboutVersionText(2.09), u"2.09");
  EXPECT_EQ(AboutVersionText(3.0), u"3");
  EXPECT_EQ(AboutVersionText(2.5), u"2.5");
  EXPECT_EQ(UpdateAddress(u"https://www.example.com", 2.09), u"https://www.example.com/checkupdate.php?ver=2.09&mac=1");
  EXPECT_EQ(UpdateAddress(u"https://a b.example", 2.09), u"https://a%20b.example/checkupdate.php?ver=2.09&mac=1");
  EXPECT_EQ(PercentEncode(u"가+%~"), "%EA%B0%80%2B%25~");
}

class AboutWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetProcessRecords();
    ResetEngineLoader();
    ResetAboutWindow();
    gui = test::InstallHeadlessGui();
    WireAboutHooks(Hooks());
    BuildMainWindow();
    previous_dir_ = fs::current_path();
    fs::current_path(ZEN_SOURCE_DIR);  // where res/package lies, as in the bundle's Contents
  }
  void TearDown() override {
    fs::current_path(previous_dir_);
    ResetEngineLoader();
    ResetAboutWindow();
    gui::InstallGui(nullptr);
    test::ResetProcessRecords();
  }
  void Drain() {
    for (int guard = 0; gui->PendingEvents() > 0 && guard < 1000; ++guard) RunTurn();
  }

  gui::HeadlessGui* gui = nullptr;
  fs::path previous_dir_;
};

TEST_F(AboutWindowTest, BuildsTheWindowWithItsControlsAndScene) {
  ShowAboutWindow();
  const gui::HeadlessWindow* w = gui->Window(gui::AboutWindow);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->title, u"정보");
  EXPECT_EQ(w->width, 360);
  EXPECT_EQ(w->height, 520);
  EXPECT_EQ(w->parent, gui::MainWindow);
  EXPECT_TRUE(w->visible);
  EXPECT_FALSE(gui->WindowEnabled(gui::MainWindow));
  EXPECT_EQ(gui->Text(gui::CtlAboutVersion), u"Zentrova V2 (2.09)");
  EXPECT_EQ(gui->Control(gui::CtlAboutUpdate)->geometry, (gui::Rect{10, 460, 150, 30}));
  EXPECT_EQ(gui->Control(gui::CtlAboutClose)->geometry, (gui::Rect{200, 460, 150, 30}));
  EXPECT_TRUE(AboutWindowRecord().scene);
  EXPECT_TRUE(App().about_animating);
  EXPECT_TRUE(gui->MessageBoxes().empty());
  AboutAnimationStep();
  ASSERT_EQ(gui->Frames().size(), 1u);
  EXPECT_EQ(gui->Frames()[0].area, (gui::Rect{0, 0, 360, 320}));
  EXPECT_EQ(gui->Frames()[0].width, 360);
}

TEST_F(AboutWindowTest, TurnsByElapsedTimeFromTheBuildOn) {
  const int64_t before = ElapsedMs();
  ShowAboutWindow();
  EXPECT_GE(App().about_last_tick, before);
  AboutAnimationStep();
  const int64_t after_first = App().about_last_tick;
  float yaw = Engine().entities.yaw(0);
  EXPECT_LE(yaw, 0.05f * static_cast<float>(after_first - before) + 1e-4f);  // only since building
  const int64_t set_at = ElapsedMs();
  App().about_last_tick = set_at - 20;
  AboutAnimationStep();
  const float turned = Engine().entities.yaw(0) - yaw;
  EXPECT_NEAR(turned, 1.0f + 0.05f * static_cast<float>(App().about_last_tick - set_at), 0.001f);
  EXPECT_GE(turned, 1.0f - 1e-4f);
}

TEST_F(AboutWindowTest, PointerOnTheTenPerCentLineLevelsTheCamera) {
  ShowAboutWindow();
  gui::Rect frame = gui->WindowFrame(gui::AboutWindow);
  gui->SetPointerY(static_cast<int>(frame.y + frame.height * 0.1 + 0.5));
  AboutAnimationStep();
  EXPECT_NEAR(Engine().cameras.height(0), 0.0f, 0.3f * 0.5f / static_cast<float>(frame.height));
  gui->SetPointerY(frame.y + frame.height * 2);
  AboutAnimationStep();
  EXPECT_GT(Engine().cameras.height(0), 0.2f);
}

TEST_F(AboutWindowTest, CloseBoxAndCloseButtonHideAndASecondShowRebuildsNothing) {
  ShowAboutWindow();
  const size_t controls = gui->ControlsOf(gui::AboutWindow).size();
  gui->Close(gui::AboutWindow);
  Drain();
  EXPECT_FALSE(gui->Window(gui::AboutWindow)->visible);
  EXPECT_TRUE(gui->WindowEnabled(gui::MainWindow));
  EXPECT_FALSE(App().about_animating);
  ShowAboutWindow();
  EXPECT_TRUE(gui->Window(gui::AboutWindow)->visible);
  EXPECT_TRUE(gui->WindowEnabled(gui::MainWindow));  // not disabled the second time
  EXPECT_TRUE(App().about_animating);
  EXPECT_EQ(gui->ControlsOf(gui::AboutWindow).size(), controls);
  gui->Press(gui::CtlAboutClose);
  Drain();
  EXPECT_FALSE(gui->Window(gui::AboutWindow)->visible);
  EXPECT_FALSE(App().about_animating);
  ShowAboutWindow();
  EXPECT_TRUE(gui->PressKeys(u"Esc"));  // Escape acts as the close box
  Drain();
  EXPECT_FALSE(gui->Window(gui::AboutWindow)->visible);
}

TEST_F(AboutWindowTest, OnePressOfUpdateOpensTheAddressOnceWhileTheLoopPolls) {
  fs::path dir = fs::temp_directory_path() / ("zen-about-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::path log = dir / "opened.txt";
  {
    std::ofstream script(dir / "xdg-open");
    script << "#!/bin/sh\necho \"$@\" >> '" << log.string() << "'\n";
  }
  fs::permissions(dir / "xdg-open", fs::perms::owner_all);
  std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (dir.string() + ":" + old_path).c_str(), 1);
  InitProgramRunner();
  App().update_check_base_url = u"https://www.example.com";
  ShowAboutWindow();
  App().poll_events = true;
  gui->Press(gui::CtlAboutUpdate);
  for (int i = 0; i < 20; ++i) RunTurn();  // turns without events after the press
  std::string opened;
  for (int i = 0; i < 100 && opened.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    opened = text.str();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  std::ifstream in(log);
  std::stringstream all;
  all << in.rdbuf();
  setenv("PATH", old_path.c_str(), 1);
  fs::remove_all(dir);
  EXPECT_EQ(all.str(), "https://www.example.com/checkupdate.php?ver=2.09&mac=1\n");
  EXPECT_FALSE(gui->Window(gui::AboutWindow)->visible);
}

void ExpectWorkingWindowWithoutScene(gui::HeadlessGui* gui) {
  ASSERT_EQ(gui->MessageBoxes().size(), 1u);
  EXPECT_EQ(gui->MessageBoxes()[0].title, u"Error");
  EXPECT_EQ(gui->MessageBoxes()[0].text, u"Can't open windowed screen!");
  EXPECT_EQ(gui->MessageBoxes()[0].icon, gui::MessageIcon::Plain);
  EXPECT_TRUE(gui->Window(gui::AboutWindow)->visible);
  EXPECT_EQ(gui->Text(gui::CtlAboutVersion), u"Zentrova V2 (2.09)");
  EXPECT_FALSE(App().about_animating);
  EXPECT_FALSE(AboutWindowRecord().scene);
}

TEST_F(AboutWindowTest, MissingLibraryGivesTheLoaderLineTheMessageAndAWorkingWindow) {
  EngineLoader().library_name = "engine3d_absent.so";
  ::testing::internal::CaptureStdout();
  ShowAboutWindow();
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("engine3d_absent.so"), std::string::npos);
  ExpectWorkingWindowWithoutScene(gui);
  gui->Close(gui::AboutWindow);
  Drain();
  EXPECT_TRUE(gui->WindowEnabled(gui::MainWindow));
  ::testing::internal::CaptureStdout();
  ShowAboutWindow();  // no second try, no second message
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(gui->MessageBoxes().size(), 1u);
  EXPECT_FALSE(App().about_animating);
}

TEST_F(AboutWindowTest, WrongInterfaceVersionGivesTheMessageAndAWorkingWindow) {
  EngineLoader().library_name = "engine3d_wrong_version.so";
  ShowAboutWindow();
  ExpectWorkingWindowWithoutScene(gui);
  gui->Press(gui::CtlAboutClose);
  Drain();
  EXPECT_FALSE(gui->Window(gui::AboutWindow)->visible);
}

}  // namespace
}  // namespace zen
