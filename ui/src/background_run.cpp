#include "sievra/ui/background_run.h"

#include <QtConcurrent/QtConcurrentRun>

namespace sievra {

namespace {
constexpr qint64 kFirstPieceBytes = qint64{256} << 10;
constexpr qint64 kPieceBytes = qint64{16} << 20;

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
  FinishedRun run{RunRequest(settings, observer), false, QString(), false};
  if (run.result.outcome != RunOutcome::Completed) return run;
  Report(StageProgress{RunStage::Loading, 0, 0});
  PlainLinesReader reader;
  if (!reader.Open(QString::fromStdString(settings.outputPath), run.loadError)) return run;
  // A small first piece, shown at once; then big ones, fewer to hand over.
  for (qint64 pieceBytes = kFirstPieceBytes;; pieceBytes = kPieceBytes) {
    Report(StageProgress{RunStage::Loading, quint64(reader.BytesRead()), quint64(reader.Size())});
    if (cancel->IsCancelled()) {
      run.loadCancelled = true;
      return run;
    }
    auto lines = std::make_shared<PlainLines>();
    if (reader.Next(pieceBytes, *lines, run.loadError) == PlainLines::ReadStatus::Failed)
      return run;
    if (lines->RowCount() == 0) break;
    const bool first = pieceBytes == kFirstPieceBytes;
    QMetaObject::invokeMethod(
        this, [this, lines, first] { emit piece(lines, first); }, Qt::QueuedConnection);
  }
  run.loaded = true;
  return run;
}

void BackgroundRun::Report(const StageProgress& progress) {
  QMetaObject::invokeMethod(
      this, [this, progress] { emit progressed(progress); }, Qt::QueuedConnection);
  if (hook_) hook_(progress);
}

}  // namespace sievra
