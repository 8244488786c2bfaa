#include "kept_lines.h"

#include <algorithm>
#include <cstring>

#include "large_buffer.h"

namespace sievra {

namespace {
// Lines are copied into blocks of this size; a longer line gets a block of its own.
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;
}  // namespace

void KeptLineTable::Resize(std::size_t lastSlot) {
  lastSlot_ = lastSlot;
  stored_ = 0;
  chunks_.clear();
  blocks_.clear();
  free_ = nullptr;
  freeBytes_ = 0;
}

char* KeptLineTable::Allocate(std::size_t bytes) {
  if (bytes > freeBytes_) {
    const std::size_t blockBytes = std::max(bytes, kBlockBytes);
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockBytes));
    free_ = blocks_.back().get();
    freeBytes_ = blockBytes;
    PrefaultPages(free_, blockBytes);
  }
  char* at = free_;
  free_ += bytes;
  freeBytes_ -= bytes;
  return at;
}

std::string_view& KeptLineTable::Slot(std::size_t k) {
  while (k >= stored_) {
    if (stored_ % kChunkSlots == 0) {
      chunks_.push_back(std::make_unique_for_overwrite<std::string_view[]>(kChunkSlots));
      PrefaultPages(chunks_.back().get(), kChunkSlots * sizeof(std::string_view));
    }
    chunks_[stored_ / kChunkSlots][stored_ % kChunkSlots] = std::string_view();
    ++stored_;
  }
  return chunks_[k / kChunkSlots][k % kChunkSlots];
}

std::string_view KeptLineTable::Store(std::size_t k, std::string_view head, std::string_view tail) {
  const std::size_t bytes = head.size() + tail.size();
  char* at = Allocate(bytes);
  if (!head.empty()) std::memcpy(at, head.data(), head.size());
  if (!tail.empty()) std::memcpy(at + head.size(), tail.data(), tail.size());
  return Slot(k) = std::string_view(at, bytes);
}

}  // namespace sievra
