#include "line_index.h"

namespace sievra {

namespace {
// 64 KiB: a log of few distinct lines never needs more, a big one doubles to its size.
constexpr std::size_t kFirstCapacity = std::size_t{1} << 13;
}  // namespace

std::size_t KeptTextLength(const char* kept) {
  std::size_t n = 0;
  while (!IsLineEnd(kept[n])) ++n;
  return n;
}

void LineIndex::Reset(std::string_view lineEnd) {
  endByte_ = lineEnd.front();
  Allocate(kFirstCapacity);
  used_ = 0;
}

void LineIndex::Allocate(std::size_t capacity) {
  storage_ = LargeBuffer(capacity * sizeof(std::uint64_t));  // zero-filled: all slots empty
  slots_ = reinterpret_cast<std::uint64_t*>(storage_.data());
  capacity_ = capacity;
}

void LineIndex::Enlarge() {
  Allocate(capacity_ * 2);
  used_ = 0;
}

void LineIndex::Add(std::uint64_t hash, const char* keptText, std::size_t size) {
  const std::size_t mask = capacity_ - 1;
  std::size_t i = Home(hash);
  while (slots_[i] != 0) i = (i + 1) & mask;
  slots_[i] = reinterpret_cast<std::uintptr_t>(keptText) | Mark(size, hash);
  ++used_;
}

}  // namespace sievra
