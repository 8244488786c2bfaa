#include "kept_lines.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace sievra {

namespace {
// Lines are copied into blocks of this size; a longer line gets a block of its
// own. Large, so that a block is a run of huge pages and the kept text, the
// run's largest memory, is cleared and mapped 2 MiB at a time (measured on a
// 10M-line log: see bench/README.md). Only the pages written are ever mapped,
// so the last block's unused part costs address space, not memory.
constexpr std::size_t kBlockBytes = std::size_t{64} << 20;
}  // namespace

void KeptLineTable::Clear() {
  blocks_.clear();
  blockBytes_.clear();
  free_ = nullptr;
  freeBytes_ = 0;
}

char* KeptLineTable::Allocate(std::size_t bytes) {
  if (bytes > freeBytes_) {
    const std::size_t size = std::max(bytes, kBlockBytes);
    LargeBuffer block(size, LargeBuffer::Contents::Any);
    // The index keeps 48-bit addresses; no system in use hands out higher ones.
    if ((reinterpret_cast<std::uintptr_t>(block.data()) + size) >> 48 != 0) throw std::bad_alloc();
    free_ = block.data();
    freeBytes_ = size;
    blocks_.push_back(std::move(block));
    blockBytes_.push_back(0);
  }
  char* at = free_;
  free_ += bytes;
  freeBytes_ -= bytes;
  blockBytes_.back() += bytes;
  return at;
}

std::string_view KeptLineTable::Store(std::string_view head, std::string_view tail) {
  const std::size_t bytes = head.size() + tail.size();
  char* at = Allocate(bytes + lineEnd_.size());
  if (!head.empty()) std::memcpy(at, head.data(), head.size());
  if (!tail.empty()) std::memcpy(at + head.size(), tail.data(), tail.size());
  std::memcpy(at + bytes, lineEnd_.data(), lineEnd_.size());
  return {at, bytes};
}

}  // namespace sievra
