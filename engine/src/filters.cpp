#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "duplicate_check.h"
#include "file_io.h"
#include "line_block_reader.h"
#include "line_index.h"
#include "lookup_pipeline.h"
#include "sievra/line_counter.h"
#include "sievra/line_scanner.h"
#include "sievra/packet_frame.h"
#include "sievra/upper_case.h"

namespace sievra {

namespace {

constexpr std::size_t kReadBufferBytes = std::size_t{1} << 20;
constexpr std::size_t kWriteBufferBytes = std::size_t{1} << 20;

// Text mode: every line counts, compared whole.
struct TextPolicy {
  static bool Examine(std::string_view line, std::string_view& key) {
    key = line;
    return true;
  }
  static std::string_view KeyOfStored(std::string_view stored) { return stored; }
  static std::string_view Store(KeptLineTable& table, std::size_t k, std::string_view line) {
    return table.Store(k, line);
  }
};

// Packet mode: the target's frames (or any line with a colon), compared by payload.
struct PacketPolicy {
  const UpperCaser& upper;
  std::string_view target;
  bool strip;
  bool Examine(std::string_view line, std::string_view& key) const {
    if (!target.empty() && !upper.LineStartsWith(line, target)) return false;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
      key = line;  // a target's line without a colon is its own payload
      return !target.empty();
    }
    key = line.substr(colon + 1);
    return true;
  }
  static std::string_view KeyOfStored(std::string_view stored) { return PacketPayload(stored); }
  std::string_view Store(KeptLineTable& table, std::size_t k, std::string_view line) const {
    DigiPathCut cut{};
    if (!strip || !FindDigiPathCut(line, cut)) return table.Store(k, line);
    return table.Store(k, line.substr(0, cut.keepPrefix), line.substr(cut.resumeAt));
  }
};

}  // namespace

void DuplicateCheck::FilterTextLines() { FilterLines(TextPolicy{}); }

void DuplicateCheck::FilterPacketLines() {
  const std::size_t first = TargetCall.find_first_not_of(' ');
  TrimmedTarget = first == std::string::npos
                      ? std::string()
                      : TargetCall.substr(first, TargetCall.find_last_not_of(' ') - first + 1);
  const UpperCaser upper;
  FilterLines(PacketPolicy{upper, TrimmedTarget, StripPath});
}

template <class Policy>
void DuplicateCheck::FilterLines(const Policy& policy) {
  monitor_.Begin(RunPhase::Filtering, inputBytes_);
  std::error_code ec;
  {
    // Closed before the output is written: Windows cannot replace a file that is
    // still open, and the output may be the input itself.
    std::unique_ptr<InputFile> in = std::move(stream_);
    if (!in) {
      in = std::make_unique<InputFile>();
      ec = in->Open(InputPath, acceptStreams_);
    }
    if (!ec) {
      // Only this read's lines are stored from here on.
      KeptLines.Resize(KeptLines.size() - 1);
      ec = FilterBlocks(*in, policy);
      result_.counts.bytesRead = in->BytesRead();
    }
  }
  RunCounts& counts = result_.counts;
  counts.duplicatesRemoved = counts.linesRead - counts.linesSkipped - counts.linesKept;
  if (ec) {
    FailReadingInput(ec);
    return;
  }
  if (result_.outcome != RunOutcome::Completed) return;  // cancelled
  if (counts.linesKept == 0) {
    result_.outcome = RunOutcome::NothingKept;
    return;
  }
  WriteKeptLines();
}

template <class Policy>
std::error_code DuplicateCheck::FilterBlocks(InputFile& in, const Policy& policy) {
  LineIndex index;
  index.Reset(KeptLines.size());
  std::string_view lastStored;  // the copy of the most recently kept line
  const char* lastStoredFrom = nullptr;
  RunCounts& counts = result_.counts;
  auto storeNew = [&](std::string_view line) {
    lastStored = policy.Store(KeptLines, ++counts.linesKept, line);
    keptBytes_ += lastStored.size();
    lastStoredFrom = line.data();
    return Policy::KeyOfStored(lastStored);
  };
  LookupPipeline<decltype(storeNew)> pipeline(index, storeNew);
  LineBlockReader reader(in, kReadBufferBytes);
  const UpperCaser upper;
  std::optional<LineCounter> streamCount;  // a stream's count, taken on this one read
  if (in.IsStream()) streamCount.emplace(upper, TargetCall);
  for (;;) {
    std::string_view block;
    if (auto ec = reader.Next(block)) return ec;
    if (streamCount) streamCount->Feed(block);
    if (block.empty()) {
      if (streamCount) counts.linesCounted = streamCount->Finish();
      monitor_.Complete(in.BytesRead());
      return {};
    }
    LineScanner scanner(block.data(), block.size());
    std::string_view line;
    std::string_view key;
    while (scanner.Next(line)) {
      ++counts.linesRead;
      if (policy.Examine(line, key)) {
        pipeline.Push(line, key);
      } else {
        ++counts.linesSkipped;
      }
    }
    pipeline.Drain();
    // The last line read, as stored when it was kept (a cut frame is stored cut).
    CurrentLine.assign(lastStoredFrom == line.data() ? lastStored : line);
    // The next block reuses the buffer: an address from this one means nothing there.
    lastStoredFrom = nullptr;
    if (!Proceed(in.BytesRead())) return {};
  }
}

void DuplicateCheck::WriteKeptLines() {
  const std::uint64_t keptLines = result_.counts.linesKept;
  monitor_.Begin(RunPhase::Writing, keptBytes_ + lineEnd_.size() * keptLines);
  AtomicOutputFile out;
  std::error_code ec = out.Open(OutputPath, acceptStreams_);
  auto buffer = std::make_unique_for_overwrite<char[]>(kWriteBufferBytes);
  std::size_t filled = 0;
  std::uint64_t written = 0;
  bool go = true;
  auto flush = [&] {
    if (!ec && filled > 0) ec = out.Write(buffer.get(), filled);
    written += filled;
    filled = 0;
    go = Proceed(written);
  };
  for (std::size_t k = 1; k <= keptLines && !ec && go; ++k) {
    const std::string_view line = KeptLines[k];
    if (filled + line.size() + lineEnd_.size() > kWriteBufferBytes) flush();
    if (line.size() + lineEnd_.size() > kWriteBufferBytes) {
      if (!ec) ec = out.Write(line.data(), line.size());
      written += line.size();
    } else if (!line.empty()) {  // a kept empty line may have no address, and memcpy wants one
      std::memcpy(buffer.get() + filled, line.data(), line.size());
      filled += line.size();
    }
    if (filled + lineEnd_.size() > kWriteBufferBytes) flush();
    std::memcpy(buffer.get() + filled, lineEnd_.data(), lineEnd_.size());
    filled += lineEnd_.size();
  }
  if (go) flush();
  if (!go) return;  // cancelled: the temporary goes with `out`
  if (!ec) ec = out.Commit();
  if (ec) {
    FailWritingOutput(ec);
    return;
  }
  result_.counts.bytesWritten = written;
  monitor_.Complete(written);
}

}  // namespace sievra
