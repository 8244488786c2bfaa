#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "compare_rules.h"
#include "compare_rules_reference.h"
#include "sievra/line_scanner.h"

namespace sievra {
namespace {

using namespace std::string_view_literals;

constexpr CompareRules kNone{};
constexpr CompareRules kCase{true, false};
constexpr CompareRules kSpacing{false, true};
constexpr CompareRules kBoth{true, true};

std::string Form(std::string_view key, const CompareRules& rules) {
  std::string scratch;
  return std::string(ComparableKey(key, rules, scratch));
}

struct PairRow {
  const char* name;
  CompareRules rules;
  std::string_view a;
  std::string_view b;
  bool same;
};

const std::vector<PairRow> kPairs = {
    {"no rule: case counts", kNone, "a", "A", false},
    {"ASCII letters fold", kCase, "Hello World", "hELLO wORLD", true},
    {"sharp s is not SS", kCase, "straße", "STRASSE", false},
    {"sharp s is not ss", kCase, "ß", "ss", false},
    {"capital sharp s folds to sharp s", kCase, "ẞ", "ß", true},
    {"capital sigma is sigma", kCase, "Σ", "σ", true},
    {"final sigma is sigma", kCase, "ς", "σ", true},
    {"dotless i is not I", kCase, "ı", "I", false},
    {"dotless i is not i", kCase, "ı", "i", false},
    {"dotted capital I is not i", kCase, "İ", "i", false},
    {"dotted capital I is not I", kCase, "İ", "I", false},
    {"e with combining acute is not é", kCase, "e\u0301", "é", false},
    {"combining mark stays, its base folds", kCase, "E\u0301", "e\u0301", true},
    {"Cyrillic folds", kCase, "ПРИВЕТ Ёж", "привет ёж", true},
    {"Deseret (4 bytes) folds", kCase, "\U00010400\U00010401", "\U00010428\U00010429", true},
    {"Kelvin sign folds to k (3 bytes to 1)", kCase, "\u212A", "k", true},
    {"A with stroke folds (2 bytes to 3)", kCase, "\u023A", "\u2C65", true},
    {"Latin-1 key: ASCII still folds", kCase, "A\xC9", "a\xC9", true},
    {"Latin-1 key: other bytes do not", kCase, "\xC9", "\xE9", false},
    {"stray byte stops folding beyond ASCII", kCase, "ÉA\xFF", "éa\xFF", false},
    {"overlong form: ASCII only", kCase, "\xC1\x81Σ", "\xC1\x81σ", false},
    {"surrogate: ASCII only", kCase, "\xED\xA0\x80Σ", "\xED\xA0\x80σ", false},
    {"above U+10FFFF: ASCII only", kCase, "\xF4\x90\x80\x80Σ", "\xF4\x90\x80\x80σ", false},
    {"cut-short sequence: ASCII only", kCase, "Σ\xCE", "σ\xCE", false},
    {"U+10FFFF is valid", kCase, "\xF4\x8F\xBF\xBFΣ", "\xF4\x8F\xBF\xBFσ", true},
    {"case rule keeps blanks", kCase, "a b", "a  b", false},
    {"outer blanks left out", kSpacing, " \ta b\t ", "a b", true},
    {"tab inside is a space", kSpacing, "a\tb", "a b", true},
    {"mixed run inside is one space", kSpacing, "a \t \tb", "a b", true},
    {"a run is not nothing", kSpacing, "a b", "ab", false},
    {"only blanks is empty", kSpacing, " \t ", "", true},
    {"no-break space is no blank", kSpacing, "a\u00A0b", "a b", false},
    {"spacing rule keeps case", kSpacing, "A", "a", false},
    {"both rules", kBoth, " Hello\t \tWORLD ", "hello world", true},
    {"both rules, Greek", kBoth, "  ΣΊΣΥΦΟΣ\t", "σίσυφος", true},
    {"both rules, invalid key", kBoth, " \xC9  A ", "\xC9 a", true},
};

TEST(CompareRules, JudgesKeysAsTheRulesSay) {
  for (const PairRow& row : kPairs) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Form(row.a, row.rules) == Form(row.b, row.rules), row.same);
  }
}

