#include "platform/prefs.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/text.h"
#include "tests/platform/temp_folder.h"

namespace zen {
namespace {

const std::string Mark = "\xEF\xBB\xBF\n";

class PrefsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetPrefs(); }
  void TearDown() override { ResetPrefs(); }

  // Opens a file holding `bytes`.
  int OpenWith(const std::string& bytes, int encoding = PrefsLatin1UnlessMarked) {
    path_ = dir_.Write("config.ini", bytes);
    return PrefsOpen(FromUtf8(path_), 0, encoding);
  }
  std::string Saved() const { return testing::ReadFileBytes(path_); }

  testing::TempFolder dir_;
  std::string path_;
};

TEST_F(PrefsTest, NewFileHasMarkLineAndKeysInNormalForm) {
  path_ = dir_ / "config.ini";
  ASSERT_NE(PrefsCreate(FromUtf8(path_)), 0);
  EXPECT_FALSE(std::filesystem::exists(path_));  // made only by the write-out's rename
  PrefsWriteInt(u"A", 1);
  PrefsWriteText(u"B", u"x");
  EXPECT_NE(PrefsClose(), 0);
  EXPECT_EQ(Saved(), "\xEF\xBB\xBF\nA = 1\nB = x\n");
}

TEST_F(PrefsTest, MissingFileCollectsWritesAndIsCreatedAtClose) {
  path_ = dir_ / "config.ini";
  EXPECT_EQ(PrefsOpen(FromUtf8(path_)), 0);
  EXPECT_EQ(PrefsReadInt(u"SliceHeight", 1500), 1500);
  PrefsWriteInt(u"SliceHeight", -20);
  PrefsWriteText(u"CustomDir", u"  조각 ");
  EXPECT_NE(PrefsClose(), 0);
  EXPECT_EQ(Saved(), Mark + "SliceHeight = -20\nCustomDir =   \xEC\xA1\xB0\xEA\xB0\x81 \n");
  ASSERT_NE(PrefsOpen(FromUtf8(path_)), 0);
  EXPECT_EQ(PrefsReadText(u"CustomDir", u"slice"), u"조각");
}

TEST_F(PrefsTest, EmptyCreatedDocumentStillWritesTheMark) {
  path_ = dir_ / "config.ini";
  ASSERT_NE(PrefsCreate(FromUtf8(path_)), 0);
  PrefsClose();
  EXPECT_EQ(Saved(), Mark);
}

TEST_F(PrefsTest, KeysMatchIgnoringAsciiCaseAndTakeTheWritersCase) {
  ASSERT_NE(OpenWith(Mark + "slicetype = 2\nSLICETYPE = 7\n"), 0);
  EXPECT_EQ(PrefsReadInt(u"SliceType", 1), 2);  // the first match wins
  PrefsWriteInt(u"SliceType", 1);
  PrefsClose();
  EXPECT_EQ(Saved(), Mark + "SliceType = 1\nSLICETYPE = 7\n");
}

TEST_F(PrefsTest, OnlyAsciiLettersFoldCase) {
  ASSERT_NE(OpenWith(Mark + "\xC3\xA9t\xC3\xA9 = 1\n"), 0);  // "été"
  EXPECT_EQ(PrefsReadInt(u"\u00C9T\u00C9", 5), 5);
  EXPECT_EQ(PrefsReadInt(u"\u00E9T\u00E9", 5), 1);
}

TEST_F(PrefsTest, NumbersReadLikeLld) {
  ASSERT_NE(OpenWith("SliceHeight=\nA = -42abc\nB = abc\nC = +7\nD = 99999999999999999999\nE = -9223372036854775808\n"),
            0);
  EXPECT_EQ(PrefsReadInt(u"SliceHeight", 1500), 0);  // present but empty: 0, not the default
  EXPECT_EQ(PrefsReadInt(u"A", 1), -42);
  EXPECT_EQ(PrefsReadInt(u"B", 1), 0);
  EXPECT_EQ(PrefsReadInt(u"C", 1), 7);
  EXPECT_EQ(PrefsReadInt(u"D", 1), INT64_MAX);
  EXPECT_EQ(PrefsReadInt(u"E", 1), INT64_MIN);
  EXPECT_EQ(PrefsReadInt(u"Missing", 9), 9);
  EXPECT_EQ(PrefsReadText(u"Missing", u"slice_"), u"slice_");
}

