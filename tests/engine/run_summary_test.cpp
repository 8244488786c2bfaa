#include "sievra/run_summary.h"

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

TEST(RunSummaryTest, SaysWhatTheRunDid) {
  struct Row {
    const char* name;
    FileType type;
    const char* call;
    RunOutcome outcome;
    RunCounts counts;  // linesCounted, read, kept, duplicates, skipped, bytes x2, stamped, tagged
    milliseconds elapsed;
    const char* expected;
  };
  const Row rows[] = {
      {"text",
       FileType::Text,
       "n0call",
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
      {"packet, target trimmed and upper-cased",
       FileType::Packet,
       " n0call ",
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
      {"nothing kept",
       FileType::Packet,
       "W1XYZ",
       RunOutcome::NothingKept,
       {0, 7, 0, 0, 7, 0, 0},
       milliseconds(5),
       "Read 7 lines; kept none; skipped 7 lines not from W1XYZ; the output file was not "
       "written."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RunSettings settings;
    settings.fileType = row.type;
    settings.callsignText = row.call;
    RunResult result;
    result.outcome = row.outcome;
    result.counts = row.counts;
    result.elapsed = row.elapsed;
    EXPECT_EQ(RunSummary(settings, result, Grouped()), row.expected);
  }
}

TEST(RunSummaryTest, OtherOutcomesSayTheirMessage) {
  RunResult result;
  result.outcome = RunOutcome::Cancelled;
  result.message = "The run was cancelled; the output file was not changed.";
  EXPECT_EQ(RunSummary(RunSettings(), result, PlainNumbers()), result.message);
}

}  // namespace
}  // namespace sievra
