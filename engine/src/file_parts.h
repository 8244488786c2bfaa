#pragma once

#include <cstddef>
#include <cstdint>
#include <system_error>
#include <vector>

#include "file_io.h"

namespace sievra {

// Bytes [begin, end) of a file that hold whole lines.
struct FilePart {
  std::uint64_t begin = 0;
  std::uint64_t end = UINT64_MAX;  // the last part reads on to wherever the file ends
};

// Where the first line that begins at `offset` or later begins: just past a LF,
// or past a CR that no LF follows. The end of the file when none does.
std::error_code NextLineStart(InputFile& in, std::uint64_t offset, std::uint64_t& start);

// Cuts a file of `size` bytes into at most `count` parts of about equal size
// that begin where lines begin, so that each can be counted on a core of its
// own and the counts added up. A line longer than a part makes fewer parts.
std::error_code CutAtLines(InputFile& in, std::uint64_t size, std::size_t count,
                           std::vector<FilePart>& parts);

}  // namespace sievra
