#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <system_error>
#include <vector>

#include "file_io.h"

namespace sievra {

// Bytes [begin, end) of a file that hold whole lines.
struct FilePart {
  std::uint64_t begin = 0;
  std::uint64_t end = UINT64_MAX;  // the last part reads on to wherever the file ends
};

// Asked between the reads of a long search; false stops it.
using KeepSearching = std::function<bool()>;

// Where the first line that begins at `offset` or later begins: just past a LF,
// or past a CR that no LF follows; the end of the file when none does. Reads no
// further than `limit`, and gives `limit` when no line begins before it. Asks
// `keepSearching` after every read that found no line start, at least once per
// MiB; std::errc::operation_canceled when it answers false.
std::error_code NextLineStart(InputFile& in, std::uint64_t offset, std::uint64_t limit,
                              const KeepSearching& keepSearching, std::uint64_t& start);

// Cuts a file of `size` bytes into at most `count` parts of about equal size
// that begin where lines begin, so that each can be counted on a core of its
// own and the counts added up. A line longer than a part makes fewer parts: the
// search for a cut gives up where the next one begins, so no byte is read twice.
std::error_code CutAtLines(InputFile& in, std::uint64_t size, std::size_t count,
                           const KeepSearching& keepSearching, std::vector<FilePart>& parts);

}  // namespace sievra
