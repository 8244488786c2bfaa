#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "file_io.h"
#include "line_block_reader.h"
#include "line_index.h"
#include "sievra/line_scanner.h"
#include "sievra/log_prefix.h"

namespace sievra {

// A line that passed the filter's test, with its compared text and its hash.
struct ScannedLine {
  std::string_view line;
  std::string_view key;
  std::uint32_t hash;
};

// A block of whole lines as read, and what scanning it found.
struct ScannedBlock {
  std::unique_ptr<char[]> buffer;  // holds the block's bytes
  std::size_t capacity = 0;
  // The lines to look up; a line whose key repeats the previous line's is left
  // out when that makes it a duplicate (measured: 20M identical lines took
  // 1.43x as long without).
  std::vector<ScannedLine> candidates;
  std::uint64_t linesRead = 0;
  std::uint64_t linesSkipped = 0;
  std::uint64_t linesTimeStamped = 0;
  std::uint64_t linesTagged = 0;
  std::uint64_t bytesRead = 0;  // of the input, once this block was read
  std::error_code error;
  std::exception_ptr failure;  // thrown while reading or scanning
  bool end = false;            // nothing follows: the input is done, or failed
};

// Counts a read line's time stamp or tag, into a block's counts or the run's.
template <class Counts>
void CountPrefix(LogPrefixKind prefix, Counts& counts) {
  if (prefix == LogPrefixKind::TimeStamp) ++counts.linesTimeStamped;
  if (prefix == LogPrefixKind::Tag) ++counts.linesTagged;
}

// Reads the input, splits it into lines, tests and hashes them on a thread of
// its own, a few blocks ahead of the caller, which looks the lines up and stores
// them: the second core takes the reading, scanning and hashing (measured: see
// bench/README.md). Progress stays with the caller; the thread hears a cancel
// itself, so that it stops within a MiB even inside a long line, and then ends
// the input. It is asked to stop when the object goes, and joined, after its
// current read.
template <class Policy>
class ScanAhead {
 public:
  // `in` is a file the counting pass has read. `keepReading` is asked from the
  // thread between reads; false ends the input.
  ScanAhead(InputFile& in, const Policy& policy, LineBlockReader::KeepReading keepReading)
      : in_(in),
        policy_(policy),
        keepReading_(std::move(keepReading)),
        // Made on this thread, so that failing to allocate its buffer fails here.
        reader_(in, kReadBufferBytes, [this] { return ReadOn(); }) {
    for (ScannedBlock& b : blocks_) free_.push_back(&b);
    thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
  }
  ScanAhead(const ScanAhead&) = delete;
  ScanAhead& operator=(const ScanAhead&) = delete;

  // The next block, in input order; waits for it, telling `waiting` every
  // few dozen milliseconds how many bytes the thread has read: a long line
  // takes long. Give the block back with Recycle.
  template <class Waiting>
  ScannedBlock& Next(const Waiting& waiting) {
    std::unique_lock lock(mutex_);
    while (!changed_.wait_for(lock, kWaitReport, [this] { return !ready_.empty(); })) {
      // Taken while no block waits: the next block has read at least as far.
      const std::uint64_t read = bytesRead_.load(std::memory_order_relaxed);
      lock.unlock();
      waiting(read);
      lock.lock();
    }
    ScannedBlock* b = ready_.front();
    ready_.pop_front();
    return *b;
  }
  void Recycle(ScannedBlock& b) {
    {
      std::lock_guard lock(mutex_);
      free_.push_back(&b);
    }
    changed_.notify_all();
  }

 private:
  static constexpr std::size_t kReadBufferBytes = std::size_t{1} << 20;
  static constexpr auto kWaitReport = std::chrono::milliseconds(50);

  void Run(std::stop_token stop) {
    stop_ = std::move(stop);
    for (;;) {
      ScannedBlock* b = nullptr;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, stop_, [this] { return !free_.empty(); });
        if (stop_.stop_requested()) return;
        b = free_.back();
        free_.pop_back();
      }
      Fill(*b);
      {
        std::lock_guard lock(mutex_);
        ready_.push_back(b);
      }
      changed_.notify_all();
      if (b->end) return;
    }
  }

  // Asked by the reader, on the thread, before each further read of a long line.
  bool ReadOn() {
    bytesRead_.store(in_.BytesRead(), std::memory_order_relaxed);
    return !stop_.stop_requested() && keepReading_();
  }

  void Fill(ScannedBlock& b) {
    try {
      std::string_view block;
      if (keepReading_()) b.error = reader_.Next(block);
      b.end = b.error || block.empty();
      if (!b.end) Scan(block, b);
      b.bytesRead = in_.BytesRead();
      bytesRead_.store(b.bytesRead, std::memory_order_relaxed);
      if (!b.end) reader_.Exchange(b.buffer, b.capacity);
    } catch (...) {
      b.failure = std::current_exception();
      b.end = true;
    }
  }

  void Scan(std::string_view block, ScannedBlock& b) const {
    b.candidates.clear();
    b.linesRead = 0;
    b.linesSkipped = 0;
    b.linesTimeStamped = 0;
    b.linesTagged = 0;
    const bool repeatsAreDuplicates = policy_.RepeatsAreDuplicates();
    LineScanner scanner(block.data(), block.size());
    std::string_view line;
    std::string_view key;
    std::string_view previous;
    LogPrefixKind prefix;
    while (scanner.Next(line)) {
      ++b.linesRead;
      const bool examined = policy_.Examine(line, key, prefix);
      CountPrefix(prefix, b);
      if (!examined) {
        ++b.linesSkipped;
        continue;
      }
      if (repeatsAreDuplicates && RepeatsPrevious(key, previous)) continue;
      previous = key;
      b.candidates.push_back({line, key, HashText(key)});
    }
  }

  InputFile& in_;
  const Policy& policy_;
  LineBlockReader::KeepReading keepReading_;
  std::atomic<std::uint64_t> bytesRead_{0};  // of the input, for the caller while it waits
  LineBlockReader reader_;                   // used by the thread only
  std::stop_token stop_;                     // the thread's, kept for ReadOn
  // Four blocks: one being looked up, one being scanned, two to spare.
  std::array<ScannedBlock, 4> blocks_;
  std::mutex mutex_;
  std::condition_variable_any changed_;  // wakes the thread when asked to stop, too
  std::deque<ScannedBlock*> ready_;
  std::vector<ScannedBlock*> free_;
  std::jthread thread_;  // last: stopped and joined before the members it uses go
};

}  // namespace sievra
