#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include "file_io.h"

namespace sievra {

// Writes the output on a thread of its own, so that copying kept blocks into
// the system's file cache runs on the second core while the filter goes on
// (measured in bench/README.md). The output is a temporary until Finish
// renames it; a writer that is not finished removes it.
class BlockWriter {
 public:
  // With `acceptStreams`, "-" is standard output.
  BlockWriter(std::string outputPath, bool acceptStreams)
      : path_(std::move(outputPath)), acceptStreams_(acceptStreams) {}
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;
  ~BlockWriter();

  // Queues bytes that stay valid and unchanged until the writer is finished or
  // destroyed. The first call opens the output.
  void Post(std::string_view bytes);
  // Bytes written so far; any thread may ask.
  std::uint64_t Written() const { return written_.load(std::memory_order_relaxed); }
  // Waits until everything posted is written and the output is in place, asking
  // `proceed(written)` every few milliseconds; when it answers false, stops
  // within one piece and leaves the output as it was (`cancelled` set).
  std::error_code Finish(const std::function<bool(std::uint64_t)>& proceed, bool& cancelled);

 private:
  void Run();
  void WritePieces(std::string_view bytes);
  void Stop();

  std::string path_;
  bool acceptStreams_;
  AtomicOutputFile out_;  // used by the writer thread only, until it is joined
  std::error_code ec_;    // likewise
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::string_view> queue_;
  bool closing_ = false;     // Finish was called: nothing more comes
  bool committing_ = false;  // the writer is putting the output in place
  bool done_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> written_{0};
  std::thread thread_;
};

}  // namespace sievra
