#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
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

// Asked by a part's count between blocks, and within a long line; false stops it.
using KeepCounting = std::function<bool()>;

// Counts the lines of `in` up to its end (or the end it was told to stop at),
// asking `proceed()` after every block whether to go on. `counter`, when
// given, counts the lines that count instead of the tally.
void CountPart(InputFile& in, PartCount& part, const KeySketcher& sketchKeys,
               std::optional<LineCounter> counter, const KeepCounting& proceed) {
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

// What every part's count needs besides its bytes.
struct PartSetup {
  const std::string& path;
  InputFile& first;  // open on the file: the first part is read on it
  const KeySketcher& sketchKeys;
  const UpperCaser& upper;
  std::string_view target;  // LineCounter's, unless the sketch counts
  bool framesOnly;
  bool sketchCounts;
};

// Counts part `i`, [range.begin, range.end) of the file: the first on the open
// handle, the others on handles of their own. Keeps what it throws in the part.
void CountRange(const PartSetup& setup, std::size_t i, const FilePart& range, PartCount& part,
                const KeepCounting& proceed) {
  try {
    InputFile own;
    if (i > 0 && !(part.error = own.Open(setup.path))) part.error = own.Seek(range.begin);
    InputFile& file = i == 0 ? setup.first : own;
    file.StopAt(range.end);
    std::optional<LineCounter> counter;
    if (!setup.sketchCounts) counter.emplace(setup.upper, setup.target, setup.framesOnly);
    if (!part.error) CountPart(file, part, setup.sketchKeys, std::move(counter), proceed);
  } catch (...) {
    part.failure = std::current_exception();
  }
}

// Counts the parts at once: the first, and any that no thread could be had
// for, on the run's thread, which reports progress and hears a cancel; the
// others on threads of their own, which hear a cancel too, but only stop. A
// part that fails, or a cancel, stops them all.
class PartCounting {
 public:
  using Proceed = std::function<bool(std::uint64_t done)>;

  PartCounting(const PartSetup& setup, const std::vector<FilePart>& ranges,
               std::vector<PartCount>& parts, const Proceed& proceed,
               const KeepCounting& notCancelled)
      : setup_(setup),
        ranges_(ranges),
        parts_(parts),
        proceed_(proceed),
        notCancelled_(notCancelled) {}

  // Returns once every part is counted or stopped, its threads joined.
  void Run() {
    std::vector<std::jthread> helpers;
    std::size_t next = 1;
    while (next < parts_.size() && StartHelper(next, helpers)) ++next;
    const KeepCounting proceedHere = [this] { return ProceedHere(); };
    Count(0, proceedHere);
    for (; next < parts_.size() && !stop_.stop_requested(); ++next) Count(next, proceedHere);
    WaitForHelpers();
  }

 private:
  // False when no thread is to be had: this thread then counts the rest.
  bool StartHelper(std::size_t i, std::vector<std::jthread>& helpers) {
    std::lock_guard lock(mutex_);
    try {
      helpers.emplace_back([this, i] {
        Count(i, [this] { return !stop_.stop_requested() && notCancelled_(); });
        std::lock_guard done(mutex_);
        --running_;
        finished_.notify_one();
      });
    } catch (const std::system_error&) {
      return false;
    }
    ++running_;
    return true;
  }

  void Count(std::size_t i, const KeepCounting& proceed) {
    PartCount& part = parts_[i];
    CountRange(setup_, i, ranges_[i], part, proceed);
    if (part.error || part.failure) stop_.request_stop();
  }

  bool ProceedHere() {
    if (!stop_.stop_requested() && !proceed_(BytesRead())) stop_.request_stop();
    return !stop_.stop_requested();
  }

  // Reports the others' progress while they count.
  void WaitForHelpers() {
    std::unique_lock lock(mutex_);
    while (!finished_.wait_for(lock, kWaitReport, [this] { return running_ == 0; })) {
      lock.unlock();
      ProceedHere();
      lock.lock();
    }
  }

  std::uint64_t BytesRead() const {
    std::uint64_t done = 0;
    for (const PartCount& part : parts_) done += part.bytesRead.load(std::memory_order_relaxed);
    return done;
  }

  const PartSetup& setup_;
  const std::vector<FilePart>& ranges_;
  std::vector<PartCount>& parts_;
  const Proceed& proceed_;            // on the run's thread: reports, and false on a cancel
  const KeepCounting& notCancelled_;  // on any thread
  std::stop_source stop_;
  std::mutex mutex_;
  std::condition_variable finished_;
  std::size_t running_ = 0;  // helpers still counting
};

// What the parts found, added up; the first part's error, if any. Rethrows
// what a part threw.
struct CountTotals {
  LineTally tally;
  DistinctSketch sketch;
  std::uint64_t bytesRead = 0;
  std::error_code error;
};

CountTotals AddUp(const std::vector<PartCount>& parts) {
  for (const PartCount& part : parts) {
    if (part.failure) std::rethrow_exception(part.failure);
  }
  CountTotals total;
  for (const PartCount& part : parts) {
    if (part.error && !total.error) total.error = part.error;
    total.sketch.Merge(part.sketch);
    total.tally.lines += part.tally.lines;
    total.tally.counted += part.tally.counted;
    total.tally.lookups += part.tally.lookups;
    total.bytesRead += part.bytesRead.load(std::memory_order_relaxed);
  }
  return total;
}

}  // namespace

