#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "sievra/engine.h"
#include "sievra/ui/plain_lines.h"

namespace sievra {

// The steps of a run as the window shows them: the engine's three phases, then
// reading the output file for the results box.
enum class RunStage { Counting, Filtering, Writing, Loading };

// `done` of `total` bytes of the current stage.
struct StageProgress {
  RunStage stage = RunStage::Counting;
  quint64 done = 0;
  quint64 total = 0;
};

// What a run hands back to the window.
struct FinishedRun {
  RunResult result;
  // After a completed run: the output file was read whole (its pieces came
  // through BackgroundRun::piece); false when it could not be, or Cancel came.
  bool loaded = false;
  QString loadError;           // why the output file could not be read
  bool loadCancelled = false;  // Cancel came after the output was written
};

// Runs the engine and reads its output file on a worker thread. Progress and
// the end of the run come back as signals on the thread that owns this object.
class BackgroundRun : public QObject {
  Q_OBJECT

 public:
  explicit BackgroundRun(QObject* parent = nullptr);
  // Cancels a run still going and waits for it.
  ~BackgroundRun() override;

  // Starts a run; only one at a time.
  void Start(const RunSettings& settings);
  bool IsRunning() const;
  // Asks the run to stop; the engine stops within a fraction of a second.
  void Cancel();
  // Whether Cancel was asked for the current run; safe from any thread.
  bool CancelRequested() const { return cancel_ && cancel_->IsCancelled(); }
  // Cancels and blocks until the worker has left the engine.
  void CancelAndWait();
  // Also called on the worker thread with every progress report, before the
  // signal is queued: tests use it to act at an exact stage.
  void SetWorkerHook(std::function<void(const StageProgress&)> hook) { hook_ = std::move(hook); }

 signals:
  void progressed(sievra::StageProgress progress);
  // The next piece of the output file, read and split off the window's thread,
  // so that its first lines can be shown while the rest is read. `first` starts
  // a new result.
  void piece(std::shared_ptr<sievra::PlainLines> lines, bool first);
  void finished(const sievra::FinishedRun& run);

 private:
  FinishedRun Work(const RunSettings& settings, const std::shared_ptr<CancelToken>& cancel);
  void Report(const StageProgress& progress);

  QFutureWatcher<FinishedRun> watcher_;
  std::shared_ptr<CancelToken> cancel_;
  std::function<void(const StageProgress&)> hook_;
};

}  // namespace sievra

Q_DECLARE_METATYPE(sievra::StageProgress)
