#include "file_parts.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace sievra {

namespace {
// A cut usually lands within a line of a few dozen bytes.
constexpr std::size_t kProbeBytes = std::size_t{4} << 10;

const char* FirstTerminator(const char* from, std::size_t size) {
  const void* lf = std::memchr(from, '\n', size);
  const void* cr = std::memchr(from, '\r', size);
  if (lf == nullptr) return static_cast<const char*>(cr);
  if (cr == nullptr) return static_cast<const char*>(lf);
  return std::min(static_cast<const char*>(lf), static_cast<const char*>(cr));
}
}  // namespace

std::error_code NextLineStart(InputFile& in, std::uint64_t offset, std::uint64_t limit,
                              const KeepSearching& keepSearching, std::uint64_t& start) {
  start = std::min(offset, limit);
  if (offset == 0 || offset >= limit) return {};
  // The byte before `offset` decides whether a line begins at it.
  std::uint64_t at = offset - 1;
  if (auto ec = in.Seek(at)) return ec;
  const auto buffer = std::make_unique_for_overwrite<char[]>(kProbeBytes);
  bool afterCr = false;  // the last piece ended in a CR
  while (at < limit) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kProbeBytes, limit - at));
    std::size_t got = 0;
    if (auto ec = in.Read(buffer.get(), want, got)) return ec;
    if (got == 0) {
      start = at;
      return {};
    }
    if (afterCr) {
      start = at + (buffer[0] == '\n' ? 1 : 0);
      return {};
    }
    const char* t = FirstTerminator(buffer.get(), got);
    const std::size_t i = t == nullptr ? got : static_cast<std::size_t>(t - buffer.get());
    if (i + 1 < got || (i + 1 == got && *t == '\n')) {
      start = at + i + 1 + (*t == '\r' && buffer[i + 1] == '\n' ? 1 : 0);
      return {};
    }
    at += got;
    afterCr = t != nullptr;  // the piece ends in a CR: the next byte decides
    if (!keepSearching()) return std::make_error_code(std::errc::operation_canceled);
  }
  start = limit;
  return {};
}

std::error_code CutAtLines(InputFile& in, std::uint64_t size, std::size_t count,
                           const KeepSearching& keepSearching, std::vector<FilePart>& parts) {
  parts.assign(1, FilePart{});
  for (std::size_t i = 1; i < count; ++i) {
    const std::uint64_t wanted = size / count * i;
    const std::uint64_t next = i + 1 < count ? size / count * (i + 1) : size;
    std::uint64_t start = 0;
    if (auto ec = NextLineStart(in, wanted, next, keepSearching, start)) return ec;
    if (start >= size) break;  // the lines before reach the end
    // A line spans the part (the next cut goes on from there), or the file shrank.
    if (start >= next || start <= parts.back().begin) continue;
    parts.back().end = start;
    parts.push_back(FilePart{start, UINT64_MAX});
  }
  return {};
}

}  // namespace sievra
