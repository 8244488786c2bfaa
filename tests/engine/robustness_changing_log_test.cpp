// Logs that a TNC program appends to, truncates or rewrites while a run reads
// them (the input is read twice per run): every kept line is made of bytes
// really read, every distinct line read is kept once, and the next run works.

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "first_match_reference.h"
#include "robustness_support.h"

namespace sievra::robustness {
namespace {

constexpr std::string_view kOldOutput = "output of an earlier run\r\n";

// Frames with distinct payloads, so that both filters keep the same lines.
std::string Frames(int first, int count) {
  std::string text;
  for (int i = first; i < first + count; ++i)
    text += "N0CALL>APRS:line " + std::to_string(i) + "\r\n";
  return text;
}

struct ChangeRow {
  const char* name;
  std::string callsign;
  std::string whenCounted;   // the log as the counting pass reads it
  std::string whenFiltered;  // the log as the filter reads it
};

const ChangeRow kChangeRows[] = {
    {"robustness: log grows far beyond the count", "", Frames(0, 5),
     Frames(0, 400) + Frames(0, 400)},
    // More distinct lines than the index sized from the count can hold: it
    // grows, and must still know the lines from before.
    {"robustness: log grows past the index's first size", "", Frames(0, 5),
     Frames(0, 6300) + Frames(0, 100)},
    {"robustness: log created between the passes", "", "", Frames(0, 50)},
    {"robustness: log truncated to a few lines", "", Frames(0, 1000), Frames(0, 3)},
    {"robustness: log truncated inside a line", "", Frames(0, 1000),
     Frames(0, 2) + "N0CALL>APRS:li"},
    {"robustness: log emptied", "", Frames(0, 1000), ""},
    {"robustness: log rewritten with other lines", "", Frames(0, 100), Frames(500, 120)},
    {"robustness: callsign counts none, filter keeps many", " N0CALL", Frames(0, 300),
     Frames(0, 300)},
};

TEST(ChangingLogTest, FilterKeepsWhatItReadsWhateverTheCountSaid) {
  for (const ChangeRow& row : kChangeRows) {
    for (bool packet : {false, true}) {
      SCOPED_TRACE(std::string(row.name) + (packet ? " (packet)" : " (text)"));
      TempDir folder;
      WriteBytes(folder / "out.txt", kOldOutput);
      EngineRig rig(folder / "in.txt", folder / "out.txt");
      WriteBytes(folder / "in.txt", row.whenCounted);
      // The log changes once counted, before the filter opens it.
      rig.observer.onProgress = [&, changed = false](const RunProgress& progress) mutable {
        if (progress.phase != RunPhase::Filtering || changed) return;
        changed = true;
        WriteBytes(folder / "in.txt", row.whenFiltered);
      };
      const RunOutcome outcome = packet ? rig.RunPacket(row.callsign) : rig.RunText(row.callsign);
      const reference::Settings settings{packet, false, row.callsign};
      EXPECT_EQ(rig.result.counts.linesCounted,
                reference::Filter(settings, row.whenCounted).counted);
      const std::vector<std::string> kept = reference::Filter(settings, row.whenFiltered).kept;
      EXPECT_EQ(outcome, kept.empty() ? RunOutcome::NothingKept : RunOutcome::Completed);
      EXPECT_EQ(ReadBytes(folder / "out.txt"), kept.empty() ? kOldOutput : CrLfLines(kept));

      // A whole run on the log as it now stands gives the same.
      rig.observer = {};
      EXPECT_EQ(packet ? rig.RunPacket(row.callsign) : rig.RunText(row.callsign), outcome);
      EXPECT_EQ(ReadBytes(folder / "out.txt"), kept.empty() ? kOldOutput : CrLfLines(kept));
    }
  }
}

// Every line the writer below writes is "line-" and six digits; whatever moment
// a read catches, a kept line can only be a piece of one of them.
bool IsPieceOfAWrittenLine(std::string_view line) {
  return line.size() <= 11 && line.find_first_not_of("line-0123456789") == std::string::npos;
}

// Appends numbered lines to the log and truncates it to nothing, over and over,
// through its own descriptor, as a TNC program that restarts its log would.
class RestartingLogWriter {
 public:
  explicit RestartingLogWriter(const fs::path& log)
      : fd_(::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644)) {
    thread_ = std::thread([this] { Write(); });
  }
  ~RestartingLogWriter() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
  }

  // Completed write-and-truncate rounds so far.
  unsigned Rounds() const { return rounds_; }

 private:
  void Write() {
    for (unsigned round = 0; !stop_; rounds_ = ++round) {
      if (::ftruncate(fd_, 0) != 0) return;
      for (unsigned i = 0; i < 400 && !stop_; ++i) {
        char line[16];
        const int n = std::snprintf(line, sizeof line, "line-%06u\n", (round * 7 + i) % 1000);
        if (::write(fd_, line, static_cast<std::size_t>(n)) != n) return;
      }
    }
  }

  int fd_;
  std::atomic<bool> stop_{false};
  std::atomic<unsigned> rounds_{0};
  std::thread thread_;
};

TEST(ChangingLogTest, LogRewrittenDuringRunsGivesOnlyBytesReallyRead) {
  TempDir folder;
  EngineRig rig(folder / "in.txt", folder / "out.txt");
  int completed = 0;
  {
    RestartingLogWriter writer(folder / "in.txt");
    while (writer.Rounds() == 0) std::this_thread::yield();
    // Enough runs to overlap many truncations; the cap only guards a starved writer.
    for (int run = 0; (completed < 200 || writer.Rounds() < 100) && run < 100000; ++run) {
      rig.Acknowledge();
      const RunOutcome outcome = rig.RunText();
      ASSERT_TRUE(outcome == RunOutcome::Completed || outcome == RunOutcome::NothingKept)
          << "run " << run << ": " << MessageOf(rig.result);
      if (outcome != RunOutcome::Completed) continue;
      ++completed;
      const std::vector<std::string> lines = reference::Lines(ReadBytes(folder / "out.txt"));
      for (const std::string& line : lines) ASSERT_TRUE(IsPieceOfAWrittenLine(line)) << line;
      ASSERT_EQ(reference::Filter({}, CrLfLines(lines)).kept, lines) << "a line kept twice";
    }
  }
  // Which moments the runs caught is up to the scheduler; most runs find lines.
  EXPECT_GT(completed, 0);

  WriteBytes(folder / "in.txt", "line-000001\nline-000001\nline-000002\n");
  rig.Acknowledge();
  EXPECT_EQ(rig.RunText(), RunOutcome::Completed);
  EXPECT_EQ(ReadBytes(folder / "out.txt"), "line-000001\r\nline-000002\r\n");
  EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"in.txt", "out.txt"}));
}

}  // namespace
}  // namespace sievra::robustness
