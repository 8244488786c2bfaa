#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace sievra {

// The table of kept lines, indexed from 0; slot 0 is never used. The table owns
// a copy of every stored line, so the input can be read through a small buffer
// and the memory grows with what is kept, not with the input.
class KeptLineTable {
 public:
  // Slots 0..lastSlot, all empty; whatever an earlier run left is discarded.
  void Resize(std::size_t lastSlot);
  // Stores head followed by tail in slot k (k >= 1), growing the table when the
  // counting pass counted fewer; returns the stored copy.
  std::string_view Store(std::size_t k, std::string_view head, std::string_view tail = {});

  std::size_t size() const { return lastSlot_ + 1 > stored_ ? lastSlot_ + 1 : stored_; }
  std::string_view operator[](std::size_t k) const {
    return k < stored_ ? chunks_[k / kChunkSlots][k % kChunkSlots] : std::string_view();
  }

 private:
  // Slots live in fixed chunks that are only allocated once a line reaches them:
  // sizing the table for every input line costs nothing for lines never kept.
  static constexpr std::size_t kChunkSlots = std::size_t{1} << 16;
  char* Allocate(std::size_t bytes);
  std::string_view& Slot(std::size_t k);

  std::size_t lastSlot_ = 0;
  std::size_t stored_ = 0;  // slots below this are allocated
  std::vector<std::unique_ptr<std::string_view[]>> chunks_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;
  std::size_t freeBytes_ = 0;
};

}  // namespace sievra
