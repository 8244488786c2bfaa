#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sievra {

enum class FileType { Text, Packet };
enum class LineEnd { CrLf, Lf };

// With RunSettings::acceptStreams: as input path, standard input; as output
// path, standard output.
inline constexpr std::string_view kStandardStream = "-";

// How duplicates are judged. The duplicate test compares each line's key: the
// whole line in Text mode, the payload in Packet mode; the line end is never
// part of it. Ignore case: the letters A to Z equal a to z; in a key that is
// valid UTF-8, every character also equals its Unicode simple case folding, so
// Σ, σ and ς are one letter and so are ẞ and ß, but ß does not equal "ss", the
// Turkish dotless ı and dotted İ only equal themselves, and é does not equal e
// followed by a combining accent (nothing is normalised); in a key that is not
// valid UTF-8, only A to Z fold. Ignore spacing: spaces and tabs at the start and
// at the end of the key are left out, and each run of spaces and tabs inside it
// compares as one space; no other character counts as spacing.
struct CompareRules {
  bool ignoreCase = false;
  bool ignoreSpacing = false;
  bool Any() const { return ignoreCase || ignoreSpacing; }
  bool operator==(const CompareRules&) const = default;
};

// Which line of each key is written.
enum class KeepRule {
  First,     // the first line of each key
  Last,      // the last line of each key, where it stands in the input
  Once,      // only the lines whose key occurs exactly once
  Repeated,  // the first line of each key that occurs at least twice
};

// How duplicates are judged and which are kept. The default is the plain rule:
// equal bytes, the first kept, at any distance.
struct DuplicateRules {
  CompareRules compare;
  KeepRule keep = KeepRule::First;
  // Packet only: a frame is a duplicate only when the kept frame of its key
  // is stamped at most this many seconds from it, either way; a frame or kept
  // frame without a time stamp is judged as without a window. 0: no window.
  // Works with KeepRule::First only (see RulesAgree).
  std::uint32_t windowSeconds = 0;
  bool IsDefault() const { return *this == DuplicateRules{}; }
  bool operator==(const DuplicateRules&) const = default;
};

// False for a combination the engine refuses: a time window with any keep rule
// but First.
inline bool RulesAgree(const DuplicateRules& rules) {
  return rules.windowSeconds == 0 || rules.keep == KeepRule::First;
}

// Reports written beside the output, each replaced in one step with it and only
// when it is written. Paths are UTF-8; empty: not written.
struct RunReports {
  // Every line the tests let through but the rules did not write, as read, in input order.
  std::string removedPath;
  // CSV, one row per written line: its line number, how many lines had its
  // key, the first and last of them; Packet adds their time stamps and paths.
  std::string countsPath;
  bool Any() const { return !removedPath.empty() || !countsPath.empty(); }
};

// What one run reads, writes and keeps. Paths are UTF-8; an empty path means
// none was chosen.
struct RunSettings {
  std::string inputPath;
  std::string outputPath;
  FileType fileType = FileType::Packet;
  std::string callsignText;  // as typed, in the local 8-bit encoding; the run upper-cases it
  bool strip = false;        // cut the digipeater path from kept frames (Packet only)
  // Packet only: a time stamp or tag before a frame (FindLogPrefix) is passed
  // over by the tests and kept on the line; false reads every line from its start.
  bool logPrefixes = true;
  LineEnd lineEnd = LineEnd::CrLf;  // written after every kept line
  // The command line's: a pipe, a device or "-" is read once as it comes (its
  // lines counted on that read), and "-" as output is standard output. The
  // window takes regular files only.
  bool acceptStreams = false;
  DuplicateRules rules;
  RunReports reports;
  // Read after inputPath, in order, as one input: each file's last line ends at
  // its file's end, and line numbers count on. Any that cannot be opened fails
  // the run before anything is written.
  std::vector<std::string> moreInputPaths;
  // After the (last) input's end, keep reading what is appended, as tail -F
  // does, until cancelled; a cancel then ends the run as completed, with
  // everything written so far kept. Keeping the first only. A partial last line
  // waits for its end; a file cut short is read again from its start; a file
  // renamed away is read to its end and the new file under its path followed;
  // a missing file is awaited. A regular output file is emptied at the start
  // and written as lines come, not replaced in one step; reports are written
  // at the end.
  bool follow = false;
};

