#include "app/settings/settings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "app/app_state.h"
#include "app/main_window.h"
#include "platform/gui/headless/headless_gui.h"
#include "platform/gui/main_controls.h"
#include "platform/prefs.h"
#include "platform/text.h"
#include "tests/support/shell_records.h"

namespace zen {
namespace {

using namespace gui;
namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("zen-settings-" + std::to_string(getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    ResetAppState();
    ResetPrefs();
    App().settings_folder = FromPath(folder_) + u"/";
    gui_ = test::InstallHeadlessGui();
    BuildMainWindow();
  }
  void TearDown() override { fs::remove_all(folder_); }

  static std::u16string FromPath(const fs::path& path) {
    std::string s = path.string();
    return std::u16string(s.begin(), s.end());  // temp paths are ASCII
  }
  fs::path ConfigPath() const { return folder_ / "config.ini"; }

  fs::path folder_;
  HeadlessGui* gui_ = nullptr;
};

constexpr std::string_view kDefaultFile =
    "\xEF\xBB\xBF\n"
    "SliceType = 1\nSliceHeight = 1500\nConnectSlice = 1\nAutoSliceMin = 300\nAutoSliceMax = 1500\n"
    "Resize = 0\nResizeWidth = 690\nCustomDir = slice\nCustomFileName = slice_\nDigitNumber = 1\n"
    "SaveExtension = 0\nJPGQuality = 9\nFolderOpen = 1\n";

TEST_F(SettingsTest, FirstSaveFromDefaultsWritesTheListedBytesAndConfirms) {
  SaveSettings();
  // The thirteen exactly as listed, then the planner choice of the review window.
  EXPECT_EQ(ReadFile(ConfigPath()), std::string(kDefaultFile) + "SmartSlice = 0\n");
  ASSERT_EQ(gui_->MessageBoxes().size(), 1u);
  EXPECT_EQ(gui_->MessageBoxes()[0].title, u"알림");
  EXPECT_EQ(gui_->MessageBoxes()[0].text, u"현재 설정이 저장되었습니다.");
  EXPECT_EQ(gui_->MessageBoxes()[0].icon, MessageIcon::Plain);
  // A second save changes nothing; the choice made in the review window is kept at once.
  SaveSettings();
  EXPECT_EQ(ReadFile(ConfigPath()), std::string(kDefaultFile) + "SmartSlice = 0\n");
  App().smart_slice = 1;
  SaveSmartSliceChoice();
  EXPECT_EQ(ReadFile(ConfigPath()), std::string(kDefaultFile) + "SmartSlice = 1\n");
  App().smart_slice = 0;
  LoadSettings();
  EXPECT_EQ(App().smart_slice, 1);
}

TEST_F(SettingsTest, MissingFileKeepsTheWindowDefaults) {
  LoadSettings();
  EXPECT_EQ(Gui().Text(CtlHeightField), u"1500");
  EXPECT_EQ(Gui().Text(CtlMinimumField), u"300");
  EXPECT_EQ(Gui().Text(CtlMaximumField), u"1500");
  EXPECT_EQ(Gui().Text(CtlWidthField), u"690");
  EXPECT_EQ(Gui().Text(CtlFolderBox), u"slice");
  EXPECT_EQ(Gui().Text(CtlPrefixBox), u"slice_");
  EXPECT_EQ(Gui().Text(CtlDigitsField), u"1");
  EXPECT_EQ(Gui().Text(CtlQualityField), u"9");
  EXPECT_EQ(Gui().State(CtlFormatBox), 0);
  EXPECT_EQ(Gui().State(CtlFixedOption), 1);
  EXPECT_EQ(Gui().State(CtlJoinCheck), 1);
  EXPECT_EQ(Gui().State(CtlOpenFolderCheck), 1);
  EXPECT_EQ(Gui().State(CtlResizeCheck), 0);
  EXPECT_FALSE(fs::exists(ConfigPath()));
}

TEST_F(SettingsTest, LoadPutsEveryValueIntoItsControlWithinTheFieldsRange) {
  WriteFile(ConfigPath(),
            "SliceType = 2\nSliceHeight = 50000\nConnectSlice = 0\nAutoSliceMin = 5\nAutoSliceMax = 7\n"
            "Resize = 1\nResizeWidth = abc\nCustomDir = 출력\nCustomFileName =\nDigitNumber = 1000000000000\n"
            "SaveExtension = 1\nJPGQuality = 50\nFolderOpen = 0\n");
  // Without a byte-order mark the file reads as Latin-1; write a marked one for Hangul.
  std::string marked = "\xEF\xBB\xBF" + ReadFile(ConfigPath());
  WriteFile(ConfigPath(), marked);
  LoadSettings();
  EXPECT_EQ(Gui().State(CtlCutDetectOption), 1);
  EXPECT_EQ(Gui().State(CtlFixedOption), 0);
  EXPECT_EQ(Gui().Text(CtlHeightField), u"32000");
  EXPECT_EQ(Gui().State(CtlJoinCheck), 0);
  EXPECT_EQ(Gui().Text(CtlMinimumField), u"10");
  EXPECT_EQ(Gui().Text(CtlMaximumField), u"100");
  EXPECT_EQ(Gui().State(CtlResizeCheck), 1);
  EXPECT_EQ(Gui().Text(CtlWidthField), u"1");  // not a number: 0, raised to the least width
  EXPECT_EQ(Gui().Text(CtlFolderBox), u"출력");
  EXPECT_EQ(Gui().Text(CtlPrefixBox), u"");  // the key exists: empty, not "slice_"
  EXPECT_EQ(Gui().Text(CtlDigitsField), u"99");
  EXPECT_EQ(Gui().State(CtlFormatBox), 1);
  EXPECT_EQ(Gui().Text(CtlQualityField), u"10");
  EXPECT_EQ(Gui().State(CtlOpenFolderCheck), 0);

  // Saving after a cut-detection load writes SliceType 0.
  SaveSettings();
  EXPECT_NE(ReadFile(ConfigPath()).find("SliceType = 0\n"), std::string::npos);
}

TEST_F(SettingsTest, AnUnknownFormatIndexSelectsJpg) {
  WriteFile(ConfigPath(), "SaveExtension = 7\nSliceType = 0\n");
  LoadSettings();
  EXPECT_EQ(Gui().State(CtlFormatBox), 0);
  EXPECT_EQ(Gui().State(CtlCutDetectOption), 1);
}

TEST_F(SettingsTest, SaveKeepsHandAddedLinesAndAppendsMissingKeys) {
  WriteFile(ConfigPath(), "\xEF\xBB\xBF\n; my notes\nMyKey = 42\nsliceheight = 10\n[Window]\nX = 5\n");
  Gui().SetText(CtlHeightField, u"");  // an empty field saves 0
  SaveSettings();
  const std::string text = ReadFile(ConfigPath());
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF\n; my notes\nMyKey = 42\nSliceHeight = 0\nSliceType = 1\n", 0), 0u) << text;
  EXPECT_NE(text.find("FolderOpen = 1\nSmartSlice = 0\n[Window]\nX = 5\n"), std::string::npos) << text;
}

TEST_F(SettingsTest, UnwritableFolderStillConfirmsAndLeavesTheOldFile) {
  // The settings "folder" is a regular file: nothing can be created inside it, not even by root.
  const fs::path blocker = folder_ / "not-a-folder";
  WriteFile(blocker, "x");
  App().settings_folder = FromPath(blocker) + u"/";
  SaveSettings();
  ASSERT_EQ(gui_->MessageBoxes().size(), 1u);
  EXPECT_EQ(gui_->MessageBoxes()[0].text, u"현재 설정이 저장되었습니다.");
  EXPECT_EQ(ReadFile(blocker), "x");
}

TEST_F(SettingsTest, ASavedChangeComesBackOnTheNextLoad) {
  gui_->Edit(CtlHeightField, u"1234");
  gui_->Edit(CtlPrefixBox, u"ep_");
  SaveSettings();
  // A fresh window, as after a restart.
  test::InstallHeadlessGui();
  BuildMainWindow();
  EXPECT_EQ(Gui().Text(CtlHeightField), u"1500");
  LoadSettings();
  EXPECT_EQ(Gui().Text(CtlHeightField), u"1234");
  EXPECT_EQ(Gui().Text(CtlPrefixBox), u"ep_");
}

}  // namespace
}  // namespace zen
