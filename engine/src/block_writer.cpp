#include "block_writer.h"

#include <algorithm>
#include <chrono>

namespace sievra {

namespace {
// Pieces small enough that a stop request is seen within milliseconds.
constexpr std::size_t kPieceBytes = std::size_t{4} << 20;
constexpr auto kProgressInterval = std::chrono::milliseconds(20);
}  // namespace

void BlockWriter::Post(std::string_view bytes) {
  {
    const std::lock_guard lock(mutex_);
    queue_.push_back(bytes);
  }
  if (!early_) return;
  if (!thread_.joinable()) thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
  wake_.notify_all();
}

void BlockWriter::Run(std::stop_token stop) {
  try {
    WriteAndCommit(stop);
  } catch (...) {
    // Rethrown by Finish on the run's thread: running out of memory here is the
    // run's memory failure, and must not end the program.
    failure_ = std::current_exception();
  }
  {
    const std::lock_guard lock(mutex_);
    done_ = true;
  }
  wake_.notify_all();
}

void BlockWriter::WriteAndCommit(std::stop_token stop) {
  ec_ = out_.Open(path_, acceptStreams_);
  for (;;) {
    std::string_view next;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, stop, [this] { return closing_ || !queue_.empty(); });
      if (stop.stop_requested() || queue_.empty()) break;
      next = queue_.front();
      queue_.pop_front();
    }
    WritePieces(next, stop, nullptr);
  }
  {
    // Past this point a stop request comes too late: the output is put in place.
    // Finish asks for a stop under the same lock.
    const std::lock_guard lock(mutex_);
    if (stop.stop_requested()) return;
    committing_ = true;
  }
  // Renamed only once the filter has closed the input (Finish), which may be this very file.
  if (!ec_) ec_ = out_.Commit();
}

bool BlockWriter::WritePieces(std::string_view bytes, std::stop_token stop,
                              const std::function<bool(std::uint64_t)>* proceed) {
  while (!bytes.empty() && !ec_) {
    if (stop.stop_requested()) return false;
    const std::size_t n = std::min(bytes.size(), kPieceBytes);
    ec_ = out_.Write(bytes.data(), n);
    bytes.remove_prefix(n);
    const std::uint64_t written = written_.fetch_add(n, std::memory_order_relaxed) + n;
    if (proceed != nullptr && !(*proceed)(written)) return false;
  }
  return true;
}

std::error_code BlockWriter::Finish(const std::function<bool(std::uint64_t)>& proceed,
                                    bool& cancelled) {
  cancelled = false;
  if (!early_) return FinishHere(proceed, cancelled);
  if (!thread_.joinable()) Post({});  // nothing was posted: the writer still makes the output
  std::unique_lock lock(mutex_);
  closing_ = true;
  wake_.notify_all();
  while (!done_) {
    if (wake_.wait_for(lock, kProgressInterval, [this] { return done_; })) break;
    lock.unlock();
    const bool go = proceed(Written());
    lock.lock();
    if (!go && !committing_) {
      cancelled = true;
      thread_.request_stop();
      break;
    }
  }
  lock.unlock();
  thread_.join();
  if (cancelled) return {};
  if (failure_) std::rethrow_exception(failure_);
  return ec_;
}

std::error_code BlockWriter::FinishHere(const std::function<bool(std::uint64_t)>& proceed,
                                        bool& cancelled) {
  ec_ = out_.Open(path_, acceptStreams_);
  for (; !queue_.empty() && !ec_; queue_.pop_front()) {
    if (!WritePieces(queue_.front(), {}, &proceed)) {
      cancelled = true;  // the temporary goes with `out_`
      return {};
    }
  }
  if (!ec_) ec_ = out_.Commit();
  return ec_;
}

}  // namespace sievra
