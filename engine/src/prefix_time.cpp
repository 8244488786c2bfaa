#include "sievra/prefix_time.h"

#include <chrono>
#include <cstddef>

namespace sievra {

namespace {

constexpr std::size_t kNoEnd = std::string_view::npos;
constexpr std::size_t kFinduDigits = 14;

bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }

// The fields of a stamp as written; their ranges are checked only by Seconds.
struct Fields {
  bool hasDate = false;
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int offsetSign = 1;
  int offsetHours = 0;
  int offsetMinutes = 0;
};

// `digits` digits at `at` as a number; -1 when any of them is missing.
int Number(std::string_view text, std::size_t at, std::size_t digits) {
  if (at + digits > text.size()) return -1;
  int n = 0;
  for (std::size_t i = at; i < at + digits; ++i) {
    if (!IsDigit(text[i])) return -1;
    n = n * 10 + (text[i] - '0');
  }
  return n;
}

bool CharAt(std::string_view text, std::size_t at, char c) {
  return at < text.size() && text[at] == c;
}

// HH:MM, then optionally :SS and a fraction: the time's end, or kNoEnd.
std::size_t ReadTime(std::string_view text, std::size_t at, Fields& f) {
  f.hour = Number(text, at, 2);
  f.minute = Number(text, at + 3, 2);
  if (f.hour < 0 || !CharAt(text, at + 2, ':') || f.minute < 0) return kNoEnd;
  std::size_t i = at + 5;
  if (!CharAt(text, i, ':')) return i;
  f.second = Number(text, i + 1, 2);
  if (f.second < 0) return kNoEnd;
  i += 3;
  if (!CharAt(text, i, '.') && !CharAt(text, i, ',')) return i;
  const std::size_t fraction = ++i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  return i > fraction ? i : kNoEnd;
}

// +HH, +HHMM or +HH:MM (or with '-') making up the rest of the text.
bool ReadOffset(std::string_view text, std::size_t at, Fields& f) {
  if (!CharAt(text, at, '+') && !CharAt(text, at, '-')) return false;
  f.offsetSign = text[at] == '-' ? -1 : 1;
  f.offsetHours = Number(text, at + 1, 2);
  if (f.offsetHours < 0) return false;
  std::size_t i = at + 3;
  if (i == text.size()) return true;
  if (text[i] == ':') ++i;
  f.offsetMinutes = Number(text, i, 2);
  return f.offsetMinutes >= 0 && i + 2 == text.size();
}

// What may follow a time: nothing, 'Z', an offset, or after one space an
// offset or a zone name (offset 0).
bool ReadZone(std::string_view text, std::size_t at, Fields& f) {
  if (at == text.size()) return true;
  if (text[at] == 'Z') return at + 1 == text.size();
  if (ReadOffset(text, at, f)) return true;
  if (text[at] != ' ') return false;
  if (ReadOffset(text, at + 1, f)) return true;
  std::size_t i = at + 1;
  while (i < text.size() && IsCapital(text[i])) ++i;
  return i > at + 1 && i == text.size();
}

// "YYYY-MM-DD HH:MM[:SS[.f]][zone]", 'T' allowed for the space, as the whole text.
bool ReadDateTime(std::string_view text, Fields& f) {
  f.hasDate = true;
  f.year = Number(text, 0, 4);
  f.month = Number(text, 5, 2);
  f.day = Number(text, 8, 2);
  if (f.year < 0 || f.month < 0 || f.day < 0 || !CharAt(text, 4, '-') || !CharAt(text, 7, '-') ||
      !(CharAt(text, 10, ' ') || CharAt(text, 10, 'T')))
    return false;
  const std::size_t end = ReadTime(text, 11, f);
  return end != kNoEnd && ReadZone(text, end, f);
}

// "HH:MM[:SS[.f]]" as the whole text.
bool ReadTimeOfDay(std::string_view text, Fields& f) {
  f.hasDate = false;
  return ReadTime(text, 0, f) == text.size();
}

// findu's YYYYMMDDHHMMSS, in UTC.
bool ReadFindu(std::string_view text, Fields& f) {
  f.hasDate = true;
  f.year = Number(text, 0, 4);
  f.month = Number(text, 4, 2);
  f.day = Number(text, 6, 2);
  f.hour = Number(text, 8, 2);
  f.minute = Number(text, 10, 2);
  f.second = Number(text, 12, 2);
  return text.size() == kFinduDigits && f.year >= 0 && f.month >= 0 && f.day >= 0 && f.hour >= 0 &&
         f.minute >= 0 && f.second >= 0;
}

bool ReadAnyTime(std::string_view text, Fields& f) {
  if (ReadDateTime(text, f)) return true;
  f = Fields{};
  return ReadTimeOfDay(text, f);
}

std::optional<std::int64_t> Seconds(const Fields& f) {
  if (f.hour > 23 || f.minute > 59 || f.second > 60 || f.offsetHours > 23 || f.offsetMinutes > 59)
    return std::nullopt;
  std::int64_t days = 0;
  if (f.hasDate) {
    const std::chrono::year_month_day date{std::chrono::year{f.year},
                                           std::chrono::month{static_cast<unsigned>(f.month)},
                                           std::chrono::day{static_cast<unsigned>(f.day)}};
    if (!date.ok()) return std::nullopt;
    days = std::chrono::sys_days{date}.time_since_epoch().count();
  }
  const std::int64_t offset = f.offsetSign * (f.offsetHours * 3600 + f.offsetMinutes * 60);
  return days * 86400 + f.hour * 3600 + f.minute * 60 + f.second - offset;
}

// The time inside a tag: the whole text ("[2020-11-07 09:38:16]") or what
// follows its first word ("[0 12:34:56]", the channel first).
std::string_view TagTime(std::string_view prefix) {
  const std::size_t close = prefix.find(']');
  if (close == kNoEnd) return {};
  const std::string_view inner = prefix.substr(1, close - 1);
  Fields f;
  if (ReadAnyTime(inner, f)) return inner;
  std::size_t i = 0;
  while (i < inner.size() && !IsBlank(inner[i])) ++i;
  while (i < inner.size() && IsBlank(inner[i])) ++i;
  const std::string_view rest = inner.substr(i);
  return i < inner.size() && ReadAnyTime(rest, f) ? rest : std::string_view{};
}

}  // namespace

std::string_view PrefixStampText(std::string_view line, const LogPrefix& prefix) {
  std::string_view text = line.substr(0, prefix.length < line.size() ? prefix.length : line.size());
  switch (prefix.form) {
    case LogPrefixForm::DateTime:
      while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
      if (!text.empty() && text.back() == ':') text.remove_suffix(1);
      return text;
    case LogPrefixForm::AprxRfLog: {
      // The date and time end at the first blank after the date's space.
      std::size_t end = 11;
      while (end < text.size() && !IsBlank(text[end])) ++end;
      return text.substr(0, end);
    }
    case LogPrefixForm::FinduRaw:
      return text.substr(0, kFinduDigits);
    case LogPrefixForm::Bracketed:
      return TagTime(text);
    case LogPrefixForm::None:
    case LogPrefixForm::AprsLabel:
      break;
  }
  return {};
}

std::optional<std::int64_t> PrefixSeconds(std::string_view line, const LogPrefix& prefix) {
  const std::string_view text = PrefixStampText(line, prefix);
  if (text.empty()) return std::nullopt;
  Fields f;
  const bool read =
      prefix.form == LogPrefixForm::FinduRaw ? ReadFindu(text, f) : ReadAnyTime(text, f);
  return read ? Seconds(f) : std::nullopt;
}

}  // namespace sievra
