#include "duplicate_check.h"

#include <algorithm>
#include <memory>
#include <new>

#include "file_io.h"
#include "run_options.h"
#include "sievra/upper_case.h"
#include "usable_cores.h"

namespace sievra {

namespace {
// About 20 reports a second: more than a progress bar or a terminal can show is wasted.
constexpr auto kReportInterval = std::chrono::milliseconds(50);
}  // namespace

void RunMonitor::Begin(RunPhase phase, std::uint64_t total) {
  progress_ = RunProgress{phase, 0, total};
  Report(0);
}

bool RunMonitor::Advance(std::uint64_t done) {
  if (observer_.onProgress && std::chrono::steady_clock::now() - lastReport_ >= kReportInterval)
    Report(done);
  return Cancelled();
}

void RunMonitor::Report(std::uint64_t done) {
  if (!observer_.onProgress) return;
  progress_.done = done;
  lastReport_ = std::chrono::steady_clock::now();
  observer_.onProgress(progress_);
}

RunResult RunRequest(const RunSettings& settings, const RunObserver& observer) {
  return RunRequest(settings, observer, RunOptions{UsableCores()});
}

RunResult RunRequest(const RunSettings& settings, const RunObserver& observer,
                     const RunOptions& options) {
  const auto start = std::chrono::steady_clock::now();
  RunResult result;
  if (settings.inputPath.empty()) {
    result.outcome = RunOutcome::MissingInput;
    result.fileType = settings.fileType;
  } else if (settings.outputPath.empty()) {
    result.outcome = RunOutcome::MissingOutput;
    result.fileType = settings.fileType;
  } else {
    result = DuplicateCheck(settings, observer, options.threads).RunDuplicateCheck();
  }
  result.elapsed = std::chrono::steady_clock::now() - start;
  return result;
}

DuplicateCheck::DuplicateCheck(const RunSettings& settings, const RunObserver& observer,
                               unsigned threads)
    : InputPath(settings.inputPath),
      OutputPath(settings.outputPath),
      TargetCall(UpperCaser().Apply(settings.callsignText)),
      PacketMode(settings.fileType == FileType::Packet),
      StripPath(settings.strip),
      LogPrefixes(settings.logPrefixes),
      Rules(settings.rules),
      Reports(settings.reports),
      MoreInputPaths(settings.moreInputPaths),
      Follow(settings.follow && settings.rules.keep == KeepRule::First),
      monitor_(observer),
      acceptStreams_(settings.acceptStreams),
      threads_(std::max(threads, 1u)),
      lineEnd_(settings.lineEnd == LineEnd::Lf ? "\n" : "\r\n") {
  const std::size_t first = TargetCall.find_first_not_of(' ');
  if (first != std::string::npos)
    TrimmedTarget = TargetCall.substr(first, TargetCall.find_last_not_of(' ') - first + 1);
  result_.fileType = settings.fileType;
  // A window applies to stamped frames, and only beside the first kept.
  if (!PacketMode || !RulesAgree(Rules)) Rules.windowSeconds = 0;
  result_.rules = Rules;
  if (PacketMode) result_.targetCall = TrimmedTarget;
}

DuplicateCheck::~DuplicateCheck() = default;

RunResult DuplicateCheck::RunDuplicateCheck() {
  try {
    if (JudgesByRules()) {
      FilterByRules();
    } else if (PacketMode) {
      FilterPacketLines();
    } else {
      FilterTextLines();
    }
  } catch (const std::bad_alloc&) {
    // Every kept line is held in memory; a log with more distinct text than
    // the memory left must not end the program. The output file was not touched.
    KeptLines.Clear();
    Fail(IsStandardStream(InputPath) ? FailedFile::StandardInput : FailedFile::Input,
         FailedStep::Memory, InputPath, {});
  }
  return result_;
}

std::error_code DuplicateCheck::OpenInput(InputFile& in, const std::string& path) {
  in.SetInterrupt([this] { return monitor_.Cancelled(); });
  return in.Open(path, acceptStreams_);
}

bool DuplicateCheck::Proceed(std::uint64_t done) {
  if (!monitor_.Advance(done)) return true;
  result_.outcome = RunOutcome::Cancelled;
  return false;
}

bool DuplicateCheck::CancelIfAsked() {
  if (!monitor_.Cancelled()) return false;
  result_.outcome = RunOutcome::Cancelled;
  return true;
}

void DuplicateCheck::FailReading(const std::string& path, const std::error_code& ec) {
  Fail(IsStandardStream(path) ? FailedFile::StandardInput : FailedFile::Input, FailedStep::Reading,
       path, ec.message());
}

void DuplicateCheck::FailWritingOutput(const std::error_code& ec) {
  Fail(IsStandardStream(OutputPath) ? FailedFile::StandardOutput : FailedFile::Output,
       FailedStep::Writing, OutputPath, ec.message());
}

bool DuplicateCheck::IsStandardStream(const std::string& path) const {
  return acceptStreams_ && path == kStandardStream;
}

void DuplicateCheck::Fail(FailedFile file, FailedStep step, const std::string& path,
                          std::string reason) {
  result_.outcome = RunOutcome::Failed;
  result_.failure = RunFailure{file, step, path, std::move(reason)};
}

}  // namespace sievra
