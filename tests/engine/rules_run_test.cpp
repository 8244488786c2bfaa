// Runs judged by compare rules, keep rules and a time window, with both
// reports: each row's input, and the output and reports it must give.

#include <gtest/gtest.h>

#include <string>

#include "engine_support.h"

namespace sievra::testing {
namespace {

constexpr CompareRules kCase{true, false};
constexpr CompareRules kSpacing{false, true};
constexpr CompareRules kPlain{};
const std::string kTextHeader = "line,count,first_line,last_line\n";
const std::string kPacketHeader =
    "line,count,first_line,last_line,first_time,last_time,heard_via\n";

struct RuleRow {
  const char* name;
  FileType type;
  DuplicateRules rules;
  std::string input;
  std::string output;
  std::string removed;
  std::string counts;
  const char* call = "";
  bool strip = false;
  bool prefixes = true;
};

const RuleRow kRows[] = {
    {"ignore case keeps the first spelling",
     FileType::Text,
     {kCase},
     "B\na\nb\nc\n",
     "B\na\nc\n",
     "b\n",
     kTextHeader + "1,2,1,3\n2,1,2,2\n4,1,4,4\n"},
    {"keep last, in the order the last lines stand",
     FileType::Text,
     {kCase, KeepRule::Last},
     "B\na\nb\nc\n",
     "a\nb\nc\n",
     "B\n",
     kTextHeader + "2,1,2,2\n3,2,1,3\n4,1,4,4\n"},
    {"keep once drops every copy of a repeated line",
     FileType::Text,
     {kPlain, KeepRule::Once},
     "a\nb\na\nc\n",
     "b\nc\n",
     "a\na\n",
     kTextHeader + "2,1,2,2\n4,1,4,4\n"},
    {"keep repeated: the first of each line that repeats",
     FileType::Text,
     {kPlain, KeepRule::Repeated},
     "a\nb\na\nc\na\n",
     "a\n",
     "b\na\nc\na\n",
     kTextHeader + "1,3,1,5\n"},
    {"ignore spacing: runs, tabs, ends, blank-only keys; removed lines keep their own ends",
     FileType::Text,
     {kSpacing},
     "a  b\n a\tb \r\na b\n\n \t\nc\n",
     "a  b\n\nc\n",
     " a\tb \r\na b\n \t\n",
     kTextHeader + "1,3,1,3\n4,2,4,5\n6,1,6,6\n"},
    {"simple case folding: sharp s, final sigma, dotless i",
     FileType::Text,
     {kCase},
     "Straße\nSTRASSE\nstraße\nΣίσυφος\nσίσυφοσ\nıi\nIİ\nII\n",
     "Straße\nSTRASSE\nΣίσυφος\nıi\nIİ\nII\n",
     "straße\nσίσυφοσ\n",
     kTextHeader + "1,2,1,3\n2,1,2,2\n4,2,4,5\n6,1,6,6\n7,1,7,7\n8,1,8,8\n"},
    {"a key that is not UTF-8 folds A to Z only",
     FileType::Text,
     {kCase},
     "\xff\xc3\x89x\n\xff\xc3\xa9X\n\xc3\x89\n\xc3\xa9\n\xffQ\n\xffq\n",
     "\xff\xc3\x89x\n\xff\xc3\xa9X\n\xc3\x89\n\xffQ\n",
     "\xc3\xa9\n\xffq\n",
     kTextHeader + "1,1,1,1\n2,1,2,2\n3,2,3,4\n5,2,5,6\n"},
    {"a window keeps copies heard again later, judged against the latest kept",
     FileType::Packet,
     {kPlain, KeepRule::First, 30},
     "2024-01-01 00:00:00 N0CALL>APRS:hi\n"
     "2024-01-01 00:00:20 N0CALL>APRS,WIDE1-1:hi\n"
     "2024-01-01 00:01:00 N0CALL>APRS:hi\n"
     "2024-01-01 00:00:50 N0CALL>APRS,qAR,IGATE:hi\n"  // out of order, near the latest kept
     "N0CALL>APRS:hi\n",                               // no stamp: a duplicate, as without a window
     "2024-01-01 00:00:00 N0CALL>APRS:hi\n2024-01-01 00:01:00 N0CALL>APRS:hi\n",
     "2024-01-01 00:00:20 N0CALL>APRS,WIDE1-1:hi\n"
     "2024-01-01 00:00:50 N0CALL>APRS,qAR,IGATE:hi\nN0CALL>APRS:hi\n",
     kPacketHeader + "1,2,1,2,2024-01-01 00:00:00,2024-01-01 00:00:20,direct | WIDE1-1\n" +
         "3,3,3,5,2024-01-01 00:01:00,,\"direct | qAR,IGATE\"\n"},
    {"a window across midnight and across a zone offset",
     FileType::Packet,
     {kPlain, KeepRule::First, 30},
     "2024-01-01T23:59:50Z N0CALL>APRS:a\n"
     "2024-01-02T00:00:10Z N0CALL>APRS:a\n"        // 20 s later, a day on
     "2024-01-01T19:00:15-05:00 N0CALL>APRS:a\n"   // the same moment as 00:00:15Z
     "2024-01-02T01:00:00+01:00 N0CALL>APRS:a\n",  // 00:00:00Z: 10 s before the kept
     "2024-01-01T23:59:50Z N0CALL>APRS:a\n",
     "2024-01-02T00:00:10Z N0CALL>APRS:a\n2024-01-01T19:00:15-05:00 N0CALL>APRS:a\n"
     "2024-01-02T01:00:00+01:00 N0CALL>APRS:a\n",
     kPacketHeader + "1,4,1,4,2024-01-01T23:59:50Z,2024-01-02T01:00:00+01:00,direct\n"},
    {"keep last when the last copy is not the target's",
     FileType::Packet,
     {kPlain, KeepRule::Last},
     "N0CALL>APRS:x\nK1ABC>APRS:x\nN0CALL>APRS:y\n",
     "N0CALL>APRS:x\nN0CALL>APRS:y\n",
     "",
     kPacketHeader + "1,1,1,1,,,direct\n3,1,3,3,,,direct\n",
     "N0CALL"},
    {"the path cut applies to the written line, the report reads the path as heard",
     FileType::Packet,
     {kPlain, KeepRule::Last},
     "N0CALL>APRS,WIDE1-1:x\nN0CALL>APRS,WIDE2-2:x\n",
     "N0CALL>APRS:x\n",
     "N0CALL>APRS,WIDE1-1:x\n",
     kPacketHeader + "2,2,1,2,,,WIDE1-1 | WIDE2-2\n",
     "",
     true},
    {"heard_via lists each distinct path once: an empty one heard first, one holding the separator",
     FileType::Packet,
     {},
     "N0CALL>APRS,:x\nN0CALL>APRS,A | B:x\nN0CALL>APRS,A:x\n",
     "N0CALL>APRS,:x\n",
     "N0CALL>APRS,A | B:x\nN0CALL>APRS,A:x\n",
     kPacketHeader + "1,3,1,3,,, | A | B | A\n"},
    {"stamps not passed over: the path cut and heard_via read the frame from the line's start",
     FileType::Packet,
     {},
     "2024-01-01 00:00:00 N0CALL>APRS,WIDE1-1:x\n",
     "2024-01-01 00:00:00 N0CALL>APRS,WIDE1-1:x\n",
     "",
     kPacketHeader + "1,1,1,1,,,direct\n",
     "",
     true,
     false},
};

TEST(RulesRun, WritesTheOutputAndBothReports) {
  for (const RuleRow& row : kRows) {
    SCOPED_TRACE(row.name);
    EngineFixture f;
    f.settings.lineEnd = LineEnd::Lf;
    f.settings.rules = row.rules;
    f.settings.logPrefixes = row.prefixes;
    f.settings.reports = {EngineRig::Utf8(f.dir / "out.removed.txt"),
                          EngineRig::Utf8(f.dir / "out.counts.csv")};
    for (const unsigned threads : kThreadRows) {
      SCOPED_TRACE(ThreadsName(threads));
      ASSERT_EQ(
          RunOnThreads(f, threads, row.input, row.type == FileType::Packet, row.call, row.strip),
          RunOutcome::Completed);
      EXPECT_EQ(f.Output(), row.output);
      EXPECT_EQ(ReadBytes(f.settings.reports.removedPath), row.removed);
      EXPECT_EQ(ReadBytes(f.settings.reports.countsPath), row.counts);
      const RunCounts& counts = f.result.counts;
      EXPECT_EQ(counts.linesKept + counts.duplicatesRemoved + counts.linesSkipped,
                counts.linesRead);
      EXPECT_EQ(f.result.rules, row.rules);
    }
  }
}

// Several inputs are one input: a file's last line ends at its end, and line
// numbers count on across them.
TEST(RulesRun, SeveralInputsReadAsOne) {
  EngineFixture f;
  f.settings.lineEnd = LineEnd::Lf;
  WriteBytes(f.settings.inputPath, "a\r\nb");
  WriteBytes(f.dir / "two.txt", "b\nc\n");
  f.settings.moreInputPaths = {EngineRig::Utf8(f.dir / "two.txt")};
  f.settings.reports.countsPath = EngineRig::Utf8(f.dir / "counts.csv");
  ASSERT_EQ(f.RunText(), RunOutcome::Completed);
  EXPECT_EQ(f.Output(), "a\nb\nc\n");
  EXPECT_EQ(ReadBytes(f.dir / "counts.csv"), kTextHeader + "1,1,1,1\n2,2,2,3\n4,1,4,4\n");
  EXPECT_EQ(f.result.counts.linesRead, 4u);
}

// Whatever stops a run, neither the output nor a report is touched.
TEST(RulesRun, NoFileIsTouchedUnlessTheRunWritesTheOutput) {
  EngineFixture f;
  struct Case {
    const char* name;
    std::string input;
    KeepRule keep;
    bool missingSecondInput;
    bool reportInMissingFolder;
    RunOutcome outcome;
  } const cases[] = {
      {"nothing occurs once", "a\na\n", KeepRule::Once, false, false, RunOutcome::NothingKept},
      {"a second input is missing", "a\n", KeepRule::First, true, false, RunOutcome::Failed},
      {"a report cannot be written", "a\n", KeepRule::Last, false, true, RunOutcome::Failed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(f.settings.inputPath, c.input);
    WriteBytes(f.settings.outputPath, "old");
    WriteBytes(f.dir / "removed.txt", "old removed");
    f.settings.rules.keep = c.keep;
    f.settings.moreInputPaths.clear();
    if (c.missingSecondInput) f.settings.moreInputPaths = {EngineRig::Utf8(f.dir / "absent.txt")};
    f.settings.reports = {EngineRig::Utf8(f.dir / "removed.txt"),
                          EngineRig::Utf8(c.reportInMissingFolder ? f.dir / "no" / "counts.csv"
                                                                  : f.dir / "counts.csv")};
    EXPECT_EQ(f.RunText(), c.outcome);
    EXPECT_EQ(f.Output(), "old");
    EXPECT_EQ(ReadBytes(f.dir / "removed.txt"), "old removed");
    EXPECT_FALSE(std::filesystem::exists(f.dir / "counts.csv"));
    if (c.missingSecondInput) {
      EXPECT_EQ(f.result.failure.path, EngineRig::Utf8(f.dir / "absent.txt"));
    }
    if (c.reportInMissingFolder) {
      EXPECT_EQ(f.result.failure.file, FailedFile::CountReport);
    }
  }
}

// A CR LF cut in two by a read still ends a removed line as CR LF.
TEST(RulesRun, ARemovedLineKeepsACrLfThatAReadCutInTwo) {
  EngineFixture f;
  const std::string line((std::size_t{1} << 19) - 3, 'x');
  WriteBytes(f.settings.inputPath, "a\r\n" + line + "\r\n" + line + "\r\nb\r\n");
  f.settings.reports.removedPath = EngineRig::Utf8(f.dir / "removed.txt");
  ASSERT_EQ(f.RunText(), RunOutcome::Completed);
  EXPECT_EQ(ReadBytes(f.dir / "removed.txt"), line + "\r\n");
  EXPECT_EQ(f.Output(), "a\r\n" + line + "\r\nb\r\n");
}

}  // namespace
}  // namespace sievra::testing

namespace sievra::testing {
namespace {

// A long stamped log with a window: keys outdated by later frames are
// forgotten along the way (every 65,536 new keys or so), and what that drops
// must never be a key a copy within the window still needs.
TEST(RulesRun, AWindowForgetsOnlyKeysOutdatedByLaterFrames) {
  EngineFixture f;
  const auto stamp = [](int second) {
    char text[32];
    std::snprintf(text, sizeof text, "2024-01-%02d %02d:%02d:%02d ", 1 + second / 86400,
                  second / 3600 % 24, second / 60 % 60, second % 60);
    return std::string(text);
  };
  std::string log;
  std::string expected;
  constexpr int kFrames = 200'000;
  for (int i = 0; i < kFrames; ++i) {
    const std::string frame = stamp(i) + "N0CALL>APRS:p" + std::to_string(i) + "\n";
    log += frame;
    expected += frame;
    // A copy 5 s later (within the window), and one of "beacon" every 1,000 s (outside it).
    if (i >= 5) log += stamp(i) + "N0CALL>APRS:p" + std::to_string(i - 5) + "\n";
    if (i % 1000 == 0) {
      log += stamp(i) + "N0CALL>APRS:beacon\n";
      expected += stamp(i) + "N0CALL>APRS:beacon\n";
    }
  }
  f.settings.lineEnd = LineEnd::Lf;
  f.settings.rules.windowSeconds = 30;
  ASSERT_EQ(RunOnThreads(f, 1, log, true), RunOutcome::Completed);
  EXPECT_TRUE(f.Output() == expected) << "the output differs";
  EXPECT_EQ(f.result.counts.linesKept, std::uint64_t{kFrames + kFrames / 1000});
}

}  // namespace
}  // namespace sievra::testing
