// Starting a program: the pipes, the fork (or the detached double fork) and the record.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/program_records.h"
#include "platform/program_runner.h"
#include "platform/program_search.h"
#include "platform/text.h"

namespace zen {

namespace {

// Everything the child needs, prepared before the fork: between fork and exec the child
// may only make plain system calls.
struct Launch {
  std::string executable;  // the path the search found, made absolute
  std::string directory;
  std::vector<std::string> words;  // the program name first
  std::vector<char*> argv;
  int flags = 0;
  int out[2] = {-1, -1};
  int in[2] = {-1, -1};
  int err[2] = {-1, -1};
  int connectFd = -1;       // the sender's output pipe, with RunConnect
  std::string connectPath;  // the same pipe through /proc, to open it anew in the child
};

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

void ClosePipes(Launch& launch) {
  for (int* pipeEnds : {launch.out, launch.in, launch.err}) {
    CloseFd(pipeEnds[0]);
    CloseFd(pipeEnds[1]);
  }
}

// Pipes are close-on-exec, so no other program started later holds them open.
bool OpenPipes(Launch& launch) {
  int flags = launch.flags;
  bool ok = (!(flags & RunRead) || pipe2(launch.out, O_CLOEXEC) == 0) &&
            (!(flags & RunWrite) || pipe2(launch.in, O_CLOEXEC) == 0) &&
            (!(flags & RunError) || pipe2(launch.err, O_CLOEXEC) == 0);
  if (!ok) ClosePipes(launch);
  return ok;
}

// Makes `from` the child's descriptor `to`, inherited across exec.
void MoveTo(int from, int to) {
  if (from < 0) return;
  if (from == to) {
    fcntl(to, F_SETFD, 0);
  } else {
    dup2(from, to);
  }
}

// The sender's pipe is non-blocking for our own reader; the receiving program needs a
// blocking one. Opening the pipe anew gives it its own open file with its own mode.
int ConnectedInput(const Launch& launch) {
  if (launch.connectFd < 0) return -1;
  int fresh = open(launch.connectPath.c_str(), O_RDONLY | O_CLOEXEC);
  return fresh >= 0 ? fresh : launch.connectFd;
}

[[noreturn]] void RunChild(const Launch& launch) {
  if (!launch.directory.empty() && chdir(launch.directory.c_str()) != 0) {
    // Failing to change folder is not fatal: the program runs where we are.
  }
  if (launch.flags & RunOpen) {
    if (launch.flags & RunRead) MoveTo(launch.out[1], STDOUT_FILENO);
    if (launch.flags & RunWrite) MoveTo(launch.in[0], STDIN_FILENO);
    if (launch.flags & RunError) MoveTo(launch.err[1], STDERR_FILENO);
    if (launch.flags & RunConnect) MoveTo(ConnectedInput(launch), STDIN_FILENO);
  }
  execvp(launch.executable.c_str(), launch.argv.data());
  _exit(1);
}

bool IsEnterableFolder(const std::string& folder) {
  struct stat info {};
  return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && access(folder.c_str(), X_OK) == 0;
}

// The child's side of the start as spawn actions, in the order RunChild applies them.
bool DescribeChild(const Launch& launch, posix_spawn_file_actions_t& actions) {
  bool ok = true;
  // A folder that cannot be entered is skipped: the program then runs where we are.
  if (!launch.directory.empty() && IsEnterableFolder(launch.directory)) {
    ok = posix_spawn_file_actions_addchdir_np(&actions, launch.directory.c_str()) == 0;
  }
  if (!(launch.flags & RunOpen)) return ok;
  auto move = [&](int from, int to) { return from < 0 || posix_spawn_file_actions_adddup2(&actions, from, to) == 0; };
  if (launch.flags & RunRead) ok = ok && move(launch.out[1], STDOUT_FILENO);
  if (launch.flags & RunWrite) ok = ok && move(launch.in[0], STDIN_FILENO);
  if (launch.flags & RunError) ok = ok && move(launch.err[1], STDERR_FILENO);
  if ((launch.flags & RunConnect) && launch.connectFd >= 0) {
    ok = ok && posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, launch.connectPath.c_str(), O_RDONLY, 0) == 0;
  }
  return ok;
}

// Starts the program as our child without copying this (possibly large) process the way
// fork does; its id, or -1. A program the system cannot execute is run by the shell.
pid_t SpawnProgram(const Launch& launch) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return -1;
  pid_t id = -1;
  if (DescribeChild(launch, actions)) {
    int error = posix_spawn(&id, launch.executable.c_str(), &actions, nullptr, launch.argv.data(), environ);
    if (error == ENOEXEC) {
      std::vector<char*> shellArgv{const_cast<char*>("/bin/sh"), const_cast<char*>(launch.executable.c_str())};
      shellArgv.insert(shellArgv.end(), launch.argv.begin() + 1, launch.argv.end());
      error = posix_spawn(&id, "/bin/sh", &actions, nullptr, shellArgv.data(), environ);
    }
    if (error != 0) id = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  return id;
}

void WaitForChild(pid_t id) {
  int status = 0;
  while (waitpid(id, &status, 0) < 0 && errno == EINTR) {
  }
}

// Starts the program as a grandchild, so that it is never ours to reap; its id, or -1.
int StartDetached(const Launch& launch) {
  int idPipe[2];
  if (pipe2(idPipe, O_CLOEXEC) != 0) return -1;
  pid_t middle = fork();
  if (middle == 0) {
    close(idPipe[0]);
    pid_t child = fork();
    if (child == 0) RunChild(launch);
    int32_t id = child;
    bool written = child > 0 && write(idPipe[1], &id, sizeof id) == static_cast<ssize_t>(sizeof id);
    _exit(written ? 0 : 1);
  }
  close(idPipe[1]);
  int32_t id = -1;
  if (middle > 0) {
    ssize_t got;
    do {
      got = read(idPipe[0], &id, sizeof id);
    } while (got < 0 && errno == EINTR);
    if (got != static_cast<ssize_t>(sizeof id)) id = -1;
    WaitForChild(middle);
  }
  close(idPipe[0]);
  return id;
}

bool PrepareLaunch(Launch& launch, std::u16string_view name, std::vector<std::string> words,
                   std::u16string_view directory, ProgramRecord* sender) {
  std::string programName = SystemProgramName(name);
  std::string found = LocateProgram(programName, std::getenv("PATH"));
  if (found.empty()) return false;
  if (!found.starts_with('/')) {
    // The search looked from the current folder; the child may change folder first.
    char* here = getcwd(nullptr, 0);
    if (here == nullptr) return false;
    found = std::string(here) + "/" + found;
    std::free(here);
  }
  launch.executable = found;
  launch.directory = ToUtf8(directory);
  launch.words.push_back(programName);
  for (std::string& word : words) launch.words.push_back(std::move(word));
  for (std::string& word : launch.words) launch.argv.push_back(word.data());
  launch.argv.push_back(nullptr);
  if ((launch.flags & RunConnect) && sender != nullptr && sender->output != nullptr) {
    launch.connectFd = sender->output->Fd();
    launch.connectPath = "/proc/self/fd/" + std::to_string(launch.connectFd);
  }
  return true;
}

ProgramRecord* KeepRecord(Launch& launch, pid_t id) {
  ProgramRecord* record = new ProgramRecord;
  record->processId = id;
  record->flags = launch.flags;
  if (launch.flags & RunRead) {
    CloseFd(launch.out[1]);
    record->output = PipeReader::Open(launch.out[0]);
    if (record->output == nullptr) CloseFd(launch.out[0]);
    launch.out[0] = -1;
  }
  if (launch.flags & RunWrite) {
    CloseFd(launch.in[0]);
    record->inputFd = launch.in[1];
    launch.in[1] = -1;
  }
  if (launch.flags & RunError) {
    CloseFd(launch.err[1]);
    record->errorOutput = PipeReader::Open(launch.err[0]);
    if (record->errorOutput == nullptr) CloseFd(launch.err[0]);
    launch.err[0] = -1;
  }
  ProgramRunnerState& runner = ProgramRunner();
  std::lock_guard<std::recursive_mutex> lock(runner.mutex);
  record->serial = runner.nextSerial++;
  runner.records.push_back(record);
  return record;
}

void WatchRecord(ProgramRecord* record) {
  ProgramRunnerState& runner = ProgramRunner();
  if (record->flags & RunWait) {
    WaitForChild(record->processId);
    std::lock_guard<std::recursive_mutex> lock(runner.mutex);
    record->ended = true;
    return;
  }
  {
    std::lock_guard<std::recursive_mutex> lock(runner.mutex);
    record->reaperStarted = true;
  }
  if (!StartReaper(record)) {
    std::lock_guard<std::recursive_mutex> lock(runner.mutex);
    record->reaperStarted = false;
    record->selfReap = true;
  }
}

ProgramStart StartOpen(Launch& launch) {
  if (!OpenPipes(launch)) return {};
  pid_t id = SpawnProgram(launch);
  if (id < 0) {
    ClosePipes(launch);
    return {};
  }
  ProgramRecord* record = KeepRecord(launch, id);
  ClosePipes(launch);  // whatever the record did not take over
  WatchRecord(record);
  return {1, record};
}

ProgramStart StartWithWords(std::u16string_view name, std::vector<std::string> words, std::u16string_view directory,
                            int flags, ProgramRecord* sender) {
  InitProgramRunner();
  // Waiting inside the start while a pipe to us fills up would never end.
  if ((flags & RunWait) && (flags & RunOpen) && (flags & (RunRead | RunWrite | RunError))) return {};
  Launch launch;
  launch.flags = flags;
  try {
    if (!PrepareLaunch(launch, name, std::move(words), directory, sender)) return {};
  } catch (const std::bad_alloc&) {
    return {};
  }
  if (flags & RunOpen) return StartOpen(launch);
  if (flags & RunWait) {
    pid_t id = SpawnProgram(launch);
    if (id < 0) return {};
    WaitForChild(id);
    return {1, nullptr};
  }
  return {StartDetached(launch) > 0 ? 1 : 0, nullptr};
}

}  // namespace

ProgramStart StartProgram(std::u16string_view name, std::u16string_view parameters, std::u16string_view directory,
                          int flags, ProgramRecord* sender) {
  std::vector<std::string> words;
  try {
    words = SplitParameters(ToUtf8(parameters));
  } catch (const std::bad_alloc&) {
    return {};
  }
  return StartWithWords(name, std::move(words), directory, flags, sender);
}

bool QuotedWordSurvivesSplitting(std::u16string_view word) {
  return word.find_first_of(u"\"\n") == std::u16string_view::npos;
}

ProgramStart StartProgramWithArguments(std::u16string_view name, const std::vector<std::u16string>& arguments,
                                       std::u16string_view directory, int flags, ProgramRecord* sender) {
  std::vector<std::string> words;
  try {
    for (const std::u16string& argument : arguments) words.push_back(ToUtf8(argument));
  } catch (const std::bad_alloc&) {
    return {};
  }
  return StartWithWords(name, std::move(words), directory, flags, sender);
}

}  // namespace zen
