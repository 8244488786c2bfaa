#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>

#include "large_buffer.h"

namespace sievra {

// Hash of a line's compared text.
inline std::uint64_t HashText(std::string_view text) { return std::hash<std::string_view>{}(text); }

// The set of compared texts of the kept lines, for an O(1) duplicate test.
//
// Hand-written rather than std::unordered_set: a flat open-addressing table of
// 16-byte slots {text pointer, length and hash tag} has no node per line and
// copies no text (slots point at the kept copies), a probe costs one cache line
// which the filters prefetch a batch ahead, and a hit reads the text directly.
class LineIndex {
 public:
  // Sizes the table for `expected` texts; more may still be added.
  void Reset(std::size_t expected);

  void Prefetch(std::uint64_t hash) const;
  // Second stage of prefetching: the text of the slot a lookup will compare first.
  void PrefetchText(std::uint64_t hash) const;

  // Looks `text` up. When absent, returns false and remembers where it belongs,
  // so that Insert can record the kept copy there without probing again.
  bool Contains(std::uint64_t hash, std::string_view text);
  // Records the kept copy of the text the last Contains did not find.
  void Insert(std::string_view keptText);

 private:
  struct Slot {
    const char* text = nullptr;  // null marks an empty slot
    std::uint64_t lengthAndTag = 0;
  };
  static constexpr int kTagBits = 24;  // lengths keep 40 bits: up to a terabyte

  static std::uint64_t Pack(std::size_t length, std::uint64_t hash) {
    return (static_cast<std::uint64_t>(length) << kTagBits) | (hash >> (64 - kTagBits));
  }
  std::size_t Home(std::uint64_t hash) const { return hash & (capacity_ - 1); }
  void Allocate(std::size_t capacity);
  void Grow();

  LargeBuffer storage_;
  Slot* slots_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  std::size_t vacancy_ = 0;
  std::uint64_t vacancyHash_ = 0;
};

inline void LineIndex::Prefetch(std::uint64_t hash) const {
#if defined(__GNUC__)
  __builtin_prefetch(&slots_[Home(hash)]);
#else
  (void)hash;
#endif
}

inline void LineIndex::PrefetchText(std::uint64_t hash) const {
#if defined(__GNUC__)
  const Slot& slot = slots_[Home(hash)];
  if (slot.text != nullptr) __builtin_prefetch(slot.text);
#else
  (void)hash;
#endif
}

inline bool LineIndex::Contains(std::uint64_t hash, std::string_view text) {
  if ((used_ + 1) * 3 > capacity_ * 2) Grow();  // load stays at or below 2/3
  const std::uint64_t packed = Pack(text.size(), hash);
  const std::size_t mask = capacity_ - 1;
  for (std::size_t i = Home(hash);; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.text == nullptr) {
      vacancy_ = i;
      vacancyHash_ = hash;
      return false;
    }
    if (slot.lengthAndTag == packed && std::memcmp(slot.text, text.data(), text.size()) == 0) {
      return true;
    }
  }
}

inline void LineIndex::Insert(std::string_view keptText) {
  static const char kEmptyText = '\0';  // a kept empty text may have no address
  slots_[vacancy_] =
      Slot{keptText.empty() ? &kEmptyText : keptText.data(), Pack(keptText.size(), vacancyHash_)};
  ++used_;
}

}  // namespace sievra
