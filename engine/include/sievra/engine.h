#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace sievra {

enum class FileType { Text, Packet };
enum class LineEnd { CrLf, Lf };

// With RunSettings::acceptStreams: as input path, standard input; as output
// path, standard output.
inline constexpr std::string_view kStandardStream = "-";

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
enum class FailedFile { Input, Output, StandardInput, StandardOutput };
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
  RunFailure failure;  // when outcome is Failed
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
};

// The whole run as the Start button asks for it: checks that both files were
// chosen, counts the input's keepable lines, filters it and writes the kept
// lines. Touches nothing but the output file; keeps nothing once it returns.
RunResult RunRequest(const RunSettings& settings, const RunObserver& observer = {});

}  // namespace sievra
