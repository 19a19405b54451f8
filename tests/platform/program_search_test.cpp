#include "platform/program_search.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/platform/temp_folder.h"

namespace zen {
namespace {

using Words = std::vector<std::string>;

TEST(SplitParameters, ConverterQueryWithQuotedPathIsFourWords) {
  EXPECT_EQ(SplitParameters("-logfile - -info \"/home/u/my comic/ep 1.psd[0]\""),
            (Words{"-logfile", "-", "-info", "/home/u/my comic/ep 1.psd[0]"}));
  // Without quotes a blank splits the path.
  EXPECT_EQ(SplitParameters("/home/u/my comic"), (Words{"/home/u/my", "comic"}));
}

TEST(SplitParameters, QuoteRules) {
  EXPECT_EQ(SplitParameters("\"x\"y z"), (Words{"x", "y", "z"}));
  EXPECT_EQ(SplitParameters("a\"b c\""), (Words{"a\"b", "c\""}));
  EXPECT_EQ(SplitParameters("\"abc"), (Words{"abc"}));
  EXPECT_EQ(SplitParameters("x \"\" y"), (Words{"x", "", "y"}));
  EXPECT_EQ(SplitParameters("\"a\"\"b\""), (Words{"a", "b"}));
  // A line feed inside quotes ends the word; the rest is an ordinary word.
  EXPECT_EQ(SplitParameters("\"a b\nc\""), (Words{"a b", "c\""}));
}

TEST(SplitParameters, SeparatorsAndCarriageReturn) {
  EXPECT_EQ(SplitParameters(""), Words{});
  EXPECT_EQ(SplitParameters(" \t\n "), Words{});
  EXPECT_EQ(SplitParameters("  a\t\tb\n\nc  "), (Words{"a", "b", "c"}));
  EXPECT_EQ(SplitParameters("a\r b"), (Words{"a\r", "b"}));
}

TEST(SystemProgramName, OpenerIsMappedInAnyCase) {
  EXPECT_EQ(SystemProgramName(u"Open"), "xdg-open");
  EXPECT_EQ(SystemProgramName(u"OPEN"), "xdg-open");
  EXPECT_EQ(SystemProgramName(u"Opener"), "Opener");
  EXPECT_EQ(SystemProgramName(u"MacOS/ZenHelper"), "MacOS/ZenHelper");
  EXPECT_EQ(SystemProgramName(u"변환"), "\xEB\xB3\x80\xED\x99\x98");
}

// Runs the search from inside `folder`, restoring the current folder afterwards.
class FromFolder {
 public:
  explicit FromFolder(const std::filesystem::path& folder) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~FromFolder() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

TEST(LocateProgram, UsableFilesOnly) {
  testing::TempFolder dir;
  std::string tool = dir.Script("bin/tool", "exit 0");
  dir.Write("bin/empty", "", 0755);
  dir.Write("bin/plain", "#!/bin/sh\n", 0644);
  std::filesystem::create_directories(dir.Path() / "bin/folder");
  std::string bin = dir / "bin";
  EXPECT_TRUE(IsUsableProgramFile(tool));
  EXPECT_EQ(LocateProgram("tool", bin.c_str()), tool);
  EXPECT_EQ(LocateProgram("empty", bin.c_str()), "");
  EXPECT_EQ(LocateProgram("plain", bin.c_str()), "");
  EXPECT_EQ(LocateProgram("folder", bin.c_str()), "");
  EXPECT_EQ(LocateProgram("", bin.c_str()), "");
  EXPECT_EQ(LocateProgram("tool", nullptr), "");
  EXPECT_EQ(LocateProgram(tool, nullptr), tool);  // a full path needs no PATH
}

TEST(LocateProgram, PathComponentsInOrderSkippingEmptyOnes) {
  testing::TempFolder dir;
  dir.Script("first/tool", "exit 0");
  dir.Script("second/tool", "exit 0");
  std::string path = "::" + (dir / "missing") + ":" + (dir / "first") + "/:" + (dir / "second");
  EXPECT_EQ(LocateProgram("tool", path.c_str()), dir / "first/tool");  // no doubled "/"
}

TEST(LocateProgram, DotSlashNamesAreNeverSearched) {
  testing::TempFolder dir;
  dir.Script("bin/tool", "exit 0");
  dir.Script("here/tool", "exit 0");
  std::string bin = dir / "bin";
  FromFolder inside(dir.Path());
  EXPECT_EQ(LocateProgram("./tool", bin.c_str()), "");
  EXPECT_EQ(LocateProgram("./here/tool", bin.c_str()), "./here/tool");
  EXPECT_EQ(LocateProgram(dir / "bin/missing", bin.c_str()), "");
}

TEST(LocateProgram, RelativeNameWithSlashIsTriedUnchangedThenBelowPath) {
  testing::TempFolder dir;
  dir.Script("bin/sub/tool", "exit 0");
  dir.Script("work/sub/tool", "exit 0");
  std::string bin = dir / "bin";
  {
    FromFolder inside(dir.Path() / "work");
    EXPECT_EQ(LocateProgram("sub/tool", bin.c_str()), "sub/tool");
  }
  FromFolder inside(dir.Path());
  EXPECT_EQ(LocateProgram("sub/tool", bin.c_str()), bin + "/sub/tool");
}

}  // namespace
}  // namespace zen
