#include "sievra/log_prefix.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "first_match_reference.h"

namespace sievra {
namespace {

struct PrefixRow {
  const char* name;
  std::string line;
  LogPrefixForm form;
  std::string frame;  // what follows the prefix; the whole line when there is none
};

constexpr auto kDateTime = LogPrefixForm::DateTime;
constexpr auto kRfLog = LogPrefixForm::AprxRfLog;
constexpr auto kFindu = LogPrefixForm::FinduRaw;
constexpr auto kBracketed = LogPrefixForm::Bracketed;
constexpr auto kAprsLabel = LogPrefixForm::AprsLabel;
constexpr auto kNone = LogPrefixForm::None;

LogPrefixKind KindOf(LogPrefixForm form) {
  switch (form) {
    case LogPrefixForm::None:
      return LogPrefixKind::None;
    case LogPrefixForm::Bracketed:
    case LogPrefixForm::AprsLabel:
      return LogPrefixKind::Tag;
    default:
      return LogPrefixKind::TimeStamp;
  }
}

// Each row also checks the plain model in tests/reference, which the fuzz target
// and the differential test rely on.
void ExpectRows(const std::vector<PrefixRow>& rows) {
  for (const PrefixRow& row : rows) {
    SCOPED_TRACE(row.name);
    const LogPrefix prefix = FindLogPrefix(row.line);
    EXPECT_EQ(prefix.form, row.form);
    EXPECT_EQ(prefix.kind, KindOf(row.form));
    EXPECT_EQ(row.line.substr(prefix.length), row.frame);
    EXPECT_EQ(reference::PrefixLength(row.line), prefix.length);
  }
}

// A line that begins with its frame is itself.
PrefixRow Whole(const char* name, const std::string& line) { return {name, line, kNone, line}; }

const std::string kFrame = "W3EAX-10>APLIGA,K3TLB-13*,WIDE2*,qAR,K3DO-11:/143807h3942.06N";

TEST(LogPrefixTest, RecognisesStampsAndTags) {
  const std::string frame = kFrame;
  ExpectRows({
      {"nominal: archive export, local zone and colon", "2020-11-07 09:38:16 EST: " + frame,
       kDateTime, frame},
      {"nominal: UTC with colon", "2010-07-02 03:44:07 UTC: DB0EMS>UIDIGI: UIDIGI 1.9", kDateTime,
       "DB0EMS>UIDIGI: UIDIGI 1.9"},
      {"nominal: ISO with T, fraction and Z", "2020-11-07T14:38:16.250Z " + frame, kDateTime,
       frame},
      {"nominal: comma fraction, no zone", "2020-11-07 14:38:16,250 " + frame, kDateTime, frame},
      {"nominal: offset with colon", "2020-11-07T09:38:16-05:00 " + frame, kDateTime, frame},
      {"nominal: offset after a space, no colon", "2020-11-07 09:38:16 +0100 " + frame, kDateTime,
       frame},
      {"nominal: minutes only, tab", "2020-11-07 09:38\t" + frame, kDateTime, frame},
      {"nominal: several spaces", "2020-11-07 09:38:16   " + frame, kDateTime, frame},
      {"nominal: channel and decoder tag", "[0.3] " + frame, kBracketed, frame},
      {"nominal: channel and time tag", "[0 12:34:56] " + frame, kBracketed, frame},
      {"nominal: tag with date and time", "[1 2020-11-07 09:38:16] " + frame, kBracketed, frame},
      {"nominal: transmit tag", "[0L] N0CALL>APRS:>hi", kBracketed, "N0CALL>APRS:>hi"},
      {"nominal: zone-like source is the frame", "2020-11-07 09:38:16 EST>APRS:x", kDateTime,
       "EST>APRS:x"},
      Whole("robustness: a frame alone", frame),
      Whole("robustness: source starting with digits", "2E0ABC>APRS:hi"),
      Whole("robustness: time without date", "12:34 N0CALL>APRS:hi"),
      Whole("robustness: slashed date", "2020/11/07 09:38:16 N0CALL>APRS:hi"),
      Whole("robustness: no blank before the frame", "[0]N0CALL>APRS:hi"),
      Whole("robustness: empty tag", "[] N0CALL>APRS:hi"),
      Whole("robustness: no frame after the stamp", "2020-11-07 09:38:16 EST: Connected to server"),
      Whole("robustness: a blank inside the source field", "[0] N0 CALL>APRS:hello world"),
      Whole("robustness: a colon inside the source field", "[0] N0:CALL>APRS:hello world"),
      {"nominal: a ten-byte source field", "[0] N0CALLXY-9>APRS:hello world", kBracketed,
       "N0CALLXY-9>APRS:hello world"},
      Whole("robustness: source longer than ten", "[0] AVERYLONGCALL>APRS:x"),
      Whole("robustness: stamp and nothing else", "2020-11-07 09:38:16 "),
      Whole("robustness: frame beyond the first 80 bytes",
            "[" + std::string(39, 'x') + "]" + std::string(40, ' ') + "N0CALL>APRS:x"),
  });
}

// aprx's rflog: date, time with milliseconds and no zone, the port (the
// interface's callsign, or APRSIS for what came from the network) padded to nine
// with spaces, R (received), T (transmitted) or d (dropped: not gated; the frame
// then carries a '*'), one space and the frame, as aprx's users' logs show it:
// "2015-03-17 01:28:18.869 APRSIS    R W6KWF-14>APRS,TCPIP*:…". Its manual's
// section on the rflog file names R and T only.
TEST(LogPrefixTest, ReadsAprxRfLogLinesByTheirFrame) {
  const std::string frame = kFrame;
  ExpectRows({
      {"nominal: received on a radio port", "2016-11-16 01:04:19.662 W8VFR-8   R " + frame, kRfLog,
       frame},
      {"nominal: received from the network", "2015-03-17 01:28:18.869 APRSIS    R " + frame, kRfLog,
       frame},
      {"nominal: transmitted", "2015-03-17 01:28:23.678 W6KWF-15  T W6KWF-15>APRS:}x", kRfLog,
       "W6KWF-15>APRS:}x"},
      {"nominal: dropped, the star before the frame passed over",
       "2023-08-13 17:30:04.837 SR9NSK-4  d *OK0DSK-6>APDWX0,TCPIP,OK8UOF*:!4937.97N", kRfLog,
       "OK0DSK-6>APDWX0,TCPIP,OK8UOF*:!4937.97N"},
      {"nominal: dropped without a star", "2023-08-13 17:30:04.837 SR9NSK-4  d " + frame, kRfLog,
       frame},
      {"nominal: a nine-byte port with one space", "2016-11-16 01:04:19.662 OH2MQK-15 R " + frame,
       kRfLog, frame},
      {"robustness: a lone star before '>' stays the frame",
       "2016-11-16 01:04:19.662 APRSIS    d *>APRS:x", kRfLog, "*>APRS:x"},
      Whole("robustness: a port longer than nine", "2016-11-16 01:04:19.662 W8VFRXXXXX R " + frame),
      Whole("robustness: a letter other than R, T or d",
            "2016-11-16 01:04:19.662 W8VFR-8   r " + frame),
      Whole("robustness: no blank after the letter", "2016-11-16 01:04:19.662 W8VFR-8   R" + frame),
      Whole("robustness: two words between port and frame",
            "2016-11-16 01:04:19.662 W8VFR-8 R T " + frame),
      Whole("robustness: a zone before the port", "2016-11-16 01:04:19.662Z W8VFR-8   R " + frame),
      Whole("robustness: the rflog line inside a payload",
            "N0CALL>APRS:2016-11-16 01:04:19.662 W8VFR-8   R " + frame),
      Whole("robustness: port and letter but no frame",
            "2016-11-16 01:04:19.662 APRSIS    R connected to server"),
  });
}

// findu's raw packets with their times (time=1): YYYYMMDDHHMMSS in UTC and a
// comma, the frame right after it: "20030619235323,N0CALL>APRS:…".
TEST(LogPrefixTest, ReadsFinduRawLinesByTheirFrame) {
  const std::string frame = kFrame;
  ExpectRows({
      {"nominal: findu's time and a comma", "20160203230921," + frame, kFindu, frame},
      Whole("robustness: thirteen digits", "2016020323092," + frame),
      Whole("robustness: fifteen digits", "201602032309210," + frame),
      Whole("robustness: a blank after the comma", "20160203230921, " + frame),
      Whole("robustness: a frame whose source is all digits", "1234567890>APRS:x"),
      Whole("robustness: all-digit source, the findu time in its payload",
            "1234567890>APRS:20160203230921," + frame),
      Whole("robustness: no frame after the comma", "20160203230921,hello world"),
  });
}

// multimon-ng's APRS mode (-A) writes each frame it decodes after "APRS: ":
// "APRS: N0CALL-5>APDR12,N0CALL*,WIDE2-2:=5111.11N/01111.11E$ …".
TEST(LogPrefixTest, ReadsMultimonAprsLinesByTheirFrame) {
  const std::string frame = kFrame;
  ExpectRows({
      {"nominal: multimon-ng's label", "APRS: " + frame, kAprsLabel, frame},
      {"nominal: label and a tab", "APRS:\t" + frame, kAprsLabel, frame},
      Whole("robustness: no blank after the label", "APRS:" + frame),
      Whole("robustness: a station named APRS", "APRS>APZ001,WIDE1-1:hello"),
      Whole("robustness: a source starting with A", "AB1CD-7>APRS:hello"),
      Whole("robustness: the label in lower case", "aprs: " + frame),
      Whole("robustness: the label and no frame", "APRS: decoder started"),
  });
}

}  // namespace
}  // namespace sievra
