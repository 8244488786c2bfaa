#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "sievra/presentation/run_lifecycle.h"

namespace sievra::testing {

// A UI thread for tests: dispatched tasks wait in a queue until the test runs
// them, on its own thread, in order.
class TaskQueue {
 public:
  UiDispatcher Dispatcher() {
    return [this](std::function<void()> task) {
      {
        const std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
      }
      ready_.notify_all();
    };
  }

  // Runs queued tasks until `done` holds; false when it does not within `limit`.
  bool RunUntil(const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      std::function<void()> task;
      {
        std::unique_lock lock(mutex_);
        if (!ready_.wait_until(lock, deadline, [this] { return !tasks_.empty(); })) return false;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
    return true;
  }
  // Runs every task queued so far.
  void RunPending() {
    for (;;) {
      std::function<void()> task;
      {
        const std::lock_guard lock(mutex_);
        if (tasks_.empty()) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> tasks_;
};

}  // namespace sievra::testing
