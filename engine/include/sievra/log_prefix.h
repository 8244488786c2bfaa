#pragma once

#include <cstddef>
#include <string_view>

namespace sievra {

// What a monitor program or an archive export wrote before a frame.
enum class LogPrefixKind {
  None,
  TimeStamp,  // "2020-11-07 09:38:16 EST: ", "2020-11-07T14:38:16.250Z "
  Tag,        // "[0.3] ", "[0 12:34:56] ": a channel or time tag in brackets
};

struct LogPrefix {
  LogPrefixKind kind = LogPrefixKind::None;
  std::size_t length = 0;  // bytes before the frame, the blanks after the stamp or tag included
};

// A prefix and the frame's source field must both lie within a line's first
// this many bytes, so a line's first bytes alone decide (the counting pass reads
// lines in chunks).
inline constexpr std::size_t kLogPrefixWindow = 80;

namespace detail {
// FindLogPrefix for a line that begins with '[' or a digit.
LogPrefix ReadLogPrefix(std::string_view line);
}  // namespace detail

// The time stamp or tag at the very start of `line`, when a frame follows it:
//   time stamp: YYYY-MM-DD, a space or 'T', HH:MM or HH:MM:SS with an optional
//     fraction ('.' or ',' and 1 to 9 digits); then optionally a zone: 'Z' or an
//     offset (+HH, +HHMM, +HH:MM, or with '-') right after the time, or after
//     one space 1 to 5 capital letters (UTC, EST, CEST) or an offset; then an
//     optional ':';
//   tag: '[', 1 to 40 bytes other than ']', ']';
// then one or more spaces or tabs, then the frame: 1 to 10 bytes other than
// blanks, ':' and '>', followed by '>'. Anything else is no prefix (length 0),
// so a line that begins with its frame, or with text other than these, is read
// whole.
//
// Inline for the test every packet line gets: a frame's source starts with a
// letter or a digit, so most lines are answered by their first byte.
inline LogPrefix FindLogPrefix(std::string_view line) {
  if (line.empty()) return {};
  const char first = line.front();
  if (first != '[' && (first < '0' || first > '9')) return {};
  return detail::ReadLogPrefix(line);
}

}  // namespace sievra
