#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "large_buffer.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace sievra {

// Hash of a line's compared text: 32 bits of XXH3, few enough to keep one per
// kept line. XXH3 rather than std::hash (measured on a 10M-line log: std::hash
// took 4% longer).
inline std::uint64_t HashText64(std::string_view text) {
  return XXH3_64bits(text.data(), text.size());
}
inline std::uint32_t HashText(std::string_view text) {
  return static_cast<std::uint32_t>(HashText64(text));
}

// Whether `key` is the very text of `previous`, the key before it (none yet:
// a null view): a run of one key needs no lookup, nor a second hash.
inline bool RepeatsPrevious(std::string_view key, std::string_view previous) {
  return key.size() == previous.size() && previous.data() != nullptr &&
         std::memcmp(key.data(), previous.data(), key.size()) == 0;
}

// True for the bytes that end a line; no line holds one, so a kept text is
// always followed by one (its line end).
inline bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Length of a kept text: up to the line end that follows it.
std::size_t KeptTextLength(const char* kept);

// The set of compared texts of the kept lines, for an O(1) duplicate test.
//
// A flat open-addressing table of 8-byte slots: the kept copy's address (48
// bits) beside its length (8 bits, 255 for longer) and the hash's top 8 bits. No
// node per line and no copy of the text: a hit compares the kept copy directly,
// and the end of the kept text is told by the line end stored after it. Half
// the size of 16-byte slots (with the table's growth, a 10M-line log's peak
// memory fell from 924 to 754 MiB).
class LineIndex {
 public:
  // Sizes the table for `expected` distinct texts, the counting pass's
  // estimate, so that it need not grow; it grows all the same when more come
  // (a live log that grew since it was counted, or a stream, counted by
  // nobody). `lineEnd` is what follows every kept text.
  void Reset(std::size_t expected, std::string_view lineEnd);
  // True when the table should be enlarged before the next Insert: its load
  // stays at or below 3/4, where linear probing stays within a cache line or
  // two and 8-byte slots cost 11 to 21 bytes per kept text.
  bool Full() const { return (used_ + 1) * 4 > capacity_ * 3; }
  // Doubles the table and records every kept text again from the log of
  // entries, in the order kept: no kept text is read or hashed again (measured:
  // rebuilding from the kept blocks, a stream of text from memory, took 12% of
  // a 10M-line run).
  void Enlarge();

  void Prefetch(std::uint32_t hash) const { PrefetchAddress(&slots_[Home(hash)]); }
  // Second stage of prefetching: the text of the slot a lookup will compare
  // first, only when its tag says the comparison will be made; a text fetched
  // for every occupied slot costs more bandwidth than it saves (measured: see
  // bench/README.md).
  void PrefetchText(std::uint32_t hash, std::size_t length) const {
    const std::uint64_t slot = slots_[Home(hash)];
    if ((slot & ~kAddressMask) == Mark(length, hash)) PrefetchAddress(TextOf(slot));
  }

  // Looks `text` up. When absent, returns false and remembers where it belongs,
  // so that Insert can record the kept copy there without probing again.
  bool Contains(std::uint32_t hash, std::string_view text) { return Find(hash, text) != nullptr; }
  // Contains, answering with the kept copy found (null when absent).
  const char* Find(std::uint32_t hash, std::string_view text);
  // Records the kept copy (followed by its line end) of the text the last Contains did not find.
  void Insert(const char* keptText) {
    const std::uint64_t slot = reinterpret_cast<std::uintptr_t>(keptText) | vacancyMark_;
    slots_[vacancy_] = slot;
    ++used_;
    if (logging_) Log(slot, vacancyHash_);
  }

 private:
  static constexpr int kAddressBits = 48;  // user-space addresses of x86-64 and ARM64
  static constexpr std::uint64_t kAddressMask = (std::uint64_t{1} << kAddressBits) - 1;
  static constexpr std::size_t kLongText = 255;

  static std::uint64_t Mark(std::size_t length, std::uint32_t hash) {
    const std::uint64_t shortLength = length < kLongText ? length : kLongText;
    return (shortLength << 56) | (std::uint64_t{hash >> 24} << kAddressBits);
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
  // Tables above 2^24 slots share the tag's bits with the home position: fine,
  // the length still tells most texts apart.
  std::size_t Home(std::uint32_t hash) const { return hash & (capacity_ - 1); }
  void Allocate(std::size_t capacity);
  void Place(std::uint64_t slot, std::uint32_t hash);

  // Every recorded slot with its hash, in the order recorded: 12 bytes per kept
  // text, read in order when the table grows (measured: 8-18% less CPU time on
  // 10M-line logs than rebuilding from the kept blocks).
  static constexpr std::size_t kLogChunk = std::size_t{1} << 16;
  struct LogChunk {
    std::uint64_t slots[kLogChunk];
    std::uint32_t hashes[kLogChunk];
  };
  void Log(std::uint64_t slot, std::uint32_t hash) {
    if (logged_ % kLogChunk == 0) AddLogChunk();
    LogChunk& chunk = *log_[logged_ / kLogChunk];
    chunk.slots[logged_ % kLogChunk] = slot;
    chunk.hashes[logged_ % kLogChunk] = hash;
    ++logged_;
  }
  void AddLogChunk();
  void LogFromSlots();
  std::vector<std::unique_ptr<LogChunk>> log_;
  std::size_t logged_ = 0;
  // Off until the table first grows: a table sized from the estimate should
  // never have to (measured: logging cost 1M-line logs 8-10% more CPU time and 8 MiB).
  bool logging_ = false;

  LargeBuffer storage_;
  std::uint64_t* slots_ = nullptr;  // 0 marks an empty slot
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  std::size_t vacancy_ = 0;
  std::uint64_t vacancyMark_ = 0;
  std::uint32_t vacancyHash_ = 0;
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

inline const char* LineIndex::Find(std::uint32_t hash, std::string_view text) {
  const std::uint64_t mark = Mark(text.size(), hash);
  const std::size_t mask = capacity_ - 1;
  for (std::size_t i = Home(hash);; i = (i + 1) & mask) {
    const std::uint64_t slot = slots_[i];
    if (slot == 0) {
      vacancy_ = i;
      vacancyMark_ = mark;
      vacancyHash_ = hash;
      return nullptr;
    }
    if ((slot & ~kAddressMask) == mark && Equal(TextOf(slot), text)) return TextOf(slot);
  }
}

}  // namespace sievra
