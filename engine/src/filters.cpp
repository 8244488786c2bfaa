#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "block_writer.h"
#include "distinct_sketch.h"
#include "duplicate_check.h"
#include "file_io.h"
#include "line_block_reader.h"
#include "line_index.h"
#include "line_policies.h"
#include "lookup_pipeline.h"
#include "scan_ahead.h"
#include "sievra/line_counter.h"
#include "sievra/line_scanner.h"
#include "sievra/log_prefix.h"
#include "sievra/packet_frame.h"
#include "sievra/upper_case.h"

namespace sievra {

namespace {

constexpr std::size_t kReadBufferBytes = std::size_t{1} << 20;

// Runs the block's lines through the filter's test and the duplicate lookup.
template <class Policy, class Pipeline>
void PushLines(std::string_view block, const Policy& policy, Pipeline& pipeline,
               RunCounts& counts) {
  LineScanner scanner(block.data(), block.size());
  std::string_view line;
  std::string_view key;
  LogPrefixKind prefix;
  while (scanner.Next(line)) {
    ++counts.linesRead;
    const bool examined = policy.Examine(line, key, prefix);
    CountPrefix(prefix, counts);
    if (examined) {
      pipeline.Push(line, key);
    } else {
      ++counts.linesSkipped;
    }
  }
  pipeline.Drain();
}

// A key's hash for the sketch. A long key is hashed by its ends and length
// only: the estimate merely sizes the index, which grows should it be beaten,
// and hashing whole 10-100 KB lines a second time cost such logs 10% more CPU
// time.
inline std::uint64_t SketchHash(std::string_view key) {
  constexpr std::size_t kEnd = 256;
  if (key.size() <= 4 * kEnd) return HashText64(key);
  return HashText64(key.substr(0, kEnd)) ^ (HashText64(key.substr(key.size() - kEnd)) + key.size());
}

// Adds the key of every line of the block the filter would look up to the
// sketch; the tally counts the lines the filter examines (its test is true).
template <class Policy>
LineTally SketchKeys(std::string_view block, const Policy& policy, DistinctSketch& sketch) {
  LineScanner scanner(block.data(), block.size());
  std::string_view line;
  std::string_view key;
  std::string_view previous;
  LogPrefixKind prefix;  // counted by the filter
  LineTally lines;
  for (; scanner.Next(line); ++lines.lines) {
    if (!policy.Examine(line, key, prefix)) continue;
    ++lines.counted;
    // A run of one key adds nothing after its first: skip hashing it again.
    if (RepeatsPrevious(key, previous)) continue;
    previous = key;
    ++lines.lookups;
    sketch.Add(SketchHash(key));
  }
  return lines;
}

}  // namespace

void DuplicateCheck::FilterTextLines() { CountAndFilter(TextPolicy{}); }

void DuplicateCheck::FilterPacketLines() {
  const UpperCaser upper;
  if (LogPrefixes) {
    CountAndFilter(PacketPolicy<true>{upper, TrimmedTarget, StripPath});
  } else {
    CountAndFilter(PacketPolicy<false>{upper, TrimmedTarget, StripPath});
  }
}

template <class Policy>
void DuplicateCheck::CountAndFilter(const Policy& policy) {
  // The sketch's scan counts as LineCounter would, without a scan of its own,
  // when every line counts (no target), or when the packet filter tests the
  // very target LineCounter counts (one with no spaces to trim).
  const bool everyLine = TargetCall.empty();
  const bool examinedLines = PacketMode && TargetCall == TrimmedTarget;
  CountInputLines(
      [&](std::string_view block, DistinctSketch& sketch) {
        LineTally lines = SketchKeys(block, policy, sketch);
        if (everyLine) lines.counted = lines.lines;
        return lines;
      },
      everyLine || examinedLines);
  if (result_.outcome == RunOutcome::Completed) FilterLines(policy);
}

template <class Policy>
void DuplicateCheck::FilterLines(const Policy& policy) {
  monitor_.Begin(RunPhase::Filtering, inputBytes_);
  std::error_code ec;
  // A temporary until WriteKeptLines; removed otherwise. Full blocks are
  // written while the filter goes on where a second core can write them.
  // Standard output cannot be taken back: it gets nothing before the input was
  // read well.
  BlockWriter writer(OutputPath, acceptStreams_, !IsStandardStream(OutputPath) && threads_ > 1);
  {
    // Closed before the output is written: Windows cannot replace a file that is
    // still open, and the output may be the input itself.
    std::unique_ptr<InputFile> in = std::move(stream_);
    if (!in) {
      in = std::make_unique<InputFile>();
      ec = OpenInput(*in, InputPath);
    }
    if (!ec) {
      KeptLines.Clear();
      KeptLines.SetLineEnd(lineEnd_);
      ec = FilterBlocks(*in, policy, writer);
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
  WriteKeptLines(writer);
}

template <class Policy>
std::error_code DuplicateCheck::FilterBlocks(InputFile& in, const Policy& policy,
                                             BlockWriter& writer) {
  LineIndex index;
  index.Reset(expectedKeys_, lineEnd_);
  RunCounts& counts = result_.counts;
  auto keepNew = [&](std::string_view line) {
    const std::string_view stored = policy.Store(KeptLines, line);
    ++counts.linesKept;
    index.Insert(Policy::KeyOfStored(stored).data());
    if (index.Full()) index.Enlarge();
  };
  LookupPipeline<decltype(keepNew)> pipeline(index, keepNew, policy.RepeatsAreDuplicates());
  // Reading and hashing on a second thread pays only when the lookups left to
  // this one are a good share of the lines: with one line repeated, or with a
  // callsign's 1% of the frames, this thread would wait on the reader and the
  // hand-over cost 2-7% (measured: see bench/README.md). A stream, never
  // counted, is read here.
  const bool lookupsPay = expectedLookups_ > 0 && expectedLookups_ * 4 >= countedLines_;
  if (lookupsPay && threads_ > 1) return FilterScannedAhead(in, policy, pipeline, writer);
  const UpperCaser upper;
  std::optional<LineCounter> streamCount;  // a stream's count, taken on this one read
  if (in.IsStream()) streamCount.emplace(upper, TargetCall, CountsFrames());
  LineCounter* const count = streamCount ? &*streamCount : nullptr;
  LineBlockReader reader(in, kReadBufferBytes, [&] { return Proceed(in.BytesRead()); });
  for (;;) {
    std::string_view block;
    if (auto ec = reader.Next(block)) return ec;
    // A cancel while a stream was quiet: what was read of its last line is no line.
    if (in.Interrupted() && CancelIfAsked()) return {};
    if (count) count->Feed(block);
    if (block.empty()) {
      if (result_.outcome != RunOutcome::Completed) return {};  // cancelled within a line
      if (count) counts.linesCounted = count->Finish();
      monitor_.Complete(in.BytesRead());
      return {};
    }
    PushLines(block, policy, pipeline, counts);
    PostFullBlocks(writer);
    if (!Proceed(in.BytesRead())) return {};
  }
}

// The filter's loop with the reading, splitting, testing and hashing on a
// second thread: this one looks up, stores and reports, block by block in order.
template <class Policy, class Pipeline>
std::error_code DuplicateCheck::FilterScannedAhead(InputFile& in, const Policy& policy,
                                                   Pipeline& pipeline, BlockWriter& writer) {
  RunCounts& counts = result_.counts;
  ScanAhead<Policy> scan(in, policy, [this] { return !monitor_.Cancelled(); });
  for (;;) {
    ScannedBlock& block = scan.Next([this](std::uint64_t done) { Proceed(done); });
    if (block.failure) std::rethrow_exception(block.failure);
    if (block.error) return block.error;
    if (block.end) {
      if (CancelIfAsked()) return {};  // the scan may have ended on the cancel
      monitor_.Complete(block.bytesRead);
      return {};
    }
    for (const ScannedLine& c : block.candidates) pipeline.PushHashed(c.line, c.key, c.hash);
    pipeline.Drain();
    counts.linesRead += block.linesRead;
    counts.linesSkipped += block.linesSkipped;
    counts.linesTimeStamped += block.linesTimeStamped;
    counts.linesTagged += block.linesTagged;
    const std::uint64_t done = block.bytesRead;
    scan.Recycle(block);
    PostFullBlocks(writer);
    if (!Proceed(done)) return {};
  }
}

void DuplicateCheck::PostFullBlocks(BlockWriter& writer) {
  // The last block still fills; those before it are done.
  if (writer.Early() && KeptLines.BlockCount() > 1)
    PostKeptBlocks(writer, KeptLines.BlockCount() - 1);
}

void DuplicateCheck::PostKeptBlocks(BlockWriter& writer, std::size_t upTo) {
  for (; postedBlocks_ < upTo; ++postedBlocks_) writer.Post(KeptLines.Block(postedBlocks_));
}

void DuplicateCheck::WriteKeptLines(BlockWriter& writer) {
  std::uint64_t total = 0;
  for (std::size_t b = 0; b < KeptLines.BlockCount(); ++b) total += KeptLines.Block(b).size();
  PostKeptBlocks(writer, KeptLines.BlockCount());
  monitor_.Begin(RunPhase::Writing, total);
  if (!Proceed(writer.Written())) return;  // the output is put in place only by Finish
  bool cancelled = false;
  const std::error_code ec = writer.Finish(
      [this](std::uint64_t written) { return !monitor_.Advance(written); }, cancelled);
  if (cancelled) {
    result_.outcome = RunOutcome::Cancelled;
    return;
  }
  if (ec) {
    FailWritingOutput(ec);
    return;
  }
  result_.counts.bytesWritten = total;
  monitor_.Complete(total);
}

}  // namespace sievra
