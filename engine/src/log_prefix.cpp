#include "sievra/log_prefix.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace sievra {

// Measured: at 24 bytes, returned through memory, FindLogPrefix took 10-15%
// longer on a stamped line.
static_assert(sizeof(LogPrefix) <= 16);

namespace {

// Every packet line passes through here, so the reading is by index, without
// backtracking beyond the one choice a zone leaves (measured: a cursor-object
// parser took a quarter of a 10M-line stamped run's CPU time).

constexpr std::size_t kMaxTagText = 40;
constexpr std::size_t kMaxZoneLetters = 5;
constexpr std::size_t kMaxFraction = 9;
constexpr std::size_t kMaxSourceField = 10;  // as the path cut allows
constexpr std::size_t kMaxPortName = 9;      // a callsign and SSID, as aprx pads it
constexpr std::size_t kFinduDigits = 14;     // YYYYMMDDHHMMSS
constexpr std::size_t kNone = 0;             // "no match" for the readers below
constexpr std::string_view kAprsLabel = "APRS:";

bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }
bool IsPortByte(char c) { return IsDigit(c) || IsCapital(c) || (c >= 'a' && c <= 'z') || c == '-'; }

// The text being read: a line cut to the window. At(i) is '\0' past its end,
// which only the source field (read by index) could take for a byte of the line.
struct Text {
  const char* data;
  std::size_t size;      // the window's
  std::size_t readable;  // the line's: bytes past the window may be read, not accepted
  char At(std::size_t i) const { return i < size ? data[i] : '\0'; }
  bool Digits(std::size_t from, std::size_t n) const {
    for (std::size_t i = from; i < from + n; ++i)
      if (!IsDigit(At(i))) return false;
    return true;
  }
};

// Bit 8k+7 set where byte k of `word` is `c`; only the lowest set bit is exact
// (a borrow may mark bytes above it), which is all FirstOf needs.
std::uint64_t BytesEqual(std::uint64_t word, char c) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  const std::uint64_t x = word ^ (kOnes * static_cast<unsigned char>(c));
  return (x - kOnes) & ~x & (kOnes << 7);
}

// The first byte marked in two words' masks, 16 when none.
std::size_t FirstOf(std::uint64_t low, std::uint64_t high) {
  if (low != 0) return static_cast<std::size_t>(std::countr_zero(low)) / 8;
  if (high != 0) return 8 + static_cast<std::size_t>(std::countr_zero(high)) / 8;
  return 16;
}

// Whether a source field of 1 to 10 bytes other than blanks and ':' and then
// '>' start at `i`. The field's length differs from line to line, so a byte
// loop mispredicts its end; 16 bytes are tested at once where they can be read.
bool SourceFieldAt(const Text& t, std::size_t i) {
  if constexpr (std::endian::native == std::endian::little) {
    if (i + 16 <= t.readable) {
      std::uint64_t low = 0;
      std::uint64_t high = 0;
      std::memcpy(&low, t.data + i, 8);
      std::memcpy(&high, t.data + i + 8, 8);
      const std::size_t gt = FirstOf(BytesEqual(low, '>'), BytesEqual(high, '>'));
      const std::size_t bad =
          FirstOf(BytesEqual(low, ' ') | BytesEqual(low, '\t') | BytesEqual(low, ':'),
                  BytesEqual(high, ' ') | BytesEqual(high, '\t') | BytesEqual(high, ':'));
      return gt >= 1 && gt <= kMaxSourceField && bad > gt && i + gt < t.size;
    }
  }
  for (std::size_t j = i; j < i + kMaxSourceField + 1 && j < t.size; ++j) {
    const char c = t.data[j];
    if (c == '>') return j > i;
    if (IsBlank(c) || c == ':') return false;
  }
  return false;
}

// Blanks from `at`, then a frame's source field and '>': the frame's offset, or kNone.
std::size_t FrameAfterBlanks(const Text& t, std::size_t at) {
  std::size_t i = at;
  while (IsBlank(t.At(i))) ++i;
  return i > at && SourceFieldAt(t, i) ? i : kNone;
}

// An optional ':' at `at`, then FrameAfterBlanks.
std::size_t FrameAfterColon(const Text& t, std::size_t at) {
  return FrameAfterBlanks(t, t.At(at) == ':' ? at + 1 : at);
}

// +HH, +HHMM or +HH:MM (or with '-') at `at`: its end, or kNone.
std::size_t OffsetEnd(const Text& t, std::size_t at) {
  if ((t.At(at) != '+' && t.At(at) != '-') || !t.Digits(at + 1, 2)) return kNone;
  const std::size_t hours = at + 3;
  const std::size_t colon = t.At(hours) == ':' ? 1 : 0;
  return t.Digits(hours + colon, 2) ? hours + colon + 2 : hours;
}

// A zone right after the time ("Z", "+01:00") or after one space ("UTC", "+0100"): its end, or
// kNone.
std::size_t ZoneEnd(const Text& t, std::size_t at) {
  if (t.At(at) == 'Z') return at + 1;
  if (const std::size_t end = OffsetEnd(t, at)) return end;
  if (t.At(at) != ' ') return kNone;
  if (const std::size_t end = OffsetEnd(t, at + 1)) return end;
  std::size_t i = at + 1;
  while (i < at + 1 + kMaxZoneLetters && IsCapital(t.At(i))) ++i;
  return i > at + 1 ? i : kNone;
}

