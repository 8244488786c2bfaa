// Following a log as another program writes, cuts, rotates and removes it:
// after each step, what the output must hold (within a few seconds).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "engine_support.h"

namespace sievra::testing {
namespace {

namespace fs = std::filesystem;
using std::chrono::steady_clock;

struct FollowStep {
  const char* what;
  std::function<void(const fs::path& log)> act;
  std::string output;  // the output file after the step
};

void Append(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

FollowStep Appends(const char* bytes, std::string output) {
  return {bytes, [bytes](const fs::path& log) { Append(log, bytes); }, std::move(output)};
}

// Runs a followed run on its own thread until cancelled, so steps can act on
// the log meanwhile; the output is read back after each step.
class FollowedRun {
 public:
  explicit FollowedRun(EngineFixture& f) : f_(f) {
    f_.settings.follow = true;
    f_.settings.lineEnd = LineEnd::Lf;
    observer_.cancel = &cancel_;
    observer_.onKept = [this](std::string_view bytes, const RunCounts&) {
      const std::lock_guard lock(mutex_);
      kept_ += bytes;
    };
    observer_.onWaiting = [this](const std::string&) { ++waits_; };
    thread_ = std::jthread([this] { result_ = RunRequest(f_.settings, observer_); });
  }
  // True once the output holds `expected`, within 5 s.
  bool OutputBecomes(const std::string& expected) {
    const auto until = steady_clock::now() + std::chrono::seconds(5);
    while (ReadBytes(f_.settings.outputPath) != expected) {
      if (steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }
  RunResult Stop() {
    cancel_.Cancel();
    thread_.join();
    return result_;
  }
  std::string Kept() {
    const std::lock_guard lock(mutex_);
    return kept_;
  }
  int Waits() const { return waits_; }

 private:
  EngineFixture& f_;
  CancelToken cancel_;
  RunObserver observer_;
  RunResult result_;
  std::mutex mutex_;
  std::string kept_;
  std::atomic<int> waits_{0};
  std::jthread thread_;  // last: joined before what it uses goes
};

TEST(FollowTest, KeepsUpWithALogAsItIsWrittenCutRotatedAndRemoved) {
  struct Case {
    const char* name;
    const char* atStart;  // nullptr: the log is missing at the start
    std::vector<FollowStep> steps;
    std::string last;  // the output once stopped
  };
  const std::vector<Case> cases = {
      {"appended lines, duplicates dropped",
       "a\nb\n",
       {Appends("a\nc\n", "a\nb\nc\n"), Appends("d\r\nb\n", "a\nb\nc\nd\n")},
       "a\nb\nc\nd\n"},
      {"a partial last line waits for its end, and is not written at the stop",
       "a\n",
       {Appends("par", "a\n"), Appends("tial\nnext", "a\npartial\n"), Appends("\r", "a\npartial\n"),
        Appends("\nend", "a\npartial\nnext\n")},
       "a\npartial\nnext\n"},
      {"copy and truncate: read again from the start",
       "a\nb\n",
       {{"truncated", [](const fs::path& log) { fs::resize_file(log, 0); }, "a\nb\n"},
        Appends("c\na\n", "a\nb\nc\n")},
       "a\nb\nc\n"},
      {"rotated by renaming: the old file finished, the new one followed from its start",
       "a\n",
       {{"written to, renamed away, and a new file in its place",
         [](const fs::path& log) {
           Append(log, "old tail\nno end");
           fs::rename(log, log.string() + ".1");
           Append(log, "new\na\n");
         },
         "a\nold tail\nno end\nnew\n"}},
       "a\nold tail\nno end\nnew\n"},
      {"removed, then back",
       "a\n",
       {{"removed", [](const fs::path& log) { fs::remove(log); }, "a\n"},
        {"back", [](const fs::path& log) { Append(log, "b\na\n"); }, "a\nb\n"}},
       "a\nb\n"},
      {"missing at the start", nullptr, {Appends("x\nx\ny\n", "x\ny\n")}, "x\ny\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngineFixture f;
    const fs::path log = f.settings.inputPath;
    if (c.atStart != nullptr) WriteBytes(log, c.atStart);
    WriteBytes(f.settings.outputPath, "old output\n");  // emptied when following begins
    f.settings.fileType = FileType::Text;
    FollowedRun run(f);
    for (const FollowStep& step : c.steps) {
      SCOPED_TRACE(step.what);
      // Let the run reach the file's end first, so each step is met while following.
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      step.act(log);
      EXPECT_TRUE(run.OutputBecomes(step.output)) << ReadBytes(f.settings.outputPath);
    }
    const RunResult result = run.Stop();
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(ReadBytes(f.settings.outputPath), c.last);
    EXPECT_EQ(run.Kept(), c.last);  // the observer saw every kept line, in order
    EXPECT_EQ(result.counts.linesKept + result.counts.duplicatesRemoved, result.counts.linesRead);
    if (c.atStart == nullptr) {
      EXPECT_EQ(run.Waits(), 1);
    }
  }
}

// A stop before anything was kept leaves an emptied output and says so.
TEST(FollowTest, AStopWithNothingKept) {
  EngineFixture f;
  WriteBytes(f.settings.inputPath, "");
  WriteBytes(f.settings.outputPath, "old output\n");
  f.settings.fileType = FileType::Text;
  FollowedRun run(f);
  EXPECT_TRUE(run.OutputBecomes(""));
  EXPECT_EQ(run.Stop().outcome, RunOutcome::NothingKept);
}

}  // namespace
}  // namespace sievra::testing
