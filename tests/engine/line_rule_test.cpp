#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "sievra/line_counter.h"
#include "sievra/line_scanner.h"
#include "sievra/log_prefix.h"
#include "sievra/upper_case.h"

namespace sievra {
namespace {

std::vector<std::string> Split(std::string_view bytes) {
  std::vector<std::string> lines;
  LineScanner scanner(bytes.data(), bytes.size());
  std::string_view line;
  while (scanner.Next(line)) lines.emplace_back(line);
  return lines;
}

struct LineRuleRow {
  const char* name;
  std::string bytes;
  std::vector<std::string> lines;
};

const std::vector<LineRuleRow> kLineRules = {
    {"nominal: CR LF ends lines", "a\r\nb\r\n", {"a", "b"}},
    {"nominal: bare LF ends lines", "a\nb\n", {"a", "b"}},
    {"nominal: bare CR ends lines", "a\rb\r", {"a", "b"}},
    {"nominal: last line needs no terminator", "a\r\nb", {"a", "b"}},
    {"nominal: mixed terminators", "a\rb\nc\r\nd", {"a", "b", "c", "d"}},
    {"nominal: empty lines are lines", "\r\n\r\na\n\n", {"", "", "a", ""}},
    {"robustness: LF CR is two terminators", "a\n\rb", {"a", "", "b"}},
    {"robustness: CR CR LF is an empty line then CR LF", "a\r\r\nb", {"a", "", "b"}},
    {"robustness: empty file has no lines", "", {}},
    {"robustness: lone terminator is one empty line", "\n", {""}},
    {"robustness: NUL and 8-bit bytes are ordinary",
     std::string("x\0y\xff\r\n", 6),
     {std::string("x\0y\xff", 4)}},
    {"robustness: tabs and spaces belong to the line", " \ta \t\r\n", {" \ta \t"}},
};

TEST(LineRuleTest, SplitsAtCrLfAndCrLf) {
  for (const auto& row : kLineRules) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Split(row.bytes), row.lines);
  }
}

// Lines of every length around the scanner's 64-byte windows, with every kind of
// terminator, against a byte-by-byte reading of the rule.
TEST(LineRuleTest, LongAndShortLinesAcrossScanWindows) {
  std::mt19937 random(64);
  const char alphabet[] = {'a', 'b', '\r', '\n'};
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    const std::size_t size = random() % 300;
    const auto terminatorOdds = 1 + random() % 80;  // from dense to rare terminators
    for (std::size_t i = 0; i < size; ++i) {
      bytes += random() % terminatorOdds == 0 ? alphabet[2 + random() % 2] : alphabet[random() % 2];
    }
    std::vector<std::string> expected;
    std::string current;
    bool open = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] != '\r' && bytes[i] != '\n') {
        current += bytes[i];
        open = true;
        continue;
      }
      expected.push_back(current);
      current.clear();
      open = false;
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    }
    if (open) expected.push_back(current);
    ASSERT_EQ(Split(bytes), expected) << "round " << round;
  }
}

// Counting in chunks must agree with splitting the whole, wherever a chunk
// boundary falls: inside a line or its time stamp, between CR and LF, or right
// after a terminator. With `framesOnly` the target is tested after any prefix.
TEST(LineRuleTest, ChunkedCountAgreesAtEverySplitPoint) {
  const UpperCaser upper;
  const std::string targets[] = {"", "N0", "n0call", "AB\r"};
  const std::vector<std::string> inputs = {
      "N0CALL>A:1\r\nn0call-9>B:2\rX>N0:3\nN0\r\n\r\nN0CALL", "n0\r\r\n\nN0CALL\r", "\r\n\r\n\r\n",
      "N0CALL", "2020-11-07 09:38:16 EST: N0CALL>A:1\r\n[0.3] n0call-9>B:2\r[0] K1>N0:3\n[0]"};
  for (bool framesOnly : {false, true}) {
    for (const std::string& rawTarget : targets) {
      const std::string target = upper.Apply(rawTarget);
      for (const std::string& input : inputs) {
        std::size_t expected = 0;
        for (std::string_view line : Split(input)) {
          if (framesOnly && !target.empty()) line.remove_prefix(FindLogPrefix(line).length);
          expected += upper.LineStartsWith(line, target);
        }
        for (std::size_t cut1 = 0; cut1 <= input.size(); ++cut1) {
          for (std::size_t cut2 = cut1; cut2 <= input.size(); ++cut2) {
            LineCounter counter(upper, target, framesOnly);
            std::string_view all(input);
            counter.Feed(all.substr(0, cut1));
            counter.Feed(all.substr(cut1, cut2 - cut1));
            counter.Feed(all.substr(cut2));
            ASSERT_EQ(counter.Finish(), expected) << "target '" << rawTarget << "' cuts " << cut1
                                                  << "," << cut2 << " frames " << framesOnly;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace sievra