// "2020-11-07 09:38" and then optionally ":16" and ".250": the time's end, or kNone.
std::size_t DateTimeEnd(const Text& t) {
  constexpr std::size_t kLength = 16;  // YYYY-MM-DD?HH:MM, '?' a space or 'T'
  if (t.size < kLength) return kNone;
  const char* p = t.data;
  // One test of the whole shape, without a branch per byte: it runs on every stamped line.
  constexpr std::size_t kDigitsAt[] = {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15};
  unsigned misses = 0;
  for (const std::size_t i : kDigitsAt) misses |= unsigned{!IsDigit(p[i])};
  misses |= unsigned{p[4] != '-'} | unsigned{p[7] != '-'} | unsigned{p[13] != ':'} |
            (unsigned{p[10] != ' '} & unsigned{p[10] != 'T'});
  if (misses != 0) return kNone;
  std::size_t i = kLength;
  if (t.At(i) != ':' || !t.Digits(i + 1, 2)) return i;
  i += 3;
  if (t.At(i) != '.' && t.At(i) != ',') return i;
  std::size_t j = i + 1;
  while (j < i + 1 + kMaxFraction && IsDigit(t.At(j))) ++j;
  return j > i + 1 ? j : i;
}

// aprx's rflog after the time: blanks, the port, blanks, 'R', 'T' or 'd',
// blanks, and after 'd' perhaps the '*' aprx puts before a discarded frame:
// the frame's offset, or kNone.
std::size_t RfLogFrame(const Text& t, std::size_t time) {
  std::size_t i = time;
  while (IsBlank(t.At(i))) ++i;
  const std::size_t port = i;
  while (i < port + kMaxPortName && IsPortByte(t.At(i))) ++i;
  if (port == time || i == port || !IsBlank(t.At(i))) return kNone;
  while (IsBlank(t.At(i))) ++i;
  const char direction = t.At(i);
  if ((direction != 'R' && direction != 'T' && direction != 'd') || !IsBlank(t.At(i + 1)))
    return kNone;
  i += 2;
  while (IsBlank(t.At(i))) ++i;
  // The '*' is taken only when a frame still follows it (a source may begin with '*').
  if (direction == 'd' && t.At(i) == '*' && SourceFieldAt(t, i + 1)) return i + 1;
  return SourceFieldAt(t, i) ? i : kNone;
}

// findu's "20160203230921," with the frame right after the comma.
LogPrefix FinduPrefix(const Text& t) {
  if (t.At(kFinduDigits) != ',' || !t.Digits(0, kFinduDigits) ||
      !SourceFieldAt(t, kFinduDigits + 1))
    return {};
  return {LogPrefixKind::TimeStamp, LogPrefixForm::FinduRaw, kFinduDigits + 1};
}

// A zone is taken only when a frame still follows it; aprx's port and direction
// are tried last, as no line can be read both ways (a port is followed by blanks,
// a frame's source field by '>').
LogPrefix StampPrefix(const Text& t) {
  const std::size_t time = DateTimeEnd(t);
  if (time == kNone) return FinduPrefix(t);
  if (const std::size_t zone = ZoneEnd(t, time)) {
    if (const std::size_t frame = FrameAfterColon(t, zone))
      return {LogPrefixKind::TimeStamp, LogPrefixForm::DateTime, frame};
  }
  if (const std::size_t frame = FrameAfterColon(t, time))
    return {LogPrefixKind::TimeStamp, LogPrefixForm::DateTime, frame};
  if (const std::size_t frame = RfLogFrame(t, time))
    return {LogPrefixKind::TimeStamp, LogPrefixForm::AprxRfLog, frame};
  return {};
}

std::size_t TagLength(const Text& t) {
  std::size_t i = 1;  // after '['
  while (i <= kMaxTagText && i < t.size && t.data[i] != ']') ++i;
  if (i == 1 || t.At(i) != ']') return kNone;
  return FrameAfterBlanks(t, i + 1);
}

// multimon-ng's "APRS: " before each frame it decodes with -A.
std::size_t AprsLabelLength(const Text& t) {
  if (t.size < kAprsLabel.size() || std::string_view(t.data, kAprsLabel.size()) != kAprsLabel)
    return kNone;
  return FrameAfterBlanks(t, kAprsLabel.size());
}

}  // namespace

LogPrefix detail::ReadLogPrefix(std::string_view line) {
  const Text t{line.data(), line.size() < kLogPrefixWindow ? line.size() : kLogPrefixWindow,
               line.size()};
  switch (line.front()) {
    case '[':
      if (const std::size_t length = TagLength(t))
        return {LogPrefixKind::Tag, LogPrefixForm::Bracketed, length};
      return {};
    case 'A':
      if (const std::size_t length = AprsLabelLength(t))
        return {LogPrefixKind::Tag, LogPrefixForm::AprsLabel, length};
      return {};
    default:
      return StampPrefix(t);
  }
}

}  // namespace sievra
