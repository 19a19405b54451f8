// The record list, the reaper threads that wait for polled programs, and releasing records.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>

#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/program_records.h"
#include "platform/program_runner.h"

namespace zen {

namespace {

// The reaper only waits; it needs hardly any stack, but glibc refuses less than its minimum.
size_t ReaperStackSize() { return std::max<size_t>(16000, static_cast<size_t>(PTHREAD_STACK_MIN)); }

// The process id the reaper of `serial` is to wait for, or 0 when there is none.
int TakeReaperProcessId(uint64_t serial) {
  ProgramRunnerState& runner = ProgramRunner();
  std::lock_guard<std::recursive_mutex> lock(runner.mutex);
  if (ProgramRecord* record = FindProgramRecord(runner, serial)) {
    record->reaperHasId = true;
    return record->processId;
  }
  auto& handed = runner.handedOver;
  auto it = std::find_if(handed.begin(), handed.end(), [&](const auto& e) { return e.first == serial; });
  if (it == handed.end()) return 0;
  int id = it->second;
  handed.erase(it);
  return id;
}

void* Reap(void* argument) {
  uint64_t serial = reinterpret_cast<uintptr_t>(argument);
  int id = TakeReaperProcessId(serial);
  if (id <= 0) return nullptr;
  int status = 0;
  while (waitpid(id, &status, 0) < 0 && errno == EINTR) {
  }
  ProgramRunnerState& runner = ProgramRunner();
  std::lock_guard<std::recursive_mutex> lock(runner.mutex);
  if (ProgramRecord* record = FindProgramRecord(runner, serial)) {
    record->ended = true;
    record->exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  runner.endSignal.notify_all();
  return nullptr;
}

void FreeRecord(ProgramRecord* record) {
  PipeReader::Close(record->output);
  PipeReader::Close(record->errorOutput);
  if (record->inputFd >= 0) close(record->inputFd);
  delete record;
}

}  // namespace

ProgramRunnerState& ProgramRunner() {
  static ProgramRunnerState* state = new ProgramRunnerState;
  return *state;
}

void InitProgramRunner() { ProgramRunner(); }

ProgramRecord* FindProgramRecord(ProgramRunnerState& runner, uint64_t serial) {
  for (ProgramRecord* record : runner.records) {
    if (record->serial == serial) return record;
  }
  return nullptr;
}

bool StartReaper(ProgramRecord* record) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  pthread_attr_setstacksize(&attributes, ReaperStackSize());
  pthread_t thread;
  void* argument = reinterpret_cast<void*>(static_cast<uintptr_t>(record->serial));
  bool started = pthread_create(&thread, &attributes, Reap, argument) == 0;
  pthread_attr_destroy(&attributes);
  return started;
}

bool ProgramHasEnded(ProgramRecord* record) {
  ProgramRunnerState& runner = ProgramRunner();
  std::lock_guard<std::recursive_mutex> lock(runner.mutex);
  if (!record->ended && record->selfReap) {
    int status = 0;
    pid_t done = waitpid(record->processId, &status, WNOHANG);
    if (done == record->processId) record->exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (done == record->processId || (done < 0 && errno == ECHILD)) record->ended = true;
  }
  return record->ended;
}

int ProgramExitStatus(ProgramRecord* record) {
  if (!record || !ProgramHasEnded(record)) return -1;
  std::lock_guard<std::recursive_mutex> lock(ProgramRunner().mutex);
  return record->exitStatus;
}

bool WaitUntilEnded(ProgramRecord* record, int timeoutMs) {
  ProgramRunnerState& runner = ProgramRunner();
  auto begun = std::chrono::steady_clock::now();
  std::unique_lock<std::recursive_mutex> lock(runner.mutex);
  while (!ProgramHasEnded(record)) {
    if (timeoutMs >= 0 && std::chrono::steady_clock::now() - begun > std::chrono::milliseconds(timeoutMs)) {
      return false;
    }
    runner.endSignal.wait_for(lock, std::chrono::milliseconds(2));
  }
  return true;
}

void ReleaseProgram(ProgramRecord* record) {
  if (record == nullptr) return;
  ProgramRunnerState& runner = ProgramRunner();
  {
    std::lock_guard<std::recursive_mutex> lock(runner.mutex);
    auto it = std::find(runner.records.begin(), runner.records.end(), record);
    if (it == runner.records.end()) return;
    runner.records.erase(it);
    // A reaper that has not yet taken the id still finds it, so the program is reaped.
    if (record->reaperStarted && !record->reaperHasId && !record->ended) {
      runner.handedOver.emplace_back(record->serial, record->processId);
    }
  }
  FreeRecord(record);
}

void ResetProgramRunner() {
  ProgramRunnerState& runner = ProgramRunner();
  std::vector<ProgramRecord*> all;
  {
    std::lock_guard<std::recursive_mutex> lock(runner.mutex);
    all = runner.records;
  }
  for (ProgramRecord* record : all) ReleaseProgram(record);
}

}  // namespace zen
