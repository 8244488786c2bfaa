#include "line_index.h"

#include <algorithm>

namespace sievra {

namespace {
constexpr std::size_t kFirstCapacity = std::size_t{1} << 13;  // 64 KiB
}  // namespace

std::size_t KeptTextLength(const char* kept) {
  std::size_t n = 0;
  while (!IsLineEnd(kept[n])) ++n;
  return n;
}

void LineIndex::Reset(std::size_t expected, std::string_view lineEnd) {
  endByte_ = lineEnd.front();
  // Room for the estimate's error (1.6% typical) before the load passes 3/4.
  const std::size_t room = expected + expected / 16;
  std::size_t capacity = kFirstCapacity;
  while (capacity * 3 < room * 4) capacity *= 2;
  Allocate(capacity);
  used_ = 0;
  log_.clear();
  logged_ = 0;
  logging_ = false;
}

void LineIndex::Allocate(std::size_t capacity) {
  storage_ = LargeBuffer(capacity * sizeof(std::uint64_t));  // zero-filled: all slots empty
  slots_ = reinterpret_cast<std::uint64_t*>(storage_.data());
  capacity_ = capacity;
}

void LineIndex::AddLogChunk() {
  log_.push_back(std::make_unique_for_overwrite<LogChunk>());
  PrefaultPages(log_.back().get(), sizeof(LogChunk));
}

// Starts the log when the table must grow for the first time: each text kept
// so far is read and hashed once.
void LineIndex::LogFromSlots() {
  for (std::size_t i = 0; i < capacity_; ++i) {
    if (slots_[i] == 0) continue;
    const char* text = TextOf(slots_[i]);
    Log(slots_[i], HashText({text, KeptTextLength(text)}));
  }
  logging_ = true;
}

void LineIndex::Enlarge() {
  if (!logging_) LogFromSlots();
  Allocate(capacity_ * 2);
  // Slots are prefetched this many entries ahead, as lookups are (measured: the
  // rebuilds of a 7-million-line run took a quarter of it without).
  constexpr std::size_t kAhead = 16;
  for (std::size_t c = 0; c < log_.size(); ++c) {
    const LogChunk& chunk = *log_[c];
    const std::size_t n = std::min(kLogChunk, logged_ - c * kLogChunk);
    for (std::size_t i = 0; i < n; ++i) {
      if (i + kAhead < n) Prefetch(chunk.hashes[i + kAhead]);
      Place(chunk.slots[i], chunk.hashes[i]);
    }
  }
}

void LineIndex::Place(std::uint64_t slot, std::uint32_t hash) {
  const std::size_t mask = capacity_ - 1;
  std::size_t i = Home(hash);
  while (slots_[i] != 0) i = (i + 1) & mask;
  slots_[i] = slot;
}

}  // namespace sievra
