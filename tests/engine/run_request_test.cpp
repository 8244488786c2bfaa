#include <gtest/gtest.h>

#include <algorithm>

#include "test_support.h"

namespace sievra {
namespace {

using testing::EngineFixture;
using testing::WriteBytes;

TEST(RunRequestTest, MissingPathsGiveOneMessageAndTouchNothing) {
  struct Row {
    const char* name;
    bool haveInput;
    bool haveOutput;
    RunOutcome outcome;
    const char* message;
  };
  const Row rows[] = {
      {"neither chosen: input is named first", false, false, RunOutcome::MissingInput,
       "Must specify an input file"},
      {"only output chosen", false, true, RunOutcome::MissingInput, "Must specify an input file"},
      {"only input chosen", true, false, RunOutcome::MissingOutput, "Must specify an output file"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EngineFixture f;
    WriteBytes(f.settings.inputPath, "x:1\r\n");
    if (!row.haveInput) f.settings.inputPath.clear();
    if (!row.haveOutput) f.settings.outputPath.clear();
    EXPECT_EQ(f.RunWith("n0call", true, FileType::Packet), row.outcome);
    EXPECT_EQ(MessageOf(f.result), row.message);
    EXPECT_EQ(f.dir.Listing(), std::vector<std::string>{"in.txt"});
  }
}

// The counting pass counts the lines that begin with the callsign as typed,
// upper-cased with its blanks kept, in either file type; every line without one.
TEST(CountInputLinesTest, CountsTheLinesThatCanBeKept) {
  struct Row {
    const char* name;
    std::string input;
    std::string call;
    std::uint64_t counted;
  };
  const std::string fiveLines = "N0CALL>A:1\r\nx\r\nn0call-9>B:2\r\ny\r\nz";
  const Row rows[] = {
      {"empty callsign counts every line", fiveLines, "", 5},
      {"callsign counts lines beginning with it in any case", fiveLines, "n0call", 2},
      {"blanks in the callsign take part", fiveLines, " n0call", 0},
      {"empty file counts nothing", "", "", 0},
      {"LF-only log counts its lines", "a\nb\nc\n", "", 3},
  };
  for (const Row& row : rows) {
    for (bool packet : {false, true}) {
      SCOPED_TRACE(std::string(row.name) + (packet ? " (packet)" : " (text)"));
      EngineFixture f;
      f.Run(row.input, packet, row.call);
      EXPECT_EQ(f.result.counts.linesCounted, row.counted);
    }
  }
}

// What the counts say must be what the output holds.
TEST(RunRequestTest, CountsAgreeWithTheOutput) {
  struct Row {
    const char* name;
    std::string input;
    bool packet;
    std::string call;
    RunCounts counts;  // linesCounted, read, kept, duplicates, skipped
  };
  const Row rows[] = {
      {"text", "b\r\na\r\nb\r\nb\r\n", false, "", {4, 4, 2, 2, 0, 0, 0}},
      {"packet without callsign skips lines without a colon",
       "x:1\r\nnone\r\ny:1\r\nz:2\r\n",
       true,
       "",
       {4, 4, 2, 1, 1, 0, 0}},
      {"packet with callsign skips other stations",
       "N0CALL>A:1\r\nK1ABC>A:2\r\nN0CALL>B:1\r\n",
       true,
       "n0call",
       {2, 3, 1, 1, 1, 0, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EngineFixture f;
    ASSERT_EQ(f.Run(row.input, row.packet, row.call), RunOutcome::Completed);
    const RunCounts& c = f.result.counts;
    EXPECT_EQ(c.linesCounted, row.counts.linesCounted);
    EXPECT_EQ(c.linesRead, row.counts.linesRead);
    EXPECT_EQ(c.linesKept, row.counts.linesKept);
    EXPECT_EQ(c.duplicatesRemoved, row.counts.duplicatesRemoved);
    EXPECT_EQ(c.linesSkipped, row.counts.linesSkipped);
    EXPECT_EQ(c.bytesRead, row.input.size());
    const std::string output = f.Output();
    EXPECT_EQ(c.bytesWritten, output.size());
    EXPECT_EQ(static_cast<std::uint64_t>(std::count(output.begin(), output.end(), '\n')),
              c.linesKept);
    EXPECT_TRUE(MessageOf(f.result).empty()) << MessageOf(f.result);
  }
}

TEST(RunRequestTest, StartTwiceWritesTheSameOutputTwice) {
  EngineFixture f;
  f.Run("x:1\r\nx:1\r\ny:2\r\n", true);
  const std::string first = f.Output();
  EXPECT_EQ(first, "x:1\r\ny:2\r\n");
  EXPECT_EQ(f.Run(), RunOutcome::Completed);
  EXPECT_EQ(f.Output(), first);
}

// Nothing kept: the old output stays as it was, and the message says so.
TEST(RunRequestTest, NothingKeptLeavesOutputAndSaysSo) {
  struct Row {
    const char* name;
    std::string input;
    bool packet;
    std::string call;
  };
  const Row rows[] = {
      {"empty input, text", "", false, ""},
      {"empty input, packet", "", true, ""},
      {"no line has a colon", "just some text\r\n", true, ""},
      {"no frame from the target", "N0CALL>A:1\r\n", true, "K1ABC"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EngineFixture f;
    WriteBytes(f.dir.File("out.txt"), "older result\r\n");
    EXPECT_EQ(f.Run(row.input, row.packet, row.call), RunOutcome::NothingKept);
    EXPECT_EQ(f.Output(), "older result\r\n");
    EXPECT_EQ(MessageOf(f.result), "No lines were kept; the output file was not written.");
  }
}

TEST(RunRequestTest, NothingKeptWithNoOldOutputCreatesNone) {
  EngineFixture f;
  f.Run("", false);
  EXPECT_EQ(f.dir.Listing(), std::vector<std::string>{"in.txt"});
}

}  // namespace
}  // namespace sievra
