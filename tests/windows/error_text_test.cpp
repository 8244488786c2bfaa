// The system's error texts reach the user in UTF-8, accented letters and all.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <system_error>

#include "file_io.h"
#include "windows_test_support.h"

namespace sievra::wintest {
namespace {

struct Row {
  const char* name;
  unsigned long code;
  unsigned long language;
  const char* expected;  // UTF-8
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class ErrorText : public ::testing::TestWithParam<Row> {};

TEST_P(ErrorText, ComesInUtf8WithoutTheFinalPeriod) {
  const Row& row = GetParam();
  const std::string text = WindowsErrorMessage(row.code, row.language);
  // Windows without that language's texts answers in its own words instead.
  if (row.language != 0 && text.rfind("Windows error", 0) == 0)
    GTEST_SKIP() << "no texts in this language";
  EXPECT_EQ(text, row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, ErrorText,
    ::testing::Values(Row{"French", ERROR_ACCESS_DENIED, MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH),
                          "Acc\xC3\xA8s refus\xC3\xA9"},
                      Row{"English", ERROR_ACCESS_DENIED,
                          MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), "Access denied"},
                      Row{"NoSuchCode", 0x3FFFFFFF, 0, "Windows error 1073741823"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ErrorCategory, MessagesAreTheUtf8TextsAndCodesKeepTheirMeaning) {
  const std::error_code denied(ERROR_ACCESS_DENIED, WindowsCategory());
  EXPECT_EQ(denied.message(), WindowsErrorMessage(ERROR_ACCESS_DENIED));
  // Under Wine with LANG=fr_FR.UTF-8 (a test of its own) the user's text has
  // accents, which the ANSI form would have garbled.
  if (std::getenv("SIEVRA_EXPECT_FRENCH") != nullptr) {
    EXPECT_EQ(denied.message(), "Acc\xC3\xA8s refus\xC3\xA9");
  }
  EXPECT_EQ(denied, std::errc::permission_denied);
  EXPECT_EQ(denied.default_error_condition(),
            std::error_code(ERROR_ACCESS_DENIED, std::system_category()).default_error_condition());
}

TEST(ErrorCategory, ARunNamesTheReasonInTheUsersWords) {
  ScratchFolder folder(L"denied \u00e9");
  const std::wstring input = folder.Child(L"in.txt");
  const std::wstring output = folder.Child(L"out.txt");
  ASSERT_TRUE(WriteBytes(input, "a\r\n"));
  ASSERT_TRUE(WriteBytes(output, "old\r\n"));
  SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_READONLY);
  testing::EngineRig run(input, output);
  EXPECT_EQ(run.RunText(), RunOutcome::Failed);
  SetFileAttributesW(output.c_str(), FILE_ATTRIBUTE_NORMAL);
  const std::string reason = WindowsErrorMessage(ERROR_ACCESS_DENIED);
  EXPECT_NE(MessageOf(run.result).find(": " + reason + "."), std::string::npos)
      << MessageOf(run.result);
}

}  // namespace
}  // namespace sievra::wintest
