#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sievra/file_reader.h"

namespace sievra {

// A text file's bytes as read and the rows the results box shows them in,
// toolkit-neutral: both windows' big-result views paint from it. Built on any
// thread (the output file is read off the UI thread piece by piece, so that its
// first lines can be shown while the rest is read) and then handed over.
class ResultLines {
 public:
  // An over-long line is cut into rows of at most this many bytes, so that
  // laying out one row stays cheap whatever the file holds.
  static constexpr std::size_t kMaxRowBytes = std::size_t{64} << 10;

  // Splits bytes at CR, LF and CR LF; `startsMidLine` when they continue a line
  // that an earlier piece began.
  explicit ResultLines(std::string bytes = {}, bool startsMidLine = false);

  // Adds the rows of the next piece of the same text (moves, copies no bytes).
  void Append(ResultLines&& next);

  std::size_t RowCount() const;
  // The row's bytes, without a line end, in the file's 8-bit encoding; the
  // view decodes them.
  std::string_view RowBytes(std::size_t row) const;
  // True when the row continues the line of the row before (a cut long line).
  bool ContinuesLine(std::size_t row) const;
  std::uint64_t ByteCount() const;

 private:
  // Eight bytes a row, as a big result has tens of millions: the start within
  // its piece (40 bits), the length (at most kMaxRowBytes) and the continuation flag.
  class Row {
   public:
    Row(std::uint64_t start, std::uint32_t length, bool continuesLine)
        : bits_(start << 24 | std::uint64_t{length} << 1 | std::uint64_t{continuesLine}) {}
    std::uint64_t start() const { return bits_ >> 24; }
    std::uint32_t length() const { return static_cast<std::uint32_t>(bits_ >> 1) & 0x7FFFFF; }
    bool continuesLine() const { return (bits_ & 1) != 0; }

   private:
    std::uint64_t bits_;
  };
  struct Piece {
    std::string bytes;
    std::vector<Row> rows;
    std::size_t firstRow = 0;
  };
  const Piece& PieceOf(std::size_t row) const;

  std::vector<Piece> pieces_;
  std::size_t rowCount_ = 0;
  std::uint64_t byteCount_ = 0;
};

// Reads a text file in pieces that end at line ends (or, inside a line longer
// than a piece, between characters).
class ResultLinesReader {
 public:
  // False, with the system's reason (UTF-8) in `error`, when the file cannot be
  // opened. `path` is UTF-8.
  bool Open(const std::string& path, std::string& error);
  std::uint64_t Size() const;
  std::uint64_t BytesRead() const;
  // The next piece of about `bytes` bytes. False with `error` set on a read
  // failure; true with an empty piece at the end of the file.
  bool Next(std::size_t bytes, ResultLines& piece, std::string& error);

 private:
  FileReader file_;
  std::string carry_;  // read already, belongs to the next piece
  bool midLine_ = false;
  std::uint64_t bytesRead_ = 0;
};

}  // namespace sievra
