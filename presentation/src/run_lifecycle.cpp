#include "sievra/presentation/run_lifecycle.h"

#include <chrono>
#include <exception>
#include <new>
#include <system_error>
#include <utility>

#include "sievra/presentation/result_lines.h"

namespace sievra {

namespace {

// A small first piece, shown at once; then big ones, fewer to hand over.
constexpr std::size_t kFirstPieceBytes = std::size_t{256} << 10;
constexpr std::size_t kPieceBytes = std::size_t{16} << 20;
// Freeing less than this is quicker than starting a thread.
constexpr std::uint64_t kFreeInBackgroundBytes = std::uint64_t{1} << 20;
// How long the worker waits before it tries its last hand-off again.
constexpr std::chrono::milliseconds kRetryHandOff{20};

constexpr const char* kOutOfMemory = "not enough memory to hold it";

RunStage StageOf(RunPhase phase) {
  switch (phase) {
    case RunPhase::Counting:
      return RunStage::Counting;
    case RunPhase::Filtering:
      return RunStage::Filtering;
    case RunPhase::Writing:
      break;
  }
  return RunStage::Writing;
}

// A fault outside the engine's own handling, as a failed run.
RunResult FaultResult(const RunSettings& settings, FailedStep step, std::string reason) {
  RunResult result;
  result.outcome = RunOutcome::Failed;
  result.fileType = settings.fileType;
  result.failure = RunFailure{FailedFile::Input, step, settings.inputPath, std::move(reason)};
  return result;
}

}  // namespace

RunLifecycle::RunLifecycle(UiDispatcher dispatch, Callbacks callbacks)
    : dispatch_(std::move(dispatch)), callbacks_(std::move(callbacks)) {}

RunLifecycle::~RunLifecycle() {
  std::deque<std::function<void()>> dropped;  // destroyed outside the lock
  {
    const std::lock_guard lock(mailbox_->mutex);
    mailbox_->open = false;
    dropped.swap(mailbox_->tasks);
  }
  CancelAndWait();
}

void RunLifecycle::Start(const RunSettings& settings) {
  if (running_) return;
  std::shared_ptr<CancelToken> cancel = std::make_shared<CancelToken>();
  // Made here, so that the worker's last hand-off needs no memory of its own.
  auto finished = std::make_shared<FinishedRun>();
  {
    const std::lock_guard lock(cancelMutex_);
    cancel_ = cancel;
  }
  running_ = true;
  try {
    worker_ = std::jthread([this, settings, cancel, finished, hook = hook_](std::stop_token stop) {
      const std::stop_callback cancelOnStop(stop, [&cancel] { cancel->Cancel(); });
      *finished = Work(settings, *cancel, hook);
      PostFinished(finished, stop);
    });
  } catch (const std::system_error& error) {
    finished->result = FaultResult(settings, FailedStep::Unexpected, error.what());
    PostFinished(finished, {});
  }
}

bool RunLifecycle::IsRunning() const { return running_; }

void RunLifecycle::Cancel() {
  const std::lock_guard lock(cancelMutex_);
  if (cancel_) cancel_->Cancel();
}

bool RunLifecycle::CancelRequested() const {
  const std::lock_guard lock(cancelMutex_);
  return cancel_ && cancel_->IsCancelled();
}

void RunLifecycle::CancelAndWait() {
  Cancel();
  // The stop also tells the worker that nobody waits for its last hand-off.
  worker_.request_stop();
  if (worker_.joinable()) worker_.join();
}

void RunLifecycle::SetWorkerHook(std::function<void(const StageProgress&)> hook) {
  hook_ = std::move(hook);
}

void RunLifecycle::FreeInBackground(std::shared_ptr<ResultLines> lines) {
  if (!lines || lines->ByteCount() < kFreeInBackgroundBytes) return;
  // The one before finished long ago, as a rule: results are dropped a run apart.
  if (freer_.joinable()) freer_.join();
  try {
    freer_ = std::jthread([doomed = std::move(lines)]() mutable { doomed.reset(); });
  } catch (const std::system_error&) {
    // No thread to spare: the lines are freed here, late rather than never.
  }
}

FinishedRun RunLifecycle::Work(const RunSettings& settings, const CancelToken& cancel,
                               const Hook& hook) const {
  FinishedRun run;
  try {
    RunObserver observer;
    observer.cancel = &cancel;
    observer.onProgress = [this, &hook](const RunProgress& progress) {
      Report(StageProgress{StageOf(progress.phase), progress.done, progress.total}, hook);
    };
    bool first = true;
    observer.onKept = [this, &first](std::string_view kept, const RunCounts& counts) {
      if (!kept.empty()) {
        auto lines = std::make_shared<ResultLines>(std::string(kept));
        Post([this, lines, first] {
          if (callbacks_.piece) callbacks_.piece(lines, first);
        });
        first = false;
      }
      Post([this, counts] {
        if (callbacks_.following) callbacks_.following(counts);
      });
    };
    run.result = RunRequest(settings, observer);
  } catch (const std::bad_alloc&) {
    run.result = FaultResult(settings, FailedStep::Memory, {});
  } catch (const std::exception& error) {
    run.result = FaultResult(settings, FailedStep::Unexpected, error.what());
  } catch (...) {
    run.result = FaultResult(settings, FailedStep::Unexpected, "unknown error");
  }
  if (run.result.outcome != RunOutcome::Completed) return run;
  if (settings.follow) {
    run.loaded = true;  // shown as it came
    return run;
  }
  try {
    LoadOutput(settings.outputPath, cancel, hook, run);
  } catch (const std::bad_alloc&) {
    run.loadError = kOutOfMemory;
  } catch (const std::exception& error) {
    run.loadError = error.what();
  } catch (...) {
    run.loadError = "unknown error";
  }
  return run;
}

void RunLifecycle::LoadOutput(const std::string& path, const CancelToken& cancel, const Hook& hook,
                              FinishedRun& run) const {
  Report(StageProgress{RunStage::Loading, 0, 0}, hook);
  ResultLinesReader reader;
  if (!reader.Open(path, run.loadError)) return;
  for (std::size_t pieceBytes = kFirstPieceBytes;; pieceBytes = kPieceBytes) {
    Report(StageProgress{RunStage::Loading, reader.BytesRead(), reader.Size()}, hook);
    if (cancel.IsCancelled()) {
      run.loadCancelled = true;
      return;
    }
    auto lines = std::make_shared<ResultLines>();
    if (!reader.Next(pieceBytes, *lines, run.loadError)) return;
    if (lines->RowCount() == 0) break;
    const bool first = pieceBytes == kFirstPieceBytes;
    Post([this, lines, first] {
      if (callbacks_.piece) callbacks_.piece(lines, first);
    });
  }
  run.loaded = true;
}

void RunLifecycle::Report(const StageProgress& progress, const Hook& hook) const {
  Post([this, progress] {
    if (callbacks_.progressed) callbacks_.progressed(progress);
  });
  if (hook) hook(progress);
}

void RunLifecycle::Post(std::function<void()> task) const {
  // A wake-up that cannot be sent now goes with the next task's.
  if (Enqueue(std::move(task))) WakeUp();
}

void RunLifecycle::PostFinished(const std::shared_ptr<FinishedRun>& run, std::stop_token stop) {
  bool queued = false;
  for (;;) {
    try {
      if (!queued) queued = Enqueue([this, run] { Deliver(*run); });
      if (!queued || WakeUp()) return;  // delivered, or the owner is gone
    } catch (const std::bad_alloc&) {
    }
    // Lost, this hand-off would leave the window waiting for the run for good:
    // try again shortly, unless the owner has stopped waiting for it. On the UI
    // thread itself (no worker, no stop) waiting cannot help.
    if (!stop.stop_possible() || stop.stop_requested()) return;
    std::this_thread::sleep_for(kRetryHandOff);
  }
}

bool RunLifecycle::Enqueue(std::function<void()> task) const {
  const std::lock_guard lock(mailbox_->mutex);
  if (!mailbox_->open) return false;
  mailbox_->tasks.push_back(std::move(task));
  return true;
}

bool RunLifecycle::WakeUp() const {
  {
    const std::lock_guard lock(mailbox_->mutex);
    if (mailbox_->wakeUpQueued || mailbox_->tasks.empty()) return true;
    mailbox_->wakeUpQueued = true;
  }
  try {
    dispatch_([mailbox = mailbox_] { RunQueued(*mailbox); });
    return true;
  } catch (...) {
    const std::lock_guard lock(mailbox_->mutex);
    mailbox_->wakeUpQueued = false;
    return false;
  }
}

// One task at a time, each taken under the lock, so that a task that runs a
// nested event loop (a modal message) leaves the rest queued, in order, for
// this same loop to run when it returns.
void RunLifecycle::RunQueued(Mailbox& mailbox) {
  for (;;) {
    std::function<void()> next;
    {
      const std::lock_guard lock(mailbox.mutex);
      if (!mailbox.open || mailbox.tasks.empty()) {
        mailbox.wakeUpQueued = false;
        return;
      }
      next = std::move(mailbox.tasks.front());
      mailbox.tasks.pop_front();
    }
    next();
  }
}

void RunLifecycle::Deliver(const FinishedRun& run) {
  if (worker_.joinable()) worker_.join();  // it has posted its last task
  running_ = false;
  if (callbacks_.finished) callbacks_.finished(run);
}

}  // namespace sievra
