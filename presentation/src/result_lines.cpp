#include "sievra/presentation/result_lines.h"

#include <algorithm>
#include <new>
#include <utility>

#include "sievra/line_scanner.h"

namespace sievra {

namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// A cut inside a long line is moved back off UTF-8 continuation bytes, so that a
// character is not split between two rows.
std::size_t RowCut(const char* data, std::size_t start, std::size_t end) {
  std::size_t cut = start + ResultLines::kMaxRowBytes;
  for (int back = 0; back < 3 && cut > start + 1 && IsContinuationByte(data[cut]); ++back) --cut;
  return std::min(cut, end);
}

// Where a piece of `bytes` (not the file's last) ends: after its last line end
// whose meaning is settled (a CR at the very end may be the first half of a
// CR LF), else, inside a long line, before a character whose first byte is
// known and which is no CR. 0: more bytes are needed to tell.
std::size_t PieceCut(const std::string& bytes, bool& midLine) {
  const char* data = bytes.data();
  const std::size_t size = bytes.size();
  for (std::size_t p = size; p-- > 0;) {
    if (data[p] == '\n' || (data[p] == '\r' && p + 1 < size)) {
      midLine = false;
      return p + 1;
    }
  }
  std::size_t cut = size - 1;
  if (data[cut] == '\r' && cut > 0) --cut;
  for (int back = 0; back < 3 && cut > 0 && IsContinuationByte(data[cut]); ++back) --cut;
  midLine = true;
  return cut;
}

constexpr const char* kOutOfMemory = "not enough memory to hold it";

}  // namespace

ResultLines::ResultLines(std::string bytes, bool startsMidLine) {
  if (bytes.empty()) return;
  Piece piece{std::move(bytes), {}, 0};
  const char* data = piece.bytes.data();
  LineScanner scanner(data, piece.bytes.size());
  std::string_view line;
  bool continues = startsMidLine;
  while (scanner.Next(line)) {
    std::size_t start = static_cast<std::size_t>(line.data() - data);
    const std::size_t end = start + line.size();
    do {
      const std::size_t cut = end - start > kMaxRowBytes ? RowCut(data, start, end) : end;
      piece.rows.emplace_back(start, static_cast<std::uint32_t>(cut - start), continues);
      start = cut;
      continues = true;
    } while (start < end);
    continues = false;
  }
  piece.rows.shrink_to_fit();
  rowCount_ = piece.rows.size();
  byteCount_ = piece.bytes.size();
  pieces_.push_back(std::move(piece));
}

void ResultLines::Append(ResultLines&& next) {
  for (Piece& piece : next.pieces_) {
    piece.firstRow = rowCount_;
    rowCount_ += piece.rows.size();
    byteCount_ += piece.bytes.size();
    pieces_.push_back(std::move(piece));
  }
  next = ResultLines();
}

std::size_t ResultLines::RowCount() const { return rowCount_; }
std::uint64_t ResultLines::ByteCount() const { return byteCount_; }

const ResultLines::Piece& ResultLines::PieceOf(std::size_t row) const {
  const auto after = std::upper_bound(
      pieces_.begin(), pieces_.end(), row,
      [](std::size_t wanted, const Piece& piece) { return wanted < piece.firstRow; });
  return *(after - 1);
}

std::string_view ResultLines::RowBytes(std::size_t row) const {
  const Piece& piece = PieceOf(row);
  const Row& r = piece.rows[row - piece.firstRow];
  return std::string_view(piece.bytes).substr(static_cast<std::size_t>(r.start()), r.length());
}

bool ResultLines::ContinuesLine(std::size_t row) const {
  const Piece& piece = PieceOf(row);
  return piece.rows[row - piece.firstRow].continuesLine();
}

bool ResultLinesReader::Open(const std::string& path, std::string& error) {
  if (const std::error_code ec = file_.Open(path)) {
    error = ec.message();
    return false;
  }
  return true;
}

std::uint64_t ResultLinesReader::Size() const { return file_.Size(); }
std::uint64_t ResultLinesReader::BytesRead() const { return bytesRead_; }

bool ResultLinesReader::Next(std::size_t bytes, ResultLines& piece, std::string& error) {
  try {
    std::string data = std::exchange(carry_, std::string());
    const bool startsMidLine = midLine_;
    for (;;) {
      const std::size_t kept = data.size();
      data.resize(kept + bytes);
      std::size_t got = 0;
      if (const std::error_code ec = file_.Read(data.data() + kept, bytes, got)) {
        error = ec.message();
        return false;
      }
      bytesRead_ += got;
      data.resize(kept + got);
      if (got == 0) break;  // the end: all of it is the last piece
      bool midLineAfter = false;
      if (const std::size_t cut = PieceCut(data, midLineAfter); cut > 0) {
        carry_ = data.substr(cut);
        data.resize(cut);
        midLine_ = midLineAfter;
        break;
      }
    }
    piece = ResultLines(std::move(data), startsMidLine);
  } catch (const std::bad_alloc&) {
    error = kOutOfMemory;
    return false;
  }
  return true;
}

}  // namespace sievra
