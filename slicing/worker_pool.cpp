#include "slicing/worker_pool.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace zen::slicing_detail {

namespace {

constexpr int kMostWorkers = 64;

int ProcessorsAvailable() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
  return static_cast<int>(std::thread::hardware_concurrency());
}

}  // namespace

int WorkerCountWanted() {
  if (const char* text = std::getenv("ZEN_THREADS")) {
    int wanted = 0;
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, wanted);
    if (error == std::errc{} && stop == end && wanted >= 1) return std::min(wanted, kMostWorkers);
  }
  return std::clamp(ProcessorsAvailable(), 1, kMostWorkers);
}

// One RunParts call: the parts are taken by number, by the caller and by helping workers.
struct WorkerPool::Parts {
  const std::function<void(int32_t)>* part = nullptr;
  int32_t count = 0;
  std::atomic<int32_t> next{0};
  std::atomic<int32_t> finished{0};
};

WorkerPool::WorkerPool(int workers) : limit_(static_cast<size_t>(std::max(workers, 1)) + 1) {
  for (int i = 0; i < std::max(workers, 1); ++i) {
    threads_.emplace_back([this](std::stop_token stop) { Work(stop); });
  }
}

WorkerPool::~WorkerPool() { DropWaiting(); }

size_t WorkerPool::TasksHeld() {
  std::lock_guard lock(mutex_);
  return waiting_.size() + running_;
}

bool WorkerPool::WaitForRoom(std::chrono::milliseconds most) {
  std::unique_lock lock(mutex_);
  return settled_.wait_for(lock, most, [&] { return waiting_.size() + running_ < limit_; });
}

bool WorkerPool::TryHandOver(Task& task) {
  {
    std::lock_guard lock(mutex_);
    if (waiting_.size() + running_ >= limit_) return false;
    waiting_.push_back(std::move(task));
  }
  wake_.notify_one();
  return true;
}

void WorkerPool::WaitUntilIdle() {
  std::unique_lock lock(mutex_);
  settled_.wait(lock, [&] { return waiting_.empty() && running_ == 0; });
}

void WorkerPool::DropWaiting() {
  std::deque<Task> dropped;
  {
    std::lock_guard lock(mutex_);
    dropped.swap(waiting_);
  }
  dropped.clear();
  WaitUntilIdle();
}

void WorkerPool::RunParts(int32_t count, const std::function<void(int32_t)>& part) {
  auto parts = std::make_shared<Parts>();
  parts->part = &part;
  parts->count = count;
  const int helpers = std::min(Workers(), count - 1);
  if (helpers > 0) {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < helpers; ++i) helping_.push_back(parts);
  }
  wake_.notify_all();
  RunSomeParts(*parts);
  std::unique_lock lock(mutex_);
  settled_.wait(lock, [&] { return parts->finished.load() == count; });
  // Helpers that never came must not look at the part later: it is the caller's.
  std::erase(helping_, parts);
}

void WorkerPool::RunSomeParts(Parts& parts) {
  for (int32_t i = parts.next.fetch_add(1); i < parts.count; i = parts.next.fetch_add(1)) {
    (*parts.part)(i);
    parts.finished.fetch_add(1);
    // Under the lock, so the caller cannot miss it between its test and its wait.
    std::lock_guard lock(mutex_);
    settled_.notify_all();
  }
}

void WorkerPool::Work(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  while (wake_.wait(lock, stop, [&] { return !helping_.empty() || !waiting_.empty(); })) {
    if (!helping_.empty()) {
      std::shared_ptr<Parts> parts = std::move(helping_.front());
      helping_.pop_front();
      lock.unlock();
      RunSomeParts(*parts);
      parts.reset();
      lock.lock();
      continue;
    }
    Task task = std::move(waiting_.front());
    waiting_.pop_front();
    ++running_;
    lock.unlock();
    task();
    task = nullptr;  // what it held (a piece's pixels) is freed here, not by the job
    lock.lock();
    --running_;
    settled_.notify_all();
  }
}

}  // namespace zen::slicing_detail
