#include "sievra/prefix_time.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sievra/log_prefix.h"

namespace sievra {
namespace {

// Expected seconds below come from Python's datetime in UTC, not from this code.
constexpr std::int64_t k20201107T143816 = 1604759896;
constexpr std::int64_t k20201107T093816 = 1604741896;
constexpr std::int64_t k20161116T010419 = 1479258259;
constexpr std::int64_t k20160203T230921 = 1454540961;
constexpr std::int64_t k20200630T123456 = 1593520496;
constexpr std::int64_t k20200229T000000 = 1582934400;
constexpr std::int64_t k20170101T000000 = 1483228800;
constexpr std::int64_t k00010101T000000 = -62135596800;
constexpr std::int64_t k123456 = 12 * 3600 + 34 * 60 + 56;

const std::string kFrame = " N0CALL>APRS:x";

struct TimeRow {
  const char* name;
  std::string line;
  std::optional<std::int64_t> seconds;
  std::string stamp;  // PrefixStampText's answer
};

// Every row's line has a prefix, also where its time is out of range: the
// prefix is read by its shape, its time by its values.
TEST(PrefixTimeTest, GivesEachFormsTimeAndStamp) {
  const TimeRow rows[] = {
      {"nominal: ISO with Z", "2020-11-07T14:38:16Z" + kFrame, k20201107T143816,
       "2020-11-07T14:38:16Z"},
      {"nominal: offset -HH:MM applied", "2020-11-07T09:38:16-05:00" + kFrame, k20201107T143816,
       "2020-11-07T09:38:16-05:00"},
      {"nominal: offset +HH", "2020-11-07 15:38:16+01" + kFrame, k20201107T143816,
       "2020-11-07 15:38:16+01"},
      {"nominal: offset +HHMM after a space", "2020-11-07 15:38:16 +0100" + kFrame,
       k20201107T143816, "2020-11-07 15:38:16 +0100"},
      {"nominal: offset +HH:MM back across midnight", "2020-11-08T00:08:16+09:30" + kFrame,
       k20201107T143816, "2020-11-08T00:08:16+09:30"},
      {"nominal: zone name counts as offset 0", "2020-11-07 09:38:16 EST:" + kFrame,
       k20201107T093816, "2020-11-07 09:38:16 EST"},
      {"nominal: no zone counts as offset 0", "2020-11-07 09:38:16\t" + kFrame, k20201107T093816,
       "2020-11-07 09:38:16"},
      {"nominal: fraction dropped", "2020-11-07 14:38:16.999999999" + kFrame, k20201107T143816,
       "2020-11-07 14:38:16.999999999"},
      {"nominal: comma fraction dropped", "2020-11-07 14:38:16,5:" + kFrame, k20201107T143816,
       "2020-11-07 14:38:16,5"},
      {"nominal: minutes only, colon after", "2020-11-07 14:38:" + kFrame, k20201107T143816 - 16,
       "2020-11-07 14:38"},
      {"nominal: leap day", "2020-02-29 00:00:00" + kFrame, k20200229T000000,
       "2020-02-29 00:00:00"},
      {"nominal: leap second", "2016-12-31T23:59:60Z" + kFrame, k20170101T000000,
       "2016-12-31T23:59:60Z"},
      {"nominal: before 1970", "1969-12-31 23:59:59Z" + kFrame, -1, "1969-12-31 23:59:59Z"},
      {"nominal: proleptic Gregorian year 1", "0001-01-01 00:00:00" + kFrame, k00010101T000000,
       "0001-01-01 00:00:00"},
      {"nominal: aprx rflog, milliseconds dropped", "2016-11-16 01:04:19.662 W8VFR-8   R" + kFrame,
       k20161116T010419, "2016-11-16 01:04:19.662"},
      {"nominal: findu, UTC", "20160203230921," + kFrame.substr(1), k20160203T230921,
       "20160203230921"},
      {"nominal: tag with a time of day", "[0 12:34:56]" + kFrame, k123456, "12:34:56"},
      {"nominal: tag with a time of day and fraction", "[0 12:34:56.7]" + kFrame, k123456,
       "12:34:56.7"},
      {"nominal: tag with only a time of day", "[12:34:56]" + kFrame, k123456, "12:34:56"},
      {"nominal: tag with channel, date and time", "[1 2020-11-07 09:38:16]" + kFrame,
       k20201107T093816, "2020-11-07 09:38:16"},
      {"nominal: tag with date and time only", "[2020-06-30 12:34:56]" + kFrame, k20200630T123456,
       "2020-06-30 12:34:56"},
      {"nominal: tag without a time", "[0.3]" + kFrame, std::nullopt, ""},
      {"nominal: tag with a time's placeholder", "[0.3 HH:MM:SS]" + kFrame, std::nullopt, ""},
      {"nominal: multimon-ng's label", "APRS:" + kFrame, std::nullopt, ""},
      {"robustness: 29 February of a common year", "2021-02-29 00:00:00" + kFrame, std::nullopt,
       "2021-02-29 00:00:00"},
      {"robustness: month 13", "2020-13-07 09:38:16" + kFrame, std::nullopt, "2020-13-07 09:38:16"},
      {"robustness: day 0", "2020-11-00 09:38:16" + kFrame, std::nullopt, "2020-11-00 09:38:16"},
      {"robustness: hour 24", "2020-11-07 24:00:00" + kFrame, std::nullopt, "2020-11-07 24:00:00"},
      {"robustness: hour 25", "2020-11-07 25:38:16" + kFrame, std::nullopt, "2020-11-07 25:38:16"},
      {"robustness: minute 60", "2020-11-07 09:60:16" + kFrame, std::nullopt,
       "2020-11-07 09:60:16"},
      {"robustness: second 61", "2020-11-07 09:38:61" + kFrame, std::nullopt,
       "2020-11-07 09:38:61"},
      {"robustness: offset hours 24", "2020-11-07T09:38:16+24:00" + kFrame, std::nullopt,
       "2020-11-07T09:38:16+24:00"},
      {"robustness: offset minutes 60", "2020-11-07T09:38:16+01:60" + kFrame, std::nullopt,
       "2020-11-07T09:38:16+01:60"},
      {"robustness: aprx rflog, hour 25", "2016-11-16 25:04:19.662 APRSIS    R" + kFrame,
       std::nullopt, "2016-11-16 25:04:19.662"},
      {"robustness: findu month 13", "20161303230921," + kFrame.substr(1), std::nullopt,
       "20161303230921"},
      {"robustness: tag hour 25", "[0 25:00:00]" + kFrame, std::nullopt, "25:00:00"},
  };
  for (const TimeRow& row : rows) {
    SCOPED_TRACE(row.name);
    const LogPrefix prefix = FindLogPrefix(row.line);
    ASSERT_NE(prefix.kind, LogPrefixKind::None);
    EXPECT_EQ(PrefixSeconds(row.line, prefix), row.seconds);
    EXPECT_EQ(PrefixStampText(row.line, prefix), row.stamp);
  }
}

TEST(PrefixTimeTest, LineWithoutPrefixHasNoTime) {
  const std::string line = "N0CALL>APRS:2020-11-07 09:38:16 EST: x";
  const LogPrefix prefix = FindLogPrefix(line);
  EXPECT_EQ(PrefixSeconds(line, prefix), std::nullopt);
  EXPECT_EQ(PrefixStampText(line, prefix), "");
}

// What a time window rule reads: the time from one line to a later one.
TEST(PrefixTimeTest, DifferencesAcrossDaysZonesAndForms) {
  const struct {
    const char* name;
    std::string earlier;
    std::string later;
    std::int64_t seconds;
  } rows[] = {
      {"nominal: across midnight", "2020-11-07 23:59:59" + kFrame, "2020-11-08 00:00:01" + kFrame,
       2},
      {"nominal: across the year's end", "2020-12-31 23:59:59" + kFrame,
       "2021-01-01 00:00:00" + kFrame, 1},
      {"nominal: over a leap day", "2020-02-28 12:00:00" + kFrame, "2020-03-01 12:00:00" + kFrame,
       2 * 86400},
      {"nominal: over 28 February of a common year", "2021-02-28 12:00:00" + kFrame,
       "2021-03-01 12:00:00" + kFrame, 86400},
      {"nominal: across a zone offset", "2020-11-07T14:38:16Z" + kFrame,
       "2020-11-07T09:38:17-05:00" + kFrame, 1},
      {"nominal: findu against an ISO stamp", "20201107143816," + kFrame.substr(1),
       "2020-11-07T14:38:16Z" + kFrame, 0},
      {"nominal: rflog milliseconds dropped", "2016-11-16 01:04:19.999 APRSIS    R" + kFrame,
       "2016-11-16 01:04:20.001 APRSIS    R" + kFrame, 1},
      {"nominal: a time of day does not wrap at midnight", "[0 23:59:59]" + kFrame,
       "[0 00:00:01]" + kFrame, -86398},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::optional<std::int64_t> earlier =
        PrefixSeconds(row.earlier, FindLogPrefix(row.earlier));
    const std::optional<std::int64_t> later = PrefixSeconds(row.later, FindLogPrefix(row.later));
    ASSERT_TRUE(earlier.has_value() && later.has_value());
    EXPECT_EQ(*later - *earlier, row.seconds);
  }
}

}  // namespace
}  // namespace sievra
