#pragma once

#include <cstdint>
#include <string>

#include "sievra/engine.h"
#include "sievra/presentation/wording.h"

namespace sievra::cli {

// Groups digits as the user's locale does (the C locale gets commas, so figures
// stay readable in scripts' logs): 10000000 -> "10,000,000".
std::string GroupedNumber(std::uint64_t value);

// The window's summary of a run (RunSummary) with this locale's numbers, e.g. "Read
// 10,000,000 lines; kept 6,827,925; removed 3,172,075 duplicates in 1.9 s".
std::string SummaryLine(const RunResult& result);
// The one line on standard error for a run without --stats: what went wrong, the
// nothing-kept note or that the run was cancelled; empty for a completed run.
std::string OutcomeLine(const RunResult& result);

// One progress line, e.g. "filtering 45% (382 of 850 MB)"; with no known total
// (standard input) only the amount done.
std::string ProgressLine(const RunProgress& progress);

// The exit status for an outcome, as grep's: 0 kept lines, 1 none, 2 trouble, 130
// interrupted.
int ExitStatus(RunOutcome outcome);

}  // namespace sievra::cli
