#include "compare_rules.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
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

// The code point starting at p, in bytes already known to be valid UTF-8.
char32_t DecodeValid(const unsigned char* p, std::size_t& length) {
  const unsigned char lead = p[0];
  if (lead < 0xE0) {
    length = 2;
    return static_cast<char32_t>(((lead & 0x1Fu) << 6) | (p[1] & 0x3Fu));
  }
  if (lead < 0xF0) {
    length = 3;
    return static_cast<char32_t>(((lead & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu));
  }
  length = 4;
  return static_cast<char32_t>(((lead & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) |
                               ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu));
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

// Reads one key (already trimmed when spacing is ignored) and writes its form.
class KeyForm {
 public:
  KeyForm(std::string_view body, const CompareRules& rules)
      : bytes_(reinterpret_cast<const unsigned char*>(body.data())),
        size_(body.size()),
        spacing_(rules.ignoreSpacing),
        case_(rules.ignoreCase) {}

  // The length of the longest start of the body that the rules leave as it is.
  std::size_t UnchangedPrefix() {
    std::size_t i = 0;
    while (i < size_) {
      const unsigned char c = bytes_[i];
      if (c < 0x80) {
        // The body is trimmed, so a blank is never its last byte.
        if (spacing_ && IsBlank(c) && (c == '\t' || IsBlank(bytes_[i + 1]))) return i;
        if (case_ && IsAsciiUpper(c)) return i;
        ++i;
      } else if (FoldsBeyondAscii()) {
        std::size_t length = 0;
        const char32_t cp = DecodeValid(bytes_ + i, length);
        if (SimpleCaseFold(cp) != cp) return i;
        i += length;
      } else {
        ++i;
      }
    }
    return size_;
  }

  // Writes the form of the body into out: the first `from` bytes as they are,
  // the rest as the rules make them.
  void Write(std::size_t from, std::string& out) {
    // A character of one byte gives at most one; one of two or more bytes gives
    // at most four. Twice the size is room enough.
    out.resize(2 * size_);
    unsigned char* const begin = reinterpret_cast<unsigned char*>(out.data());
    unsigned char* o = std::copy(bytes_, bytes_ + from, begin);
    std::size_t i = from;
    while (i < size_) {
      const unsigned char c = bytes_[i];
      if (c < 0x80) {
        if (spacing_ && IsBlank(c)) {
          *o++ = ' ';
          while (IsBlank(bytes_[++i])) {
          }
          continue;
        }
        *o++ = case_ ? AsciiLower(c) : c;
        ++i;
      } else if (FoldsBeyondAscii()) {
        std::size_t length = 0;
        o = EncodeUtf8(SimpleCaseFold(DecodeValid(bytes_ + i, length)), o);
        i += length;
      } else {
        *o++ = c;
        ++i;
      }
    }
    out.resize(static_cast<std::size_t>(o - begin));
  }

 private:
  // Whether characters past ASCII fold: the rule asks for it and the whole key is
  // valid UTF-8 (trimming removes only blanks, so the body decides the same).
  // Asked only at bytes of 0x80 and above, so ASCII keys never pay for the check.
  bool FoldsBeyondAscii() {
    if (!case_) return false;
    if (utf8_ == Utf8::Unknown) {
      utf8_ =
          IsValidUtf8({reinterpret_cast<const char*>(bytes_), size_}) ? Utf8::Valid : Utf8::Invalid;
    }
    return utf8_ == Utf8::Valid;
  }

  enum class Utf8 { Unknown, Valid, Invalid };

  const unsigned char* bytes_;
  std::size_t size_;
  bool spacing_;
  bool case_;
  Utf8 utf8_ = Utf8::Unknown;
};

}  // namespace

char32_t SimpleCaseFold(char32_t codePoint) {
  if (codePoint < 0x80) {
    return IsAsciiUpper(static_cast<unsigned char>(codePoint)) ? codePoint + ('a' - 'A')
                                                               : codePoint;
  }
  using case_folding::FoldRun;
  const auto* const runs = std::begin(case_folding::kFoldRuns);
  const auto* const end = std::end(case_folding::kFoldRuns);
  const auto* const after = std::upper_bound(
      runs, end, codePoint, [](char32_t cp, const FoldRun& run) { return cp < run.first; });
  if (after == runs) return codePoint;
  const FoldRun& run = *(after - 1);
  const std::uint32_t offset = codePoint - run.first;
  if (codePoint > run.last || offset % run.step != 0) return codePoint;
  return static_cast<char32_t>(static_cast<std::int32_t>(codePoint) + run.delta);
}

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = p + bytes.size();
  while (p < end) {
    const unsigned char lead = *p;
    if (lead < 0x80) {
      ++p;
      continue;
    }
    // The lead byte fixes the length and the range of the second byte, which is
    // where overlong forms, surrogates and code points above U+10FFFF show.
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;   // overlong below U+0800
      if (lead == 0xED) high = 0x9F;  // surrogates U+D800 to U+DFFF
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;   // overlong below U+10000
      if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
      return false;  // a continuation byte, C0 or C1 (overlong ASCII), or F5 and up
    }
    if (static_cast<std::size_t>(end - p) < length) return false;
    if (p[1] < low || p[1] > high) return false;
    for (std::size_t k = 2; k < length; ++k) {
      if ((p[k] & 0xC0) != 0x80) return false;
    }
    p += length;
  }
  return true;
}

std::string_view ComparableKey(std::string_view key, const CompareRules& rules,
                               std::string& scratch) {
  if (!rules.Any()) return key;
  const std::string_view body = rules.ignoreSpacing ? TrimBlanks(key) : key;
  KeyForm form(body, rules);
  const std::size_t unchanged = form.UnchangedPrefix();
  if (unchanged == body.size()) return body;
  form.Write(unchanged, scratch);
  return scratch;
}

}  // namespace sievra