TEST_F(PrefsTest, IndentationBlanksAndCrLf) {
  ASSERT_NE(OpenWith("\r\n  \t Resize \t=  1   \r\n\r\n CustomDir = \t abc \t \r\n"), 0);
  EXPECT_EQ(PrefsReadInt(u"Resize", 0), 1);
  EXPECT_EQ(PrefsReadText(u"CustomDir", u"slice"), u"abc");
  PrefsWriteInt(u"Resize", 0);
  PrefsClose();
  // Normal form: no indentation, blank lines or carriage returns; trailing blanks of values stay.
  EXPECT_EQ(Saved(), Mark + "Resize = 0\nCustomDir = abc \t \n");
}

TEST_F(PrefsTest, UnmarkedFilesAreLatin1UnlessToldOtherwise) {
  ASSERT_NE(OpenWith("CustomDir = caf\xC3\xA9\nName = \xE9t\xE9\n"), 0);
  EXPECT_EQ(PrefsReadText(u"CustomDir", u""), u"caf\u00C3\u00A9");  // UTF-8 bytes read as Latin-1
  EXPECT_EQ(PrefsReadText(u"Name", u""), u"\u00E9t\u00E9");
  PrefsWriteInt(u"X", 1);
  PrefsClose();
  EXPECT_EQ(Saved(), Mark + "CustomDir = caf\xC3\x83\xC2\xA9\nName = \xC3\xA9t\xC3\xA9\nX = 1\n");

  ASSERT_NE(OpenWith("CustomDir = caf\xC3\xA9\n", PrefsUtf8), 0);
  EXPECT_EQ(PrefsReadText(u"CustomDir", u""), u"café");
}

TEST_F(PrefsTest, EmptyExistingFileIsMarkedWhenRewritten) {
  ASSERT_NE(OpenWith(""), 0);
  PrefsWriteText(u"CustomDir", u"é");
  PrefsClose();
  EXPECT_EQ(Saved(), Mark + "CustomDir = \xC3\xA9\n");
  ASSERT_NE(PrefsOpen(FromUtf8(path_)), 0);
  EXPECT_EQ(PrefsReadText(u"CustomDir", u""), u"é");
}

TEST_F(PrefsTest, KeysAfterAGroupAreNotFoundAndNewKeysGoFirst) {
  ASSERT_NE(OpenWith("[Window]\nSliceType = 0\n"), 0);
  EXPECT_EQ(PrefsReadInt(u"SliceType", 1), 1);
  PrefsWriteInt(u"SliceType", 2);
  PrefsClose();
  EXPECT_EQ(Saved(), Mark + "SliceType = 2\n[Window]\nSliceType = 0\n");
}

TEST_F(PrefsTest, SaveKeepsUnknownLinesInOrderInNormalForm) {
  ASSERT_NE(OpenWith(Mark + "  ;note\nUnknown=zz\n;  two spaces\n\n[Extra]  trailing\nInGroup = 1\n[Open\n;last\n"), 0);
  PrefsWriteInt(u"SliceType", 1);
  PrefsClose();
  EXPECT_EQ(Saved(),
            Mark + "; note\nUnknown = zz\n;  two spaces\nSliceType = 1\n[Extra]\nInGroup = 1\n[Open]\n; last\n");
}

TEST_F(PrefsTest, LineWithoutEqualsIsKeptAsEmptyKey) {
  ASSERT_NE(OpenWith("Orphan\nA = 1\n"), 0);
  EXPECT_EQ(PrefsReadInt(u"A", 0), 1);
  EXPECT_EQ(PrefsReadText(u"Orphan", u"d"), u"");
  PrefsWriteInt(u"A", 2);
  PrefsClose();
  EXPECT_EQ(Saved(), Mark + "Orphan = \nA = 2\n");
}

