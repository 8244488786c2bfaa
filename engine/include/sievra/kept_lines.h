#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace sievra {

// The table of kept lines, indexed from 0; slot 0 is never used. Lines are
// views into the input bytes the table owns, so storing a line copies nothing.
class KeptLineTable {
 public:
  // Slots 0..lastSlot, all empty; whatever an earlier run left is discarded.
  void Resize(std::size_t lastSlot);
  // Takes ownership of the bytes that later stored views point into; empties every slot.
  void AdoptBytes(std::unique_ptr<char[]> bytes);
  // Stores a line in slot k (k >= 1), growing the table when the counting pass counted fewer.
  void Store(std::size_t k, std::string_view line);

  std::size_t size() const { return slots_.size(); }
  std::string_view operator[](std::size_t k) const { return slots_[k]; }

 private:
  std::unique_ptr<char[]> bytes_;
  std::vector<std::string_view> slots_;
};

}  // namespace sievra
