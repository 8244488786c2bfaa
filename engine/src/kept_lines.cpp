#include "kept_lines.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "large_buffer.h"
#include "line_index.h"

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
  blockBytes_.clear();
  free_ = nullptr;
  freeBytes_ = 0;
}

char* KeptLineTable::Allocate(std::size_t bytes) {
  if (bytes > freeBytes_) {
    const std::size_t size = std::max(bytes, kBlockBytes);
    auto block = std::make_unique_for_overwrite<char[]>(size);
    // The index keeps 48-bit addresses; no system in use hands out higher ones.
    if ((reinterpret_cast<std::uintptr_t>(block.get()) + size) >> 48 != 0) throw std::bad_alloc();
    blockBytes_.push_back(0);
    blocks_.push_back(std::move(block));
    free_ = blocks_.back().get();
    freeBytes_ = size;
    PrefaultPages(free_, size);
  }
  char* at = free_;
  free_ += bytes;
  freeBytes_ -= bytes;
  blockBytes_.back() += bytes;
  return at;
}

const char*& KeptLineTable::Slot(std::size_t k) {
  while (k >= stored_) {
    if (stored_ % kChunkSlots == 0) {
      chunks_.push_back(std::make_unique_for_overwrite<const char*[]>(kChunkSlots));
      PrefaultPages(chunks_.back().get(), kChunkSlots * sizeof(const char*));
    }
    chunks_[stored_ / kChunkSlots][stored_ % kChunkSlots] = nullptr;
    ++stored_;
  }
  return chunks_[k / kChunkSlots][k % kChunkSlots];
}

std::string_view KeptLineTable::Store(std::size_t k, std::string_view head, std::string_view tail) {
  const std::size_t bytes = head.size() + tail.size();
  char* at = Allocate(bytes + lineEnd_.size());
  if (!head.empty()) std::memcpy(at, head.data(), head.size());
  if (!tail.empty()) std::memcpy(at + head.size(), tail.data(), tail.size());
  std::memcpy(at + bytes, lineEnd_.data(), lineEnd_.size());
  Slot(k) = at;
  return {at, bytes};
}

std::string_view KeptLineTable::operator[](std::size_t k) const {
  const char* line = k < stored_ ? chunks_[k / kChunkSlots][k % kChunkSlots] : nullptr;
  return line == nullptr ? std::string_view() : std::string_view(line, KeptTextLength(line));
}

std::string_view KeptLineTable::Block(std::size_t i) const {
  return {blocks_[i].get(), blockBytes_[i]};
}

}  // namespace sievra
