#include "sievra/kept_lines.h"

#include <algorithm>
#include <cstring>

namespace sievra {

namespace {
// Lines are copied into blocks of this size; a longer line gets a block of its own.
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;
}  // namespace

void KeptLineTable::Resize(std::size_t lastSlot) {
  lastSlot_ = lastSlot;
  std::vector<std::string_view>().swap(slots_);
  slots_.reserve(lastSlot + 1);
  slots_.emplace_back();  // slot 0
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
  }
  char* at = free_;
  free_ += bytes;
  freeBytes_ -= bytes;
  return at;
}

std::string_view KeptLineTable::Store(std::size_t k, std::string_view head, std::string_view tail) {
  const std::size_t bytes = head.size() + tail.size();
  char* at = Allocate(bytes);
  if (!head.empty()) std::memcpy(at, head.data(), head.size());
  if (!tail.empty()) std::memcpy(at + head.size(), tail.data(), tail.size());
  if (k >= slots_.size()) slots_.resize(k + 1);
  slots_[k] = std::string_view(at, bytes);
  return slots_[k];
}

}  // namespace sievra
