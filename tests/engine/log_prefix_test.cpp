#include "sievra/log_prefix.h"

#include <gtest/gtest.h>

#include <string>

#include "first_match_reference.h"

namespace sievra {
namespace {

struct PrefixRow {
  const char* name;
  std::string line;
  LogPrefixKind kind;
  std::string frame;  // what follows the prefix; the whole line when there is none
};

constexpr auto kStamp = LogPrefixKind::TimeStamp;
constexpr auto kTag = LogPrefixKind::Tag;
constexpr auto kNone = LogPrefixKind::None;

// Each row also checks the plain model in tests/reference, which the fuzz target
// and the differential test rely on.
TEST(LogPrefixTest, RecognisesTheDocumentedFormsAndNothingElse) {
  const std::string frame = "W3EAX-10>APLIGA,K3TLB-13*,WIDE2*,qAR,K3DO-11:/143807h3942.06N";
  const PrefixRow rows[] = {
      {"nominal: archive export, local zone and colon", "2020-11-07 09:38:16 EST: " + frame, kStamp,
       frame},
      {"nominal: UTC with colon", "2010-07-02 03:44:07 UTC: DB0EMS>UIDIGI: UIDIGI 1.9", kStamp,
       "DB0EMS>UIDIGI: UIDIGI 1.9"},
      {"nominal: ISO with T, fraction and Z", "2020-11-07T14:38:16.250Z " + frame, kStamp, frame},
      {"nominal: comma fraction, no zone", "2020-11-07 14:38:16,250 " + frame, kStamp, frame},
      {"nominal: offset with colon", "2020-11-07T09:38:16-05:00 " + frame, kStamp, frame},
      {"nominal: offset after a space, no colon", "2020-11-07 09:38:16 +0100 " + frame, kStamp,
       frame},
      {"nominal: minutes only, tab", "2020-11-07 09:38\t" + frame, kStamp, frame},
      {"nominal: several spaces", "2020-11-07 09:38:16   " + frame, kStamp, frame},
      {"nominal: channel and decoder tag", "[0.3] " + frame, kTag, frame},
      {"nominal: channel and time tag", "[0 12:34:56] " + frame, kTag, frame},
      {"nominal: tag with date and time", "[1 2020-11-07 09:38:16] " + frame, kTag, frame},
      {"nominal: transmit tag", "[0L] N0CALL>APRS:>hi", kTag, "N0CALL>APRS:>hi"},
      {"nominal: zone-like source is the frame", "2020-11-07 09:38:16 EST>APRS:x", kStamp,
       "EST>APRS:x"},
      {"robustness: a frame alone", frame, kNone, frame},
      {"robustness: source starting with digits", "2E0ABC>APRS:hi", kNone, "2E0ABC>APRS:hi"},
      {"robustness: time without date", "12:34 N0CALL>APRS:hi", kNone, "12:34 N0CALL>APRS:hi"},
      {"robustness: slashed date", "2020/11/07 09:38:16 N0CALL>APRS:hi", kNone,
       "2020/11/07 09:38:16 N0CALL>APRS:hi"},
      {"robustness: no blank before the frame", "[0]N0CALL>APRS:hi", kNone, "[0]N0CALL>APRS:hi"},
      {"robustness: empty tag", "[] N0CALL>APRS:hi", kNone, "[] N0CALL>APRS:hi"},
      {"robustness: no frame after the stamp", "2020-11-07 09:38:16 EST: Connected to server",
       kNone, "2020-11-07 09:38:16 EST: Connected to server"},
      {"robustness: port name between stamp and frame",
       "2015-03-17 01:28:18.869 APRSIS R W6KWF-14>APRS:x", kNone,
       "2015-03-17 01:28:18.869 APRSIS R W6KWF-14>APRS:x"},
      {"robustness: a blank inside the source field", "[0] N0 CALL>APRS:hello world", kNone,
       "[0] N0 CALL>APRS:hello world"},
      {"robustness: a colon inside the source field", "[0] N0:CALL>APRS:hello world", kNone,
       "[0] N0:CALL>APRS:hello world"},
      {"nominal: a ten-byte source field", "[0] N0CALLXY-9>APRS:hello world", kTag,
       "N0CALLXY-9>APRS:hello world"},
      {"robustness: source longer than ten", "[0] AVERYLONGCALL>APRS:x", kNone,
       "[0] AVERYLONGCALL>APRS:x"},
      {"robustness: stamp and nothing else", "2020-11-07 09:38:16 ", kNone, "2020-11-07 09:38:16 "},
      {"robustness: frame beyond the first 80 bytes",
       "[" + std::string(39, 'x') + "]" + std::string(40, ' ') + "N0CALL>APRS:x", kNone,
       "[" + std::string(39, 'x') + "]" + std::string(40, ' ') + "N0CALL>APRS:x"},
  };
  for (const PrefixRow& row : rows) {
    SCOPED_TRACE(row.name);
    const LogPrefix prefix = FindLogPrefix(row.line);
    EXPECT_EQ(prefix.kind, row.kind);
    EXPECT_EQ(row.line.substr(prefix.length), row.frame);
    EXPECT_EQ(reference::PrefixLength(row.line), prefix.length);
  }
}

}  // namespace
}  // namespace sievra
