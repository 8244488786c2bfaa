// On Windows the callsign box's text and the log's bytes are in the ANSI code
// page, and upper-casing follows the C runtime's locale for it: with code page
// 1252, an e with acute accent typed in the box must match an E with acute
// accent at the start of a frame.
#include <gtest/gtest.h>

#include <clocale>
#include <ostream>
#include <string>

#include "sievra/upper_case.h"
#include "windows_test_support.h"

namespace sievra::wintest {
namespace {

struct UpperCaseCase {
  const char* name;
  char typed;     // as typed in the callsign box
  char upper;     // its upper case in code page 1252
  char distinct;  // a byte that must not be taken for it
};

void PrintTo(const UpperCaseCase& row, std::ostream* out) { *out << row.name; }

class AnsiUpperCaseTest : public ::testing::TestWithParam<UpperCaseCase> {
 protected:
  void SetUp() override { ASSERT_NE(std::setlocale(LC_ALL, ".1252"), nullptr); }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_P(AnsiUpperCaseTest, CaserMapsTheByte) {
  const UpperCaser upper;
  EXPECT_EQ(upper(GetParam().typed), static_cast<unsigned char>(GetParam().upper));
  EXPECT_NE(upper(GetParam().distinct), static_cast<unsigned char>(GetParam().upper));
}

// The target is typed in lower case; frames from the same station in either case
// are kept with their own letters, and a frame from another station is not.
TEST_P(AnsiUpperCaseTest, TypedTargetMatchesFramesInEitherCase) {
  const std::string call = std::string(1, GetParam().typed) + "1ABC";
  const std::string upperCall = std::string(1, GetParam().upper) + "1ABC";
  const std::string otherCall = std::string(1, GetParam().distinct) + "1ABC";
  const std::string input = upperCall + ">APRS:one\r\n" + call + ">APRS:two\r\n" + otherCall +
                            ">APRS:three\r\n" + upperCall + ">APRS:one\r\n";
  ScratchFolder folder(L"ansi");
  ASSERT_TRUE(WriteBytes(folder.Child(L"in.txt"), input));
  testing::EngineRig run(folder.Child(L"in.txt"), folder.Child(L"out.txt"));

  EXPECT_EQ(run.Run(FileType::Packet, call), RunOutcome::Completed);
  const auto written = ReadBytes(folder.Child(L"out.txt"));
  ASSERT_TRUE(written.has_value());
  EXPECT_TRUE(SameBytes(*written, upperCall + ">APRS:one\r\n" + call + ">APRS:two\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    CodePage1252, AnsiUpperCaseTest,
    ::testing::Values(UpperCaseCase{"EAcute", '\xE9', '\xC9', 'E'},
                      UpperCaseCase{"NTilde", '\xF1', '\xD1', 'N'},
                      UpperCaseCase{"AGrave", '\xE0', '\xC0', 'A'},
                      UpperCaseCase{"OeLigature", '\x9C', '\x8C', 'O'},
                      UpperCaseCase{"SCaron", '\x9A', '\x8A', 'S'},
                      UpperCaseCase{"YDiaeresisMovesBelowA0", '\xFF', '\x9F', 'Y'},
                      UpperCaseCase{"SharpSHasNoSingleByteUpperCase", '\xDF', '\xDF', 'S'},
                      UpperCaseCase{"DivisionSignIsNoLetter", '\xF7', '\xF7', '\xD7'}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace sievra::wintest
