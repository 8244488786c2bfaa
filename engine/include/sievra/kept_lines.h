#pragma once

#include <algorithm>
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

  std::size_t size() const { return std::max(lastSlot_ + 1, slots_.size()); }
  std::string_view operator[](std::size_t k) const {
    return k < slots_.size() ? slots_[k] : std::string_view();
  }

 private:
  char* Allocate(std::size_t bytes);

  std::size_t lastSlot_ = 0;
  // Slots up to the last one stored; empty slots past it are implied, so sizing
  // the table for every input line touches no memory for lines never kept.
  std::vector<std::string_view> slots_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;
  std::size_t freeBytes_ = 0;
};

}  // namespace sievra
