#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_support.h"
#include "sievra/packet_frame.h"

namespace sievra {
namespace {

using testing::EngineFixture;

struct FilterRow {
  const char* name;
  std::string input;
  std::string output;  // "" when nothing is kept
};

void ExpectRows(const std::vector<FilterRow>& rows, bool packet, std::string_view call = "",
                bool strip = false) {
  for (const FilterRow& row : rows) {
    SCOPED_TRACE(row.name);
    EngineFixture f;
    f.Run(row.input, packet, call, strip);
    EXPECT_EQ(f.Output(), row.output);
  }
}

TEST(FilterTextLinesTest, KeepsFirstOccurrenceOfEachExactLine) {
  ExpectRows(
      {
          {"nominal: case and trailing blanks count", "a\r\nb\r\na\r\nA\r\nb \r\n",
           "a\r\nb\r\nA\r\nb \r\n"},
          {"nominal: order of first occurrence", "c\r\na\r\nc\r\nb\r\na\r\n", "c\r\na\r\nb\r\n"},
          {"nominal: first empty line kept, later ones dropped", "\r\na\r\n\r\n\r\n", "\r\na\r\n"},
          {"nominal: unterminated last line gets CR LF", "a\r\nb", "a\r\nb\r\n"},
          {"fixed: LF-only log is read line by line", "a\nb\na\n", "a\r\nb\r\n"},
          {"nominal: CR-only log", "a\rb\ra\r", "a\r\nb\r\n"},
          {"nominal: same line, other terminators", "a\r\na\na\ra", "a\r\n"},
          {"robustness: tab differs from space", "a\tb\r\na b\r\n", "a\tb\r\na b\r\n"},
          {"robustness: NUL and 8-bit bytes kept exactly",
           std::string("\xe9t\xe9\0x\r\n\xe9t\xe9\0x\r\n", 12), std::string("\xe9t\xe9\0x\r\n", 7)},
          {"nominal: callsign box does not filter text", "x\r\nN0CALL y\r\nz\r\n",
           "x\r\nN0CALL y\r\nz\r\n"},
          {"robustness: prefix of a longer line is distinct", "ab\r\na\r\nab\r\n", "ab\r\na\r\n"},
      },
      false, "n0call", true);
}

TEST(FilterPacketLinesTest, TargetIsACaseBlindPrefixOfTheLine) {
  ExpectRows(
      {
          {"nominal: own letters are written", "n0call>APRS:hi\r\n", "n0call>APRS:hi\r\n"},
          {"nominal: SSID and longer calls match the prefix", "N0CALL-9>APRS:a\r\nN0CALLX>B:b\r\n",
           "N0CALL-9>APRS:a\r\nN0CALLX>B:b\r\n"},
          {"nominal: leading space does not match", " N0CALL>APRS:hi\r\n", ""},
          {"nominal: whole line without colon is kept", "N0CALL\r\nN0CALL\r\n", "N0CALL\r\n"},
          {"nominal: other stations dropped", "K1ABC>APRS:x\r\nN0CALL>APRS:y\r\n",
           "N0CALL>APRS:y\r\n"},
          {"nominal: duplicate payload over another path dropped",
           "N0CALL>APRS,WIDE1-1:p\r\nN0CALL>APRS,RELAY*:p\r\n", "N0CALL>APRS,WIDE1-1:p\r\n"},
      },
      true, "n0call");
}

TEST(FilterPacketLinesTest, EmptyCallsignKeepsFramesWithAColon) {
  ExpectRows(
      {
          {"nominal: no colon, nothing kept", "just some text\r\n", ""},
          {"nominal: any colon makes a frame", "note: one\r\n", "note: one\r\n"},
          {"nominal: same payload whatever the header", "A>B,C:hello\r\nX>Y:hello\r\n",
           "A>B,C:hello\r\n"},
          {"nominal: payload case counts", "A>B:hello\r\nA>B:Hello\r\n",
           "A>B:hello\r\nA>B:Hello\r\n"},
          {"nominal: empty payloads are equal", "A>B:\r\nC>D:\r\n", "A>B:\r\n"},
          {"robustness: payload alone decides, not the header", "A>B:x\r\nA>C:x\r\nA>B:y\r\n",
           "A>B:x\r\nA>B:y\r\n"},
      },
      true, "");
}

TEST(FilterPacketLinesTest, BlankCallsignActsAsEmpty) {
  ExpectRows({{"spaces only", "a:1\r\nno colon\r\n", "a:1\r\n"}}, true, "   ");
}

TEST(FilterPacketLinesTest, TrimsOnlySpacesFromTheTarget) {
  ExpectRows({{"spaces around the callsign", "N0CALL>A:1\r\n", "N0CALL>A:1\r\n"}}, true,
             "  n0call ");
  ExpectRows({{"a tab stays part of the target", "N0CALL>A:1\r\n", ""}}, true, "\tn0call");
}

TEST(FilterPacketLinesTest, TargetMatchesAsPlainPrefixNotAsField) {
  const std::string log = "N0CALL-9>APRS:a\r\nN0CALL-9>APZ:b\r\nN0XYZ>APRS:c\r\nK1A>APRS:d\r\n";
  ExpectRows({{"source and destination", log, "N0CALL-9>APRS:a\r\n"}}, true, "N0CALL-9>APRS");
  ExpectRows({{"short prefix", log, "N0CALL-9>APRS:a\r\nN0CALL-9>APZ:b\r\nN0XYZ>APRS:c\r\n"}}, true,
             "n0");
}

TEST(FilterPacketLinesTest, StripsPathsFromKeptFramesAndComparesStoredPayloads) {
  ExpectRows(
      {
          {"nominal: path cut", "A>B,C,D*:hello\r\n", "A>B:hello\r\n"},
          {"fixed: comma in the payload is kept", "A>B:x,y:z\r\nQ>R:x:z\r\n",
           "A>B:x,y:z\r\nQ>R:x:z\r\n"},
          {"nominal: unchanged frames stay", "N0CALL>APRS:>no path\r\n",
           "N0CALL>APRS:>no path\r\n"},
          {"nominal: duplicates judged after the cut", "A>B,C:p\r\nD>E:p\r\nA>B,X:q\r\n",
           "A>B:p\r\nA>B:q\r\n"},
      },
      true, "", true);
}

TEST(FilterPacketLinesTest, StripHasNoEffectInTextMode) {
  ExpectRows({{"path kept", "A>B,C:x\r\n", "A>B,C:x\r\n"}}, false, "", true);
}

// The shape of a balloon flight's archive export: the same position report
// heard through several gateways, each line stamped with its time.
const std::vector<std::string> kFlight = {
    "W3EAX-10>APLIGA,K3TLB-13*,WIDE2*,qAR,K3DO-11:/143807h3942.06N/07718.64WO111/004",
    "W3EAX-10>APLIGA,WIDE1*,WIDE2-1,qAR,N3KTX:/143807h3942.06N/07718.64WO111/004",
    "W3EAX-11>APLIGA,K3TLB-13*,qAR,K3DO-11:/143812h3942.10N/07718.60WO110/005",
    "K3DO-11>APMI06,TCPIP*,qAC,T2USANE:@071438z3912.00N/07700.00W-igate",
    "W3EAX-10>APLIGA,qAR,W3EAX-1:/143807h3942.06N/07718.64WO111/004",
    "W3EAX-11>APLIGA,WIDE1*,qAR,N3KTX:/143812h3942.10N/07718.60WO110/005",
    "W3EAX-10>APLIGA,K3TLB-13*,WIDE2*,qAR,K3DO-11:/143907h3942.50N/07718.20WO112/004",
};

// Prefix forms of archive exports, software TNCs and general logs, one per line in turn.
std::string PrefixFor(std::size_t i) {
  const std::string second = (i < 10 ? "0" : "") + std::to_string(i);
  const std::string forms[] = {
      "2020-11-07 09:38:" + second + " EST: ", "2020-11-07T14:38:" + second + ".125Z ",
      "[0." + std::to_string(i % 4) + "] ", "[0 09:38:" + second + "] ",
      "2020-11-07 09:38:" + second + "\t"};
  return forms[i % 5];
}

TEST(FilterPacketLinesTest, FiltersAPrefixedLogAsTheSameLogWithoutPrefixes) {
  for (const char* call : {"", "w3eax-10", "W3EAX", "k3do"}) {
    for (bool strip : {false, true}) {
      SCOPED_TRACE(std::string("call '") + call + "' strip " + (strip ? "yes" : "no"));
      std::string plain;
      std::string prefixed;
      for (std::size_t i = 0; i < kFlight.size(); ++i) {
        plain += kFlight[i] + "\r\n";
        prefixed += PrefixFor(i) + kFlight[i] + "\r\n";
      }
      EngineFixture bare;
      bare.Run(plain, true, call, strip);
      // Each kept frame comes back with the prefix of the line it was kept from.
      std::string expected;
      std::size_t from = 0;
      const std::string kept = bare.Output();
      for (std::size_t at = 0; at < kept.size();) {
        const std::size_t end = kept.find("\r\n", at);
        const std::string frame = kept.substr(at, end - at);
        while (from < kFlight.size() &&
               (strip ? StripDigiPath(kFlight[from]) : kFlight[from]) != frame)
          ++from;
        ASSERT_LT(from, kFlight.size()) << frame;
        expected += PrefixFor(from++) + frame + "\r\n";
        at = end + 2;
      }
      for (const unsigned threads : testing::kThreadRows) {
        SCOPED_TRACE(testing::ThreadsName(threads));
        EngineFixture f;
        testing::RunOnThreads(f, threads, prefixed, true, call, strip);
        EXPECT_EQ(f.Output(), expected);
        EXPECT_EQ(f.result.counts.linesCounted, bare.result.counts.linesCounted);
        EXPECT_EQ(f.result.counts.duplicatesRemoved, bare.result.counts.duplicatesRemoved);
        EXPECT_EQ(f.result.counts.linesTimeStamped, 5u);  // lines 0, 1, 4, 5 and 6 by PrefixFor
        EXPECT_EQ(f.result.counts.linesTagged, 2u);
      }
    }
  }
}

TEST(FilterPacketLinesTest, PrefixesAreReadOnlyBeforeAFrame) {
  ExpectRows(
      {
          {"nominal: first report kept with its time",
           "2020-11-07 09:38:16 EST: W3EAX-10>APLIGA,K3TLB-13*,qAR,K3DO-11:/143807h\r\n"
           "2020-11-07 09:38:17 EST: W3EAX-10>APLIGA,WIDE1*,qAR,N3KTX:/143807h\r\n",
           "2020-11-07 09:38:16 EST: W3EAX-10>APLIGA:/143807h\r\n"},
          {"nominal: a prefixed and a bare copy are one frame",
           "W3EAX-10>APLIGA,WIDE1*:hi\r\n[0.2] W3EAX-10>APLIGA,qAR,K3DO-11:hi\r\n",
           "W3EAX-10>APLIGA:hi\r\n"},
          {"robustness: a time without a date is read as part of the line",
           "12:34 W3EAX-10>APLIGA,WIDE1*:hi\r\n", ""},
          {"nominal: aprx's port and direction are passed over",
           "2015-03-17 01:28:18.869 APRSIS    R W3EAX-10>APLIGA,TCPIP*:hi\r\n",
           "2015-03-17 01:28:18.869 APRSIS    R W3EAX-10>APLIGA:hi\r\n"},
          {"robustness: aprx's port is not the sender",
           "2016-11-16 01:04:19.662 W3EAX-10  R N0CALL>APLIGA:hi\r\n", ""},
      },
      true, "w3eax-10", true);
  ExpectRows({{"robustness: a stamp alone is no frame but has a colon",
               "2020-11-07 09:38:16 EST: Connected\r\n", "2020-11-07 09:38:16 EST: Connected\r\n"}},
             true);
}

TEST(FilterPacketLinesTest, WithoutPrefixesEveryLineIsReadWhole) {
  EngineFixture f;
  f.settings.logPrefixes = false;
  const std::string log =
      "2020-11-07 09:38:16 EST: W3EAX-10>APLIGA:same\r\n"
      "2020-11-07 09:38:17 EST: W3EAX-10>APLIGA:same\r\n";
  f.Run(log, true, "w3eax");
  EXPECT_EQ(f.result.outcome, RunOutcome::NothingKept);
  f.Run(log, true);  // payloads start inside the time of day, so both differ
  EXPECT_EQ(f.Output(), log);
  EXPECT_EQ(f.result.counts.linesTimeStamped, 0u);
}

// The counting pass counts with blanks, the filter trims them; a text run counts
// only callsign lines but keeps all. Every kept line must still be written.
TEST(FilterLinesTest, KeepsMoreLinesThanTheCountingPassCounted) {
  EngineFixture f;
  f.Run("N0CALL>A:1\r\nN0CALL>A:2\r\nN0CALL>A:3\r\n", true, "n0call ");
  EXPECT_EQ(f.Output(), "N0CALL>A:1\r\nN0CALL>A:2\r\nN0CALL>A:3\r\n");
  EXPECT_EQ(f.result.counts.linesCounted, 0u);

  f.Run("a\r\nb\r\nN0CALL\r\nc\r\n", false, "n0call");
  EXPECT_EQ(f.Output(), "a\r\nb\r\nN0CALL\r\nc\r\n");
}

}  // namespace
}  // namespace sievra
