#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "file_io.h"
#include "line_index.h"
#include "sievra/engine.h"
#include "sievra/line_scanner.h"
#include "sievra/packet_frame.h"
#include "sievra/upper_case.h"

namespace sievra {

namespace {

constexpr std::size_t kPrefetchBatch = 16;  // lines hashed and prefetched ahead of their lookup
constexpr std::size_t kWriteBufferBytes = std::size_t{1} << 20;
// The index stores kept slot numbers in 32 bits; 4 billion distinct lines would
// need far more memory than the index's 8-byte slots save.
constexpr std::size_t kMaxKeptLines = UINT32_MAX - 1;

// Text mode: every line counts, compared whole.
struct TextPolicy {
  static bool Examine(std::string_view line, std::string_view& key) {
    key = line;
    return true;
  }
  static std::string_view KeyOfStored(std::string_view stored) { return stored; }
  bool strip = false;
};

// Packet mode: the target's frames (or any line with a colon), compared by payload.
struct PacketPolicy {
  const UpperCaser& upper;
  std::string_view target;
  bool strip;
  bool Examine(std::string_view line, std::string_view& key) const {
    if (target.empty()) {
      if (line.find(':') == std::string_view::npos) return false;
    } else if (!upper.LineStartsWith(line, target)) {
      return false;
    }
    key = PacketPayload(line);
    return true;
  }
  static std::string_view KeyOfStored(std::string_view stored) { return PacketPayload(stored); }
};

// Cuts the digipeater path out of a line that lives in our own buffer. The cut
// line is never longer, so it fits where the line was.
std::string_view CutPathInPlace(char* base, std::string_view line) {
  DigiPathCut cut{};
  if (!FindDigiPathCut(line, cut)) return line;
  char* at = base + (line.data() - base);
  const std::size_t tail = line.size() - cut.resumeAt;
  std::memmove(at + cut.keepPrefix, at + cut.resumeAt, tail);
  return std::string_view(at, cut.keepPrefix + tail);
}

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
  std::unique_ptr<char[]> bytes;
  std::size_t size = 0;
  if (auto ec = ReadWholeFile(InputPath, bytes, size)) {
    Fail("Cannot read the input file \"" + InputPath + "\": " + ec.message() + ".");
    return;
  }
  char* const base = bytes.get();
  KeptLines.AdoptBytes(std::move(bytes));

  auto keyOf = [this](std::uint32_t k) { return Policy::KeyOfStored(KeptLines[k]); };
  LineIndex<decltype(keyOf)> index(keyOf);
  index.Reset(KeptLines.size());

  struct Candidate {
    std::string_view line;
    std::string_view key;
    std::uint64_t hash;
  };
  Candidate batch[kPrefetchBatch];
  std::size_t keptCount = 0;
  std::string_view line;
  std::string_view last;
  LineScanner scanner(base, size);
  for (bool more = true; more;) {
    std::size_t n = 0;
    while (n < kPrefetchBatch && (more = scanner.Next(line))) {
      last = line;
      std::string_view key;
      if (!policy.Examine(line, key)) continue;
      const std::uint64_t hash = HashText(key);
      index.Prefetch(hash);
      batch[n++] = {line, key, hash};
    }
    for (std::size_t i = 0; i < n; ++i) {
      const Candidate& c = batch[i];
      if (keptCount + 1 > kMaxKeptLines) {
        Fail("Cannot keep more than " + std::to_string(kMaxKeptLines) + " distinct lines.");
        return;
      }
      if (index.FindOrInsert(c.hash, c.key, static_cast<std::uint32_t>(keptCount + 1))) continue;
      ++keptCount;
      const std::string_view stored = policy.strip ? CutPathInPlace(base, c.line) : c.line;
      KeptLines.Store(keptCount, stored);
      if (c.line.data() == last.data()) last = stored;
    }
  }
  CurrentLine.assign(last);
  if (keptCount == 0) {
    outcome_ = RunOutcome::NothingKept;
    return;
  }
  WriteKeptLines(keptCount);
}

void Engine::WriteKeptLines(std::size_t keptCount) {
  AtomicOutputFile out;
  std::error_code ec = out.Open(OutputPath);
  auto buffer = std::make_unique_for_overwrite<char[]>(kWriteBufferBytes);
  std::size_t filled = 0;
  auto flush = [&] {
    if (!ec && filled > 0) ec = out.Write(buffer.get(), filled);
    filled = 0;
  };
  for (std::size_t k = 1; k <= keptCount && !ec; ++k) {
    const std::string_view line = KeptLines[k];
    if (filled + line.size() + 2 > kWriteBufferBytes) flush();
    if (line.size() + 2 > kWriteBufferBytes) {
      if (!ec) ec = out.Write(line.data(), line.size());
    } else {
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
