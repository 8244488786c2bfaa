#include "sievra/log_prefix.h"

namespace sievra {

namespace {

constexpr std::size_t kMaxTagText = 40;
constexpr std::size_t kMaxZoneLetters = 5;
constexpr std::size_t kMaxFraction = 9;
constexpr std::size_t kMaxSourceField = 10;  // as the path cut allows

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Reads the line left to right; every step either advances or fails.
class Cursor {
 public:
  Cursor(std::string_view text, std::size_t at) : text_(text), at_(at) {}

  std::size_t At() const { return at_; }
  bool Ended() const { return at_ >= text_.size(); }
  char Peek() const { return Ended() ? '\0' : text_[at_]; }
  bool Take(char c) {
    if (Ended() || text_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool TakeDigits(std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      if (!IsDigit(Peek())) return false;
      ++at_;
    }
    return true;
  }
  // Up to `most` bytes for which `accept` holds; returns how many it took.
  template <class Accept>
  std::size_t TakeWhile(Accept accept, std::size_t most) {
    std::size_t n = 0;
    while (n < most && !Ended() && accept(text_[at_])) {
      ++at_;
      ++n;
    }
    return n;
  }

 private:
  std::string_view text_;
  std::size_t at_;
};

// +HH, +HHMM or +HH:MM (or with '-').
bool TakeOffset(Cursor& c) {
  if (!c.Take('+') && !c.Take('-')) return false;
  if (!c.TakeDigits(2)) return false;
  Cursor minutes = c;
  minutes.Take(':');
  if (minutes.TakeDigits(2)) c = minutes;
  return true;
}

// "2020-11-07 09:38:16.250", up to but not including any zone.
bool TakeDateTime(Cursor& c) {
  if (!(c.TakeDigits(4) && c.Take('-') && c.TakeDigits(2) && c.Take('-') && c.TakeDigits(2)))
    return false;
  if (!c.Take(' ') && !c.Take('T')) return false;
  if (!(c.TakeDigits(2) && c.Take(':') && c.TakeDigits(2))) return false;
  Cursor seconds = c;
  if (!(seconds.Take(':') && seconds.TakeDigits(2))) return true;
  c = seconds;
  Cursor fraction = c;
  if ((fraction.Take('.') || fraction.Take(',')) && fraction.TakeWhile(IsDigit, kMaxFraction) > 0)
    c = fraction;
  return true;
}

// A zone right after the time ("Z", "+01:00") or after one space ("UTC", "+0100").
bool TakeZone(Cursor& c) {
  if (c.Take('Z')) return true;
  Cursor offset = c;
  if (TakeOffset(offset)) {
    c = offset;
    return true;
  }
  if (!c.Take(' ')) return false;
  Cursor spaced = c;
  if (TakeOffset(spaced)) {
    c = spaced;
    return true;
  }
  return c.TakeWhile([](char ch) { return ch >= 'A' && ch <= 'Z'; }, kMaxZoneLetters) > 0;
}

// The blanks after a stamp or tag, then the start of a frame: its source field and '>'.
bool TakeBlanksBeforeFrame(Cursor& c) {
  if (c.TakeWhile(IsBlank, kLogPrefixWindow) == 0) return false;
  Cursor frame = c;
  const std::size_t source = frame.TakeWhile(
      [](char ch) { return !IsBlank(ch) && ch != ':' && ch != '>'; }, kMaxSourceField);
  return source > 0 && frame.Take('>');
}

// The stamp's end, with or without a zone: a zone is taken only when a frame still follows.
bool TakeTimeStamp(Cursor& c) {
  if (!TakeDateTime(c)) return false;
  for (bool withZone : {true, false}) {
    Cursor rest = c;
    if (withZone && !TakeZone(rest)) continue;
    rest.Take(':');
    if (TakeBlanksBeforeFrame(rest)) {
      c = rest;
      return true;
    }
  }
  return false;
}

bool TakeTag(Cursor& c) {
  if (!c.Take('[')) return false;
  if (c.TakeWhile([](char ch) { return ch != ']'; }, kMaxTagText) == 0) return false;
  return c.Take(']') && TakeBlanksBeforeFrame(c);
}

}  // namespace

LogPrefix FindLogPrefix(std::string_view line) {
  // Callsigns start with a letter or a digit, so most frames fail on the first byte or two.
  if (line.empty() || (line[0] != '[' && !IsDigit(line[0]))) return {};
  line = line.substr(0, kLogPrefixWindow);
  Cursor stamp(line, 0);
  if (TakeTimeStamp(stamp)) return {LogPrefixKind::TimeStamp, stamp.At()};
  Cursor tag(line, 0);
  if (TakeTag(tag)) return {LogPrefixKind::Tag, tag.At()};
  return {};
}

}  // namespace sievra
