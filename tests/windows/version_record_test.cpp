// Reads this program's own version record, which is built from Sievra's .rc,
// through the version API that Explorer and installers use.
#include <windows.h>

#include <gtest/gtest.h>

#include <iterator>
#include <ostream>
#include <string>
#include <vector>

namespace {

std::vector<char> OwnVersionRecord() {
  wchar_t self[4 * MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, static_cast<DWORD>(std::size(self)));
  if (length == 0 || length == std::size(self)) return {};
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(self, &ignored);
  std::vector<char> record(size);
  if (size == 0 || !GetFileVersionInfoW(self, 0, size, record.data())) record.clear();
  return record;
}

// The value under `subBlock`, or null when the record has none.
template <class T>
const T* Query(const std::vector<char>& record, const std::wstring& subBlock, UINT& bytes) {
  void* value = nullptr;
  bytes = 0;
  if (record.empty() || !VerQueryValueW(record.data(), subBlock.c_str(), &value, &bytes)) {
    return nullptr;
  }
  return static_cast<const T*>(value);
}

class VersionRecordTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(record_.empty()) << "no version record in this program"; }
  std::vector<char> record_ = OwnVersionRecord();
};

TEST_F(VersionRecordTest, FixedPartGivesVersion1ForFileAndProductOfAnApplication) {
  UINT bytes = 0;
  const auto* fixed = Query<VS_FIXEDFILEINFO>(record_, L"\\", bytes);
  ASSERT_NE(fixed, nullptr);
  ASSERT_EQ(bytes, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1.0
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);           // .0.0
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST_F(VersionRecordTest, OnlyLanguageIsUsEnglishInWindowsLatin1) {
  UINT bytes = 0;
  const auto* pairs = Query<WORD>(record_, L"\\VarFileInfo\\Translation", bytes);
  ASSERT_NE(pairs, nullptr);
  ASSERT_EQ(bytes, 2 * sizeof(WORD)) << "expected exactly one language";
  EXPECT_EQ(pairs[0], 0x0409);
  EXPECT_EQ(pairs[1], 1252);
}

struct StringField {
  const wchar_t* name;
  const wchar_t* expected;
};

std::string Ascii(const wchar_t* text) {
  std::string ascii;
  for (; *text; ++text) ascii += static_cast<char>(*text);
  return ascii;
}

void PrintTo(const StringField& field, std::ostream* out) { *out << Ascii(field.name); }

class VersionStringTest : public VersionRecordTest,
                          public ::testing::WithParamInterface<StringField> {};

// Looked up under the language the record declares, as Explorer does, so strings
// filed under another language or code page are not found.
TEST_P(VersionStringTest, HasExactValueUnderTheDeclaredLanguage) {
  UINT bytes = 0;
  const auto* pairs = Query<WORD>(record_, L"\\VarFileInfo\\Translation", bytes);
  ASSERT_NE(pairs, nullptr);
  wchar_t block[32];
  swprintf(block, std::size(block), L"\\StringFileInfo\\%04x%04x\\", pairs[0], pairs[1]);
  const auto* value = Query<wchar_t>(record_, block + std::wstring(GetParam().name), bytes);
  ASSERT_NE(value, nullptr) << "missing field";
  EXPECT_EQ(std::wstring(value), std::wstring(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Sievra, VersionStringTest,
                         ::testing::Values(StringField{L"FileVersion", L"1.00"},
                                           StringField{L"ProductVersion", L"1.00"},
                                           StringField{L"ProductName", L"Sievra"},
                                           StringField{L"InternalName", L"Sievra"},
                                           StringField{L"OriginalFilename", L"Sievra.exe"}),
                         [](const auto& row) { return Ascii(row.param.name); });

}  // namespace
