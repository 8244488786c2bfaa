#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "line_index.h"

namespace sievra {

// Runs candidate lines through the duplicate index in input order, in batches
// that hide memory latency: each line's index slot is prefetched when the line
// is pushed; when the batch is full, the texts those slots point at are
// prefetched, then the lines are looked up one by one. (Measured here: a rolling
// pipeline with fixed prefetch distances ran slower than these batches.)
//
// StoreNew(line) stores a line not seen before and returns the stored copy's
// compared text, which the index then records.
template <class StoreNew>
class LookupPipeline {
 public:
  LookupPipeline(LineIndex& index, StoreNew storeNew) : index_(index), storeNew_(storeNew) {}

  void Push(std::string_view line, std::string_view key) {
    const std::uint64_t hash = HashText(key);
    index_.Prefetch(hash);
    batch_[size_++] = {line, key, hash};
    if (size_ == kBatch) Drain();
  }

  // Looks up every pushed line; the lines' bytes may be reused afterwards.
  void Drain() {
    for (std::size_t i = 0; i < size_; ++i) index_.PrefetchText(batch_[i].hash);
    for (std::size_t i = 0; i < size_; ++i) {
      const Candidate& c = batch_[i];
      if (!index_.Contains(c.hash, c.key)) index_.Insert(storeNew_(c.line));
    }
    size_ = 0;
  }

 private:
  struct Candidate {
    std::string_view line;
    std::string_view key;
    std::uint64_t hash;
  };
  static constexpr std::size_t kBatch = 16;

  LineIndex& index_;
  StoreNew storeNew_;
  std::array<Candidate, kBatch> batch_{};
  std::size_t size_ = 0;
};

}  // namespace sievra
