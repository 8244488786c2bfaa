#include "sievra/ui/plain_lines.h"

#include <QCoreApplication>
#include <algorithm>
#include <new>
#include <string_view>

#include "sievra/line_scanner.h"

namespace sievra {

namespace {
constexpr qint64 kMaxRowBytes = qint64{1} << 16;  // bounds the cost of laying out one row
constexpr qint64 kPieceBytes = qint64{8} << 20;   // for a whole-file read

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// A cut inside a long line is moved back off UTF-8 continuation bytes, so that a
// character is not split between two rows.
qint64 RowCut(const char* data, qint64 start, qint64 end) {
  qint64 cut = start + kMaxRowBytes;
  for (int back = 0; back < 3 && cut > start + 1 && IsContinuationByte(data[cut]); ++back) --cut;
  return std::min(cut, end);
}

// Where a piece of `bytes` (not the file's last) ends: after its last line end
// whose meaning is settled (a CR at the very end may be the first half of a
// CR LF), else, inside a long line, before a character whose first byte is
// known and which is no CR. 0: more bytes are needed to tell.
qint64 PieceCut(const QByteArray& bytes, bool& midLine) {
  const char* data = bytes.constData();
  const qint64 size = bytes.size();
  for (qint64 p = size - 1; p >= 0; --p) {
    if (data[p] == '\n' || (data[p] == '\r' && p + 1 < size)) {
      midLine = false;
      return p + 1;
    }
  }
  qint64 cut = size - 1;
  if (data[cut] == '\r') --cut;
  for (int back = 0; back < 3 && cut > 0 && IsContinuationByte(data[cut]); ++back) --cut;
  midLine = true;
  return cut;
}

QString OutOfMemory() {
  return QCoreApplication::translate("PlainLines", "not enough memory to hold it");
}
}  // namespace

PlainLines::PlainLines(QByteArray bytes, bool startsMidLine) {
  if (bytes.isEmpty()) return;
  Piece piece{std::move(bytes), {}, 0};
  const char* data = piece.bytes.constData();
  LineScanner scanner(data, static_cast<std::size_t>(piece.bytes.size()));
  std::string_view line;
  bool continues = startsMidLine;
  while (scanner.Next(line)) {
    qint64 start = line.data() - data;
    const qint64 end = start + static_cast<qint64>(line.size());
    do {
      const qint64 cut = end - start > kMaxRowBytes ? RowCut(data, start, end) : end;
      piece.rows.emplace_back(start, static_cast<quint32>(cut - start), continues);
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

void PlainLines::Append(PlainLines&& next) {
  for (Piece& piece : next.pieces_) {
    piece.firstRow = rowCount_;
    rowCount_ += piece.rows.size();
    byteCount_ += piece.bytes.size();
    pieces_.push_back(std::move(piece));
  }
  next = PlainLines();
}

const PlainLines::Piece& PlainLines::PieceOf(std::size_t row) const {
  const auto after = std::upper_bound(
      pieces_.begin(), pieces_.end(), row,
      [](std::size_t wanted, const Piece& piece) { return wanted < piece.firstRow; });
  return *(after - 1);
}

const PlainLines::Row& PlainLines::RowAt(std::size_t row) const {
  const Piece& piece = PieceOf(row);
  return piece.rows[row - piece.firstRow];
}

QString PlainLines::RowText(std::size_t row) const {
  const Piece& piece = PieceOf(row);
  const Row& r = piece.rows[row - piece.firstRow];
  return QString::fromLocal8Bit(piece.bytes.constData() + r.start(),
                                static_cast<qsizetype>(r.length()));
}

PlainLines::ReadStatus PlainLines::Read(const QString& path, PlainLines& lines, QString& error,
                                        const Progress& progress) {
  PlainLinesReader reader;
  if (!reader.Open(path, error)) return ReadStatus::Failed;
  PlainLines read;
  for (;;) {
    if (progress && !progress(reader.BytesRead(), reader.Size())) return ReadStatus::Cancelled;
    PlainLines piece;
    if (reader.Next(kPieceBytes, piece, error) == ReadStatus::Failed) return ReadStatus::Failed;
    if (piece.RowCount() == 0) break;
    read.Append(std::move(piece));
  }
  lines = std::move(read);
  return ReadStatus::Read;
}

bool PlainLinesReader::Open(const QString& path, QString& error) {
  file_.setFileName(path);
  if (!file_.open(QIODevice::ReadOnly)) {
    error = file_.errorString();
    return false;
  }
  size_ = std::max<qint64>(0, file_.size());
  return true;
}

PlainLines::ReadStatus PlainLinesReader::Next(qint64 bytes, PlainLines& piece, QString& error) {
  try {
    QByteArray data = std::exchange(carry_, QByteArray());
    const bool startsMidLine = midLine_;
    for (;;) {
      const qint64 kept = data.size();
      data.resize(kept + bytes);
      const qint64 got = file_.read(data.data() + kept, bytes);
      if (got < 0) {
        error = file_.errorString();
        return PlainLines::ReadStatus::Failed;
      }
      bytesRead_ += got;
      data.truncate(kept + got);
      if (got == 0) break;  // the end: all of it is the last piece
      bool midLineAfter = false;
      if (const qint64 cut = PieceCut(data, midLineAfter); cut > 0) {
        carry_ = data.mid(cut);
        data.truncate(cut);
        midLine_ = midLineAfter;
        break;
      }
    }
    piece = PlainLines(std::move(data), startsMidLine);
  } catch (const std::bad_alloc&) {
    error = OutOfMemory();
    return PlainLines::ReadStatus::Failed;
  }
  return PlainLines::ReadStatus::Read;
}

}  // namespace sievra
