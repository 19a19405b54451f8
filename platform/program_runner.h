#pragma once
// Starting external programs with a parameter string and a working directory, with
// optional pipes to their standard streams, polled from the GUI thread without blocking.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pipe_reader.h"

namespace zen {

// Run flags, combined by OR.
enum RunFlag : int {
  RunWait = 1,      // the start call returns only after the program has ended
  RunHide = 2,      // accepted and ignored: programs have no window to hide here
  RunOpen = 4,      // keep a record the caller can poll; required for every pipe flag
  RunRead = 8,      // the program's standard output goes to a pipe the caller reads
  RunWrite = 16,    // the program's standard input comes from a pipe the caller writes
  RunError = 32,    // the program's standard error goes to a second pipe the caller reads
  RunConnect = 64,  // the program's standard input is another program's output pipe
};

// One program started with RunOpen; opaque to callers, owned by the runner's list.
struct ProgramRecord;

// The outcome of StartProgram. With RunOpen, `record` is the new record (null on
// failure); without RunOpen there is nothing to poll and only `started` counts.
struct ProgramStart {
  int started = 0;                  // 1 when the program was started, else 0
  ProgramRecord* record = nullptr;  // only with RunOpen
  explicit operator bool() const { return started != 0; }
};

// Called once at start-up, before any program is started (calling it again is harmless).
void InitProgramRunner();

// Starts `name` with the words of `parameters` as its arguments, in `directory` (empty:
// the current directory). `sender` matters only with RunConnect. The name "Open" stands
// for the desktop's opener of folders and web addresses.
ProgramStart StartProgram(std::u16string_view name, std::u16string_view parameters, std::u16string_view directory,
                          int flags = 0, ProgramRecord* sender = nullptr);

// The same with the arguments given one by one, not split from a parameter string: for
// words the splitting cannot carry (see QuotedWordSurvivesSplitting).
ProgramStart StartProgramWithArguments(std::u16string_view name, const std::vector<std::u16string>& arguments,
                                       std::u16string_view directory, int flags = 0, ProgramRecord* sender = nullptr);

// Whether a word put in double quotes in a parameter string reaches the program whole: not
// when it holds a double quote or a line feed, either of which ends a quoted word.
bool QuotedWordSurvivesSplitting(std::u16string_view word);

// Bytes of standard output readable now without waiting; 0 without RunRead. Never blocks.
int ProgramOutputAvailable(ProgramRecord* record);

// True while the program runs or while standard output that has not been read remains.
// Without RunRead: true exactly while the program has not ended.
bool ProgramIsRunning(ProgramRecord* record);

// The next line of standard output without its line feed (a carriage return before it
// stays). Blocks until a line feed or the end of the output; empty at the end.
std::u16string ReadOutputLine(ProgramRecord* record);

// Waits for the program to end: timeoutMs 0 only tests, -1 waits without limit.
// True when the program has ended, false when the time ran out.
bool WaitForProgramEnd(ProgramRecord* record, int timeoutMs);

// The program's exit status once it has ended (0 to 255); -1 while it runs, when a signal
// ended it, or when it could not be known.
int ProgramExitStatus(ProgramRecord* record);

// How FollowProgram watches a program.
struct ProgramWatch {
  // The program is stopped once it has printed nothing for this long (milliseconds) and
  // `progress` has not changed either; 0 or less never stops it.
  int64_t quiet_limit_ms = 0;
  // Any change of this value counts as a sign of life (for example the bytes the program
  // has written so far); asked only when the program has been quiet for the limit.
  std::function<uint64_t()> progress;
  // Asked between polls (every few milliseconds); false stops the program.
  std::function<bool()> keep_waiting;
};

enum class ProgramEnd : uint8_t {
  Ended,      // the program ended by itself and its output was read
  Stalled,    // quiet beyond the limit: stopped (SIGKILL)
  Cancelled,  // keep_waiting said no: stopped (SIGKILL)
};

// Follows a program started with RunOpen (and RunRead for its lines) to its end, handing
// each line of its standard output to on_line as ReadOutputLine would (a last line without
// a line feed too; at most 1 MiB of a line, the rest dropped). Never waits on a line that
// does not come: the watch can always stop the program. Once the program itself has ended,
// output still held open by a process it left behind is not waited for.
ProgramEnd FollowProgram(ProgramRecord* record, const std::function<void(const std::u16string&)>& on_line,
                         const ProgramWatch& watch);

// Closes the record's streams, removes it from the runner's list and frees it. Call it
// once ProgramIsRunning has returned false; a program still running is reaped anyway.
// Null and unknown records are ignored.
void ReleaseProgram(ProgramRecord* record);

// The record's standard-output and standard-error readers (null without RunRead /
// RunError, or when the reader could not be set up).
PipeReader* ProgramOutputReader(ProgramRecord* record);
PipeReader* ProgramErrorReader(ProgramRecord* record);

// Writes bytes to the program's standard input (RunWrite); the number written, or -1.
int64_t WriteProgramInput(ProgramRecord* record, std::string_view bytes);
// Closes the program's standard input, so that it sees the end of its input.
void CloseProgramInput(ProgramRecord* record);

// The started program's process id (0 for a null record).
int ProgramProcessId(ProgramRecord* record);

// Tests only: releases every record and empties the list.
void ResetProgramRunner();

}  // namespace zen
