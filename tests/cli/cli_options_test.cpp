// The parser's choices that a run of the program cannot show cheaply.
#include <gtest/gtest.h>

#include "sievra/cli/options.h"
#include "sievra/cli/report.h"

namespace sievra::cli {
namespace {

TEST(CliOptions, DefaultsAreStandardStreamsTextAndCrLf) {
  const CliOptions o = ParseOptions({});
  EXPECT_EQ(o.action, Action::Run);
  EXPECT_EQ(o.settings.inputPath, "-");
  EXPECT_EQ(o.settings.outputPath, "-");
  EXPECT_EQ(o.settings.fileType, FileType::Text);
  EXPECT_EQ(o.settings.lineEnd, LineEnd::CrLf);
  EXPECT_EQ(o.progress, ProgressMode::Auto);
  EXPECT_TRUE(o.settings.acceptStreams);
}

TEST(CliOptions, EveryFormOfAValue) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--packet", "-o", "out", "--call", " n0 ", "in"},
           {"--packet", "-oout", "--call= n0 ", "in"},
           {"in", "--output=out", "--packet", "--call", " n0 "},
           {"--packet", "--output", "out", "--call", " n0 ", "--", "in"}}) {
    const CliOptions o = ParseOptions(args);
    EXPECT_EQ(o.action, Action::Run) << o.usageError;
    EXPECT_EQ(o.settings.inputPath, "in");
    EXPECT_EQ(o.settings.outputPath, "out");
    EXPECT_EQ(o.settings.callsignText, " n0 ");  // blanks kept, as the callsign box keeps them
  }
}

TEST(CliOptions, AfterDoubleDashADashNameIsAFile) {
  const CliOptions o = ParseOptions({"--", "--text"});
  EXPECT_EQ(o.action, Action::Run);
  EXPECT_EQ(o.settings.inputPath, "--text");
}

TEST(CliOptions, LastFileTypeWinsAndQuietSilencesProgress) {
  const CliOptions o = ParseOptions({"--packet", "--text", "--progress", "--quiet"});
  EXPECT_EQ(o.settings.fileType, FileType::Text);
  EXPECT_EQ(o.progress, ProgressMode::On);
  EXPECT_TRUE(o.quiet);
}

struct GoodCase {
  std::vector<std::string> args;
  std::string input = "-";
  std::vector<std::string> more = {};
  DuplicateRules rules = {};
  std::string removed = {};
  std::string counts = {};
};

const GoodCase kGood[] = {
    {{"a", "b", "c"}, "a", {"b", "c"}},
    {{"a", "-", "--", "-b"}, "a", {"-", "-b"}},
    {{"-", "a"}, "-", {"a"}},
    {{"--ignore-case"}, "-", {}, {{true, false}, KeepRule::First, 0}},
    {{"--ignore-spacing", "--ignore-case"}, "-", {}, {{true, true}, KeepRule::First, 0}},
    {{"--keep", "last"}, "-", {}, {{}, KeepRule::Last, 0}},
    {{"--keep=once"}, "-", {}, {{}, KeepRule::Once, 0}},
    {{"--keep", "repeated"}, "-", {}, {{}, KeepRule::Repeated, 0}},
    {{"--keep", "last", "--keep", "first"}, "-", {}, {{}, KeepRule::First, 0}},
    {{"--packet", "--window", "30"}, "-", {}, {{}, KeepRule::First, 30}},
    {{"--packet", "--window=007"}, "-", {}, {{}, KeepRule::First, 7}},
    {{"--packet", "--window", "4294967295"}, "-", {}, {{}, KeepRule::First, 4294967295U}},
    {{"--window=0", "--keep", "last", "--packet"}, "-", {}, {{}, KeepRule::Last, 0}},
    {{"--removed", "r.txt", "--counts=c.csv", "-o", "out", "in"}, "in", {}, {}, "r.txt", "c.csv"},
    // Reports beside standard output: the kept lines go to the pipe, the reports to files.
    {{"--counts", "c.csv"}, "-", {}, {}, "", "c.csv"},
};

TEST(CliOptions, RulesReportsAndInputsAsGiven) {
  for (const GoodCase& c : kGood) {
    const CliOptions o = ParseOptions(c.args);
    const std::string row = ::testing::PrintToString(c.args);
    ASSERT_EQ(o.action, Action::Run) << row << ": " << o.usageError;
    EXPECT_EQ(o.settings.inputPath, c.input) << row;
    EXPECT_EQ(o.settings.moreInputPaths, c.more) << row;
    EXPECT_TRUE(o.settings.rules == c.rules) << row;
    EXPECT_EQ(o.settings.reports.removedPath, c.removed) << row;
    EXPECT_EQ(o.settings.reports.countsPath, c.counts) << row;
  }
}

struct BadCase {
  std::vector<std::string> args;
  std::string error;
};