struct FormRow {
  const char* name;
  CompareRules rules;
  std::string_view key;
  std::string_view form;
  bool copies;  // false: the form is the key or a stretch of it
};

const std::vector<FormRow> kForms = {
    {"no rule: the key", kNone, " Hello  World\t", " Hello  World\t", false},
    {"nothing to fold: the key", kCase, "hello 42 straße σ", "hello 42 straße σ", false},
    {"invalid UTF-8, nothing to fold: the key", kCase, "\xC9 a", "\xC9 a", false},
    {"outer blanks only: a stretch of the key", kSpacing, " \t a b  ", "a b", false},
    {"only blanks: empty", kSpacing, " \t \t", "", false},
    {"empty key", kBoth, "", "", false},
    {"ASCII folds", kCase, "MiXeD", "mixed", true},
    {"run inside collapses", kSpacing, " a \t b\tc ", "a b c", true},
    {"both rules", kBoth, "\t Ab  \tÇ ", "ab ç", true},
    {"NUL is an ordinary byte", kBoth, "A\0  B"sv, "a\0 b"sv, true},
    {"invalid after a letter that folds: the key", kCase, "Σ\xFF", "Σ\xFF", false},
    {"invalid after a letter that folds: ASCII folds", kCase, "ΣA\xFF", "Σa\xFF", true},
};

TEST(CompareRules, GivesTheFormAndCopiesOnlyWhenItDiffers) {
  // One scratch for every row, starting long and stale: nothing of an earlier form may show.
  std::string scratch(64, '#');
  for (const FormRow& row : kForms) {
    SCOPED_TRACE(row.name);
    const std::string_view form = ComparableKey(row.key, row.rules, scratch);
    EXPECT_EQ(form, row.form);
    const bool inKey = form.data() >= row.key.data() &&
                       form.data() + form.size() <= row.key.data() + row.key.size();
    EXPECT_EQ(!inKey, row.copies);
  }
}

TEST(CompareRules, KeyStopsBeforeTheLineEndButKeepsTrailingBlanks) {
  const std::string_view text = "Alpha  \r\nalpha\r\nALPHA\t\n";
  std::vector<std::string_view> keys;
  LineScanner scanner(text.data(), text.size());
  for (std::string_view line; scanner.Next(line);) keys.push_back(line);
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_NE(Form(keys[0], kCase), Form(keys[1], kCase));
  EXPECT_EQ(Form(keys[0], kBoth), Form(keys[1], kBoth));
  EXPECT_EQ(Form(keys[2], kBoth), Form(keys[1], kBoth));
}

// Keys long enough for the eight-byte steps, from pieces that stress them: capitals,
// blanks at every position, letters of 2 to 4 bytes that fold or not, and now and
// then a byte that makes the key invalid.
TEST(CompareRules, AgreesWithThePlainModelOnLongKeys) {
  const std::string_view pieces[] = {"abc",  "XYZW", " ",          "\t",      "  ",        " \t ",
                                     "Σ",    "ς",    "ß",          "ẞ",       "\u212A",    "\u023A",
                                     "東京", "İı",   "\U00010400", "E\u0301", "0123456789"};
  const std::string_view invalid[] = {"\xFF", "\xC1\x81", "\xED\xA0\x80", "\xCE"};
  std::mt19937 random(7);
  for (int n = 0; n < 2000; ++n) {
    std::string key;
    for (const std::size_t length = random() % 64; key.size() < length;) {
      key += random() % 40 == 0 ? invalid[random() % std::size(invalid)]
                                : pieces[random() % std::size(pieces)];
    }
    for (const CompareRules& rules : {kCase, kSpacing, kBoth}) {
      ASSERT_EQ(Form(key, rules), reference::ComparableKey(key, rules.ignoreCase,
                                                           rules.ignoreSpacing, SimpleCaseFold))
          << "key: " << key << ", case " << rules.ignoreCase << ", spacing " << rules.ignoreSpacing;
    }
  }
}

