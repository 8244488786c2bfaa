#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "file_io.h"
#include "line_block_reader.h"
#include "line_index.h"
#include "lookup_pipeline.h"
#include "sievra/engine.h"
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

void Engine::FilterTextLines() { FilterLines(TextPolicy{}); }

void Engine::FilterPacketLines() {
  const std::size_t first = TargetCall.find_first_not_of(' ');
  TrimmedTarget = first == std::string::npos
                      ? std::string()
                      : TargetCall.substr(first, TargetCall.find_last_not_of(' ') - first + 1);
  const UpperCaser upper;
  FilterLines(PacketPolicy{upper, TrimmedTarget, StripPath});
}

template <class Policy>
void Engine::FilterLines(const Policy& policy) {
  outcome_ = RunOutcome::Completed;
  linesRead_ = keptCount_ = 0;
  std::error_code ec;
  {
    // Closed before the output is written: Windows cannot replace a file that is
    // still open, and the output may be the input itself.
    InputFile in;
    ec = in.Open(InputPath);
    if (!ec) {
      // Only this read's lines are stored from here on.
      KeptLines.Resize(KeptLines.size() - 1);
      ec = FilterBlocks(in, policy);
    }
  }
  if (ec) {
    FailReadingInput(ec);
    return;
  }
  if (keptCount_ == 0) {
    outcome_ = RunOutcome::NothingKept;
    return;
  }
  WriteKeptLines();
}

template <class Policy>
std::error_code Engine::FilterBlocks(InputFile& in, const Policy& policy) {
  LineIndex index;
  index.Reset(KeptLines.size());
  std::string_view lastStored;  // the copy of the most recently kept line
  const char* lastStoredFrom = nullptr;
  auto storeNew = [&](std::string_view line) {
    lastStored = policy.Store(KeptLines, ++keptCount_, line);
    lastStoredFrom = line.data();
    return Policy::KeyOfStored(lastStored);
  };
  LookupPipeline<decltype(storeNew)> pipeline(index, storeNew);
  LineBlockReader reader(in, kReadBufferBytes);
  for (;;) {
    std::string_view block;
    if (auto ec = reader.Next(block)) return ec;
    if (block.empty()) return {};
    LineScanner scanner(block.data(), block.size());
    std::string_view line;
    std::string_view key;
    while (scanner.Next(line)) {
      ++linesRead_;
      if (policy.Examine(line, key)) pipeline.Push(line, key);
    }
    pipeline.Drain();
    // The last line read, as stored when it was kept (a cut frame is stored cut).
    CurrentLine.assign(lastStoredFrom == line.data() ? lastStored : line);
    // The next block reuses the buffer: an address from this one means nothing there.
    lastStoredFrom = nullptr;
  }
}

void Engine::WriteKeptLines() {
  AtomicOutputFile out;
  std::error_code ec = out.Open(OutputPath);
  auto buffer = std::make_unique_for_overwrite<char[]>(kWriteBufferBytes);
  std::size_t filled = 0;
  auto flush = [&] {
    if (!ec && filled > 0) ec = out.Write(buffer.get(), filled);
    filled = 0;
  };
  for (std::size_t k = 1; k <= keptCount_ && !ec; ++k) {
    const std::string_view line = KeptLines[k];
    if (filled + line.size() + 2 > kWriteBufferBytes) flush();
    if (line.size() + 2 > kWriteBufferBytes) {
      if (!ec) ec = out.Write(line.data(), line.size());
    } else if (!line.empty()) {  // a kept empty line may have no address, and memcpy wants one
      std::memcpy(buffer.get() + filled, line.data(), line.size());
      filled += line.size();
    }
    if (filled + 2 > kWriteBufferBytes) flush();
    buffer[filled++] = '\r';
    buffer[filled++] = '\n';
  }
  flush();
  if (!ec) ec = out.Commit();
  if (ec) {
    Fail("Cannot write the output file \"" + OutputPath + "\": " + ec.message() +
         ". The file was left as it was.");
  }
}

}  // namespace sievra
