#include "compare_rules.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "case_folding_table.h"

namespace sievra {
namespace {

constexpr bool IsBlank(unsigned char c) { return c == ' ' || c == '\t'; }
constexpr bool IsAsciiUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }
constexpr unsigned char AsciiLower(unsigned char c) {
  return IsAsciiUpper(c) ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

std::string_view TrimBlanks(std::string_view key) {
  std::size_t begin = 0;
  std::size_t end = key.size();
  while (begin < end && IsBlank(static_cast<unsigned char>(key[begin]))) ++begin;
  while (end > begin && IsBlank(static_cast<unsigned char>(key[end - 1]))) --end;
  return key.substr(begin, end - begin);
}

// The generated runs, unrolled at compile time into a two-stage table: a block
// number per 64 code points (0: nothing in the block folds), then per code point
// of a block that has folds, the number of its offset (0: folds to itself).
// About 6 KB; a lookup is three loads and no branch.
namespace fold_table {

using case_folding::FoldRun;
using case_folding::kFoldRuns;
constexpr std::size_t kBlockBits = 6;
constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;

template <class Visit>
constexpr void ForEachFold(Visit visit) {
  for (const FoldRun& run : kFoldRuns) {
    for (std::uint32_t cp = run.first; cp <= run.last; cp += run.step) visit(cp, run.delta);
  }
}

constexpr std::uint32_t Limit() {
  std::uint32_t limit = 0;
  ForEachFold([&](std::uint32_t cp, std::int32_t) { limit = std::max(limit, cp + 1); });
  return limit;
}
constexpr std::uint32_t kLimit = Limit();  // every code point from here on folds to itself
constexpr std::size_t kBlocks = (kLimit + kBlockSize - 1) / kBlockSize;

constexpr std::size_t BlocksWithFolds() {
  std::array<bool, kBlocks> used{};
  ForEachFold([&](std::uint32_t cp, std::int32_t) { used[cp >> kBlockBits] = true; });
  return static_cast<std::size_t>(std::count(used.begin(), used.end(), true));
}

constexpr std::size_t DistinctOffsets() {
  std::array<std::int32_t, std::size(kFoldRuns)> seen{};
  std::size_t count = 0;
  for (const FoldRun& run : kFoldRuns) {
    if (std::find(seen.begin(), seen.begin() + count, run.delta) == seen.begin() + count) {
      seen[count++] = run.delta;
    }
  }
  return count;
}

struct Table {
  std::array<std::uint8_t, kBlocks> blockOf{};
  std::array<std::array<std::uint8_t, kBlockSize>, BlocksWithFolds() + 1> offsetOf{};
  std::array<std::int32_t, DistinctOffsets() + 1> offsets{};
};
static_assert(BlocksWithFolds() < 256 && DistinctOffsets() < 256, "numbers fit a byte");

constexpr Table Build() {
  Table table;
  std::size_t blocks = 1;
  std::size_t offsets = 1;
  ForEachFold([&](std::uint32_t cp, std::int32_t delta) {
    std::uint8_t& block = table.blockOf[cp >> kBlockBits];
    if (block == 0) block = static_cast<std::uint8_t>(blocks++);
    std::size_t offset = 1;
    while (offset < offsets && table.offsets[offset] != delta) ++offset;
    if (offset == offsets) table.offsets[offsets++] = delta;
    table.offsetOf[block][cp % kBlockSize] = static_cast<std::uint8_t>(offset);
  });
  return table;
}
constexpr Table kTable = Build();

}  // namespace fold_table

// What Decode gives for bytes that are no well-formed UTF-8 sequence.
constexpr char32_t kBad = 0xFFFFFFFF;

// The code point of the sequence at p (non-ASCII lead, `left` bytes readable)
// and its length, or kBad with length 1. The lead's leading ones give the length;
// the sequence is well-formed when its continuation bytes are 10xxxxxx and the
// code point needs that length (not overlong), is no surrogate and is at most
// U+10FFFF. With 4 bytes to read, no branch depends on the length.
char32_t Decode(const unsigned char* p, std::size_t left, std::size_t& length) {
  length = static_cast<std::size_t>(std::countl_one(p[0]));
  if (length < 2 || length > 4 || length > left) {
    length = 1;
    return kBad;
  }
  std::uint32_t cp = 0;
  std::uint32_t tags = 0;  // the top two bits of the continuation bytes
  if (left >= 4) {
    const std::uint32_t bits = ((p[0] & (0x7Fu >> length)) << 18) | ((p[1] & 0x3Fu) << 12) |
                               ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
    cp = bits >> (6 * (4 - length));
    const std::uint32_t mask = (0xC0C0C0u << (8 * (4 - length))) & 0xC0C0C0u;
    tags = (((p[1] & 0xC0u) << 16) | ((p[2] & 0xC0u) << 8) | (p[3] & 0xC0u)) & mask;
    tags ^= 0x808080u & mask;
  } else {
    cp = p[0] & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
      cp = (cp << 6) | (p[k] & 0x3Fu);
      tags |= (p[k] & 0xC0u) ^ 0x80u;
    }
  }
  constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool wellFormed =
      tags == 0 && cp >= kLeast[length] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
  if (!wellFormed) {
    length = 1;
    return kBad;
  }
  return static_cast<char32_t>(cp);
}

unsigned char* EncodeUtf8(char32_t cp, unsigned char* out) {
  const auto byte = [](char32_t bits) { return static_cast<unsigned char>(bits); };
  if (cp < 0x80) {
    *out++ = byte(cp);
  } else if (cp < 0x800) {
    *out++ = byte(0xC0 | (cp >> 6));
    *out++ = byte(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *out++ = byte(0xE0 | (cp >> 12));
    *out++ = byte(0x80 | ((cp >> 6) & 0x3F));
    *out++ = byte(0x80 | (cp & 0x3F));
  } else {
    *out++ = byte(0xF0 | (cp >> 18));
    *out++ = byte(0x80 | ((cp >> 12) & 0x3F));
    *out++ = byte(0x80 | ((cp >> 6) & 0x3F));
    *out++ = byte(0x80 | (cp & 0x3F));
  }
  return out;
}

// Eight bytes at a time: the high bit of each byte that equals c, or that is an
// ASCII capital. Exact, as no byte's sum carries into the next.
constexpr std::uint64_t kOnes = 0x0101010101010101;
constexpr std::uint64_t kHigh = 0x8080808080808080;

std::uint64_t Load8(const unsigned char* p) {
  std::uint64_t word = 0;
  std::memcpy(&word, p, sizeof word);
  return word;
}

constexpr std::uint64_t BytesEqual(std::uint64_t word, unsigned char c) {
  const std::uint64_t diff = word ^ (kOnes * c);
  return ~(((diff & ~kHigh) + ~kHigh) | diff) & kHigh;
}

constexpr std::uint64_t AsciiCapitals(std::uint64_t word) {
  const std::uint64_t low = word & ~kHigh;
  return (low + kOnes * (0x80 - 'A')) & ~(low + kOnes * (0x80 - 'Z' - 1)) & ~word & kHigh;
}

// Reads one key (already trimmed when spacing is ignored) and writes its form.
// One version per set of rules, so that no loop tests a rule. Eight bytes at a
// time where they need at most their capitals lowered, else character by character.
template <bool kCase, bool kSpacing>
class KeyForm {
 public:
  // `asciiOnly`: the key is known not to be valid UTF-8, so only ASCII folds.
  KeyForm(std::string_view body, bool asciiOnly)
      : bytes_(reinterpret_cast<const unsigned char*>(body.data())),
        size_(body.size()),
        asciiOnly_(asciiOnly) {}

  // The length of the longest start of the body that the rules leave as it is.
  std::size_t UnchangedPrefix() {
    std::size_t i = 0;
    std::uint64_t form = 0;
    while (size_ - i >= 9) {
      const std::uint64_t word = Load8(bytes_ + i);
      if (Simple8(word, Load8(bytes_ + i + 1), form) && form == word) {
        i += 8;
        continue;
      }
      for (const std::size_t stop = i + 8; i < stop;) {
        if (Changes(i)) return i;
      }
    }
    // The last 8 bytes at once, when they are all left: the byte after them is
    // no blank (on a little-endian machine, shifting brings in a zero).
    if constexpr (std::endian::native == std::endian::little) {
      if (i < size_ && size_ >= 8) {
        const std::uint64_t word = Load8(bytes_ + size_ - 8);
        if (Simple8(word, word >> 8, form) && form == word) return size_;
      }
    }
    while (i < size_) {
      if (Changes(i)) return i;
    }
    return size_;
  }

  // Writes the form of the body into out: the first `from` bytes as they are,
  // the rest as the rules make them. False when a byte past `from` shows that
  // the key is not valid UTF-8, so that characters past ASCII must not fold.
  bool Write(std::size_t from, std::string& out) {
    // A byte of ASCII gives at most one byte; a character of two or more bytes
    // at most four. Twice the size leaves room for the 4- and 8-byte stores below.
    out.resize(2 * size_);
    unsigned char* const begin = reinterpret_cast<unsigned char*>(out.data());
    unsigned char* o = std::copy(bytes_, bytes_ + from, begin);
    std::size_t i = from;
    std::uint64_t form = 0;
    while (size_ - i >= 9) {
      if (Simple8(Load8(bytes_ + i), Load8(bytes_ + i + 1), form)) {
        std::memcpy(o, &form, 8);
        o += 8;
        i += 8;
        continue;
      }
      for (const std::size_t stop = i + 8; i < stop;) {
        if (!Emit(i, o)) return false;
      }
    }
    while (i < size_) {
      if (!Emit(i, o)) return false;
    }
    out.resize(static_cast<std::size_t>(o - begin));
    return true;
  }

 private:
  // True when these 8 bytes need at most their capitals lowered (no byte past
  // ASCII, as case goes; no tab and no space followed by a blank, as spacing
  // goes); `form` is then what they become. `next` holds the 8 bytes one on.
  bool Simple8(std::uint64_t word, std::uint64_t next, std::uint64_t& form) const {
    std::uint64_t other = 0;
    form = word;
    if constexpr (kCase) {
      other |= asciiOnly_ ? 0 : word & kHigh;
      form |= AsciiCapitals(word) >> 2;  // 0x80 >> 2 is 'a' - 'A'
    }
    if constexpr (kSpacing) {
      other |= BytesEqual(word, '\t') |
               (BytesEqual(word, ' ') & (BytesEqual(next, ' ') | BytesEqual(next, '\t')));
    }
    return other == 0;
  }

  // Whether the character at i has another form; if not, steps over it. A byte
  // that is no valid UTF-8 turns folding past ASCII off for the rest of the scan:
  // the bytes before it changed under neither reading.
  bool Changes(std::size_t& i) {
    const unsigned char c = bytes_[i];
    if (c < 0x80) {
      // The body is trimmed, so a blank is never its last byte.
      if (kSpacing && IsBlank(c) && (c == '\t' || IsBlank(bytes_[i + 1]))) return true;
      if (kCase && IsAsciiUpper(c)) return true;
      ++i;
    } else if (kCase && !asciiOnly_) {
      std::size_t length = 0;
      const char32_t cp = Decode(bytes_ + i, size_ - i, length);
      if (cp == kBad) {
        asciiOnly_ = true;
      } else if (SimpleCaseFold(cp) != cp) {
        return true;
      }
      i += length;
    } else {
      ++i;
    }
    return false;
  }

  // Writes the form of the character at i and steps over it; false when it is
  // no valid UTF-8 where characters past ASCII fold.
  bool Emit(std::size_t& i, unsigned char*& o) {
    const unsigned char c = bytes_[i];
    if (c < 0x80) {
      if (kSpacing && IsBlank(c)) {
        *o++ = ' ';
        while (IsBlank(bytes_[++i])) {
        }
        return true;
      }
      *o++ = kCase ? AsciiLower(c) : c;
      ++i;
    } else if (kCase && !asciiOnly_) {
      std::size_t length = 0;
      const char32_t cp = Decode(bytes_ + i, size_ - i, length);
      if (cp == kBad) return false;
      const char32_t folded = SimpleCaseFold(cp);
      if (folded == cp && size_ - i >= 4) {
        std::memcpy(o, bytes_ + i, 4);  // the bytes as they are, without a branch on length
        o += length;
      } else {
        o = EncodeUtf8(folded, o);
      }
      i += length;
    } else {
      *o++ = c;
      ++i;
    }
    return true;
  }

  const unsigned char* bytes_;
  std::size_t size_;
  bool asciiOnly_;
};

template <bool kCase, bool kSpacing>
std::string_view FormOf(std::string_view body, std::string& scratch, bool asciiOnly = false) {
  KeyForm<kCase, kSpacing> form(body, asciiOnly);
  const std::size_t unchanged = form.UnchangedPrefix();
  if (unchanged == body.size()) return body;
  if (form.Write(unchanged, scratch)) return scratch;
  // Not valid UTF-8 after all: again, folding ASCII only.
  return FormOf<kCase, kSpacing>(body, scratch, true);
}

}  // namespace

char32_t SimpleCaseFold(char32_t codePoint) {
  if (codePoint < 0x80) {
    return IsAsciiUpper(static_cast<unsigned char>(codePoint)) ? codePoint + ('a' - 'A')
                                                               : codePoint;
  }
  using namespace fold_table;
  if (codePoint >= kLimit) return codePoint;
  const std::uint8_t block = kTable.blockOf[codePoint >> kBlockBits];
  const std::int32_t delta = kTable.offsets[kTable.offsetOf[block][codePoint % kBlockSize]];
  return static_cast<char32_t>(static_cast<std::int32_t>(codePoint) + delta);
}

bool IsValidUtf8(std::string_view bytes) {
  const auto* const p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (bytes.size() - i >= 8 && (Load8(p + i) & kHigh) == 0) {
      i += 8;  // eight bytes of ASCII
    } else if (p[i] < 0x80) {
      ++i;
    } else {
      std::size_t length = 0;
      if (Decode(p + i, bytes.size() - i, length) == kBad) return false;
      i += length;
    }
  }
  return true;
}

std::string_view ComparableKey(std::string_view key, const CompareRules& rules,
                               std::string& scratch) {
  if (!rules.ignoreSpacing) return rules.ignoreCase ? FormOf<true, false>(key, scratch) : key;
  const std::string_view body = TrimBlanks(key);
  return rules.ignoreCase ? FormOf<true, true>(body, scratch) : FormOf<false, true>(body, scratch);
}

}  // namespace sievra
