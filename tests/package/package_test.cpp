// The Debian package made by CPack from this build tree, unpacked with dpkg-deb into a
// scratch root: its commands work from there, every file it lists is in place, the menu
// entry's program and icon resolve inside it, and lintian and the desktop's validators
// accept it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/converter_test_support.h"

namespace zen::test {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The value of a desktop entry's `key=` line, or empty.
std::string EntryValue(const std::string& entry, const std::string& key) {
  const std::string start = "\n" + key + "=";
  const size_t at = entry.find(start);
  if (at == std::string::npos) return {};
  const size_t from = at + start.size();
  return entry.substr(from, entry.find('\n', from) - from);
}

class PackageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new TempFolder;
    const fs::path out = scratch_->path() / "out";
    const std::string log = scratch_->File("cpack.log");
    made_ = Shell(std::string("'") + ZEN_CPACK_COMMAND + "' --config '" + ZEN_BUILD_DIR + "/CPackConfig.cmake' -B '" +
                  out.string() + "' > '" + log + "' 2>&1");
    for (const auto& entry : fs::directory_iterator(out)) {
      if (entry.path().extension() == ".deb") deb_ = entry.path();
    }
    made_ = made_ && !deb_.empty() &&
            Shell("dpkg-deb -x '" + deb_.string() + "' '" + Root().string() + "' >> '" + log + "' 2>&1");
  }
  static void TearDownTestSuite() {
    delete scratch_;
    scratch_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(made_) << ReadText(scratch_->File("cpack.log")); }

  static fs::path Root() { return scratch_->path() / "root"; }
  // Runs a command, its output in the scratch folder's `name`; true on exit status 0.
  static bool Run(const std::string& command, const std::string& name) {
    return Shell(command + " > '" + scratch_->File(name) + "' 2>&1");
  }
  static std::string Output(const std::string& name) { return ReadText(scratch_->File(name)); }
  // A path of the package resolved inside the unpacked tree; empty when it leads out.
  static fs::path Inside(const std::string& packaged) {
    std::error_code error;
    const fs::path resolved = fs::canonical(Root() / fs::path(packaged).relative_path(), error);
    const std::string root = fs::canonical(Root()).string() + "/";
    return !error && resolved.string().starts_with(root) ? resolved : fs::path();
  }

  static TempFolder* scratch_;
  static fs::path deb_;
  static bool made_;
};

TempFolder* PackageTest::scratch_ = nullptr;
fs::path PackageTest::deb_;
bool PackageTest::made_ = false;

TEST_F(PackageTest, TheUnpackedBatchCommandCutsATallPageThroughItsOwnConverter) {
  EXPECT_EQ(deb_.filename().string(), std::string("zentrova_") + ZEN_PROJECT_VERSION + "-1_amd64.deb");
  TempFolder work;
  fs::create_directories(work.path() / "ep");
  // Taller than the window program reads itself: the packaged ZenHelper cuts it into strips.
  WritePng(work.File("ep/page.png"), PatternImage(40, 33000));
  ASSERT_TRUE(Run("XDG_CONFIG_HOME='" + work.File("config") + "' '" + (Root() / "usr/bin/zentrova-slice").string() +
                      "' --no-config --quiet --mode fixed --height 1500 --format png '" + work.File("ep/page.png") +
                      "'",
                  "slice.log"))
      << Output("slice.log");
  for (int piece = 1; piece <= 22; ++piece) {
    RgbImage image;
    ASSERT_TRUE(DecodePng(work.File("ep/slice/slice_" + std::to_string(piece) + ".png"), image)) << piece;
    EXPECT_EQ(image.width, 40u);
    EXPECT_EQ(image.height, 1500u) << piece;
  }
  EXPECT_FALSE(fs::exists(work.path() / "ep/slice/slice_23.png"));
}

TEST_F(PackageTest, EveryListedFileIsThereAndTheMenuEntryResolvesInside) {
  ASSERT_TRUE(Run("dpkg-deb --fsys-tarfile '" + deb_.string() + "' | tar -t", "list"));
  std::istringstream list(Output("list"));
  std::string listed;
  int files = 0;
  while (std::getline(list, listed)) {
    files += 1;
    EXPECT_FALSE(Inside(listed).empty()) << listed;
  }
  EXPECT_GT(files, 40);

  const std::string entry = ReadText(Root() / "usr/share/applications/zentrova.desktop");
  const std::string exec = EntryValue(entry, "Exec"), icon = EntryValue(entry, "Icon");
  ASSERT_TRUE(exec.ends_with(" %F") && exec.find(' ') == exec.size() - 3) << entry;
  ASSERT_FALSE(icon.empty()) << entry;
  EXPECT_NE(entry.find("\nMimeType=image/jpeg;image/png;image/vnd.adobe.photoshop;\n"), std::string::npos);
  const fs::path program = Inside("/usr/bin/" + exec.substr(0, exec.size() - 3));
  EXPECT_EQ(program.filename(), "Zentrova");
  for (const char* size : {"48x48", "64x64", "128x128", "256x256"}) {
    EXPECT_FALSE(Inside(std::string("/usr/share/icons/hicolor/") + size + "/apps/" + icon + ".png").empty()) << size;
  }
  for (const char* file :
       {"/usr/share/man/man1/zentrova-slice.1.gz", "/usr/share/bash-completion/completions/zentrova-slice",
        "/usr/share/doc/zentrova/copyright", "/usr/share/doc/zentrova/changelog.Debian.gz",
        "/usr/share/metainfo/com.zentrova.zentrova.metainfo.xml"}) {
    EXPECT_FALSE(Inside(file).empty()) << file;
  }
  ASSERT_TRUE(Run("dpkg-deb -f '" + deb_.string() + "' Depends", "depends"));
  for (const char* needed : {"libqt6widgets6", "libpng16-16", "xdg-utils", "fonts-nanum"}) {
    EXPECT_NE(Output("depends").find(needed), std::string::npos) << Output("depends");
  }
}

TEST_F(PackageTest, LintianFindsNoErrorAndTheDesktopValidatorsPass) {
  EXPECT_TRUE(Run("lintian --fail-on error '" + deb_.string() + "'", "lintian")) << Output("lintian");
  EXPECT_TRUE(
      Run("desktop-file-validate '" + (Root() / "usr/share/applications/zentrova.desktop").string() + "'", "desktop"))
      << Output("desktop");
  EXPECT_TRUE(Run("appstreamcli validate --no-net '" +
                      (Root() / "usr/share/metainfo/com.zentrova.zentrova.metainfo.xml").string() + "'",
                  "appstream"))
      << Output("appstream");
}

}  // namespace
}  // namespace zen::test
