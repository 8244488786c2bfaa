// What a caller following a run sees: progress by phase, and cancelling.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <optional>
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

// Bytes this process has read so far, where the system counts them (Linux).
std::optional<std::uint64_t> ProcessBytesRead() {
  std::ifstream io("/proc/self/io");
  std::string name;
  std::uint64_t bytes = 0;
  while (io >> name >> bytes) {
    if (name == "rchar:") return bytes;
  }
  return std::nullopt;
}

// The engine's one table of cancels: in each phase, on one thread and on
// several, of many lines and of one line with no end (which a cut search and
// the block reader would read whole). The run stops within about a MiB read
// per thread, leaves the output as it was, and the next run works.
TEST(ProgressTest, CancelInAnyPhaseStopsSoonLeavesTheOutputAndTheNextRunWorks) {
  constexpr std::uint64_t kSoonBytes = std::uint64_t{3} << 20;
  const struct {
    const char* name;
    std::string input;
  } inputs[] = {{"many lines", BigLog()},
                {"no line end", "N0CALL>APRS:" + std::string((std::size_t{8} << 20) + 5, 'x')}};
  for (const auto& input : inputs) {
    for (const unsigned threads : testing::kThreadRows) {
      for (RunPhase phase : {RunPhase::Counting, RunPhase::Filtering, RunPhase::Writing}) {
        SCOPED_TRACE(std::string(input.name) + ", phase " +
                     std::to_string(static_cast<int>(phase)) + ", " +
                     testing::ThreadsName(threads));
        EngineFixture f;
        WriteBytes(f.settings.inputPath, input.input);
        WriteBytes(f.settings.outputPath, "older result\r\n");
        CancelToken cancel;
        std::optional<std::uint64_t> readBeforeCancel;
        f.observer = {[&](const RunProgress& p) {
                        if (p.phase != phase || cancel.IsCancelled()) return;
                        readBeforeCancel = ProcessBytesRead();
                        cancel.Cancel();
                      },
                      &cancel,
                      {},
                      {}};
        EXPECT_EQ(testing::RunOnThreads(f, threads), RunOutcome::Cancelled);
        if (readBeforeCancel) {
          EXPECT_LT(*ProcessBytesRead() - *readBeforeCancel, kSoonBytes) << "read after the cancel";
        }
        EXPECT_EQ(MessageOf(f.result), "The run was cancelled; the output file was not changed.");
        EXPECT_EQ(f.Output(), "older result\r\n");
        EXPECT_EQ(f.dir.Listing(), (std::vector<std::string>{"in.txt", "out.txt"}));

        f.observer = {};
        EXPECT_EQ(f.Run(), RunOutcome::Completed);
        EXPECT_EQ(f.result.counts.linesRead, f.result.counts.linesCounted);
      }
    }
  }
}

}  // namespace
}  // namespace sievra
