#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace sievra {

// Hash of a line's compared text.
inline std::uint64_t HashText(std::string_view text) { return std::hash<std::string_view>{}(text); }

// Set of the kept lines' compared texts, for an O(1) duplicate test.
//
// A flat open-addressing table of 8-byte slots {hash tag, kept slot number}
// rather than std::unordered_set: no node per line, no copy of the text (the
// text stays in the kept-lines table), and a probe touches one cache line,
// which the filters prefetch a few lines ahead. Kept slot 0 is never used, so
// it marks an empty slot.
//
// KeyOf maps a kept slot number to its compared text.
template <class KeyOf>
class LineIndex {
 public:
  explicit LineIndex(KeyOf keyOf) : keyOf_(keyOf) {}

  // Sizes the table for `expected` entries; more may still be added.
  void Reset(std::size_t expected) {
    std::size_t capacity = 16;
    while (capacity < expected + expected / 2) capacity *= 2;  // load stays at or below 2/3
    slots_.assign(capacity, Slot{});
    used_ = 0;
  }

  void Prefetch(std::uint64_t hash) const {
#if defined(__GNUC__)
    __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
#else
    (void)hash;
#endif
  }

  // True when an equal text is present; otherwise records `keptSlot` under `hash`.
  // Grows before inserting, never after: the new slot's line is not stored yet.
  bool FindOrInsert(std::uint64_t hash, std::string_view text, std::uint32_t keptSlot) {
    if ((used_ + 1) * 3 > slots_.size() * 2) Grow();
    const std::uint32_t tag = Tag(hash);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (slot.keptSlot == 0) {
        slot = Slot{tag, keptSlot};
        ++used_;
        return false;
      }
      if (slot.tag == tag && keyOf_(slot.keptSlot) == text) return true;
    }
  }

 private:
  struct Slot {
    std::uint32_t tag = 0;
    std::uint32_t keptSlot = 0;
  };

  static std::uint32_t Tag(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32); }

  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
      if (s.keptSlot == 0) continue;
      std::size_t i = HashText(keyOf_(s.keptSlot)) & mask;
      while (slots_[i].keptSlot != 0) i = (i + 1) & mask;
      slots_[i] = s;
    }
  }

  KeyOf keyOf_;
  std::vector<Slot> slots_;
  std::size_t used_ = 0;
};

}  // namespace sievra
