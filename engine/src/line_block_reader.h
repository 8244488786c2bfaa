#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>
#include <system_error>

#include "file_io.h"

namespace sievra {

// Reads a file through one reusable buffer as blocks that hold only whole
// lines: a line cut by the end of a read is carried into the next block, and the
// buffer grows for a line longer than itself. A block may end in a CR whose LF
// starts the next read; that LF is dropped there, so CR LF stays one terminator.
// No read is longer than the first buffer, so that a long line is read piece by
// piece and a run can be stopped within it.
class LineBlockReader {
 public:
  // Asked before every further read of a line that no read has ended yet;
  // false ends the input there.
  using KeepReading = std::function<bool()>;

  LineBlockReader(InputFile& in, std::size_t bufferBytes, KeepReading keepReading = {});

  // The next block, valid until the next call; an empty block once the file is
  // done, or once `keepReading` said no.
  std::error_code Next(std::string_view& block);
  // Hands the buffer holding the last block over in `buffer` (its size in
  // `capacity`) and goes on in the one passed in, allocating when it is too
  // small: a block can then be used while the next one is read.
  void Exchange(std::unique_ptr<char[]>& buffer, std::size_t& capacity);
  // Whether the last Next dropped the LF of a CR LF that the block before ended in.
  bool DroppedLf() const { return droppedLf_; }

 private:
  std::error_code Fill();
  std::size_t EndOfLastLine(std::size_t from) const;

  InputFile& in_;
  KeepReading keepReading_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_;
  const std::size_t readBytes_;  // the most one read asks for
  std::size_t begin_ = 0;        // first byte not handed out yet
  std::size_t end_ = 0;          // end of the bytes read
  bool eof_ = false;
  bool dropLf_ = false;
  bool droppedLf_ = false;
};

}  // namespace sievra
