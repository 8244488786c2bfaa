#include "sievra/presentation/wording.h"

#include <gtest/gtest.h>

namespace sievra {
namespace {

using std::chrono::milliseconds;

// Groups of three with a comma, as in the examples users see most.
NumberFormat Grouped() {
  NumberFormat numbers = PlainNumbers();
  numbers.whole = [](std::uint64_t value) {
    // Built front to back: GCC 12's -Wrestrict misreads string::insert at -O3.
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
      if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
      grouped += digits[i];
    }
    return grouped;
  };
  return numbers;
}

RunResult Failure(FailedFile file, FailedStep step, const char* path, const char* reason) {
  RunResult result;
  result.outcome = RunOutcome::Failed;
  result.failure = RunFailure{file, step, path, reason};
  return result;
}

TEST(Wording, SummarySaysWhatTheRunDid) {
  struct Row {
    const char* name;
    FileType type;
    const char* call;  // as the engine reports it
    RunOutcome outcome;
    RunCounts counts;  // linesCounted, read, kept, duplicates, skipped, bytes x2, stamped, tagged
    milliseconds elapsed;
    const char* expected;
  };
  const Row rows[] = {
      {"text",
       FileType::Text,
       "",
       RunOutcome::Completed,
       {0, 10000000, 6827925, 3172075, 0, 0, 0},
       milliseconds(1940),
       "Read 10,000,000 lines; kept 6,827,925; removed 3,172,075 duplicates in 1.9 s"},
      {"one of each, quick",
       FileType::Text,
       "",
       RunOutcome::Completed,
       {1, 1, 1, 1, 0, 0, 0},
       milliseconds(250),
       "Read 1 line; kept 1; removed 1 duplicate in 250 ms"},
      {"packet, from a target",
       FileType::Packet,
       "N0CALL",
       RunOutcome::Completed,
       {0, 1500, 400, 100, 1000, 0, 0},
       milliseconds(125000),
       "Read 1,500 lines; kept 400; removed 100 duplicates; skipped 1,000 lines not from N0CALL "
       "in 2 min 5 s"},
      {"packet, every station",
       FileType::Packet,
       "",
       RunOutcome::Completed,
       {0, 3, 2, 0, 1, 0, 0},
       milliseconds(5),
       "Read 3 lines; kept 2; removed 0 duplicates; skipped 1 line without a payload in 5 ms"},
      {"packet, time stamps before the frames",
       FileType::Packet,
       "",
       RunOutcome::Completed,
       {0, 436, 405, 31, 0, 0, 0, 436, 0},
       milliseconds(12),
       "Read 436 lines; kept 405; removed 31 duplicates in 12 ms (436 lines had a time stamp "
       "before the frame)"},
      {"packet, one tag and some time stamps",
       FileType::Packet,
       "",
       RunOutcome::Completed,
       {0, 3, 3, 0, 0, 0, 0, 2, 1},
       milliseconds(12),
       "Read 3 lines; kept 3; removed 0 duplicates in 12 ms (2 lines had a time stamp and 1 a "
       "tag before the frame)"},
      {"nothing kept, tags",
       FileType::Packet,
       "W1XYZ",
       RunOutcome::NothingKept,
       {0, 1, 0, 0, 1, 0, 0, 0, 1},
       milliseconds(5),
       "Read 1 line; kept none; skipped 1 line not from W1XYZ (1 line had a tag before the "
       "frame); the output file was not written."},
      {"packet, nothing skipped",
       FileType::Packet,
       "N0CALL",
       RunOutcome::Completed,
       {0, 2, 2, 0, 0, 0, 0},
       milliseconds(1000),
       "Read 2 lines; kept 2; removed 0 duplicates in 1.0 s"},
      {"nothing kept",
       FileType::Packet,
       "W1XYZ",
       RunOutcome::NothingKept,
       {0, 7, 0, 0, 7, 0, 0},
       milliseconds(5),
       "Read 7 lines; kept none; skipped 7 lines not from W1XYZ; the output file was not "
       "written."},
      {"cancelled",
       FileType::Text,
       "",
       RunOutcome::Cancelled,
       {0, 7, 0, 0, 0, 0, 0},
       milliseconds(5),
       "The run was cancelled; the output file was not changed."},
      {"missing input",
       FileType::Text,
       "",
       RunOutcome::MissingInput,
       {},
       milliseconds(0),
       "Must specify an input file"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RunResult result;
    result.outcome = row.outcome;
    result.fileType = row.type;
    result.targetCall = row.call;
    result.counts = row.counts;
    result.elapsed = row.elapsed;
    EXPECT_EQ(RunSummary(result, Grouped()), row.expected);
  }
}

TEST(Wording, OutcomeMessages) {
  struct Row {
    const char* name;
    RunResult result;
    const char* expected;
  };
  RunResult missingInput, missingOutput, nothingKept, completed, cancelled;
  missingInput.outcome = RunOutcome::MissingInput;
  missingOutput.outcome = RunOutcome::MissingOutput;
  nothingKept.outcome = RunOutcome::NothingKept;
  cancelled.outcome = RunOutcome::Cancelled;
  const Row rows[] = {
      {"no input chosen", missingInput, "Must specify an input file"},
      {"no output chosen", missingOutput, "Must specify an output file"},
      {"nothing kept", nothingKept, "No lines were kept; the output file was not written."},
      {"completed: no message", completed, ""},
      {"cancelled: the summary line says so", cancelled, ""},
      {"input unreadable",
       Failure(FailedFile::Input, FailedStep::Reading, "/logs/a.log", "Permission denied"),
       "Cannot read the input file \"/logs/a.log\": Permission denied."},
      {"standard input unreadable",
       Failure(FailedFile::StandardInput, FailedStep::Reading, "-", "Input/output error"),
       "Cannot read standard input: Input/output error."},
      {"output unwritable",
       Failure(FailedFile::Output, FailedStep::Writing, "/full/out.txt", "No space left on device"),
       "Cannot write the output file \"/full/out.txt\": No space left on device. The file was "
       "left as it was."},
      {"standard output unwritable",
       Failure(FailedFile::StandardOutput, FailedStep::Writing, "-", "Broken pipe"),
       "Cannot write standard output: Broken pipe."},
      {"out of memory", Failure(FailedFile::Input, FailedStep::Memory, "C:\\big.log", ""),
       "There is not enough memory to filter the input file \"C:\\big.log\"."},
      {"out of memory on standard input",
       Failure(FailedFile::StandardInput, FailedStep::Memory, "-", ""),
       "There is not enough memory to filter the input file \"-\"."},
      {"an unexpected fault", Failure(FailedFile::Input, FailedStep::Unexpected, "a", "boom"),
       "The run failed: boom."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(OutcomeMessage(row.result), row.expected);
  }
}

TEST(Wording, WindowSummaryTellsWhyTheResultIsNotShown) {
  struct Row {
    const char* name;
    RunOutcome outcome;
    bool loaded;
    bool loadCancelled;
    const char* expected;
  };
  const Row rows[] = {
      {"shown", RunOutcome::Completed, true, false,
       "Read 3 lines; kept 2; removed 1 duplicate in 1.9 s"},
      {"Cancel came while the result was read", RunOutcome::Completed, false, true,
       "Read 3 lines; kept 2; removed 1 duplicate in 1.9 s. Loading the result was cancelled."},
      {"the result could not be read", RunOutcome::Completed, false, false,
       "Read 3 lines; kept 2; removed 1 duplicate in 1.9 s. The result cannot be shown."},
      {"cancelled runs say only so", RunOutcome::Cancelled, false, false,
       "The run was cancelled; the output file was not changed."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FinishedRun run;
    run.result.outcome = row.outcome;
    run.result.fileType = FileType::Text;
    run.result.counts = {0, 3, 2, 1, 0, 0, 0};
    run.result.elapsed = milliseconds(1900);
    run.loaded = row.loaded;
    run.loadCancelled = row.loadCancelled;
    EXPECT_EQ(WindowSummary(run, PlainNumbers()), row.expected);
  }
}

TEST(Wording, FrontEndNumbersAndFixedTexts) {
  // A German locale's grouping and decimal comma reach every number.
  NumberFormat german{[](std::uint64_t value) { return std::to_string(value) + "#"; },
                      [](double value) { return std::to_string(static_cast<int>(value)) + ",x"; }};
  EXPECT_EQ(DurationText(milliseconds(850), german), "850# ms");
  EXPECT_EQ(DurationText(milliseconds(1900), german), "1,x s");
  EXPECT_EQ(DurationText(milliseconds(125'400), german), "2# min 5# s");
  EXPECT_EQ(DurationText(milliseconds(59'999), PlainNumbers()), "60.0 s");
  EXPECT_EQ(StageText(RunStage::Counting), "Counting lines\xE2\x80\xA6");
  EXPECT_EQ(StageText(RunStage::Filtering), "Removing duplicates\xE2\x80\xA6");
  EXPECT_EQ(StageText(RunStage::Writing), "Writing the output file\xE2\x80\xA6");
  EXPECT_EQ(StageText(RunStage::Loading), "Loading the result\xE2\x80\xA6");
  EXPECT_EQ(ResultNotShownMessage("/o.txt", "Permission denied"),
            "The output file \"/o.txt\" was written but cannot be shown: Permission denied.");
  EXPECT_EQ(HelpTooLargeText("C:\\Sievra\\help.rtf"),
            "Help is not available: the help file \"C:\\Sievra\\help.rtf\" is too large (over 1 "
            "MB).");
  EXPECT_EQ(HelpUnreadableText("/usr/share/sievra/help.rtf"),
            "Help is not available: the help file \"/usr/share/sievra/help.rtf\" could not be "
            "read.");
}

TEST(Wording, TheSummaryNamesTheRulesInForce) {
  struct Row {
    DuplicateRules rules;
    std::uint64_t removed;
    const char* expected;
  };
  const Row rows[] = {
      {{{true, false}}, 56, "Read 100 lines; kept 44; removed 56 duplicates, ignoring case in "},
      {{{true, true}, KeepRule::Last},
       1,
       "Read 100 lines; kept 44 (the last of each); removed 1 duplicate, ignoring case and "
       "spacing in "},
      {{{}, KeepRule::Once},
       56,
       "Read 100 lines; kept 44 (only lines that occur once); removed "
       "56 duplicates in "},
      {{{false, true}, KeepRule::Repeated},
       56,
       "Read 100 lines; kept 44 (the first of each repeated line); removed 56 other lines, "
       "ignoring spacing in "},
      {{{}, KeepRule::First, 30},
       56,
       "Read 100 lines; kept 44 (the first within each 30 s); removed 56 duplicates in "},
  };
  for (const Row& row : rows) {
    RunResult result;
    result.fileType = FileType::Text;
    result.rules = row.rules;
    result.counts.linesRead = 100;
    result.counts.linesKept = 44;
    result.counts.duplicatesRemoved = row.removed;
    EXPECT_EQ(RunSummary(result, PlainNumbers()).rfind(row.expected, 0), 0u)
        << RunSummary(result, PlainNumbers());
  }
  EXPECT_EQ(OptionsNote({{}, KeepRule::First, 30}, true, false),
            "Options: duplicates within 30 s; writing the removed lines");
  EXPECT_EQ(OptionsNote({}, false, false), "");
}

}  // namespace
}  // namespace sievra
