#include <gtest/gtest.h>

#include <string>

#include "sievra/packet_frame.h"

namespace sievra {
namespace {

struct FrameRow {
  const char* name;
  std::string line;
  std::string payload;
  std::string stripped;
};

const FrameRow kFrames[] = {
    {"nominal: path of two digipeaters is cut", "N0CALL-9>APRS,WIDE1-1,WIDE2-1:>status text",
     ">status text", "N0CALL-9>APRS:>status text"},
    {"nominal: used digipeater marks and q-constructs go too", "A>B,C,D*,qAR,IGATE:hello", "hello",
     "A>B:hello"},
    {"nominal: no path, nothing to cut", "N0CALL>APRS:>no path", ">no path",
     "N0CALL>APRS:>no path"},
    {"nominal: source over 10 characters is left alone", "AVERYLONGCALL>APRS,WIDE1-1:x", "x",
     "AVERYLONGCALL>APRS,WIDE1-1:x"},
    {"nominal: source of exactly 10 characters is cut", "ABCDEFGHIJ>APRS,WIDE1-1:x", "x",
     "ABCDEFGHIJ>APRS:x"},
    {"nominal: destination over 10 characters is left alone", "A>BCDEFGHIJKLM,WIDE1-1:x", "x",
     "A>BCDEFGHIJKLM,WIDE1-1:x"},
    {"nominal: destination of exactly 10 characters is cut", "A>BCDEFGHIJK,WIDE1-1:x", "x",
     "A>BCDEFGHIJK:x"},
    {"robustness: comma in the payload is not a path", "A>B:x,y:z", "x,y:z", "A>B:x,y:z"},
    {"robustness: comma after the only colon", "N0CALL>APRS:hi, there", "hi, there",
     "N0CALL>APRS:hi, there"},
    {"robustness: comma but no colon at all", "A>B,C", "A>B,C", "A>B,C"},
    {"robustness: colon before the '>'", "A:B>C,D:x", "B>C,D:x", "A:B>C,D:x"},
    {"robustness: no '>' at all", "note: one, two", " one, two", "note: one, two"},
    {"robustness: colon as last character", "A>B,C:", "", "A>B:"},
    {"robustness: empty line", "", "", ""},
    {"robustness: whole line without colon is its own payload", "N0CALL", "N0CALL", "N0CALL"},
    {"robustness: empty destination and path", ">,:x", "x", ">:x"},
};

TEST(PacketFrameTest, PayloadAndStrippedFrameAsTabulated) {
  for (const auto& row : kFrames) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(PacketPayload(row.line), row.payload);
    EXPECT_EQ(StripDigiPath(row.line), row.stripped);
  }
}

// The filter compares stored (cut) frames by payload: cutting must never change it,
// and cutting twice must change nothing more.
TEST(PacketFrameTest, CutKeepsPayloadAndIsIdempotent) {
  for (const auto& row : kFrames) {
    SCOPED_TRACE(row.name);
    const std::string once = StripDigiPath(row.line);
    EXPECT_EQ(PacketPayload(once), PacketPayload(row.line));
    EXPECT_EQ(StripDigiPath(once), once);
  }
}

}  // namespace
}  // namespace sievra
