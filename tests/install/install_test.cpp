// cmake --install into a scratch prefix: the bundle, the launchers in bin/, the desktop
// entry and icon, and an over-tall page cut by the installed batch command through the
// installed converter.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/converter_test_support.h"

namespace zen::test {
namespace {

namespace fs = std::filesystem;

const char* kContents = "lib/zentrova/Zentrova.app/Contents";

class InstallTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    prefix_ = new TempFolder;
    installed_ = Shell(std::string("'") + ZEN_CMAKE_COMMAND + "' --install '" + ZEN_BUILD_DIR + "' --prefix '" +
                       prefix_->path().string() + "' > '" + prefix_->File("install.log") + "' 2>&1");
  }
  static void TearDownTestSuite() {
    delete prefix_;
    prefix_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(installed_) << ReadText(prefix_->File("install.log")); }

  static std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static fs::path Installed(const std::string& relative) { return prefix_->path() / relative; }

  static TempFolder* prefix_;
  static bool installed_;
};

TempFolder* InstallTest::prefix_ = nullptr;
bool InstallTest::installed_ = false;

TEST_F(InstallTest, TheBundleLaunchersDesktopEntryAndIconAreInPlace) {
  const fs::path contents = Installed(kContents);
  for (const char* file : {"MacOS/ZenHelper", "MacOS/engine3d.so", "MacOS/zentrova-slice", "res/bg0.png",
                           "res/appIcon.png", "res/package/Package.mesh"}) {
    EXPECT_TRUE(fs::is_regular_file(contents / file)) << file;
  }
  std::vector<std::pair<std::string, std::string>> launchers{{"bin/zentrova-slice", "zentrova-slice"}};
#ifdef ZEN_HAVE_WINDOW_PROGRAM
  launchers.emplace_back("bin/zentrova", "Zentrova");
  const std::string entry = ReadText(Installed("share/applications/zentrova.desktop").string());
  EXPECT_NE(entry.find("\nExec=zentrova %F\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nIcon=zentrova\n"), std::string::npos) << entry;
  EXPECT_TRUE(fs::is_regular_file(Installed("share/icons/hicolor/256x256/apps/zentrova.png")));
#endif
  for (const auto& [launcher, program] : launchers) {
    const fs::path link = Installed(launcher);
    ASSERT_TRUE(fs::is_symlink(link)) << launcher;
    // Relative, so the installed tree can be moved or packaged as a whole.
    EXPECT_TRUE(fs::read_symlink(link).is_relative()) << launcher;
    EXPECT_EQ(fs::canonical(link), fs::canonical(contents / "MacOS" / program)) << launcher;
  }
}

TEST_F(InstallTest, TheInstalledBatchCommandCutsAnOverTallPageThroughItsOwnBundle) {
  TempFolder work;
  fs::create_directories(work.path() / "ep");
  fs::create_directories(work.path() / "config");
  WritePng(work.File("ep/tall.png"), PatternImage(40, 33000));
  const std::string command = "XDG_CONFIG_HOME='" + work.File("config") + "' '" +
                              Installed("bin/zentrova-slice").string() +
                              "' --no-config --mode fixed --height 1500 --format png '" +
                              work.File("ep/tall.png") + "' > '" + work.File("log") + "' 2>&1";
  ASSERT_TRUE(Shell(command)) << ReadText(work.File("log"));
  // 22 pieces: 33000 rows are above the strip limit, so the converter ran from the bundle.
  size_t pieces = 0;
  for (const auto& entry : fs::directory_iterator(work.path() / "ep/slice")) pieces += entry.is_regular_file();
  EXPECT_EQ(pieces, 22u);
  EXPECT_NE(ReadText(work.File("log")).find("20 strips"), std::string::npos) << ReadText(work.File("log"));
  EXPECT_TRUE(fs::is_empty(work.path() / "config/Zentrova"));
}

}  // namespace
}  // namespace zen::test