void DuplicateCheck::CountInputLines(const KeySketcher& sketchKeys, bool sketchCounts) {
  const std::unique_ptr<InputFile> in = OpenForCounting();
  if (!in) return;  // a stream, kept for the filter, or a failure
  std::vector<FilePart> ranges;
  if (!CutForCounting(ranges)) return;  // cancelled
  const UpperCaser upper;
  const PartSetup setup{.path = InputPath,
                        .first = *in,
                        .sketchKeys = sketchKeys,
                        .upper = upper,
                        .target = TargetCall,
                        .framesOnly = CountsFrames(),
                        .sketchCounts = sketchCounts};
  const PartCounting::Proceed proceed = [this](std::uint64_t done) { return Proceed(done); };
  const KeepCounting notCancelled = [this] { return !monitor_.Cancelled(); };
  std::vector<PartCount> parts(ranges.size());
  PartCounting(setup, ranges, parts, proceed, notCancelled).Run();
  const CountTotals total = AddUp(parts);
  if (result_.outcome != RunOutcome::Completed || CancelIfAsked()) return;
  if (total.error) {
    FailReadingInput(total.error);
    return;
  }
  monitor_.Complete(total.bytesRead);
  result_.counts.linesCounted = total.tally.counted;
  countedLines_ = total.tally.lines;
  expectedLookups_ = total.tally.lookups;
  expectedKeys_ = total.sketch.Estimate();
}

std::unique_ptr<InputFile> DuplicateCheck::OpenForCounting() {
  auto in = std::make_unique<InputFile>();
  const std::error_code ec = OpenInput(*in, InputPath);
  if (!ec && in->IsStream()) {
    // A stream cannot be read twice: the filter counts on its one read.
    stream_ = std::move(in);
    return nullptr;
  }
  inputBytes_ = ec ? 0 : in->Size();
  monitor_.Begin(RunPhase::Counting, inputBytes_);
  if (!ec) return in;
  FailReadingInput(ec);
  return nullptr;
}

bool DuplicateCheck::CutForCounting(std::vector<FilePart>& ranges) {
  ranges.assign(1, FilePart{});
  const std::size_t count = CountingParts(inputBytes_, threads_);
  if (count < 2) return true;
  // The cut is found on a handle of its own, so that the count reads from the
  // start. Should it fail, one part is counted as ever; the count reports the
  // error. Nothing is counted while it searches: the count stays at zero.
  const KeepSearching keepSearching = [this] { return Proceed(0); };
  InputFile probe;
  if (probe.Open(InputPath) || CutAtLines(probe, inputBytes_, count, keepSearching, ranges)) {
    if (result_.outcome != RunOutcome::Completed) return false;  // cancelled
    ranges.assign(1, FilePart{});  // the whole file, whatever the cut had set
  }
  return true;
}

}  // namespace sievra
