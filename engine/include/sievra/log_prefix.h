#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace sievra {

// What a monitor program or an archive export wrote before a frame.
enum class LogPrefixKind {
  None,
  TimeStamp,  // a date and time in one of the forms below
  Tag,        // a channel, time or decoder tag
};

// The layout the prefix was read as, for readers of its time (prefix_time.h).
enum class LogPrefixForm : std::uint8_t {
  None,
  DateTime,   // "2020-11-07 09:38:16 EST: ", "2020-11-07T14:38:16.250Z "
  AprxRfLog,  // "2016-11-16 01:04:19.662 W8VFR-8   R ": aprx's rflog
  FinduRaw,   // "20160203230921,": findu's raw packets with their times
  Bracketed,  // "[0.3] ", "[0 12:34:56] "
  AprsLabel,  // "APRS: ": multimon-ng -A
};

// Sixteen bytes, so that it is returned in two registers.
struct LogPrefix {
  LogPrefixKind kind = LogPrefixKind::None;
  LogPrefixForm form = LogPrefixForm::None;
  std::size_t length = 0;  // bytes before the frame, the blanks after the stamp or tag included
};

// A prefix and the frame's source field must both lie within a line's first
// this many bytes, so a line's first bytes alone decide (the counting pass reads
// lines in chunks).
inline constexpr std::size_t kLogPrefixWindow = 80;

namespace detail {
// FindLogPrefix for a line that begins with '[', 'A' or a digit.
LogPrefix ReadLogPrefix(std::string_view line);
}  // namespace detail

// The time stamp or tag at the very start of `line`, when a frame follows it:
//   time stamp: YYYY-MM-DD, a space or 'T', HH:MM or HH:MM:SS with an optional
//     fraction ('.' or ',' and 1 to 9 digits); then optionally a zone: 'Z' or an
//     offset (+HH, +HHMM, +HH:MM, or with '-') right after the time, or after
//     one space 1 to 5 capital letters (UTC, EST, CEST) or an offset; then an
//     optional ':'; then one or more spaces or tabs;
//   aprx's rflog: such a date and time without a zone, blanks, the port (1 to 9
//     letters, digits or '-': a callsign or APRSIS, padded with spaces), blanks,
//     'R' (received), 'T' (transmitted) or 'd' (dropped: not gated), blanks,
//     and after 'd' an optional '*' (aprx's mark of a discarded frame);
//   findu's raw packets: YYYYMMDDHHMMSS and ',', the frame right after it;
//   tag: '[', 1 to 40 bytes other than ']', ']', then one or more spaces or tabs;
//   multimon-ng's APRS output: "APRS:", then one or more spaces or tabs;
// then the frame: 1 to 10 bytes other than blanks, ':' and '>', followed by
// '>'. Anything else is no prefix (length 0), so a line that begins with its
// frame, or with text other than these, is read whole.
//
// Inline for the test every packet line gets: a frame's source starts with a
// letter or a digit, so most lines are answered by their first byte (those
// beginning with 'A' by their first five).
inline LogPrefix FindLogPrefix(std::string_view line) {
  if (line.empty()) return {};
  const char first = line.front();
  if (first != '[' && first != 'A' && (first < '0' || first > '9')) return {};
  return detail::ReadLogPrefix(line);
}

}  // namespace sievra
