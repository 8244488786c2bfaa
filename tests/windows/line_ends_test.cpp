// The C runtime on Windows opens files in text mode unless told otherwise: it
// would turn "\n" into "\r\n" on writing (so CR LF into CR CR LF), drop the CR of
// CR LF on reading, and stop reading at the first Ctrl-Z. Every byte must pass
// through unchanged instead.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "windows_test_support.h"

namespace sievra::wintest {
namespace {

struct LineEndCase {
  const char* name;
  std::string input;
  std::string expected;
};

void PrintTo(const LineEndCase& row, std::ostream* out) { *out << row.name; }

// Enough distinct lines to cross the engine's 1 MiB write buffer several times.
LineEndCase ManyLines() {
  std::string input;
  std::string expected;
  for (int i = 0; i < 60000; ++i) {
    const std::string line = "N0CALL>APRS,WIDE1-1:frame number " + std::to_string(i);
    input += line + "\r\n" + line + "\r";
    expected += line + "\r\n";
  }
  return {"ManyLinesCrossTheWriteBuffer", input, expected};
}

class LineEndsTest : public ::testing::TestWithParam<LineEndCase> {};

TEST_P(LineEndsTest, OutputHoldsExactBytes) {
  ScratchFolder folder(L"line ends");
  const std::wstring input = folder.Child(L"in.txt");
  const std::wstring output = folder.Child(L"out.txt");
  ASSERT_TRUE(WriteBytes(input, GetParam().input));
  testing::EngineRig run(input, output);
  EXPECT_EQ(run.RunText(), RunOutcome::Completed);
  const auto written = ReadBytes(output);
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(written->find("\r\r\n"), std::string::npos);
  EXPECT_TRUE(SameBytes(*written, GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Windows, LineEndsTest,
    ::testing::Values(LineEndCase{"CrLfLinesStayCrLf", "a\r\nb\r\na\r\n", "a\r\nb\r\n"},
                      LineEndCase{"UnterminatedLastLineGetsCrLf", "a\r\nb", "a\r\nb\r\n"},
                      LineEndCase{"CrOnlyLinesGetCrLf", "a\rb\ra\r", "a\r\nb\r\n"},
                      LineEndCase{"CrBeforeCrLfIsAnEmptyLine", "a\r\r\nb\r\n", "a\r\n\r\nb\r\n"},
                      LineEndCase{"CtrlZIsAnOrdinaryByte",
                                  "a\x1A"
                                  "b\r\n\x1A\r\nc\r\n",
                                  "a\x1A"
                                  "b\r\n\x1A\r\nc\r\n"},
                      LineEndCase{"HighBytesPassUnchanged",
                                  "\xE9t\xE9\r\n\xFF\x80\r\n\xE9t\xE9\r\n",
                                  "\xE9t\xE9\r\n\xFF\x80\r\n"},
                      ManyLines()),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace sievra::wintest
