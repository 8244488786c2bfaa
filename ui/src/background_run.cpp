#include "sievra/ui/background_run.h"

#include <QtConcurrent/QtConcurrentRun>

namespace sievra {

namespace {
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
}  // namespace

BackgroundRun::BackgroundRun(QObject* parent) : QObject(parent) {
  connect(&watcher_, &QFutureWatcher<FinishedRun>::finished, this,
          [this] { emit finished(watcher_.result()); });
}

BackgroundRun::~BackgroundRun() { CancelAndWait(); }

void BackgroundRun::Start(const RunSettings& settings) {
  if (IsRunning()) return;
  cancel_ = std::make_shared<CancelToken>();
  watcher_.setFuture(
      QtConcurrent::run([this, settings, cancel = cancel_] { return Work(settings, cancel); }));
}

bool BackgroundRun::IsRunning() const { return watcher_.isRunning(); }

void BackgroundRun::Cancel() {
  if (cancel_) cancel_->Cancel();
}

void BackgroundRun::CancelAndWait() {
  Cancel();
  watcher_.waitForFinished();
}

// Runs on the worker thread.
FinishedRun BackgroundRun::Work(const RunSettings& settings,
                                const std::shared_ptr<CancelToken>& cancel) {
  RunObserver observer;
  observer.cancel = cancel.get();
  observer.onProgress = [this](const RunProgress& progress) {
    Report(StageProgress{StageOf(progress.phase), progress.done, progress.total});
  };
  FinishedRun run{RunRequest(settings, observer), nullptr, QString(), false};
  if (run.result.outcome != RunOutcome::Completed) return run;
  // The box shows the file as written; reading and splitting a big one takes
  // too long for the window's thread.
  auto lines = std::make_shared<PlainLines>();
  Report(StageProgress{RunStage::Loading, 0, 0});
  const auto status =
      PlainLines::Read(QString::fromStdString(settings.outputPath), *lines, run.loadError,
                       [this, &cancel](qint64 done, qint64 total) {
                         Report(StageProgress{RunStage::Loading, quint64(done), quint64(total)});
                         return !cancel->IsCancelled();
                       });
  if (status == PlainLines::ReadStatus::Read) run.lines = std::move(lines);
  run.loadCancelled = status == PlainLines::ReadStatus::Cancelled;
  return run;
}

void BackgroundRun::Report(const StageProgress& progress) {
  QMetaObject::invokeMethod(
      this, [this, progress] { emit progressed(progress); }, Qt::QueuedConnection);
  if (hook_) hook_(progress);
}

}  // namespace sievra