TEST_F(PrefsTest, UnmodifiedDocumentIsNotRewritten) {
  ASSERT_NE(OpenWith("  A=1\r\n"), 0);
  EXPECT_EQ(PrefsReadInt(u"A", 0), 1);
  EXPECT_NE(PrefsClose(), 0);
  EXPECT_EQ(Saved(), "  A=1\r\n");
}

TEST_F(PrefsTest, OpeningAnotherFileWritesTheFirstOut) {
  ASSERT_NE(OpenWith(""), 0);
  PrefsWriteInt(u"A", 1);
  std::string other = dir_.Write("other.ini", "B = 2\n");
  ASSERT_NE(PrefsOpen(FromUtf8(other)), 0);
  EXPECT_EQ(Saved(), Mark + "A = 1\n");
  EXPECT_EQ(PrefsReadInt(u"A", 0), 0);
  EXPECT_EQ(PrefsReadInt(u"B", 0), 2);
}

TEST_F(PrefsTest, CreateOverExistingFileReplacesItOnlyAtClose) {
  ASSERT_NE(OpenWith("Old = 1\n"), 0);
  PrefsClose();
  ASSERT_NE(PrefsCreate(FromUtf8(path_)), 0);
  EXPECT_EQ(PrefsReadInt(u"Old", 0), 0);  // a created document starts empty
  EXPECT_EQ(Saved(), "Old = 1\n");        // but the old file is intact until the write-out
  PrefsWriteInt(u"New", 2);
  PrefsClose();
  EXPECT_EQ(Saved(), Mark + "New = 2\n");
}

TEST_F(PrefsTest, WriteOutKeepsPermissionsAndFollowsLinks) {
  std::string real = dir_.Write("real.ini", "A = 1\n", 0640);
  path_ = dir_ / "config.ini";
  std::filesystem::create_symlink(real, path_);
  ASSERT_NE(PrefsOpen(FromUtf8(path_)), 0);
  PrefsWriteInt(u"A", 2);
  PrefsClose();
  EXPECT_TRUE(std::filesystem::is_symlink(path_));
  EXPECT_EQ(testing::ReadFileBytes(real), Mark + "A = 2\n");
  struct stat info {};
  ASSERT_EQ(stat(real.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// Makes every file write beyond `bytes` fail, as on a full disk (root is not exempt).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  sighandler_t oldHandler_;
};

TEST_F(PrefsTest, FailedWriteOutLeavesTheOldFileAsItWas) {
  const std::string old = Mark + "SliceHeight = 1500\nCustomDir = slice\n";
  ASSERT_NE(OpenWith(old), 0);
  PrefsWriteText(u"CustomDir", std::u16string(4000, u'x'));
  {
    FileSizeLimit full(1024);
    EXPECT_EQ(PrefsClose(), 0);
  }
  EXPECT_EQ(Saved(), old);
  // Nothing is left behind beside it.
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.Path())) ++files;
  EXPECT_EQ(files, 1);
}

TEST_F(PrefsTest, FileThatCannotBeCreatedRefusesWrites) {
  dir_.Write("plain", "not a folder\n");
  std::u16string inside = FromUtf8(dir_ / "plain/config.ini");
  EXPECT_EQ(PrefsCreate(inside), 0);
  PrefsWriteInt(u"A", 1);
  EXPECT_EQ(PrefsReadInt(u"A", 5), 5);
  EXPECT_EQ(PrefsOpen(inside), 0);
  PrefsWriteInt(u"A", 1);
  EXPECT_EQ(PrefsReadInt(u"A", 5), 5);
  PrefsClose();
  EXPECT_EQ(testing::ReadFileBytes(dir_ / "plain"), "not a folder\n");
  EXPECT_EQ(PrefsOpen(FromUtf8(dir_.Path().string())), 0);  // a folder is no settings file
}

// A file this process may read but not open for writing: a file without write permission,
// or, for root (whom permissions do not stop), a read-only kernel attribute.
std::string ReadOnlyFile(const testing::TempFolder& dir) {
  std::vector<std::string> candidates = {dir.Write("locked.ini", "A = 7\n", 0444), "/sys/devices/system/cpu/online",
                                         "/proc/sys/kernel/osrelease"};
  for (const std::string& path : candidates) {
    int fd = open(path.c_str(), O_RDWR);
    if (fd >= 0) {
      close(fd);
      continue;
    }
    if (access(path.c_str(), R_OK) == 0) return path;
  }
  return {};
}