const BadCase kBad[] = {
    {{"--follow"}, "--follow needs an input file: standard input ('-') cannot be followed"},
    {{"--follow", "a.log", "-"},
     "--follow needs an input file: standard input ('-') cannot be followed"},
    {{"--follow", "--keep", "last", "a.log"},
     "--follow works only with --keep first, not --keep last"},
    {{"--keep", "newest"}, "option '--keep' takes first, last, once or repeated, not 'newest'"},
    {{"--keep", "First"}, "option '--keep' takes first, last, once or repeated, not 'First'"},
    {{"--keep="}, "option '--keep' takes first, last, once or repeated, not ''"},
    {{"--keep"}, "option '--keep' needs first, last, once or repeated"},
    {{"--packet", "--window", "-1"}, "option '--window' takes a whole number of seconds, not '-1'"},
    {{"--packet", "--window", "1.5"},
     "option '--window' takes a whole number of seconds, not '1.5'"},
    {{"--packet", "--window", ""}, "option '--window' takes a whole number of seconds, not ''"},
    {{"--packet", "--window=+5"}, "option '--window' takes a whole number of seconds, not '+5'"},
    {{"--packet", "--window=30s"}, "option '--window' takes a whole number of seconds, not '30s'"},
    {{"--packet", "--window", "4294967296"},
     "option '--window' takes at most 4294967295 seconds, not '4294967296'"},
    {{"--packet", "--window"}, "option '--window' needs a number of seconds"},
    {{"--window", "5"}, "--call, --strip, --no-prefix and --window apply to --packet runs only"},
    {{"--packet", "--window=0", "--text"},
     "--call, --strip, --no-prefix and --window apply to --packet runs only"},
    {{"--packet", "--window", "5", "--keep", "once"},
     "--window works only with --keep first, not --keep once"},
    {{"--keep", "repeated", "--window=1", "--packet"},
     "--window works only with --keep first, not --keep repeated"},
    {{"-", "a", "-"}, "standard input ('-') may be given only once"},
    {{"a", ""}, "the input file name is empty"},
    {{"--ignore-case=yes"}, "option '--ignore-case' takes no value"},
    {{"--removed", "-"}, "option '--removed' needs a file name, not '-'"},
    {{"--counts=-"}, "option '--counts' needs a file name, not '-'"},
    {{"--removed="}, "option '--removed' was given an empty file name"},
    {{"--counts"}, "option '--counts' needs a file name"},
    {{"--removed", "x", "--counts", "x"}, "--removed and --counts name the same file 'x'"},
    {{"--counts", "x", "-o", "x"}, "the report file 'x' is also the output file"},
    {{"a", "--removed", "a"}, "the report file 'a' is also an input file"},
    {{"a", "b", "--counts=b"}, "the report file 'b' is also an input file"},
};

TEST(CliOptions, BadValuesAndCombinationsSayWhy) {
  for (const BadCase& c : kBad) {
    const CliOptions o = ParseOptions(c.args);
    const std::string row = ::testing::PrintToString(c.args);
    EXPECT_EQ(o.action, Action::BadUsage) << row;
    EXPECT_EQ(o.usageError, c.error) << row;
  }
}

// help2man and an 80-column terminal take --help as it is: every option named,
// no line wider than 80.
TEST(CliHelp, NamesEveryOptionWithin80Columns) {
  const std::string help = HelpText();
  for (const char* option : {"--output=FILE", "--text", "--packet", "--call=CALL", "--strip",
                             "--no-prefix", "--ignore-case", "--ignore-spacing", "--keep=RULE",
                             "--window=SECONDS", "--removed=FILE", "--counts=FILE", "--follow",
                             "--lf", "--stats", "--progress", "--quiet", "--help", "--version"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
  std::size_t start = 0;
  for (std::size_t end = help.find('\n'); end != std::string::npos;
       start = end + 1, end = help.find('\n', start))
    EXPECT_LE(end - start, 80U) << help.substr(start, end - start);
}

TEST(CliReport, SummaryCountsAndProgressWords) {
  setlocale(LC_ALL, "C");
  RunResult result;
  result.counts.linesRead = 10'000'000;
  result.counts.linesKept = 6'827'925;
  result.counts.duplicatesRemoved = 3'172'075;
  result.elapsed = std::chrono::milliseconds(1'940);
  result.fileType = FileType::Text;
  EXPECT_EQ(SummaryLine(result),
            "Read 10,000,000 lines; kept 6,827,925; removed 3,172,075 duplicates in 1.9 s");
  EXPECT_EQ(GroupedNumber(999), "999");
  EXPECT_EQ(GroupedNumber(1'000), "1,000");
  EXPECT_EQ(ProgressLine({RunPhase::Filtering, 382'000'000, 850'000'000}),
            "filtering 44% (382 of 850 MB)");
  EXPECT_EQ(ProgressLine({RunPhase::Counting, 2'600'000, 0}), "counting 3 MB");
}

}  // namespace
}  // namespace sievra::cli
