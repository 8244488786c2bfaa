#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "line_index.h"

namespace sievra {

// Runs candidate lines through the duplicate index in input order, in batches
// that hide memory latency: each line's index slot is prefetched when the line
// is pushed; when the batch is full, the texts those slots point at are
// prefetched, then the lines are looked up one by one. (Measured here: a rolling
// pipeline with fixed prefetch distances ran slower than these batches.)
//
// KeepNew(line) stores a line not seen before and records it in the index.

template <class KeepNew>
class LookupPipeline {
 public:
  LookupPipeline(LineIndex& index, KeepNew keepNew) : index_(index), keepNew_(keepNew) {}

  // Pushes a candidate whose key hashes to `hash`.
  void Push(std::string_view line, std::string_view key, std::uint32_t hash) {
    index_.Prefetch(hash);
    batch_[size_++] = {line, key, hash};
    if (size_ == kBatch) LookUpBatch();
  }

  // Looks up every pushed line; the lines' bytes may be reused afterwards.
  void Drain() { LookUpBatch(); }

 private:
  void LookUpBatch() {
    for (std::size_t i = 0; i < size_; ++i) index_.PrefetchText(batch_[i].hash);
    for (std::size_t i = 0; i < size_; ++i) {
      const Candidate& c = batch_[i];
      if (!index_.Contains(c.hash, c.key)) keepNew_(c.line);
    }
    size_ = 0;
  }

  struct Candidate {
    std::string_view line;
    std::string_view key;
    std::uint32_t hash;
  };
  static constexpr std::size_t kBatch = 16;

  LineIndex& index_;
  KeepNew keepNew_;
  std::array<Candidate, kBatch> batch_{};
  std::size_t size_ = 0;
};

}  // namespace sievra
