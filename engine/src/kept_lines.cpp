#include "kept_lines.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "large_buffer.h"

namespace sievra {

namespace {
// Lines are copied into blocks of this size; a longer line gets a block of its
// own. On ordinary pages, mapped a block at a time as it is taken: huge pages
// made the system's share of a run 2-3 times as large on these VMs, where
// memory left free for a few seconds goes back to the host and 2 MiB pages
// come from exactly that memory (measured: see bench/README.md).
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;
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
    auto block = std::make_unique_for_overwrite<char[]>(size);
    // The index keeps 48-bit addresses; no system in use hands out higher ones.
    if ((reinterpret_cast<std::uintptr_t>(block.get()) + size) >> 48 != 0) throw std::bad_alloc();
    free_ = block.get();
    freeBytes_ = size;
    PrefaultPages(free_, size);
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
