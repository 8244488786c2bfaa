#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "distinct_sketch.h"
#include "duplicate_check.h"
#include "file_io.h"
#include "file_parts.h"
#include "line_block_reader.h"
#include "sievra/line_counter.h"
#include "sievra/upper_case.h"

namespace sievra {

namespace {

constexpr std::size_t kCountChunkBytes = std::size_t{1} << 20;
// A smaller part is counted in a few milliseconds: not worth a thread. The
// parts are read from the file cache at once, and four already share its bandwidth.
constexpr std::uint64_t kMinPartBytes = std::uint64_t{4} << 20;
constexpr std::size_t kMaxParts = 4;
// How often the run's thread, its own part done, reports the others' progress.
constexpr auto kWaitReport = std::chrono::milliseconds(50);

// What the count of one part of the input found.
struct PartCount {
  LineTally tally;
  DistinctSketch sketch;
  std::atomic<std::uint64_t> bytesRead{0};
  std::error_code error;
  std::exception_ptr failure;
};

std::size_t CountingParts(std::uint64_t size, unsigned threads) {
  const std::uint64_t fit = std::max<std::uint64_t>(1, size / kMinPartBytes);
  return static_cast<std::size_t>(std::min<std::uint64_t>({threads, kMaxParts, fit}));
}

// Counts the lines of `in` up to its end (or the end it was told to stop at),
// asking `proceed()` after every block whether to go on. `counter`, when
// given, counts the lines that count instead of the tally.
template <class Proceed>
void CountPart(InputFile& in, PartCount& part, const KeySketcher& sketchKeys,
               std::optional<LineCounter> counter, const Proceed& proceed) {
  // Blocks of whole lines, so that every key is hashed in one piece.
  LineBlockReader reader(in, kCountChunkBytes, [&] {
    part.bytesRead.store(in.BytesRead(), std::memory_order_relaxed);  // within a long line
    return proceed();
  });
  std::string_view block;
  while (!(part.error = reader.Next(block)) && !block.empty()) {
    const LineTally t = sketchKeys(block, part.sketch);
    part.tally.lines += t.lines;
    part.tally.lookups += t.lookups;
    if (counter) {
      counter->Feed(block);
    } else {
      part.tally.counted += t.counted;
    }
    part.bytesRead.store(in.BytesRead(), std::memory_order_relaxed);
    if (!proceed()) return;
  }
  if (counter && !part.error) part.tally.counted = counter->Finish();
}

}  // namespace

void DuplicateCheck::CountInputLines(const KeySketcher& sketchKeys, bool sketchCounts) {
  auto stream = std::make_unique<InputFile>();
  InputFile& in = *stream;
  std::error_code ec = in.Open(InputPath, acceptStreams_);
  if (!ec && in.IsStream()) {
    // A stream cannot be read twice: the filter counts on its one read.
    stream_ = std::move(stream);
    return;
  }
  inputBytes_ = ec ? 0 : in.Size();
  monitor_.Begin(RunPhase::Counting, inputBytes_);
  if (ec) {
    FailReadingInput(ec);
    return;
  }
  std::vector<FilePart> ranges(1);
  if (const std::size_t count = CountingParts(inputBytes_, threads_); count > 1) {
    // The cut is found on a handle of its own, so that `in` reads from the start.
    // Should it fail, one part is counted as ever; the count reports the error.
    // Nothing is counted while it searches: the count stays at zero.
    const KeepSearching keepSearching = [this] { return Proceed(0); };
    InputFile probe;
    if (probe.Open(InputPath) || CutAtLines(probe, inputBytes_, count, keepSearching, ranges)) {
      if (result_.outcome != RunOutcome::Completed) return;  // cancelled
      ranges.assign(1, FilePart{});  // the whole file, whatever the cut had set
    }
  }
  std::vector<PartCount> parts(ranges.size());

  std::atomic<bool> stop{false};  // a part failed, or the run was cancelled
  const UpperCaser upper;
  // Counts part `i`: the first on `in`, the others on handles of their own.
  auto count = [&](std::size_t i, const auto& proceed) {
    PartCount& part = parts[i];
    try {
      InputFile own;
      if (i > 0 && !(part.error = own.Open(InputPath))) part.error = own.Seek(ranges[i].begin);
      InputFile& file = i == 0 ? in : own;
      file.StopAt(ranges[i].end);
      std::optional<LineCounter> counter;
      if (!sketchCounts) counter.emplace(upper, TargetCall, CountsFrames());
      if (!part.error) CountPart(file, part, sketchKeys, std::move(counter), proceed);
    } catch (...) {
      part.failure = std::current_exception();
    }
    if (part.error || part.failure) stop = true;
  };
  auto bytesRead = [&] {
    std::uint64_t done = 0;
    for (const PartCount& part : parts) done += part.bytesRead.load(std::memory_order_relaxed);
    return done;
  };
  // The run's thread reports progress; the others hear a cancel too, but only stop.
  auto proceedHere = [&] {
    if (!stop && !Proceed(bytesRead())) stop = true;
    return !stop;
  };
  auto keepGoing = [&] { return !stop.load(std::memory_order_relaxed) && !monitor_.Cancelled(); };

  std::mutex mutex;
  std::condition_variable finished;
  std::size_t running = 0;
  {
    std::vector<std::jthread> helpers;
    std::size_t next = 1;
    for (; next < parts.size(); ++next) {
      std::lock_guard lock(mutex);
      try {
        helpers.emplace_back([&, i = next] {
          count(i, keepGoing);
          std::lock_guard done(mutex);
          --running;
          finished.notify_one();
        });
        ++running;
      } catch (const std::system_error&) {
        break;  // no thread to be had: this thread counts the rest
      }
    }
    count(0, proceedHere);
    for (; next < parts.size() && !stop; ++next) count(next, proceedHere);
    std::unique_lock lock(mutex);
    while (!finished.wait_for(lock, kWaitReport, [&] { return running == 0; })) {
      lock.unlock();
      proceedHere();
      lock.lock();
    }
  }

  for (const PartCount& part : parts) {
    if (part.failure) std::rethrow_exception(part.failure);
  }
  if (result_.outcome != RunOutcome::Completed || CancelIfAsked()) return;
  DistinctSketch sketch;
  LineTally total;
  for (const PartCount& part : parts) {
    if (part.error) {
      FailReadingInput(part.error);
      return;
    }
    sketch.Merge(part.sketch);
    total.lines += part.tally.lines;
    total.counted += part.tally.counted;
    total.lookups += part.tally.lookups;
  }
  monitor_.Complete(bytesRead());
  result_.counts.linesCounted = total.counted;
  countedLines_ = total.lines;
  expectedLookups_ = total.lookups;
  expectedKeys_ = sketch.Estimate();
}

}  // namespace sievra
