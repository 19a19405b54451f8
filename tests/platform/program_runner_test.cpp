#include "platform/program_runner.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/text.h"
#include "tests/platform/temp_folder.h"

namespace zen {
namespace {

constexpr int ReadFlags = RunOpen | RunRead | RunHide;

class ProgramRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override { InitProgramRunner(); }
  void TearDown() override { ResetProgramRunner(); }

  std::u16string Script(const std::string& name, const std::string& body) { return FromUtf8(dir_.Script(name, body)); }

  // The application's reading pattern: lines while the program runs or output remains.
  static std::vector<std::u16string> ReadAllLines(ProgramRecord* record) {
    std::vector<std::u16string> lines;
    while (ProgramIsRunning(record)) {
      if (ProgramOutputAvailable(record) != 0) lines.push_back(ReadOutputLine(record));
    }
    return lines;
  }

  std::vector<std::u16string> RunAndRead(const std::string& body) {
    ProgramRecord* record = StartProgram(Script("p.sh", body), u"", u"", ReadFlags).record;
    EXPECT_NE(record, nullptr);
    if (record == nullptr) return {};
    std::vector<std::u16string> lines = ReadAllLines(record);
    ReleaseProgram(record);
    return lines;
  }

  testing::TempFolder dir_;
};

using Lines = std::vector<std::u16string>;

TEST_F(ProgramRunnerTest, LinesKeepCarriageReturnAndLastLineNeedsNoLineFeed) {
  EXPECT_EQ(RunAndRead("printf 'abc\\r\\n\\nlast'"), (Lines{u"abc\r", u"", u"last"}));
}

TEST_F(ProgramRunnerTest, DecodesUtf8AndTurnsStrayBytesIntoSpaces) {
  // 0x80 alone, Hangul (three bytes), e-acute (two), an emoji (four: a surrogate pair).
  EXPECT_EQ(RunAndRead("printf 'a\\200b\\n\\352\\260\\200\\303\\251\\n\\360\\237\\230\\200\\n\\377'"),
            (Lines{u"a b", u"가é", u"\U0001F600", u" "}));
  // Output that ends inside a sequence ends the line there.
  EXPECT_EQ(RunAndRead("printf 'x\\352\\260'"), (Lines{u"x"}));
}

TEST_F(ProgramRunnerTest, OutputLargerThanTheRingArrivesWhole) {
  Lines lines = RunAndRead("i=0; while [ $i -lt 6000 ]; do echo \"line $i\"; i=$((i+1)); done");
  ASSERT_EQ(lines.size(), 6000u);
  for (size_t i = 0; i < lines.size(); ++i) ASSERT_EQ(lines[i], u"line " + IntToText(static_cast<int64_t>(i)));
}

TEST_F(ProgramRunnerTest, StaysRunningUntilAllOutputIsRead) {
  ProgramRecord* record = StartProgram(Script("p.sh", "printf 'one\\ntwo'"), u"", u"", ReadFlags).record;
  ASSERT_NE(record, nullptr);
  ASSERT_TRUE(WaitForProgramEnd(record, -1));
  EXPECT_TRUE(ProgramIsRunning(record));  // ended, but its output is still unread
  EXPECT_EQ(ReadOutputLine(record), u"one");
  EXPECT_TRUE(ProgramIsRunning(record));
  EXPECT_EQ(ReadOutputLine(record), u"two");
  EXPECT_FALSE(ProgramIsRunning(record));
  EXPECT_EQ(ReadOutputLine(record), u"");
  EXPECT_EQ(ProgramOutputAvailable(record), 0);
}

TEST_F(ProgramRunnerTest, SilentProgramEnds) {
  EXPECT_EQ(RunAndRead("exit 3"), Lines{});
  ProgramRecord* record = StartProgram(Script("q.sh", "exit 0"), u"", u"", RunOpen).record;
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(ProgramOutputAvailable(record), 0);
  EXPECT_EQ(ReadOutputLine(record), u"");
  while (ProgramIsRunning(record)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(WaitForProgramEnd(record, 0));
}

TEST_F(ProgramRunnerTest, ArgumentsAndWorkingFolder) {
  std::filesystem::create_directories(dir_.Path() / "work place");
  std::u16string work = FromUtf8(dir_ / "work place");
  ProgramRecord* record = StartProgram(Script("args.sh", "pwd; for a in \"$0\" \"$@\"; do echo \"[$a]\"; done"),
                                       u"-info \"a b\" \"\" c", work, ReadFlags)
                              .record;
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(ReadAllLines(record),
            (Lines{work, u"[" + FromUtf8(dir_ / "args.sh") + u"]", u"[-info]", u"[a b]", u"[]", u"[c]"}));
}

TEST_F(ProgramRunnerTest, UnusableProgramsDoNotStart) {
  dir_.Write("plain.sh", "#!/bin/sh\necho hi\n", 0644);
  EXPECT_FALSE(StartProgram(FromUtf8(dir_ / "plain.sh"), u"", u"", ReadFlags));
  EXPECT_EQ(StartProgram(FromUtf8(dir_ / "missing"), u"", u"", ReadFlags).record, nullptr);
  EXPECT_FALSE(StartProgram(FromUtf8(dir_ / "missing"), u"", u""));
  EXPECT_FALSE(StartProgram(FromUtf8(dir_.Path().string()), u"", u"", RunWait));
}

TEST_F(ProgramRunnerTest, ProgramTheSystemCannotRunFailsToStart) {
  // Usable by every check of the search, but its interpreter does not exist.
  std::u16string broken = FromUtf8(dir_.Write("broken.sh", "#!/nonexistent/interpreter\n", 0755));
  EXPECT_EQ(StartProgram(broken, u"", u"", ReadFlags).record, nullptr);
  EXPECT_FALSE(StartProgram(broken, u"", u"", RunWait));
  // Without a "#!" line the shell runs it, as execvp would.
  std::u16string bare = FromUtf8(dir_.Write("bare.sh", "echo \"bare $1\"\n", 0755));
  ProgramRecord* record = StartProgram(bare, u"x", u"", ReadFlags).record;
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(ReadAllLines(record), (Lines{u"bare x"}));
}

TEST_F(ProgramRunnerTest, WaitFlagReturnsAfterTheProgramEnded) {
  std::string mark = dir_ / "done";
  ProgramStart start =
      StartProgram(Script("w.sh", "sleep 0.1; echo ok > \"$1\""), FromUtf8("\"" + mark + "\""), u"", RunWait | RunHide);
  EXPECT_TRUE(start);
  EXPECT_EQ(start.record, nullptr);
  EXPECT_EQ(testing::ReadFileBytes(mark), "ok\n");
}

TEST_F(ProgramRunnerTest, TimedWait) {
  ProgramRecord* record = StartProgram(Script("s.sh", "sleep 0.3"), u"", u"", RunOpen).record;
  ASSERT_NE(record, nullptr);
  EXPECT_FALSE(WaitForProgramEnd(record, 0));
  auto begun = std::chrono::steady_clock::now();
  EXPECT_FALSE(WaitForProgramEnd(record, 30));
  EXPECT_GE(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(30));
  EXPECT_TRUE(WaitForProgramEnd(record, -1));
  EXPECT_FALSE(ProgramIsRunning(record));
}

TEST_F(ProgramRunnerTest, InputAndErrorPipes) {
  ProgramRecord* record =
      StartProgram(Script("cat.sh", "cat; echo oops >&2"), u"", u"", RunOpen | RunRead | RunWrite | RunError).record;
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(WriteProgramInput(record, "hello\nworld"), 11);
  CloseProgramInput(record);
  EXPECT_EQ(ReadAllLines(record), (Lines{u"hello", u"world"}));
  uint8_t error[5] = {};
  ASSERT_NE(ProgramErrorReader(record), nullptr);
  EXPECT_EQ(ProgramErrorReader(record)->Read(error, 5), 5u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(error), 5), "oops\n");
  EXPECT_EQ(ProgramErrorReader(record)->ReadByte(), -1);
}

TEST_F(ProgramRunnerTest, WritingToAnEndedProgramFailsQuietly) {
  ProgramRecord* record = StartProgram(Script("x.sh", "exit 0"), u"", u"", RunOpen | RunWrite).record;
  ASSERT_NE(record, nullptr);
  ASSERT_TRUE(WaitForProgramEnd(record, -1));
  EXPECT_EQ(WriteProgramInput(record, "late"), -1);  // EPIPE, and no SIGPIPE ends the test
}

TEST_F(ProgramRunnerTest, ConnectFeedsOneProgramIntoAnother) {
  ProgramRecord* sender = StartProgram(Script("a.sh", "sleep 0.1; echo piped"), u"", u"", RunOpen | RunRead).record;
  ASSERT_NE(sender, nullptr);
  ProgramRecord* receiver =
      StartProgram(Script("b.sh", "read x; echo \"got $x\""), u"", u"", RunOpen | RunRead | RunConnect, sender).record;
  ASSERT_NE(receiver, nullptr);
  EXPECT_EQ(ReadAllLines(receiver), (Lines{u"got piped"}));
}

TEST_F(ProgramRunnerTest, WaitingWhileReadingIsRefused) {
  EXPECT_EQ(StartProgram(Script("y.sh", "echo hi"), u"", u"", RunWait | RunOpen | RunRead).record, nullptr);
}

TEST_F(ProgramRunnerTest, DetachedStartLeavesNoChildToReap) {
  std::string ids = dir_ / "ids";
  ProgramStart start = StartProgram(Script("d.sh", "echo \"$$ $PPID\" > \"$1.part\"; mv \"$1.part\" \"$1\""),
                                    FromUtf8("\"" + ids + "\""), u"");
  EXPECT_TRUE(start);
  EXPECT_EQ(start.record, nullptr);
  while (!std::filesystem::exists(ids)) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  int id = 0;
  int parent = 0;
  ASSERT_EQ(std::sscanf(testing::ReadFileBytes(ids).c_str(), "%d %d", &id, &parent), 2);
  ASSERT_GT(id, 0);
  EXPECT_NE(parent, getpid());
  int status = 0;
  errno = 0;
  EXPECT_EQ(waitpid(id, &status, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST_F(ProgramRunnerTest, OpenGoesToTheDesktopOpener) {
  // Written aside and renamed, so the file appears only once it is whole.
  dir_.Script("bin/xdg-open", "echo \"$1|$#\" > \"" + (dir_ / "opened.part") + "\" && mv \"" + (dir_ / "opened.part") +
                                  "\" \"" + (dir_ / "opened") + "\"");
  std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", ((dir_ / "bin") + ":/usr/bin:/bin").c_str(), 1);
  EXPECT_TRUE(StartProgram(u"Open", u"\"/home/u/만화 1/slice\"", u"", 0));
  setenv("PATH", oldPath.c_str(), 1);
  std::string opened = dir_ / "opened";
  for (int i = 0; i < 15000 && !std::filesystem::exists(opened); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(testing::ReadFileBytes(opened), "/home/u/만화 1/slice|1\n");
}

int OpenDescriptorCount() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

TEST_F(ProgramRunnerTest, PipesAreNotInheritedByOtherPrograms) {
  ProgramRecord* first = StartProgram(Script("slow.sh", "sleep 0.2; echo late"), u"", u"", ReadFlags).record;
  ASSERT_NE(first, nullptr);
  std::string firstPipe =
      std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(ProgramOutputReader(first)->Fd())).string();
  ASSERT_EQ(firstPipe.rfind("pipe:", 0), 0u);
  // A second program lists what its descriptors lead to: the first one's pipe is not among them.
  Lines lines = RunAndRead("for f in /proc/$$/fd/*; do echo \"$(readlink \"$f\")\"; done");
  EXPECT_FALSE(lines.empty());
  for (const std::u16string& line : lines) EXPECT_NE(ToUtf8(line), firstPipe);
  EXPECT_EQ(ReadAllLines(first), (Lines{u"late"}));
}

TEST_F(ProgramRunnerTest, ReleasedRecordsLeakNoDescriptors) {
  std::u16string program = Script("one.sh", "echo x");
  int before = OpenDescriptorCount();
  for (int i = 0; i < 2000; ++i) {
    ProgramRecord* record = StartProgram(program, u"", u"", ReadFlags).record;
    ASSERT_NE(record, nullptr) << "start " << i;
    // Blocking reads here: the busy polling loop would take the CPU from the programs.
    ASSERT_EQ(ReadOutputLine(record), u"x");
    while (ProgramIsRunning(record)) ReadOutputLine(record);
    ReleaseProgram(record);
  }
  EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(ProgramRunnerTest, ReleasingARunningProgramStillReapsIt) {
  ProgramRecord* record = StartProgram(Script("z.sh", "sleep 0.1"), u"", u"", RunOpen | RunRead).record;
  ASSERT_NE(record, nullptr);
  int id = ProgramProcessId(record);
  ReleaseProgram(record);
  ReleaseProgram(record);  // a second release of the same record is ignored
  // A zombie would still answer kill(id, 0); only the reaper's wait makes the id vanish.
  for (int i = 0; i < 2500 && kill(id, 0) == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_NE(kill(id, 0), 0);
}

// A program that hangs is stopped; one that leaves a process holding its output ends when
// it does; a line without end is kept to 1 MiB, in both ways of reading; a cancel stops.
TEST_F(ProgramRunnerTest, FollowingAProgramNeverWaitsForever) {
  Lines lines;
  auto collect = [&lines](const std::u16string& line) { lines.push_back(line); };
  ProgramRecord* hung =
      StartProgram(Script("h.sh", "printf 'begun\\npart'; exec sleep 600"), u"", u"", ReadFlags).record;
  ASSERT_NE(hung, nullptr);
  ProgramWatch watch;
  watch.quiet_limit_ms = 100;
  EXPECT_EQ(FollowProgram(hung, collect, watch), ProgramEnd::Stalled);
  EXPECT_EQ(lines, Lines{u"begun"});
  EXPECT_FALSE(ProgramIsRunning(hung));
  ReleaseProgram(hung);

  lines.clear();
  ProgramRecord* parent = StartProgram(Script("l.sh", "sleep 600 & echo $!"), u"", u"", ReadFlags).record;
  ASSERT_NE(parent, nullptr);
  EXPECT_EQ(FollowProgram(parent, collect, {}), ProgramEnd::Ended);
  ReleaseProgram(parent);
  ASSERT_EQ(lines.size(), 1u);
  kill(static_cast<pid_t>(TextToInt(lines[0])), SIGKILL);

  lines.clear();
  const std::string endless = "head -c 3000000 /dev/zero | tr '\\000' a; echo; echo end";
  ProgramRecord* long_line = StartProgram(Script("a.sh", endless), u"", u"", ReadFlags).record;
  EXPECT_EQ(FollowProgram(long_line, collect, {}), ProgramEnd::Ended);
  ReleaseProgram(long_line);
  EXPECT_EQ(lines, (Lines{std::u16string(1 << 20, u'a'), u"end"}));
  EXPECT_EQ(RunAndRead(endless), (Lines{std::u16string(1 << 20, u'a'), u"end"}));

  ProgramRecord* cancelled = StartProgram(Script("c.sh", "exec sleep 600"), u"", u"", ReadFlags).record;
  watch.keep_waiting = [] { return false; };
  EXPECT_EQ(FollowProgram(cancelled, collect, watch), ProgramEnd::Cancelled);
  EXPECT_FALSE(ProgramIsRunning(cancelled));
  ReleaseProgram(cancelled);
}

}  // namespace
}  // namespace zen
