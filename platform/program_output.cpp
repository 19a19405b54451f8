// Polling a started program, reading its output as lines of text, writing its input.
#include <cerrno>

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include "platform/output_decoding.h"
#include "platform/program_records.h"
#include "platform/program_runner.h"

namespace zen {

namespace {

// A write to a program that has closed its input must fail, not end our process with
// SIGPIPE: the signal is blocked for the write and a pending one is taken back.
ssize_t WriteWithoutSigpipe(int fd, const char* data, size_t size) {
  sigset_t pipeSignal, previous;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  ssize_t put = write(fd, data, size);
  int error = errno;
  if (put < 0 && error == EPIPE) {
    timespec noWait{0, 0};
    sigtimedwait(&pipeSignal, nullptr, &noWait);
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  errno = error;
  return put;
}

}  // namespace

int ProgramOutputAvailable(ProgramRecord* record) {
  if (record == nullptr || record->output == nullptr) return 0;
  if (record->output->Count() == 0) record->output->Fill();
  return record->output->Count();
}

bool ProgramIsRunning(ProgramRecord* record) {
  if (record == nullptr) return false;
  PipeReader* output = record->output;
  if (output == nullptr) return !ProgramHasEnded(record);
  output->Fill();
  if (output->Count() > 0 || !output->AtEnd()) return true;
  // All output is read: report the end only once the program is gone as well.
  WaitUntilEnded(record, -1);
  return false;
}

std::u16string ReadOutputLine(ProgramRecord* record) {
  std::u16string line;
  if (record == nullptr || record->output == nullptr) return line;
  line.reserve(1024);
  PipeReader& output = *record->output;
  int64_t bytes = 0;
  auto next = [&output, &bytes] {
    ++bytes;
    return output.ReadByte();
  };
  char16_t units[2];
  for (;;) {
    int n = DecodeCharacter(next, units);
    if (n == 0 || (n == 1 && units[0] == u'\n')) break;
    if (bytes <= ProgramLineLimit) line.append(units, static_cast<size_t>(n));
  }
  return line;
}

bool WaitForProgramEnd(ProgramRecord* record, int timeoutMs) {
  if (record == nullptr) return true;
  if (timeoutMs == 0) return ProgramHasEnded(record);
  return WaitUntilEnded(record, timeoutMs < 0 ? -1 : timeoutMs);
}

PipeReader* ProgramOutputReader(ProgramRecord* record) { return record ? record->output : nullptr; }

PipeReader* ProgramErrorReader(ProgramRecord* record) { return record ? record->errorOutput : nullptr; }

int64_t WriteProgramInput(ProgramRecord* record, std::string_view bytes) {
  if (record == nullptr || record->inputFd < 0) return -1;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t put = WriteWithoutSigpipe(record->inputFd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return done > 0 ? static_cast<int64_t>(done) : -1;
    done += static_cast<size_t>(put);
  }
  return static_cast<int64_t>(done);
}

void CloseProgramInput(ProgramRecord* record) {
  if (record == nullptr || record->inputFd < 0) return;
  close(record->inputFd);
  record->inputFd = -1;
}

int ProgramProcessId(ProgramRecord* record) { return record ? record->processId : 0; }

}  // namespace zen
