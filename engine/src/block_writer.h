#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include "file_io.h"

namespace sievra {

// Writes the kept blocks to the output. Early, it writes them on a thread of
// its own as they are posted, so that copying them into the system's file
// cache runs on a second core while the filter goes on (measured: 4-24% less
// wall time on 10-million-line logs, see bench/README.md). Otherwise
// Finish writes them all on the caller's thread, as one core does best. The
// output is a temporary until Finish renames it; a writer that is not
// finished removes it, its thread asked to stop and joined.
class BlockWriter {
 public:
  // With `acceptStreams`, "-" is standard output.
  BlockWriter(std::string outputPath, bool acceptStreams, bool early)
      : path_(std::move(outputPath)), acceptStreams_(acceptStreams), early_(early) {}
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;

  bool Early() const { return early_; }
  // Queues bytes that stay valid and unchanged until the writer is finished or
  // destroyed. Early, the first call opens the output.
  void Post(std::string_view bytes);
  // Bytes written so far; any thread may ask.
  std::uint64_t Written() const { return written_.load(std::memory_order_relaxed); }
  // Writes what is left and puts the output in place, asking
  // `proceed(written)` every few milliseconds; when it answers false, stops
  // within one piece and leaves the output as it was (`cancelled` set). What
  // the writer's thread threw is thrown here.
  std::error_code Finish(const std::function<bool(std::uint64_t)>& proceed, bool& cancelled);

 private:
  void Run(std::stop_token stop);
  void WriteAndCommit(std::stop_token stop);
  // Writes `bytes` in pieces; false when told to stop: by `stop`, or by `proceed`.
  bool WritePieces(std::string_view bytes, std::stop_token stop,
                   const std::function<bool(std::uint64_t)>* proceed);
  std::error_code FinishHere(const std::function<bool(std::uint64_t)>& proceed, bool& cancelled);

  std::string path_;
  bool acceptStreams_;
  bool early_;
  AtomicOutputFile out_;        // early: used by the writer thread only, until it is joined
  std::error_code ec_;          // likewise
  std::exception_ptr failure_;  // likewise: what the writer's thread threw
  std::mutex mutex_;
  std::condition_variable_any wake_;  // wakes the thread when asked to stop, too
  std::deque<std::string_view> queue_;
  bool closing_ = false;     // Finish was called: nothing more comes
  bool committing_ = false;  // the writer is putting the output in place
  bool done_ = false;
  std::atomic<std::uint64_t> written_{0};
  std::jthread thread_;  // last: stopped and joined before the members it uses go
};

}  // namespace sievra