// How a run ended.
enum class RunOutcome {
  Completed,      // output written
  NothingKept,    // no line kept: the output file was not touched
  MissingInput,   // no input file chosen
  MissingOutput,  // no output file chosen
  Failed,         // a file could not be read or written, or memory ran out
  Cancelled,      // stopped on request: the output file was not touched
};

struct RunCounts {
  std::uint64_t linesCounted = 0;  // lines the counting pass found keepable
  std::uint64_t linesRead = 0;     // by the filter
  std::uint64_t linesKept = 0;
  std::uint64_t duplicatesRemoved = 0;  // lines dropped because an equal one was kept
  std::uint64_t linesSkipped = 0;       // Packet: not the target's, or no payload
  std::uint64_t bytesRead = 0;          // by the filter
  std::uint64_t bytesWritten = 0;
  std::uint64_t linesTimeStamped = 0;  // Packet: read lines with a time stamp before the frame
  std::uint64_t linesTagged = 0;       // Packet: read lines with a tag such as [0.3] before it

  bool operator==(const RunCounts&) const = default;
};

// Which file a failed run could not use.
enum class FailedFile { Input, Output, StandardInput, StandardOutput, RemovedReport, CountReport };
// What the run was doing to it: Memory when the kept lines did not fit in memory;
// Unexpected for any other fault, with the fault's own words as the reason.
enum class FailedStep { Reading, Writing, Memory, Unexpected };

// The facts of a Failed run; front ends word them.
struct RunFailure {
  FailedFile file = FailedFile::Input;
  FailedStep step = FailedStep::Reading;
  std::string path;    // as given in the settings, UTF-8
  std::string reason;  // the system's words, UTF-8, without a final period; empty for Memory
};

struct RunResult {
  RunOutcome outcome = RunOutcome::Completed;
  FileType fileType = FileType::Packet;
  // The callsign a Packet run kept frames of: upper-cased, spaces trimmed; empty
  // when none was given and for Text runs.
  std::string targetCall;
  DuplicateRules rules;  // the rules the run judged by (a window only for Packet runs)
  RunFailure failure;    // when outcome is Failed
  RunCounts counts;
  std::chrono::nanoseconds elapsed{0};
};

enum class RunPhase { Counting, Filtering, Writing };

// Where a run stands: `done` of `total` bytes of the current phase.
struct RunProgress {
  RunPhase phase = RunPhase::Counting;
  std::uint64_t done = 0;
  std::uint64_t total = 0;
};

// Set from any thread to stop a run; the run checks it at least once per MiB
// read and between output blocks.
class CancelToken {
 public:
  void Cancel() noexcept { cancelled_.store(true, std::memory_order_relaxed); }
  bool IsCancelled() const noexcept { return cancelled_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> cancelled_{false};
};

// How a caller follows a run. Both are optional. Progress comes from the thread
// that runs the engine, at most about 20 times a second.
struct RunObserver {
  std::function<void(const RunProgress&)> onProgress;
  const CancelToken* cancel = nullptr;
  // Following: the kept lines just written, with their line ends and in order,
  // and the counts so far; whenever the input is quiet.
  std::function<void(std::string_view keptBytes, const RunCounts& counts)> onKept;
  // Following: the input is missing and awaited; once each time it goes missing.
  std::function<void(const std::string& path)> onWaiting;
};

// The whole run as the Start button asks for it: checks that both files were
// chosen, counts the input's keepable lines, filters it and writes the kept
// lines. Touches nothing but the output file; keeps nothing once it returns.
RunResult RunRequest(const RunSettings& settings, const RunObserver& observer = {});

}  // namespace sievra
