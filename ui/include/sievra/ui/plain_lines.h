#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

namespace sievra {

// A text file's bytes as read and the rows they are shown in. Built on any
// thread (a big result is read off the window's thread) and handed to the view.
class PlainLines {
 public:
  // A slice of the bytes shown as one row; an over-long line is cut into several
  // rows so that laying out one row stays cheap whatever the file holds.
  struct Row {
    qint64 start = 0;
    quint32 length = 0;
    bool continuesLine = false;
  };

  enum class ReadStatus { Read, Failed, Cancelled };
  // Told the bytes done of the total; returning false stops the read.
  using Progress = std::function<bool(qint64 done, qint64 total)>;

  // Reads the file and splits it at CR, LF and CR LF. On failure `error` says
  // why in the system's words; on Read, `lines` holds the file.
  static ReadStatus Read(const QString& path, PlainLines& lines, QString& error,
                         const Progress& progress = {});
  // Splits bytes already in memory.
  explicit PlainLines(QByteArray bytes = {});

  std::size_t RowCount() const { return rows_.size(); }
  const Row& RowAt(std::size_t row) const { return rows_[row]; }
  // The row's text decoded with the system's 8-bit encoding.
  QString RowText(std::size_t row) const;
  qint64 ByteCount() const { return bytes_.size(); }

 private:
  bool Split(const Progress& progress, qint64 doneBefore, qint64 total);
  void AddLine(qint64 start, qint64 end);

  QByteArray bytes_;
  std::vector<Row> rows_;
};

}  // namespace sievra
