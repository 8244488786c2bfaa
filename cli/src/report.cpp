#include "sievra/cli/report.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <clocale>
#include <cstdio>

namespace sievra::cli {

namespace {

std::string OneDecimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string Megabytes(std::uint64_t bytes) { return std::to_string((bytes + 500'000) / 1'000'000); }

}  // namespace

std::string GroupedNumber(std::uint64_t value) {
  // localeconv, not std::numpunct<char>: the latter keeps only the first byte of
  // a multibyte separator (the narrow no-break space of fr_FR.UTF-8).
  const std::lconv* conv = std::localeconv();
  const bool fromLocale =
      conv && conv->thousands_sep && *conv->thousands_sep && conv->grouping && *conv->grouping;
  const std::string separator = fromLocale ? conv->thousands_sep : ",";
  const std::string grouping = fromLocale ? conv->grouping : "\3";
  const std::string digits = std::to_string(value);
  std::string reversed;  // built from the last digit on, then turned round
  std::size_t groupIndex = 0;
  int inGroup = 0;
  for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit) {
    const int size = grouping[groupIndex];
    if (size > 0 && size != CHAR_MAX && inGroup == size) {
      reversed.append(separator.rbegin(), separator.rend());
      inGroup = 0;
      if (groupIndex + 1 < grouping.size()) ++groupIndex;
    }
    reversed.push_back(*digit);
    ++inGroup;
  }
  return {reversed.rbegin(), reversed.rend()};
}

std::string SummaryLine(const RunResult& result) {
  return RunSummary(result, {GroupedNumber, OneDecimal});
}

std::string OutcomeLine(const RunResult& result) {
  // A cancelled run's summary is the sentence that says so, with no number in it.
  return result.outcome == RunOutcome::Cancelled ? SummaryLine(result) : OutcomeMessage(result);
}

std::string ProgressLine(const RunProgress& progress) {
  const char* phase = progress.phase == RunPhase::Counting    ? "counting"
                      : progress.phase == RunPhase::Filtering ? "filtering"
                                                              : "writing";
  if (progress.total == 0) return std::string(phase) + " " + Megabytes(progress.done) + " MB";
  const std::uint64_t done = std::min(progress.done, progress.total);
  const std::uint64_t percent = done * 100 / progress.total;
  return std::string(phase) + " " + std::to_string(percent) + "% (" + Megabytes(done) + " of " +
         Megabytes(progress.total) + " MB)";
}

int ExitStatus(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Completed:
      return 0;
    case RunOutcome::NothingKept:
      return 1;
    case RunOutcome::Cancelled:
      return 130;
    case RunOutcome::MissingInput:
    case RunOutcome::MissingOutput:
    case RunOutcome::Failed:
      break;
  }
  return 2;
}

}  // namespace sievra::cli
