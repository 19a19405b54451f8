#pragma once
// The job's worker threads: a small pool that writes pieces handed over to it and helps
// with parts of a resize. Tasks are handed over whole; the pool runs them and forgets them.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace zen::slicing_detail {

// How many workers a new pool gets: ZEN_THREADS when it holds a number from 1 to 64,
// otherwise the processors this process may run on (at least 1).
int WorkerCountWanted();

class WorkerPool {
 public:
  using Task = std::function<void()>;

  explicit WorkerPool(int workers);
  // Tasks still waiting are dropped unrun; those running are finished first.
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int Workers() const { return static_cast<int>(threads_.size()); }
  // Tasks waiting or running, at most Workers() + 1.
  size_t TasksHeld();
  // Whether a task would be taken now; waits up to `most` for a place to come free.
  bool WaitForRoom(std::chrono::milliseconds most);
  // Takes the task when there is room, false otherwise (the caller then runs it itself).
  // The task's destruction, after it ran or was dropped, happens on the thread that ran it.
  bool TryHandOver(Task& task);
  // Waits until no task waits or runs.
  void WaitUntilIdle();
  // Drops the tasks not yet started (destroyed unrun), then waits for those running.
  void DropWaiting();
  // Runs part(0) ... part(count - 1) on the calling thread and on workers that are free,
  // and returns when all have returned. The caller never waits behind a held task.
  void RunParts(int32_t count, const std::function<void(int32_t)>& part);

 private:
  struct Parts;
  void Work(std::stop_token stop);
  void RunSomeParts(Parts& parts);

  std::mutex mutex_;
  std::condition_variable_any wake_;  // a worker has something to do
  std::condition_variable settled_;   // a task ended, or a part
  std::deque<Task> waiting_;
  std::deque<std::shared_ptr<Parts>> helping_;  // resize parts to help with, first
  size_t running_ = 0;
  size_t limit_ = 1;
  std::vector<std::jthread> threads_;  // last, so the threads end before the rest goes
};

}  // namespace zen::slicing_detail
