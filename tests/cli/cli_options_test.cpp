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
