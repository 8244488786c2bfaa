#include "sievra/presentation/wording.h"

#include <cstdio>
#include <vector>

namespace sievra {

namespace {

std::string Lines(std::uint64_t count, const NumberFormat& numbers) {
  return numbers.whole(count) + (count == 1 ? " line" : " lines");
}

// "; skipped 12 lines not from N0CALL" for a Packet run that skipped any.
std::string Skipped(const RunResult& result, const NumberFormat& numbers) {
  const RunCounts& counts = result.counts;
  if (result.fileType != FileType::Packet || counts.linesSkipped == 0) return {};
  return "; skipped " + Lines(counts.linesSkipped, numbers) +
         (result.targetCall.empty() ? " without a payload" : " not from " + result.targetCall);
}

// " (436 lines had a time stamp before the frame)" for a Packet run that passed
// over any time stamps or tags; both kinds: "(430 lines had a time stamp and 6 a
// tag before the frame)".
std::string PrefixNote(const RunCounts& counts, const NumberFormat& numbers) {
  const std::uint64_t stamped = counts.linesTimeStamped;
  const std::uint64_t tagged = counts.linesTagged;
  if (stamped == 0 && tagged == 0) return {};
  const auto had = [&](std::uint64_t count) { return Lines(count, numbers) + " had"; };
  std::string what;
  if (stamped == 0) {
    what = had(tagged) + " a tag";
  } else if (tagged == 0) {
    what = had(stamped) + " a time stamp";
  } else {
    what = had(stamped) + " a time stamp and " + numbers.whole(tagged) + " a tag";
  }
  return " (" + what + " before the frame)";
}

// Built front to back: GCC 12's -Wrestrict misreads string::insert at -O3.
std::string Quoted(std::string_view path) {
  std::string text;
  text.reserve(path.size() + 2);
  text += '"';
  text += path;
  text += '"';
  return text;
}

std::string FailureMessage(const RunFailure& failure) {
  const bool standard =
      failure.file == FailedFile::StandardInput || failure.file == FailedFile::StandardOutput;
  const bool input = failure.file == FailedFile::Input || failure.file == FailedFile::StandardInput;
  switch (failure.step) {
    case FailedStep::Memory:
      // Named by path even for standard input ("-"), as the user gave it.
      return "There is not enough memory to filter the input file " + Quoted(failure.path) + ".";
    case FailedStep::Unexpected:
      return "The run failed: " + failure.reason + ".";
    case FailedStep::Reading:
    case FailedStep::Writing:
      break;
  }
  if (standard)
    return std::string(input ? "Cannot read standard input: " : "Cannot write standard output: ") +
           failure.reason + ".";
  if (input)
    return "Cannot read the input file " + Quoted(failure.path) + ": " + failure.reason + ".";
  if (failure.file == FailedFile::RemovedReport || failure.file == FailedFile::CountReport)
    return "Cannot write the report file " + Quoted(failure.path) + ": " + failure.reason +
           ". The output file and the reports were left as they were.";
  return "Cannot write the output file " + Quoted(failure.path) + ": " + failure.reason +
         ". The file was left as it was.";
}

// " (the last of each)": which line of each key was written, when not simply the first.
std::string KeptNote(const DuplicateRules& rules) {
  switch (rules.keep) {
    case KeepRule::First:
      if (rules.windowSeconds == 0) return {};
      return " (the first within each " + std::to_string(rules.windowSeconds) + " s)";
    case KeepRule::Last:
      return " (the last of each)";
    case KeepRule::Once:
      return " (only lines that occur once)";
    case KeepRule::Repeated:
      return " (the first of each repeated line)";
  }
  return {};
}

// "; removed 56 duplicates, ignoring case".
std::string Removed(const RunResult& result, const NumberFormat& numbers) {
  const std::uint64_t removed = result.counts.duplicatesRemoved;
  // Keeping the repeated lines removes the lines that occur once, too: not duplicates.
  const bool duplicates = result.rules.keep != KeepRule::Repeated;
  std::string text = "; removed " + numbers.whole(removed) +
                     (duplicates ? (removed == 1 ? " duplicate" : " duplicates")
                                 : (removed == 1 ? " other line" : " other lines"));
  if (const std::string compared = CompareNote(result.rules.compare); !compared.empty())
    text += ", " + compared;
  return text;
}

}  // namespace

std::string CompareNote(const CompareRules& rules) {
  if (rules.ignoreCase && rules.ignoreSpacing) return "ignoring case and spacing";
  if (rules.ignoreCase) return "ignoring case";
  if (rules.ignoreSpacing) return "ignoring spacing";
  return {};
}

std::string OptionsNote(const DuplicateRules& rules, bool removedReport, bool countReport,
                        bool follow) {
  std::vector<std::string> parts;
  if (std::string compared = CompareNote(rules.compare); !compared.empty())
    parts.push_back(std::move(compared));
  switch (rules.keep) {
    case KeepRule::First:
      break;
    case KeepRule::Last:
      parts.emplace_back("keeping the last of each");
      break;
    case KeepRule::Once:
      parts.emplace_back("keeping only lines that occur once");
      break;
    case KeepRule::Repeated:
      parts.emplace_back("keeping the first of each repeated line");
      break;
  }
  if (rules.windowSeconds > 0)
    parts.push_back("duplicates within " + std::to_string(rules.windowSeconds) + " s");
  if (removedReport && countReport) {
    parts.emplace_back("writing the removed lines and the counts");
  } else if (removedReport) {
    parts.emplace_back("writing the removed lines");
  } else if (countReport) {
    parts.emplace_back("writing the counts");
  }
  if (follow) parts.emplace_back("watching the input for new lines");
  if (parts.empty()) return {};
  std::string text = "Options: ";
  for (std::size_t i = 0; i < parts.size(); ++i) text += (i == 0 ? "" : "; ") + parts[i];
  return text;
}

std::string FollowingSummary(const RunCounts& counts, const NumberFormat& numbers) {
  return "Watching the input: read " + Lines(counts.linesRead, numbers) + "; kept " +
         numbers.whole(counts.linesKept) + "; removed " + numbers.whole(counts.duplicatesRemoved) +
         (counts.duplicatesRemoved == 1 ? " duplicate" : " duplicates");
}

NumberFormat PlainNumbers() {
  return {[](std::uint64_t value) { return std::to_string(value); },
          [](double value) {
            char text[32];
            std::snprintf(text, sizeof text, "%.1f", value);
            return std::string(text);
          }};
}

std::string DurationText(std::chrono::nanoseconds elapsed, const NumberFormat& numbers) {
  using std::chrono::duration_cast;
  if (elapsed < std::chrono::seconds(1)) {
    const auto ms = duration_cast<std::chrono::milliseconds>(elapsed).count();
    return numbers.whole(static_cast<std::uint64_t>(ms)) + " ms";
  }
  if (elapsed < std::chrono::seconds(60))
    return numbers.oneDecimal(std::chrono::duration<double>(elapsed).count()) + " s";
  const auto seconds = static_cast<std::uint64_t>(
      duration_cast<std::chrono::seconds>(elapsed + std::chrono::milliseconds(500)).count());
  return numbers.whole(seconds / 60) + " min " + numbers.whole(seconds % 60) + " s";
}

std::string OutcomeMessage(const RunResult& result) {
  switch (result.outcome) {
    case RunOutcome::MissingInput:
      return "Must specify an input file";
    case RunOutcome::MissingOutput:
      return "Must specify an output file";
    case RunOutcome::Failed:
      return FailureMessage(result.failure);
    case RunOutcome::NothingKept:
      return "No lines were kept; the output file was not written.";
    case RunOutcome::Completed:
    case RunOutcome::Cancelled:
      break;
  }
  return {};
}

std::string RunSummary(const RunResult& result, const NumberFormat& numbers) {
  const RunCounts& c = result.counts;
  switch (result.outcome) {
    case RunOutcome::Completed:
      return "Read " + Lines(c.linesRead, numbers) + "; kept " + numbers.whole(c.linesKept) +
             KeptNote(result.rules) + Removed(result, numbers) + Skipped(result, numbers) + " in " +
             DurationText(result.elapsed, numbers) + PrefixNote(c, numbers);
    case RunOutcome::NothingKept:
      return "Read " + Lines(c.linesRead, numbers) + "; kept none" + Skipped(result, numbers) +
             PrefixNote(c, numbers) + "; the output file was not written.";
    case RunOutcome::Cancelled:
      return "The run was cancelled; the output file was not changed.";
    case RunOutcome::MissingInput:
    case RunOutcome::MissingOutput:
    case RunOutcome::Failed:
      break;
  }
  return OutcomeMessage(result);
}

std::string WindowSummary(const FinishedRun& run, const NumberFormat& numbers) {
  std::string text = RunSummary(run.result, numbers);
  if (run.result.outcome != RunOutcome::Completed || run.loaded) return text;
  return text + (run.loadCancelled ? ". Loading the result was cancelled."
                                   : ". The result cannot be shown.");
}

std::string ResultNotShownMessage(std::string_view outputPath, std::string_view reason) {
  return "The output file " + Quoted(outputPath) +
         " was written but cannot be shown: " + std::string(reason) + ".";
}

std::string StageText(RunStage stage) {
  switch (stage) {
    case RunStage::Counting:
      return "Counting lines\xE2\x80\xA6";
    case RunStage::Filtering:
      return "Removing duplicates\xE2\x80\xA6";
    case RunStage::Writing:
      return "Writing the output file\xE2\x80\xA6";
    case RunStage::Loading:
      break;
  }
  return "Loading the result\xE2\x80\xA6";
}

std::string HelpTooLargeText(std::string_view nativePath) {
  return "Help is not available: the help file " + Quoted(nativePath) +
         " is too large (over 1 MB).";
}

std::string HelpUnreadableText(std::string_view nativePath) {
  return "Help is not available: the help file " + Quoted(nativePath) + " could not be read.";
}

}  // namespace sievra
