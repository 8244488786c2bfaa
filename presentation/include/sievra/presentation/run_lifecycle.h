#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "sievra/engine.h"

namespace sievra {

class ResultLines;

// Hands a task to the UI thread, to run there later, in order. Callable from
// any thread. Qt: QMetaObject::invokeMethod(context, task, Qt::QueuedConnection);
// Windows: PostMessageW to the window with the task on the heap. A task that
// arrives after its owner is gone must be dropped by the core, not the front end.
using UiDispatcher = std::function<void(std::function<void()> task)>;

// The steps of a run as a window shows them: the engine's three phases, then
// reading the output file back for the results box.
enum class RunStage { Counting, Filtering, Writing, Loading };

// `done` of `total` bytes of the current stage.
struct StageProgress {
  RunStage stage = RunStage::Counting;
  std::uint64_t done = 0;
  std::uint64_t total = 0;
};

// What a run hands back when it ends.
struct FinishedRun {
  RunResult result;
  // After a completed run: the output file was read back whole (its pieces came
  // through Callbacks::piece); false when it could not be, or Cancel came.
  bool loaded = false;
  std::string loadError;       // why the output file could not be read (UTF-8)
  bool loadCancelled = false;  // Cancel came after the output was written
};

// One run at a time on a worker thread: the engine, then the output file read
// back in pieces. Every report reaches the callbacks on the UI thread through
// the dispatcher. An exception on the worker becomes a Failed result, never a
// terminate.
class RunLifecycle {
 public:
  struct Callbacks {
    std::function<void(const StageProgress&)> progressed;
    // The next piece of the output file; `first` starts a new result.
    std::function<void(std::shared_ptr<ResultLines> piece, bool first)> piece;
    std::function<void(const FinishedRun&)> finished;
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

  // Frees a big result on a worker thread: releasing hundreds of MB can take
  // longer than a window may stall.
  static void FreeInBackground(std::shared_ptr<ResultLines> lines);

 private:
  using Hook = std::function<void(const StageProgress&)>;
  // Runs on the worker thread.
  FinishedRun Work(const RunSettings& settings, const CancelToken& cancel, const Hook& hook) const;
  void LoadOutput(const std::string& path, const CancelToken& cancel, const Hook& hook,
                  FinishedRun& run) const;
  void Report(const StageProgress& progress, const Hook& hook) const;
  // Hands `task` to the UI thread, where it runs only while this object lives.
  void Post(std::function<void()> task) const;
  void Deliver(const FinishedRun& run);

  const UiDispatcher dispatch_;
  const Callbacks callbacks_;
  // Read and written on the UI thread only: false once this object is gone.
  const std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  Hook hook_;             // copied into each run at Start
  bool running_ = false;  // UI thread only
  mutable std::mutex cancelMutex_;
  std::shared_ptr<CancelToken> cancel_;  // the current run's; guarded by cancelMutex_
  std::thread worker_;
};

}  // namespace sievra
