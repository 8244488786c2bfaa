#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "sievra/log_prefix.h"

namespace sievra {

// The time a prefix found by FindLogPrefix carries, in whole seconds, for rules
// that compare the times of lines within one log. Only such a rule calls it: the
// default path reads no time.
//   date and time (a time stamp, aprx's rflog, findu's, a tag holding one):
//     seconds since 1970-01-01 00:00:00, proleptic Gregorian, the fraction
//     dropped; 'Z' and offsets are applied (…T14:38:16Z equals …09:38:16-05:00);
//     a zone name (EST, AEDT) or none counts as offset 0, as only differences
//     within one log matter; findu's times are UTC;
//   a tag holding only a time of day ("[0 12:34:56]"): seconds since that day's
//     00:00, without wrapping at midnight;
//   a tag without a time ("[0.3]"), multimon-ng's label, no prefix: nullopt;
//   a field out of range (month 13, 30 February, hour 24, minute or offset
//     minutes 60, second 61, offset hours 24): nullopt, though the prefix
//     stands (FindLogPrefix reads shapes, not values). Second 60 is a leap second.
std::optional<std::int64_t> PrefixSeconds(std::string_view line, const LogPrefix& prefix);

// The time stamp as the log wrote it, without the colon and blanks after it:
// "2020-11-07 09:38:16 EST", aprx's date and time ("2016-11-16 01:04:19.662",
// not its port), findu's "20160203230921", a tag's time ("12:34:56" in
// "[0 12:34:56]"). Empty when the prefix holds no time. A view into `line`.
std::string_view PrefixStampText(std::string_view line, const LogPrefix& prefix);

}  // namespace sievra