TEST_F(PrefsTest, ReadOnlyFileIsReadButNeverWritten) {
  std::string readOnly = ReadOnlyFile(dir_);
  if (readOnly.empty()) GTEST_SKIP() << "no read-only file";
  std::string before = testing::ReadFileBytes(readOnly);
  ASSERT_NE(PrefsOpen(FromUtf8(readOnly)), 0);
  EXPECT_TRUE(Prefs().readOnly);
  EXPECT_FALSE(Prefs().entries.empty());
  PrefsWriteInt(u"A", 1);
  EXPECT_EQ(PrefsReadInt(u"A", 0), 1);  // accepted in memory
  EXPECT_EQ(PrefsClose(), 0);           // and dropped at close
  EXPECT_EQ(testing::ReadFileBytes(readOnly), before);
}

// Saves `value` into path in a child process killed at its `step`-th system call (0: never).
// False when the child ran to its end before that step, or cannot be traced.
bool SaveKilledAt(const std::string& path, int step, int value) {
  const pid_t child = fork();
  if (child == 0) {
    if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(2);
    raise(SIGSTOP);
    if (PrefsOpen(FromUtf8(path)) == 0 && !std::filesystem::exists(path)) PrefsCreate(FromUtf8(path));
    PrefsWriteInt(u"Value", value);
    PrefsWriteText(u"Text", u"a whole line");
    _exit(PrefsClose() != 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  for (int stops = 0; WIFSTOPPED(status); ++stops) {
    if (stops == step) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);  // reaped, so its process id is free
      return true;
    }
    ptrace(PTRACE_SYSCALL, child, nullptr, nullptr);
    waitpid(child, &status, 0);
  }
  return false;
}

TEST_F(PrefsTest, SaveKilledAtAnyStepLeavesAWholeFileOrNoneAndItsLeftoversGoAtTheNextSave) {
  path_ = dir_ / "config.ini";
  const std::string first = Mark + "Value = 1\nText = a whole line\n";
  const std::string second = Mark + "Value = 2\nText = a whole line\n";
  int steps = 0;
  for (int step = 1; SaveKilledAt(path_, step, 1); ++step, ++steps) {
    if (std::filesystem::exists(path_)) {
      EXPECT_EQ(Saved(), first) << "first save killed at step " << step;
    }
    std::filesystem::remove(path_);
  }
  if (steps == 0) GTEST_SKIP() << "child processes cannot be traced here";
  dir_.Write("config.ini", first);
  for (int step = 1; SaveKilledAt(path_, step, 2); ++step) {
    const std::string saved = Saved();
    EXPECT_TRUE(saved == first || saved == second) << "save killed at step " << step;
    dir_.Write("config.ini", first);
  }
  // The killed savers' temporary files are gone after one save that runs to its end.
  ASSERT_NE(PrefsOpen(FromUtf8(path_)), 0);
  PrefsWriteInt(u"Value", 3);
  ASSERT_NE(PrefsClose(), 0);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()), {}), 1);
}

TEST(PrefsText, WritingFlags) {
  std::list<PrefsEntry> entries = ParsePrefsText("A=1\n[G1]\n;c\n[G2]\nB = 2");
  EXPECT_EQ(FormatPrefsText(entries, true, 0), Mark + "A = 1\n[G1]\n; c\n[G2]\nB = 2\n");
  EXPECT_EQ(FormatPrefsText(entries, true, PrefsNoSpaces | PrefsGroupSeparator | PrefsNoBom),
            "A=1\n[G1]\n; c\n\n[G2]\nB=2\n");
  EXPECT_EQ(FormatPrefsText({}, false, 0), "");
}

TEST(PrefsText, Latin1BecomesTwoByteUtf8) { EXPECT_EQ(Latin1ToUtf8("a\x80\xFF"), "a\xC2\x80\xC3\xBF"); }

}  // namespace
}  // namespace zen
