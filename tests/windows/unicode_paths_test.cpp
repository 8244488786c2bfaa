// Paths reach the engine as UTF-8 and must reach Windows through the wide API:
// names outside the ANSI code page (or the Basic Multilingual Plane) would turn
// into '?' or fail on the way through any 8-bit call.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "windows_test_support.h"

namespace sievra::wintest {
namespace {

struct NamedPlace {
  const char* name;
  const wchar_t* folder;
  const wchar_t* input;
  const wchar_t* output;
};

void PrintTo(const NamedPlace& place, std::ostream* out) { *out << place.name; }

const NamedPlace kPlaces[] = {
    {"Latin1InTheAnsiCodePage", L"Résumé logs", L"çà.txt", L"sortie é.txt"},
    {"CyrillicOutsideTheAnsiCodePage", L"Журнал", L"вход.txt", L"выход.txt"},
    {"CjkAndSymbols", L"日誌 ✓", L"入力.txt", L"出力 ★.txt"},
    {"SurrogatePairs", L"📻 radio", L"in 📡.txt", L"out 📡.txt"},
};

constexpr const char* kInput = "b\r\na\r\nb\r\nc\r\na\r\n";
constexpr const char* kDistinct = "b\r\na\r\nc\r\n";

class UnicodePathsTest : public ::testing::TestWithParam<NamedPlace> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteBytes(input_, kInput));
    ASSERT_EQ(folder_.Entries(), std::vector<std::wstring>{GetParam().input});
  }

  // The run must end with exactly these files in the folder: no temporary left behind.
  void ExpectCompletedWith(testing::EngineRig& run, const std::wstring& file,
                           std::vector<std::wstring> entries) {
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(run.result.outcome, RunOutcome::Completed);
    EXPECT_TRUE(MessageOf(run.result).empty()) << MessageOf(run.result);
    EXPECT_EQ(ReadBytes(file), std::string(kDistinct));
    EXPECT_EQ(folder_.Entries(), entries);
  }

  ScratchFolder folder_{GetParam().folder};
  std::wstring input_ = folder_.Child(GetParam().input);
  std::wstring output_ = folder_.Child(GetParam().output);
};

TEST_P(UnicodePathsTest, WritesNewOutputBesideInput) {
  testing::EngineRig run(input_, output_);
  run.RunText();
  ExpectCompletedWith(run, output_, {GetParam().input, GetParam().output});
  EXPECT_EQ(ReadBytes(input_), std::string(kInput));
}

TEST_P(UnicodePathsTest, ReplacesExistingLongerOutputWhole) {
  ASSERT_TRUE(WriteBytes(output_, std::string(4096, 'x') + "\r\nold tail\r\n"));
  testing::EngineRig run(input_, output_);
  run.RunText();
  ExpectCompletedWith(run, output_, {GetParam().input, GetParam().output});
}

TEST_P(UnicodePathsTest, ReplacesInputWithItsOwnDistinctLines) {
  testing::EngineRig run(input_, input_);
  run.RunText();
  ExpectCompletedWith(run, input_, {GetParam().input});
}

TEST_P(UnicodePathsTest, RepeatedRunGivesSameOutput) {
  testing::EngineRig run(input_, output_);
  run.RunText();
  run.RunText();
  ExpectCompletedWith(run, output_, {GetParam().input, GetParam().output});
}

INSTANTIATE_TEST_SUITE_P(Names, UnicodePathsTest, ::testing::ValuesIn(kPlaces),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace sievra::wintest
