#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <functional>
#include <vector>

namespace sievra {

// A text file's bytes as read and the rows they are shown in. Built on any
// thread (a big result is read off the window's thread, piece by piece, so that
// its first lines can be shown while the rest is read) and handed to the view.
class PlainLines {
 public:
  // A slice of the bytes shown as one row; an over-long line is cut into several
  // rows so that laying out one row stays cheap whatever the file holds.
  // Eight bytes a row, as a big result has tens of millions: the start within
  // its piece (40 bits), the length (at most 64 KiB) and the continuation flag.
  class Row {
   public:
    Row(qint64 start, quint32 length, bool continuesLine)
        : bits_(static_cast<quint64>(start) << 24 | quint64{length} << 1 | quint64{continuesLine}) {
    }
    qint64 start() const { return static_cast<qint64>(bits_ >> 24); }
    quint32 length() const { return static_cast<quint32>(bits_ >> 1) & 0x7FFFFF; }
    bool continuesLine() const { return (bits_ & 1) != 0; }

   private:
    quint64 bits_;
  };

  enum class ReadStatus { Read, Failed, Cancelled };
  // Told the bytes done of the total; returning false stops the read.
  using Progress = std::function<bool(qint64 done, qint64 total)>;

  // Reads the whole file and splits it at CR, LF and CR LF. On failure `error`
  // says why in the system's words; on Read, `lines` holds the file.
  static ReadStatus Read(const QString& path, PlainLines& lines, QString& error,
                         const Progress& progress = {});
  // Splits bytes already in memory; `startsMidLine` when they continue a line
  // that an earlier piece began.
  explicit PlainLines(QByteArray bytes = {}, bool startsMidLine = false);

  // Adds the rows of the next piece of the same text.
  void Append(PlainLines&& next);

  std::size_t RowCount() const { return rowCount_; }
  const Row& RowAt(std::size_t row) const;
  // The row's text decoded with the system's 8-bit encoding.
  QString RowText(std::size_t row) const;
  qint64 ByteCount() const { return byteCount_; }

 private:
  struct Piece {
    QByteArray bytes;
    std::vector<Row> rows;
    std::size_t firstRow = 0;
  };
  const Piece& PieceOf(std::size_t row) const;

  std::vector<Piece> pieces_;
  std::size_t rowCount_ = 0;
  qint64 byteCount_ = 0;
};

// Reads a text file in pieces that end at line ends (or, inside a line longer
// than a piece, between characters), each split into rows on its own.
class PlainLinesReader {
 public:
  // False, with the system's reason in `error`, when the file cannot be opened.
  bool Open(const QString& path, QString& error);
  qint64 Size() const { return size_; }
  qint64 BytesRead() const { return bytesRead_; }
  // The next piece of about `bytes` bytes (whole lines where there are line ends).
  // Failed with `error` set, or Read with an empty piece at the end of the file.
  PlainLines::ReadStatus Next(qint64 bytes, PlainLines& piece, QString& error);

 private:
  QFile file_;
  QByteArray carry_;  // read already, belongs to the next piece
  bool midLine_ = false;
  qint64 size_ = 0;
  qint64 bytesRead_ = 0;
};

}  // namespace sievra
