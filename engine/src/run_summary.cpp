#include "sievra/run_summary.h"

#include <cstdio>

#include "sievra/upper_case.h"

namespace sievra {

namespace {

std::string Lines(std::uint64_t count, const NumberFormat& numbers) {
  return numbers.whole(count) + (count == 1 ? " line" : " lines");
}

// "; skipped 12 lines not from N0CALL" for a Packet run that skipped any.
std::string Skipped(const RunSettings& settings, const RunCounts& counts,
                    const NumberFormat& numbers) {
  if (settings.fileType != FileType::Packet || counts.linesSkipped == 0) return {};
  std::string call = UpperCaser().Apply(settings.callsignText);
  call.erase(0, call.find_first_not_of(' '));
  call.erase(call.find_last_not_of(' ') + 1);
  return "; skipped " + Lines(counts.linesSkipped, numbers) +
         (call.empty() ? " without a payload" : " not from " + call);
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

}  // namespace

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

std::string RunSummary(const RunSettings& settings, const RunResult& result,
                       const NumberFormat& numbers) {
  const RunCounts& c = result.counts;
  switch (result.outcome) {
    case RunOutcome::Completed:
      return "Read " + Lines(c.linesRead, numbers) + "; kept " + numbers.whole(c.linesKept) +
             "; removed " + numbers.whole(c.duplicatesRemoved) +
             (c.duplicatesRemoved == 1 ? " duplicate" : " duplicates") +
             Skipped(settings, c, numbers) + " in " + DurationText(result.elapsed, numbers) +
             PrefixNote(c, numbers);
    case RunOutcome::NothingKept:
      return "Read " + Lines(c.linesRead, numbers) + "; kept none" + Skipped(settings, c, numbers) +
             PrefixNote(c, numbers) + "; the output file was not written.";
    default:
      return result.message;
  }
}

}  // namespace sievra
