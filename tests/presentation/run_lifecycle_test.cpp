// The run on its worker thread: every report reaches the UI thread in order,
// a fault on the worker becomes a failed run, and nothing reaches an owner
// that is gone. A cancel at each stage is tabled in the model's tests.
#include "sievra/presentation/run_lifecycle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "sievra/presentation/result_lines.h"
#include "sievra/presentation/wording.h"
#include "task_queue.h"
#include "test_support.h"

namespace sievra {
namespace {

struct LifecycleRig {
  testing::TaskQueue ui;
  testing::TempDir dir;
  std::vector<RunStage> stages;
  std::vector<bool> pieceFirst;
  std::size_t rows = 0;
  std::optional<FinishedRun> finished;
  std::vector<RunCounts> following;
  std::unique_ptr<RunLifecycle> run = std::make_unique<RunLifecycle>(
      ui.Dispatcher(),
      RunLifecycle::Callbacks{[this](const StageProgress& p) { stages.push_back(p.stage); },
                              [this](std::shared_ptr<ResultLines> piece, bool first) {
                                pieceFirst.push_back(first);
                                rows += piece->RowCount();
                              },
                              [this](const FinishedRun& done) { finished = done; },
                              [this](const RunCounts& counts) { following.push_back(counts); }});

  // A text run on `input`, over an output that holds "old".
  RunSettings Settings(std::string_view input) {
    RunSettings settings;
    settings.inputPath = dir.File("in.txt");
    settings.outputPath = dir.File("out.txt");
    settings.fileType = FileType::Text;
    testing::WriteBytes(settings.inputPath, input);
    testing::WriteBytes(settings.outputPath, "old\r\n");
    return settings;
  }
  const FinishedRun& RunToEnd(const RunSettings& settings) {
    run->Start(settings);
    EXPECT_TRUE(run->IsRunning());
    EXPECT_TRUE(ui.RunUntil([this] { return finished.has_value(); }));
    EXPECT_FALSE(run->IsRunning());
    return *finished;
  }
};

// Distinct lines enough for more than one piece of the result.
std::string ManyLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

TEST(RunLifecycle, CompletedRunHandsTheOutputOverInPieces) {
  LifecycleRig rig;
  const FinishedRun& done = rig.RunToEnd(rig.Settings(ManyLines(40'000) + "line 7\r\n"));
  EXPECT_EQ(done.result.outcome, RunOutcome::Completed);
  EXPECT_TRUE(done.loaded);
  EXPECT_EQ(rig.rows, 40'000u);
  ASSERT_GE(rig.pieceFirst.size(), 2u);
  EXPECT_TRUE(rig.pieceFirst.front());
  EXPECT_EQ(std::count(rig.pieceFirst.begin(), rig.pieceFirst.end(), true), 1);
  EXPECT_EQ(rig.stages.front(), RunStage::Counting);
  EXPECT_EQ(rig.stages.back(), RunStage::Loading);
  EXPECT_TRUE(std::is_sorted(rig.stages.begin(), rig.stages.end()));
}

TEST(RunLifecycle, FaultOnTheWorkerEndsTheRunNotTheProgram) {
  struct Row {
    const char* name;
    RunStage stage;
    RunOutcome outcome;
    std::string message;
    std::string loadError;
  };
  const Row rows[] = {
      {"in the engine", RunStage::Filtering, RunOutcome::Failed, "The run failed: boom.", ""},
      {"reading the result back", RunStage::Loading, RunOutcome::Completed, "", "boom"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LifecycleRig rig;
    rig.run->SetWorkerHook([stage = row.stage](const StageProgress& p) {
      if (p.stage == stage) throw std::runtime_error("boom");
    });
    const FinishedRun& done = rig.RunToEnd(rig.Settings("a\r\n"));
    EXPECT_EQ(done.result.outcome, row.outcome);
    EXPECT_EQ(OutcomeMessage(done.result), row.message);
    EXPECT_EQ(done.loadError, row.loadError);
    EXPECT_FALSE(done.loaded);
  }
}

TEST(RunLifecycle, ReportsForAnOwnerThatIsGoneAreDropped) {
  LifecycleRig rig;
  rig.run->Start(rig.Settings(ManyLines(1000)));
  rig.run->CancelAndWait();  // the worker is done; its reports wait in the queue
  rig.run.reset();
  rig.ui.RunPending();
  EXPECT_TRUE(rig.stages.empty());
  EXPECT_FALSE(rig.finished.has_value());
}

// The hook is the run's own from Start on: setting another during a run (on
// the UI thread, while the worker calls the hook) changes only the next run.
TEST(RunLifecycle, HookSetDuringARunServesTheNextRun) {
  LifecycleRig rig;
  std::atomic<int> first{0}, second{0};
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  rig.run->SetWorkerHook([&first, released](const StageProgress&) {
    if (first++ == 0) released.wait();
  });
  const RunSettings settings = rig.Settings("a\r\n");
  rig.run->Start(settings);
  rig.run->SetWorkerHook([&second](const StageProgress&) { ++second; });
  release.set_value();
  ASSERT_TRUE(rig.ui.RunUntil([&rig] { return rig.finished.has_value(); }));
  EXPECT_GT(first.load(), 1);
  EXPECT_EQ(second.load(), 0);
  rig.finished.reset();
  rig.RunToEnd(settings);
  EXPECT_GT(second.load(), 0);
}

TEST(RunLifecycle, CancelFromAnotherThreadWhileRunsStart) {
  LifecycleRig rig;
  const RunSettings settings = rig.Settings("a\r\n");
  std::atomic<bool> stop{false};
  std::thread asker([&] {
    while (!stop) {
      (void)rig.run->CancelRequested();
      rig.run->Cancel();
    }
  });
  for (int i = 0; i < 20; ++i) {
    rig.finished.reset();
    rig.RunToEnd(settings);
  }
  stop = true;
  asker.join();
}

// A toolkit queue seen from the core: it counts the wake-ups waiting in it and
// refuses the first `refusals` of them, as a full Windows message queue does.
struct CountingQueue {
  testing::TaskQueue queue;
  std::mutex mutex;
  int waiting = 0;
  int mostWaiting = 0;
  int refusals = 0;
  UiDispatcher Dispatcher() {
    return [this, inner = queue.Dispatcher()](std::function<void()> task) {
      {
        const std::lock_guard lock(mutex);
        if (refusals > 0) {
          --refusals;
          throw std::runtime_error("queue full");
        }
        mostWaiting = std::max(mostWaiting, ++waiting);
      }
      inner([this, task = std::move(task)] {
        {
          const std::lock_guard lock(mutex);
          --waiting;
        }
        task();
      });
    };
  }
};

// However many reports a run makes, one wake-up at a time waits in the
// toolkit's queue, and wake-ups it refuses for a while lose nothing: every
// report arrives, in order, and so does the run's end.
TEST(RunLifecycle, OneWakeUpAtATimeAndNoneLost) {
  for (const int refusals : {0, 3, 40}) {
    SCOPED_TRACE(refusals);
    CountingQueue toolkit;
    toolkit.refusals = refusals;
    std::vector<RunStage> stages;
    std::optional<FinishedRun> finished;
    RunLifecycle run(toolkit.Dispatcher(),
                     {[&](const StageProgress& p) { stages.push_back(p.stage); }, nullptr,
                      [&](const FinishedRun& done) { finished = done; }, nullptr});
    testing::TempDir dir;
    RunSettings settings;
    settings.inputPath = dir.File("in.txt");
    settings.outputPath = dir.File("out.txt");
    settings.fileType = FileType::Text;
    testing::WriteBytes(settings.inputPath, ManyLines(1000));
    run.Start(settings);
    ASSERT_TRUE(toolkit.queue.RunUntil([&] { return finished.has_value(); }));
    EXPECT_EQ(finished->result.outcome, RunOutcome::Completed);
    EXPECT_TRUE(finished->loaded);
    EXPECT_EQ(toolkit.mostWaiting, 1);
    ASSERT_FALSE(stages.empty());
    EXPECT_EQ(stages.front(), RunStage::Counting);
    EXPECT_EQ(stages.back(), RunStage::Loading);
    EXPECT_TRUE(std::is_sorted(stages.begin(), stages.end()));
  }
}

// A dropped result is freed on a thread of the lifecycle's own, which is
// joined with it: nothing outlives the owner.
TEST(RunLifecycle, ADroppedResultIsFreedByTheTimeItsOwnerIsGone) {
  LifecycleRig rig;
  auto lines = std::make_shared<ResultLines>();
  testing::WriteBytes(rig.dir / "big.txt", ManyLines(200'000));
  ResultLinesReader reader;
  std::string error;
  ASSERT_TRUE(reader.Open(rig.dir.File("big.txt"), error));
  ASSERT_TRUE(reader.Next(std::size_t{64} << 20, *lines, error));
  ASSERT_GT(lines->ByteCount(), std::uint64_t{1} << 20);
  const std::weak_ptr<ResultLines> watch = lines;
  rig.run->FreeInBackground(std::move(lines));
  rig.run.reset();
  EXPECT_TRUE(watch.expired());
}

// A followed input: kept lines reach the UI as they come, each piece after
// the last, with the counts so far; Cancel ends the run as completed, with
// nothing read back.
TEST(RunLifecycle, AFollowedInputHandsOnItsLinesUntilCancelled) {
  LifecycleRig rig;
  RunSettings settings = rig.Settings("a\r\nb\r\na\r\n");
  settings.follow = true;
  rig.run->Start(settings);
  ASSERT_TRUE(rig.ui.RunUntil([&] { return rig.rows == 2 && !rig.following.empty(); }));
  testing::WriteBytes(settings.inputPath, "a\r\nb\r\na\r\nc\r\n");
  // The counts come right after the lines they add.
  ASSERT_TRUE(
      rig.ui.RunUntil([&] { return rig.rows == 3 && rig.following.back().linesRead == 4; }));
  EXPECT_EQ(rig.following.back().linesKept, 3u);
  EXPECT_EQ(rig.following.back().duplicatesRemoved, 1u);
  rig.run->Cancel();
  ASSERT_TRUE(rig.ui.RunUntil([&] { return rig.finished.has_value(); }));
  EXPECT_EQ(rig.finished->result.outcome, RunOutcome::Completed);
  EXPECT_TRUE(rig.finished->loaded);
  EXPECT_EQ(rig.pieceFirst, (std::vector<bool>{true, false}));
  EXPECT_EQ(std::count(rig.stages.begin(), rig.stages.end(), RunStage::Loading), 0);
  EXPECT_EQ(testing::ReadBytes(settings.outputPath), "a\r\nb\r\nc\r\n");
}

}  // namespace
}  // namespace sievra
