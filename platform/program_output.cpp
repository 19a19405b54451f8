// Polling a started program, reading its output as lines of text, writing its input.
#include <cerrno>

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include "platform/program_records.h"
#include "platform/program_runner.h"

namespace zen {

namespace {

constexpr char16_t Space = u' ';

// Decodes one character of UTF-8 output into `units`; the number of units (1 or 2),
// or 0 at the end of the output, also when it ends inside a sequence.
int DecodeCharacter(PipeReader& reader, char16_t units[2]) {
  int b0 = reader.ReadByte();
  if (b0 < 0) return 0;
  int more = 0;
  uint32_t value = 0;
  if (b0 < 0x80) {
    units[0] = static_cast<char16_t>(b0);
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    more = 1;
    value = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    more = 2;
    value = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    more = 3;
    value = b0 & 0x07;
  } else {
    units[0] = Space;  // a stray continuation byte or an impossible lead byte
    return 1;
  }
  for (int i = 0; i < more; ++i) {
    int b = reader.ReadByte();
    if (b < 0) return 0;
    value = (value << 6) | (static_cast<uint32_t>(b) & 0x3F);
  }
  if (more < 3) {
    units[0] = static_cast<char16_t>(value);
    return 1;
  }
  if (value < 0x10000 || value > 0x10FFFF) {
    units[0] = Space;  // no surrogate pair can hold it
    return 1;
  }
  value -= 0x10000;
  units[0] = static_cast<char16_t>(0xD800 | (value >> 10));
  units[1] = static_cast<char16_t>(0xDC00 | (value & 0x3FF));
  return 2;
}

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
  char16_t units[2];
  for (;;) {
    int n = DecodeCharacter(*record->output, units);
    if (n == 0 || (n == 1 && units[0] == u'\n')) break;
    line.append(units, static_cast<size_t>(n));
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
