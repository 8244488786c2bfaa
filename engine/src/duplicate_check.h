#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "kept_lines.h"
#include "sievra/engine.h"

namespace sievra {

class BlockWriter;
class DistinctSketch;
class InputFile;
struct FilePart;

// Hands progress to the observer no more often than it can use, and answers
// whether the run should stop.
class RunMonitor {
 public:
  explicit RunMonitor(const RunObserver& observer) : observer_(observer) {}

  void Begin(RunPhase phase, std::uint64_t total);
  // Reports `done` when enough time has passed; true when the run must stop.
  bool Advance(std::uint64_t done);
  // Reports the phase's last figure whatever the time.
  void Complete(std::uint64_t done) { Report(done); }
  bool Cancelled() const { return observer_.cancel != nullptr && observer_.cancel->IsCancelled(); }
  const RunObserver& Observer() const { return observer_; }

 private:
  void Report(std::uint64_t done);

  const RunObserver& observer_;
  RunProgress progress_;
  std::chrono::steady_clock::time_point lastReport_{};
};

// What the counting pass saw of some lines.
struct LineTally {
  std::uint64_t lines = 0;    // every line
  std::uint64_t counted = 0;  // the lines that count
  // The lines the filter will look up: examined, and not repeating the one before.
  std::uint64_t lookups = 0;
};

// Adds the keys of a block's lines to the sketch and tallies the lines.
using KeySketcher = std::function<LineTally(std::string_view block, DistinctSketch& sketch)>;

// One run: its state and the procedures that read and write it. Made afresh
// for each run, so nothing a run kept outlives it.
class DuplicateCheck {
 public:
  // With `threads` above one, the steps that pay run on threads of their own.
  DuplicateCheck(const RunSettings& settings, const RunObserver& observer, unsigned threads);
  ~DuplicateCheck();

  // Counts, filters and writes; the result says how it went.
  RunResult RunDuplicateCheck();
  // Counts the lines that can be kept and estimates how many distinct keys
  // the filter will meet, on as many cores as pay; the tally's count of lines
  // that count is used when `sketchCounts`, LineCounter's otherwise.
  void CountInputLines(const KeySketcher& sketchKeys, bool sketchCounts);
  // Counts, then keeps the first occurrence of every distinct line and writes them.
  void FilterTextLines();
  // Counts, then keeps the target's frames with a payload not yet kept,
  // optionally path-cut, and writes them.
  void FilterPacketLines();
  // Whether the run takes the rules' path: any rule but the plain one, a
  // report, more than one input, or Streams().
  bool JudgesByRules() const;
  // Whether kept lines go to standard output as a stream brings them: keeping
  // the first, from standard input or a pipe.
  bool Streams() const;
  // Judges the lines by the run's rules on one thread, in one pass or, for a
  // rule that needs the whole input first, two; writes the output and reports.
  void FilterByRules();

  // The run state.
  std::string InputPath;
  std::string OutputPath;
  std::string TargetCall;
  std::string TrimmedTarget;
  bool PacketMode = false;
  bool StripPath = false;
  bool LogPrefixes = true;  // Packet: pass over a time stamp or tag before each frame
  DuplicateRules Rules;
  RunReports Reports;
  std::vector<std::string> MoreInputPaths;
  bool Follow = false;  // keep reading the last input as it grows, until cancelled
  KeptLineTable KeptLines;

 private:
  class FollowedFile;
  class RuledInputs;
  template <class Policy>
  void FilterByRules(const Policy& policy);
  template <class Policy>
  void CountAndFilter(const Policy& policy);
  template <class Policy>
  void FilterLines(const Policy& policy);
  template <class Policy>
  std::error_code FilterBlocks(InputFile& in, const Policy& policy, BlockWriter& writer);
  template <class Policy, class Pipeline>
  std::error_code FilterScannedAhead(InputFile& in, const Policy& policy, Pipeline& pipeline,
                                     BlockWriter& writer);
  // Hands the writer, when it writes early, the kept blocks that are full.
  void PostFullBlocks(BlockWriter& writer);
  // Hands the writer the kept blocks it has not had yet and waits for the output.
  void WriteKeptLines(BlockWriter& writer);
  // Hands the writer the kept blocks below `upTo` it has not had yet.
  void PostKeptBlocks(BlockWriter& writer, std::size_t upTo);
  // Opens the input and begins the counting phase; null for a stream (kept
  // for the filter) and when it fails.
  std::unique_ptr<InputFile> OpenForCounting();
  // The parts to count on as many threads as pay; false when cancelled.
  bool CutForCounting(std::vector<FilePart>& ranges);
  // Opens an input as the run reads it: a stream's reads give way to a cancel.
  std::error_code OpenInput(InputFile& in, const std::string& path);
  void FailReadingInput(const std::error_code& ec) { FailReading(InputPath, ec); }
  void FailReading(const std::string& path, const std::error_code& ec);
  void FailWritingOutput(const std::error_code& ec);
  bool IsStandardStream(const std::string& path) const;
  // Whether the counting test looks past a line's time stamp or tag to its frame.
  bool CountsFrames() const { return PacketMode && LogPrefixes; }
  void Fail(FailedFile file, FailedStep step, const std::string& path, std::string reason);
  // Reports `done` bytes of the phase; false, with the run cancelled, when asked to stop.
  bool Proceed(std::uint64_t done);
  // Proceed without a report: for a step that another thread ended on a cancel.
  bool CancelIfAsked();

  RunMonitor monitor_;
  RunResult result_;
  const bool acceptStreams_;
  const unsigned threads_;  // at least one
  const std::string_view lineEnd_;
  std::unique_ptr<InputFile> stream_;  // an input that can be read only once, kept for the filter
  std::uint64_t inputBytes_ = 0;       // the input's size when the run began, for progress
  std::size_t expectedKeys_ = 0;       // distinct keys the counting pass saw; 0 for a stream
  std::size_t postedBlocks_ = 0;       // kept blocks handed to the writer
  // What the counting pass saw: lines, and the lookups the filter will make.
  std::uint64_t countedLines_ = 0;
  std::uint64_t expectedLookups_ = 0;
};

}  // namespace sievra
