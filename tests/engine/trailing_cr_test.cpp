// Data that ends in a lone CR: the scanner once took its end for an LF after that
// CR, stepped past the end and read beyond the buffer. Every row is also fed to
// the line counter in two chunks split at every byte, so a chunk ending in CR is
// met whatever follows it.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "sievra/line_counter.h"
#include "sievra/line_scanner.h"
#include "sievra/upper_case.h"

namespace sievra {
namespace {

struct TrailingCrCase {
  const char* name;
  std::string_view data;
  std::vector<std::string_view> lines;
  std::vector<std::size_t> terminators;
};

void PrintTo(const TrailingCrCase& row, std::ostream* out) { *out << row.name; }

class TrailingCrTest : public ::testing::TestWithParam<TrailingCrCase> {};

TEST_P(TrailingCrTest, ScannerStopsAtTheEnd) {
  LineScanner scanner(GetParam().data.data(), GetParam().data.size());
  std::vector<std::string_view> lines;
  std::vector<std::size_t> terminators;
  std::string_view line;
  std::size_t terminator = 0;
  while (scanner.Next(line, terminator)) {
    lines.push_back(line);
    terminators.push_back(terminator);
    ASSERT_LE(scanner.Position(), GetParam().data.data() + GetParam().data.size());
  }
  EXPECT_EQ(lines, GetParam().lines);
  EXPECT_EQ(terminators, GetParam().terminators);
}

TEST_P(TrailingCrTest, CounterCountsEachLineOnceWhereverChunksSplit) {
  const std::string_view data = GetParam().data;
  const UpperCaser upper;
  for (std::size_t split = 0; split <= data.size(); ++split) {
    LineCounter counter(upper, "");
    counter.Feed(data.substr(0, split));
    counter.Feed(data.substr(split));
    EXPECT_EQ(counter.Finish(), GetParam().lines.size()) << "split at " << split;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scanner, TrailingCrTest,
    ::testing::Values(TrailingCrCase{"OnlyACr", "\r", {""}, {1}},
                      TrailingCrCase{"CrLines", "a\rb\ra\r", {"a", "b", "a"}, {1, 1, 1}},
                      TrailingCrCase{"CrLfThenCr", "a\r\nb\r", {"a", "b"}, {2, 1}},
                      TrailingCrCase{"TwoCrsAtEnd", "a\r\r", {"a", ""}, {1, 1}},
                      TrailingCrCase{"CrLfAtEnd", "a\r\n", {"a"}, {2}}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace sievra
