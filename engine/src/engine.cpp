#include "sievra/engine.h"

#include <memory>
#include <new>

#include "file_io.h"
#include "sievra/line_counter.h"
#include "sievra/upper_case.h"

namespace sievra {

namespace {
constexpr std::size_t kCountChunkBytes = std::size_t{1} << 20;
constexpr float kRightMarginExtraTwips = 10000.0f;
}  // namespace

RunOutcome Engine::RunRequest(const RunRequestArgs& args) {
  if (InputPath.empty()) {
    messages_.ShowMessage("Must specify an input file");
    return RunOutcome::MissingInput;
  }
  if (OutputPath.empty()) {
    messages_.ShowMessage("Must specify an output file");
    return RunOutcome::MissingOutput;
  }
  TargetCall = UpperCaser().Apply(args.callsignText);
  StripPath = args.stripYes;
  if (args.textSelected) PacketMode = false;
  if (args.packetSelected) PacketMode = true;
  RunDuplicateCheck();
  return outcome_;
}

void Engine::RunDuplicateCheck() {
  outcome_ = RunOutcome::Completed;
  try {
    CountInputLines();
    if (outcome_ != RunOutcome::Completed) return;
    if (PacketMode) {
      FilterPacketLines();
    } else {
      FilterTextLines();
    }
  } catch (const std::bad_alloc&) {
    // Every kept line is held in memory; a log with more distinct text than
    // the memory left must not end the program. The output file was not touched.
    KeptLines.Resize(0);
    Fail("There is not enough memory to filter the input file \"" + InputPath + "\".");
    return;
  }
  if (outcome_ == RunOutcome::Failed) return;
  if (outcome_ == RunOutcome::NothingKept) {
    // Showing an older output file here would pass it off as this run's result.
    results_.Clear();
    messages_.ShowMessage("No lines were kept; the output file was not written.");
    return;
  }
  if (!results_.LoadFile(OutputPath, LoadFileType::PlainText)) {
    results_.Clear();
    Fail("The output file \"" + OutputPath + "\" was written but cannot be shown.");
    return;
  }
  results_.SetRightMargin(results_.Width() + kRightMarginExtraTwips);
}

void Engine::CountInputLines() {
  outcome_ = RunOutcome::Completed;
  InputFile in;
  std::error_code ec = in.Open(InputPath);
  const UpperCaser upper;
  LineCounter counter(upper, TargetCall);
  auto chunk = std::make_unique_for_overwrite<char[]>(kCountChunkBytes);
  for (std::size_t got = 1; !ec && got > 0;) {
    ec = in.Read(chunk.get(), kCountChunkBytes, got);
    if (!ec) counter.Feed(std::string_view(chunk.get(), got));
  }
  if (ec) {
    FailReadingInput(ec);
    return;
  }
  KeptLines.Resize(counter.Finish());
}

void Engine::FailReadingInput(const std::error_code& ec) {
  Fail("Cannot read the input file \"" + InputPath + "\": " + ec.message() + ".");
}

void Engine::Fail(std::string message) {
  outcome_ = RunOutcome::Failed;
  messages_.ShowMessage(message);
}

}  // namespace sievra
