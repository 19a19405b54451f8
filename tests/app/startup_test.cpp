#include "app/startup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "app/settings/settings_folder.h"
#include "app_harness.h"
#include "platform/text.h"
#include "tests/support/shell_records.h"

namespace zen::test {
namespace {

using namespace zen::gui;
namespace fs = std::filesystem;

std::u16string FromUtf8Path(const fs::path& path) { return FromUtf8(path.string()); }

class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home = fs::temp_directory_path() / ("zen-app-start-" + std::to_string(getpid()));
    fs::remove_all(home);
    fs::create_directories(home);
    const char* old = std::getenv("XDG_CONFIG_HOME");
    if (old) saved_xdg = old;
    had_xdg = old != nullptr;
    ResetProcessRecords();
    gui = InstallHeadlessGui();
  }
  void TearDown() override {
    if (had_xdg)
      setenv("XDG_CONFIG_HOME", saved_xdg.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    InstallGui(nullptr);
    ResetProcessRecords();
    fs::remove_all(home);
  }

  fs::path home;
  std::string saved_xdg;
  bool had_xdg = false;
  HeadlessGui* gui = nullptr;
};

TEST_F(StartUpTest, BuildsTheWindowAndTheSettingsFolderInOrder) {
  const fs::path config = home / "fresh" / "config";  // parents missing on a fresh account
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  std::vector<std::string> order;
  Hooks().reset_job = [&] { order.push_back(gui->Window(MainWindow) ? "job after window" : "job"); };
  Hooks().load_settings = [&] {
    order.push_back("settings");
    EXPECT_EQ(gui->Text(CtlDigitsLabel), u"파일명 자릿수 (1) :");  // refreshed before loading
  };
  gui->SetBackingScaleFactor(2.0);
  StartUp(false);
  EXPECT_EQ(order, (std::vector<std::string>{"job", "settings"}));

  const AppState& app = App();
  EXPECT_EQ(app.settings_folder, FromUtf8Path(config) + u"/Zentrova/");
  struct stat info {};
  ASSERT_EQ(stat((config / "Zentrova").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_DOUBLE_EQ(app.image_scale, 2.0);
  EXPECT_EQ(app.job_end_time, -1);
  EXPECT_FALSE(app.poll_events);
  EXPECT_EQ(app.last_valid_prefix, u"slice_");
  EXPECT_DOUBLE_EQ(app.app_version, 2.09);
  EXPECT_TRUE(app.converter_path.ends_with(u"//MacOS/ZenHelper"));
  ASSERT_TRUE(gui->Font(FontLarge));
  EXPECT_EQ(gui->Font(FontLarge)->points, 14);
  EXPECT_TRUE(gui->Font(FontLarge)->bold);
  EXPECT_EQ(gui->Font(FontNormal)->points, 13);
  EXPECT_FALSE(gui->Font(FontNormal)->bold);
}

TEST_F(StartUpTest, SettingsFolderFallsBackToTheHomeConfigFolder) {
  unsetenv("XDG_CONFIG_HOME");
  const char* old_home = std::getenv("HOME");
  const std::string saved_home = old_home ? old_home : "";
  setenv("HOME", home.c_str(), 1);
  EXPECT_EQ(SettingsFolderPath(), FromUtf8Path(home) + u"/.config/Zentrova/");
  setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
  EXPECT_EQ(SettingsFolderPath(), FromUtf8Path(home) + u"/.config/Zentrova/");
  if (old_home) setenv("HOME", saved_home.c_str(), 1);
}

}  // namespace
}  // namespace zen::test
