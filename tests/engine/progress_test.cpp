// What a caller following a run sees: progress by phase, and cancelling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_support.h"

namespace sievra {
namespace {

using testing::EngineFixture;
using testing::WriteBytes;

// Over 9 MiB with 8 MiB kept, so every phase crosses several reads or output
// blocks, and kept blocks are written while the filter still reads.
std::string BigLog() {
  std::string log;
  for (int i = 0; log.size() < (std::size_t{9} << 20) + 12345; ++i)
    log += "N0CALL>APRS,WIDE1-1:payload " + std::to_string(i % 220000) + "\r\n";
  return log;
}

TEST(ProgressTest, EachPhaseRisesFromZeroToItsTotal) {
  const std::string log = BigLog();
  for (const unsigned threads : testing::kThreadRows) {
    SCOPED_TRACE(testing::ThreadsName(threads));
    EngineFixture f;
    std::vector<RunProgress> seen;
    f.observer.onProgress = [&](const RunProgress& p) { seen.push_back(p); };
    WriteBytes(f.settings.inputPath, log);
    ASSERT_EQ(testing::RunOnThreads(f, threads), RunOutcome::Completed);
    const std::uint64_t written = f.Output().size();

    const struct {
      RunPhase phase;
      std::uint64_t total;
    } phases[] = {{RunPhase::Counting, log.size()},
                  {RunPhase::Filtering, log.size()},
                  {RunPhase::Writing, written}};
    std::size_t i = 0;
    for (const auto& phase : phases) {
      SCOPED_TRACE(static_cast<int>(phase.phase));
      ASSERT_LT(i, seen.size());
      EXPECT_EQ(seen[i].done, 0u);
      std::uint64_t last = 0;
      for (; i < seen.size() && seen[i].phase == phase.phase; ++i) {
        EXPECT_EQ(seen[i].total, phase.total);
        EXPECT_GE(seen[i].done, last);
        last = seen[i].done;
      }
      EXPECT_EQ(last, phase.total);
    }
    EXPECT_EQ(i, seen.size()) << "a report came after the writing phase ended";
  }
}

TEST(ProgressTest, CancelInAnyPhaseLeavesTheOutputAndTheNextRunWorks) {
  const std::string log = BigLog();
  for (const unsigned threads : testing::kThreadRows) {
    for (RunPhase phase : {RunPhase::Counting, RunPhase::Filtering, RunPhase::Writing}) {
      SCOPED_TRACE(std::to_string(static_cast<int>(phase)) + ", " + testing::ThreadsName(threads));
      EngineFixture f;
      WriteBytes(f.settings.inputPath, log);
      WriteBytes(f.settings.outputPath, "older result\r\n");
      CancelToken cancel;
      f.observer = {[&](const RunProgress& p) {
                      if (p.phase == phase) cancel.Cancel();
                    },
                    &cancel};
      EXPECT_EQ(testing::RunOnThreads(f, threads), RunOutcome::Cancelled);
      EXPECT_EQ(MessageOf(f.result), "The run was cancelled; the output file was not changed.");
      EXPECT_EQ(f.Output(), "older result\r\n");
      EXPECT_EQ(f.dir.Listing(), (std::vector<std::string>{"in.txt", "out.txt"}));

      f.observer = {};
      EXPECT_EQ(f.Run(), RunOutcome::Completed);
      EXPECT_EQ(f.result.counts.linesRead, f.result.counts.linesCounted);
    }
  }
}

}  // namespace
}  // namespace sievra
