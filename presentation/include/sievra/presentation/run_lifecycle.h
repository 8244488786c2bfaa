#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

#include "sievra/engine.h"
#include "sievra/presentation/run_stage.h"

namespace sievra {

class ResultLines;

// Hands a task to the UI thread, to run there later. Callable from any thread.
// It either queues the task or throws; a task it queued must run (or be freed
// with the window). Qt: QMetaObject::invokeMethod(context, task,
// Qt::QueuedConnection); Windows: PostMessageW to the window with the task on
// the heap. A task that arrives after its owner is gone is dropped by the core.
// A dispatcher whose queue the thread sanitizer cannot see annotates its
// hand-off (hand_off_annotations.h).
using UiDispatcher = std::function<void(std::function<void()> task)>;

// One run at a time on a worker thread: the engine, then the output file read
// back in pieces; a run that follows its input hands on its kept lines as they
// come instead, and reads nothing back. Every report reaches the callbacks on the UI thread through
// the dispatcher. An exception on the worker becomes a Failed result, never a
// terminate.
class RunLifecycle {
 public:
  struct Callbacks {
    std::function<void(const StageProgress&)> progressed;
    // The next piece of the output file; `first` starts a new result.
    std::function<void(std::shared_ptr<ResultLines> piece, bool first)> piece;
    std::function<void(const FinishedRun&)> finished;
    // A followed input's counts so far, after the kept lines they add (piece).
    std::function<void(const RunCounts&)> following;
  };

  RunLifecycle(UiDispatcher dispatch, Callbacks callbacks);
  // Cancels a run still going and waits for the worker.
  ~RunLifecycle();

  // Starts a run; ignored while one is going.
  void Start(const RunSettings& settings);
  // From Start until `finished` has been delivered.
  bool IsRunning() const;
  // Asks the run to stop; the engine stops within a fraction of a second and
  // leaves the output file as it was. Safe from any thread.
  void Cancel();
  bool CancelRequested() const;
  // Cancels and blocks until the worker has left the engine.
  void CancelAndWait();
  // Called on the worker thread with every progress report, before it is
  // dispatched: tests use it to act at an exact stage. Set it before Start.
  void SetWorkerHook(std::function<void(const StageProgress&)> hook);

  // Frees a big result off the UI thread, on a thread of this object's that is
  // joined with it: releasing hundreds of MB can take longer than a window may
  // stall.
  void FreeInBackground(std::shared_ptr<ResultLines> lines);

 private:
  using Hook = std::function<void(const StageProgress&)>;
  // Runs on the worker thread.
  FinishedRun Work(const RunSettings& settings, const CancelToken& cancel, const Hook& hook) const;
  void LoadOutput(const std::string& path, const CancelToken& cancel, const Hook& hook,
                  FinishedRun& run) const;
  void Report(const StageProgress& progress, const Hook& hook) const;
  // Hands `task` to the UI thread, where it runs only while this object lives.
  void Post(std::function<void()> task) const;
  // The last hand-off of a run, which must not be lost: retried until it is
  // delivered, the owner is gone or it stops waiting (`stop`).
  void PostFinished(const std::shared_ptr<FinishedRun>& run, std::stop_token stop);
  void Deliver(const FinishedRun& run);

  // Tasks on their way to the UI thread travel here, under its mutex; the
  // dispatcher carries only a wake-up, at most one at a time, and each wake-up
  // runs every task queued by then. So a toolkit queue that is full, or slow,
  // cannot split or reorder them.
  struct Mailbox {
    std::mutex mutex;
    std::deque<std::function<void()>> tasks;
    bool open = true;           // false once the owner is gone: tasks are dropped
    bool wakeUpQueued = false;  // a wake-up is on its way to the UI thread
  };
  // Queues `task`; false when the owner is gone.
  bool Enqueue(std::function<void()> task) const;
  // Sends a wake-up unless one is on its way already; false when none could
  // be sent (the next call tries again).
  bool WakeUp() const;
  static void RunQueued(Mailbox& mailbox);

  const UiDispatcher dispatch_;
  const Callbacks callbacks_;
  const std::shared_ptr<Mailbox> mailbox_ = std::make_shared<Mailbox>();
  Hook hook_;             // copied into each run at Start
  bool running_ = false;  // UI thread only
  mutable std::mutex cancelMutex_;
  std::shared_ptr<CancelToken> cancel_;  // the current run's; guarded by cancelMutex_
  std::jthread freer_;                   // frees the last dropped result
  std::jthread worker_;                  // last: joined first, while the rest still stands
};

}  // namespace sievra
