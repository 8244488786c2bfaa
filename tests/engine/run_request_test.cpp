#include <gtest/gtest.h>

#include "sievra/upper_case.h"
#include "test_support.h"

namespace sievra {
namespace {

using testing::EngineFixture;
using testing::WriteBytes;

TEST(RunRequestTest, MissingPathsGiveOneMessageAndChangeNothing) {
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
    if (row.haveInput) f.engine.InputPath = f.dir.File("in.txt");
    if (row.haveOutput) f.engine.OutputPath = f.dir.File("out.txt");
    EXPECT_EQ(f.engine.RunRequest({"n0call", true, false, true}), row.outcome);
    EXPECT_EQ(f.messages.shown, std::vector<std::string>{row.message});
    EXPECT_EQ(f.engine.TargetCall, "");
    EXPECT_FALSE(f.engine.StripPath);
    EXPECT_FALSE(f.engine.PacketMode);
    EXPECT_EQ(f.results.loads + f.results.clears, 0);
  }
}

TEST(RunRequestTest, CapturesTheSettings) {
  struct Row {
    const char* name;
    RunRequestArgs args;
    std::string targetCall;
    bool strip;
    bool packet;
  };
  const Row rows[] = {
      {"callsign is upper-cased", {"n0call", false, false, true}, "N0CALL", false, true},
      {"blanks are kept", {" n0call ", false, false, true}, " N0CALL ", false, true},
      {"Yes selects stripping", {"", true, false, true}, "", true, true},
      {"Text clears packet mode", {"", true, true, false}, "", true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EngineFixture f;
    f.engine.InputPath = f.dir.File("in.txt");
    f.engine.OutputPath = f.dir.File("out.txt");
    WriteBytes(f.engine.InputPath, "x:1\r\n");
    f.engine.RunRequest(row.args);
    EXPECT_EQ(f.engine.TargetCall, row.targetCall);
    EXPECT_EQ(f.engine.StripPath, row.strip);
    EXPECT_EQ(f.engine.PacketMode, row.packet);
  }
}

TEST(RunRequestTest, NeitherFileTypeSelectedKeepsTheEarlierMode) {
  EngineFixture f;
  f.engine.PacketMode = true;
  f.Run("a\r\n", false);
  EXPECT_FALSE(f.engine.PacketMode);
  f.engine.RunRequest({"", false, false, false});
  EXPECT_FALSE(f.engine.PacketMode);
}

// The counting pass sizes the table: slots 0..N, N the lines that begin with the
// callsign as captured (blanks included), in either file type.
TEST(CountInputLinesTest, SizesTheTableFromTheLinesThatCanBeKept) {
  struct Row {
    const char* name;
    std::string input;
    std::string call;
    std::size_t slots;
  };
  const std::string fiveLines = "N0CALL>A:1\r\nx\r\nn0call-9>B:2\r\ny\r\nz";
  const Row rows[] = {
      {"empty callsign counts every line", fiveLines, "", 6},
      {"callsign counts lines beginning with it in any case", fiveLines, "n0call", 3},
      {"blanks in the callsign take part", fiveLines, " n0call", 1},
      {"empty file gives slot 0 only", "", "", 1},
      {"LF-only log counts its lines", "a\nb\nc\n", "", 4},
  };
  for (const Row& row : rows) {
    for (bool packet : {false, true}) {
      SCOPED_TRACE(std::string(row.name) + (packet ? " (packet)" : " (text)"));
      EngineFixture f;
      f.engine.InputPath = f.dir.File("in.txt");
      WriteBytes(f.engine.InputPath, row.input);
      f.engine.TargetCall = UpperCaser().Apply(row.call);
      f.engine.PacketMode = packet;
      f.engine.CountInputLines();
      EXPECT_EQ(f.engine.KeptLines.size(), row.slots);
    }
  }
}

TEST(RunDuplicateCheckTest, ShowsTheOutputAsPlainTextWithAWideMargin) {
  EngineFixture f;
  f.results.width = 8250.0f;
  EXPECT_EQ(f.Run("b\r\na\r\nb\r\n", false), RunOutcome::Completed);
  EXPECT_EQ(f.results.loadedPath, f.engine.OutputPath);
  EXPECT_EQ(f.results.loadedType, LoadFileType::PlainText);
  EXPECT_EQ(f.results.shown, "b\r\na\r\n");
  EXPECT_FLOAT_EQ(f.results.rightMargin, 18250.0f);
  EXPECT_TRUE(f.messages.shown.empty());
}

TEST(RunDuplicateCheckTest, StartTwiceWritesAndShowsTheSameOutputTwice) {
  EngineFixture f;
  f.Run("x:1\r\nx:1\r\ny:2\r\n", true);
  const std::string first = f.Output();
  EXPECT_EQ(f.engine.RunRequest({"", false, false, true}), RunOutcome::Completed);
  EXPECT_EQ(f.Output(), first);
  EXPECT_EQ(f.results.loads, 2);
  EXPECT_EQ(f.results.shown, "x:1\r\ny:2\r\n");
}

// Nothing kept: the old output stays as it was, and the results box does not
// pass it off as this run's result.
TEST(RunDuplicateCheckTest, NothingKeptLeavesOutputAndSaysSo) {
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
    EXPECT_EQ(f.results.clears, 1);
    EXPECT_EQ(f.results.loads, 0);
    EXPECT_EQ(f.messages.shown,
              std::vector<std::string>{"No lines were kept; the output file was not written."});
  }
}

TEST(RunDuplicateCheckTest, NothingKeptWithNoOldOutputCreatesNone) {
  EngineFixture f;
  f.Run("", false);
  EXPECT_FALSE(std::filesystem::exists(f.engine.OutputPath));
  EXPECT_EQ(f.dir.Listing(), std::vector<std::string>{"in.txt"});
}

}  // namespace
}  // namespace sievra
