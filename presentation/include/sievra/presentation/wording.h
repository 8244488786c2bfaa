#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "sievra/engine.h"
#include "sievra/presentation/run_stage.h"

namespace sievra {

// How numbers are written for the user. Each front end supplies its own: the Qt
// window QLocale's, the Windows window the user's locale (GetNumberFormatEx), the
// command line the C library's locale.
struct NumberFormat {
  std::function<std::string(std::uint64_t)> whole;  // with the digit grouping, e.g. 1,234,567
  std::function<std::string(double)> oneDecimal;    // e.g. 1.9
};

// Plain digits and a '.' decimal point.
NumberFormat PlainNumbers();

// "850 ms", "1.9 s", "2 min 5 s".
std::string DurationText(std::chrono::nanoseconds elapsed, const NumberFormat& numbers);

// The modal message a finished run calls for, or empty when it calls for none:
// "Must specify an input file", "Must specify an output file", a failure naming
// the file, what was done to it and the system's reason, the nothing-kept note.
// A completed or cancelled run shows none.
std::string OutcomeMessage(const RunResult& result);

// One line on what a run did, the same in the window's summary line and in
// sievra-cli --stats: e.g. "Read 10,000,000 lines; kept 6,827,925; removed
// 3,172,075 duplicates in 1.9 s", naming the rules that were not the default:
// "…; kept 1,234 (the last of each); removed 56 duplicates, ignoring case…";
// for other outcomes the outcome's sentence.
std::string RunSummary(const RunResult& result, const NumberFormat& numbers);

// "ignoring case", "ignoring spacing", "ignoring case and spacing", or empty.
std::string CompareNote(const CompareRules& rules);

// What the window shows before a run when an option differs from the default,
// e.g. "Options: ignoring case; keeping the last of each; writing the counts";
// empty when none does.
std::string OptionsNote(const DuplicateRules& rules, bool removedReport, bool countReport,
                        bool follow = false);

// The summary line while a run follows its input: "Watching the input: read
// 1,234 lines; kept 56; removed 7 duplicates".
std::string FollowingSummary(const RunCounts& counts, const NumberFormat& numbers);

// The window's summary line for a finished run: RunSummary, plus why the
// result is not shown when the output was written but not read back whole.
std::string WindowSummary(const FinishedRun& run, const NumberFormat& numbers);

// The modal message when the output was written but cannot be shown.
std::string ResultNotShownMessage(std::string_view outputPath, std::string_view reason);

// What the summary line says while a stage runs ("Counting lines…").
std::string StageText(RunStage stage);

// What the help window shows instead of the help document. `nativePath` is the
// path as the platform writes it.
std::string HelpTooLargeText(std::string_view nativePath);
std::string HelpUnreadableText(std::string_view nativePath);

}  // namespace sievra
