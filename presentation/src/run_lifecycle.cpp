#include "sievra/presentation/run_lifecycle.h"

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
  *alive_ = false;  // tasks still queued for this object are dropped
  CancelAndWait();
}

void RunLifecycle::Start(const RunSettings& settings) {
  if (running_) return;
  std::shared_ptr<CancelToken> cancel = std::make_shared<CancelToken>();
  {
    const std::lock_guard lock(cancelMutex_);
    cancel_ = cancel;
  }
  running_ = true;
  try {
    worker_ = std::thread([this, settings, cancel, hook = hook_] {
      const FinishedRun run = Work(settings, *cancel, hook);
      Post([this, run] { Deliver(run); });
    });
  } catch (const std::system_error& error) {
    FinishedRun run;
    run.result = FaultResult(settings, FailedStep::Unexpected, error.what());
    Post([this, run] { Deliver(run); });
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
  if (worker_.joinable()) worker_.join();
}

void RunLifecycle::SetWorkerHook(std::function<void(const StageProgress&)> hook) {
  hook_ = std::move(hook);
}

void RunLifecycle::FreeInBackground(std::shared_ptr<ResultLines> lines) {
  if (!lines || lines->ByteCount() < kFreeInBackgroundBytes) return;
  try {
    std::thread([doomed = std::move(lines)]() mutable { doomed.reset(); }).detach();
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
    run.result = RunRequest(settings, observer);
  } catch (const std::bad_alloc&) {
    run.result = FaultResult(settings, FailedStep::Memory, {});
  } catch (const std::exception& error) {
    run.result = FaultResult(settings, FailedStep::Unexpected, error.what());
  } catch (...) {
    run.result = FaultResult(settings, FailedStep::Unexpected, "unknown error");
  }
  if (run.result.outcome != RunOutcome::Completed) return run;
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
  dispatch_([alive = alive_, task = std::move(task)] {
    if (*alive) task();
  });
}

void RunLifecycle::Deliver(const FinishedRun& run) {
  if (worker_.joinable()) worker_.join();  // it has posted its last task
  running_ = false;
  if (callbacks_.finished) callbacks_.finished(run);
}

}  // namespace sievra
