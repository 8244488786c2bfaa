#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sievra/line_counter.h"
#include "sievra/line_scanner.h"
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

// Counting in chunks must agree with splitting the whole, wherever a chunk
// boundary falls: inside a line, between CR and LF, or right after a terminator.
TEST(LineRuleTest, ChunkedCountAgreesAtEverySplitPoint) {
  const UpperCaser upper;
  const std::string targets[] = {"", "N0", "n0call", "AB\r"};
  const std::vector<std::string> inputs = {"N0CALL>A:1\r\nn0call-9>B:2\rX>N0:3\nN0\r\n\r\nN0CALL",
                                           "n0\r\r\n\nN0CALL\r", "\r\n\r\n\r\n", "N0CALL"};
  for (const std::string& rawTarget : targets) {
    const std::string target = upper.Apply(rawTarget);
    for (const std::string& input : inputs) {
      std::size_t expected = 0;
      for (const std::string& line : Split(input)) expected += upper.LineStartsWith(line, target);
      for (std::size_t cut1 = 0; cut1 <= input.size(); ++cut1) {
        for (std::size_t cut2 = cut1; cut2 <= input.size(); ++cut2) {
          LineCounter counter(upper, target);
          std::string_view all(input);
          counter.Feed(all.substr(0, cut1));
          counter.Feed(all.substr(cut1, cut2 - cut1));
          counter.Feed(all.substr(cut2));
          ASSERT_EQ(counter.Finish(), expected)
              << "target '" << rawTarget << "' cuts " << cut1 << "," << cut2;
        }
      }
    }
  }
}

}  // namespace
}  // namespace sievra
