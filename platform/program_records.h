#pragma once
// Inside the runner: the program records and the process-wide list that holds them.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/pipe_reader.h"

namespace zen {

struct ProgramRecord {
  uint64_t serial = 0;  // never reused, so a reaper can tell a released record from a new one
  int processId = 0;
  int flags = 0;
  PipeReader* output = nullptr;  // standard output, only with RunRead
  int inputFd = -1;              // standard input, only with RunWrite
  PipeReader* errorOutput = nullptr;
  // Guarded by the runner's mutex:
  bool ended = false;        // the program has ended and been waited for
  int exitStatus = -1;       // its exit status once ended; -1 when a signal ended it
  bool reaperHasId = false;  // the reaper thread has taken the process id
  bool reaperStarted = false;
  bool selfReap = false;  // no reaper thread could be started: checks reap instead
};

struct ProgramRunnerState {
  std::recursive_mutex mutex;             // guards the list, the records' ids and the flags above
  std::condition_variable_any endSignal;  // told whenever a reaper records an end
  std::vector<ProgramRecord*> records;
  // Process ids of records released before their reaper took them, by serial.
  std::vector<std::pair<uint64_t, int>> handedOver;
  uint64_t nextSerial = 1;
};

// The runner's process-wide state. It is never destroyed: detached reaper threads may
// still use it while the process exits.
ProgramRunnerState& ProgramRunner();

// The record with this serial, or null once it has been released. Call under the mutex.
ProgramRecord* FindProgramRecord(ProgramRunnerState& runner, uint64_t serial);

// Starts the detached thread that waits for the record's program; false when it cannot.
bool StartReaper(ProgramRecord* record);

// Whether the record's program has ended (and been waited for).
bool ProgramHasEnded(ProgramRecord* record);

// Waits until the program has ended, looking at least every 2 ms; timeoutMs < 0 waits
// without limit. False when the time ran out first.
bool WaitUntilEnded(ProgramRecord* record, int timeoutMs);

}  // namespace zen