struct Utf8Row {
  const char* name;
  std::string_view bytes;
  bool valid;
};

const std::vector<Utf8Row> kUtf8 = {
    {"empty", "", true},
    {"ASCII with NUL", "a\0b"sv, true},
    {"lowest of each length", "\xC2\x80\xE0\xA0\x80\xF0\x90\x80\x80", true},
    {"highest of each length", "\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF", true},
    {"around the surrogates", "\xED\x9F\xBF\xEE\x80\x80", true},
    {"lone continuation byte", "a\x80", false},
    {"overlong 2 bytes", "\xC0\x80", false},
    {"overlong 2 bytes, C1", "\xC1\xBF", false},
    {"overlong 3 bytes", "\xE0\x9F\xBF", false},
    {"overlong 4 bytes", "\xF0\x8F\xBF\xBF", false},
    {"first surrogate", "\xED\xA0\x80", false},
    {"last surrogate", "\xED\xBF\xBF", false},
    {"above U+10FFFF", "\xF4\x90\x80\x80", false},
    {"lead F5", "\xF5\x80\x80\x80", false},
    {"old 5-byte form", "\xF8\x88\x80\x80\x80", false},
    {"byte FF", "\xFF", false},
    {"cut short at the end", "a\xF0\x9F\x98", false},
    {"cut short before ASCII", "\xE2\x82z", false},
    {"third byte no continuation", "\xE2\x82\xC2\xA2", false},
};

TEST(CompareRules, TellsValidUtf8) {
  for (const Utf8Row& row : kUtf8) {
    SCOPED_TRACE(row.name);
    // Alone, followed by ASCII (every sequence then has 4 bytes to read) and after 8 bytes of it.
    const std::string bytes(row.bytes);
    EXPECT_EQ(IsValidUtf8(bytes), row.valid);
    EXPECT_EQ(IsValidUtf8(bytes + "abcd"), row.valid);
    EXPECT_EQ(IsValidUtf8("12345678" + bytes), row.valid);
  }
}

// Every code point against the data file the table was generated from.
TEST(CompareRules, FoldsEveryCodePointAsTheCaseFoldingFileSays) {
  const std::filesystem::path source = SIEVRA_CASE_FOLDING_FILE;
  std::ifstream file(source);
  if (!file) {
    // Wine reaches the build machine's file through its Z: drive; Windows itself does not.
    GTEST_SKIP() << source << " is not readable here (a Windows build away from the machine "
                 << "that built it); the table is still the one generated from it";
  }
  // The file's folding of every code point: itself unless a C or S entry says otherwise.
  std::vector<char32_t> folds(0x110000);
  for (char32_t cp = 0; cp < folds.size(); ++cp) folds[cp] = cp;
  std::size_t entries = 0;
  for (std::string line; std::getline(file, line);) {
    std::istringstream fields(line.substr(0, line.find('#')));
    std::uint32_t code = 0;
    std::uint32_t folded = 0;
    char semicolon = 0;
    std::string status;
    if (fields >> std::hex >> code >> semicolon >> status >> folded &&
        (status == "C;" || status == "S;")) {
      folds.at(code) = folded;
      ++entries;
    }
  }
  ASSERT_GT(entries, 1000u);
  int wrong = 0;
  for (char32_t cp = 0; cp < folds.size() && wrong < 10; ++cp) {
    const char32_t expected = folds[cp];
    const char32_t got = SimpleCaseFold(cp);
    // Folding twice must change nothing more, or forms of forms would differ.
    if (got != expected || SimpleCaseFold(got) != got) {
      ADD_FAILURE() << std::hex << "U+" << static_cast<std::uint32_t>(cp) << " folds to U+"
                    << static_cast<std::uint32_t>(got) << ", the file says U+"
                    << static_cast<std::uint32_t>(expected);
      ++wrong;
    }
  }
}

}  // namespace
}  // namespace sievra
