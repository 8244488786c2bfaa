#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "large_buffer.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace sievra {

// Hash of a line's compared text. XXH3 rather than std::hash (measured on a
// 10M-line log: std::hash took 4% longer).
inline std::uint64_t HashText(std::string_view text) {
  return XXH3_64bits(text.data(), text.size());
}

// True for the bytes that end a line; no line holds one, so a kept text is
// always followed by one (its line end).
inline bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Length of a kept text: up to the line end that follows it.
std::size_t KeptTextLength(const char* kept);

// The set of compared texts of the kept lines, for an O(1) duplicate test.
//
// A flat open-addressing table of 8-byte slots: the kept copy's address (48
// bits) beside its length (8 bits, 255 for longer) and 8 bits of its hash. No
// node per line and no copy of the text: a hit compares the kept copy directly,
// and the end of the kept text is told by the line end stored after it. Half
// the size of 16-byte slots (with the table's growth, a 10M-line log's peak
// memory fell from 924 to 754 MiB).
class LineIndex {
 public:
  // Sizes the table for `expected` texts, but to 32 MiB at most: beyond that it
  // grows with the distinct texts met, not with the lines counted, so a log of
  // repeats never holds a table sized for lines it does not keep. `lineEnd` is
  // what follows every kept text.
  void Reset(std::size_t expected, std::string_view lineEnd);
  // True when the table should be enlarged before the next Insert: its load
  // stays at or below 3/4, where linear probing stays within a cache line or
  // two and 8-byte slots cost 11 to 21 bytes per kept text.
  bool Full() const { return (used_ + 1) * 4 > capacity_ * 3; }
  // Empties the table at twice its size; the caller then Adds every kept text
  // again. Rehashing from the kept blocks in order rather than from the scattered
  // slots (measured: the slot-order rehash, a cache miss per text, took half the run).
  void Enlarge();
  // Adds a kept text (followed by its line end) known to be absent.
  void Add(std::uint64_t hash, const char* keptText, std::size_t size);

  void Prefetch(std::uint64_t hash) const { PrefetchAddress(&slots_[Home(hash)]); }
  // Second stage of prefetching: the text of the slot a lookup will compare first.
  void PrefetchText(std::uint64_t hash) const {
    const std::uint64_t slot = slots_[Home(hash)];
    if (slot != 0) PrefetchAddress(TextOf(slot));
  }

  // Looks `text` up. When absent, returns false and remembers where it belongs,
  // so that Insert can record the kept copy there without probing again.
  bool Contains(std::uint64_t hash, std::string_view text);
  // Records the kept copy (followed by its line end) of the text the last Contains did not find.
  void Insert(const char* keptText) {
    slots_[vacancy_] = reinterpret_cast<std::uintptr_t>(keptText) | vacancyMark_;
    ++used_;
  }

 private:
  static constexpr int kAddressBits = 48;  // user-space addresses of x86-64 and ARM64
  static constexpr std::uint64_t kAddressMask = (std::uint64_t{1} << kAddressBits) - 1;
  static constexpr std::size_t kLongText = 255;

  static std::uint64_t Mark(std::size_t length, std::uint64_t hash) {
    const std::uint64_t shortLength = length < kLongText ? length : kLongText;
    return (shortLength << 56) | ((hash >> 56) << kAddressBits);
  }
  static const char* TextOf(std::uint64_t slot) {
    return reinterpret_cast<const char*>(slot & kAddressMask);
  }
  static void PrefetchAddress(const void* p) {
#if defined(__GNUC__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
  }
  bool Equal(const char* kept, std::string_view text) const;
  std::size_t Home(std::uint64_t hash) const { return hash & (capacity_ - 1); }
  void Allocate(std::size_t capacity);

  LargeBuffer storage_;
  std::uint64_t* slots_ = nullptr;  // 0 marks an empty slot
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  std::size_t vacancy_ = 0;
  std::uint64_t vacancyMark_ = 0;
  char endByte_ = '\n';  // first byte of the line end after every kept text
};

inline bool LineIndex::Equal(const char* kept, std::string_view text) const {
  // A long kept text may be shorter than `text`: find its end before comparing
  // so the comparison never runs past it. memchr stops at the line end (measured
  // on lines of 10-100 KB: a byte loop here took 14% of the run).
  if (text.size() >= kLongText &&
      std::memchr(kept, endByte_, text.size() + 1) != kept + text.size()) {
    return false;
  }
  return std::memcmp(kept, text.data(), text.size()) == 0;
}

inline bool LineIndex::Contains(std::uint64_t hash, std::string_view text) {
  const std::uint64_t mark = Mark(text.size(), hash);
  const std::size_t mask = capacity_ - 1;
  for (std::size_t i = Home(hash);; i = (i + 1) & mask) {
    const std::uint64_t slot = slots_[i];
    if (slot == 0) {
      vacancy_ = i;
      vacancyMark_ = mark;
      return false;
    }
    if ((slot & ~kAddressMask) == mark && Equal(TextOf(slot), text)) return true;
  }
}

}  // namespace sievra
