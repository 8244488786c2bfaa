#include "sievra/ui/plain_lines.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <new>
#include <string_view>

#include "sievra/line_scanner.h"

namespace sievra {

namespace {
constexpr qint64 kMaxRowBytes = qint64{1} << 16;  // bounds the cost of laying out one row
constexpr qint64 kStepBytes = qint64{4} << 20;    // read, and report progress, this much at a time

// A cut inside a long line is moved back off UTF-8 continuation bytes, so that a
// character is not split between two rows.
qint64 RowCut(const char* data, qint64 start, qint64 end) {
  qint64 cut = start + kMaxRowBytes;
  for (int back = 0; back < 3 && cut > start + 1; ++back) {
    if ((static_cast<unsigned char>(data[cut]) & 0xC0) != 0x80) break;
    --cut;
  }
  return std::min(cut, end);
}

QString OutOfMemory() {
  return QCoreApplication::translate("PlainLines", "not enough memory to hold it");
}
}  // namespace

PlainLines::PlainLines(QByteArray bytes) : bytes_(std::move(bytes)) { Split({}, 0, 0); }

PlainLines::ReadStatus PlainLines::Read(const QString& path, PlainLines& lines, QString& error,
                                        const Progress& progress) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = file.errorString();
    return ReadStatus::Failed;
  }
  PlainLines read;
  try {
    const qint64 size = std::max<qint64>(0, file.size());
    const qint64 total = 2 * size;  // reading, then splitting
    read.bytes_.resize(size);
    qint64 done = 0;
    while (done < size) {
      if (progress && !progress(done, total)) return ReadStatus::Cancelled;
      const qint64 got = file.read(read.bytes_.data() + done, std::min(kStepBytes, size - done));
      if (got < 0) {
        error = file.errorString();
        return ReadStatus::Failed;
      }
      if (got == 0) break;  // the file shrank since it was opened
      done += got;
    }
    read.bytes_.truncate(done);
    if (!read.Split(progress, size, total)) return ReadStatus::Cancelled;
  } catch (const std::bad_alloc&) {
    error = OutOfMemory();
    return ReadStatus::Failed;
  }
  lines = std::move(read);
  return ReadStatus::Read;
}

bool PlainLines::Split(const Progress& progress, qint64 doneBefore, qint64 total) {
  rows_.clear();
  const char* data = bytes_.constData();
  LineScanner scanner(data, static_cast<std::size_t>(bytes_.size()));
  std::string_view line;
  qint64 nextReport = kStepBytes;
  while (scanner.Next(line)) {
    const qint64 start = line.data() - data;
    AddLine(start, start + static_cast<qint64>(line.size()));
    if (start >= nextReport) {
      if (progress && !progress(doneBefore + start, total)) return false;
      nextReport = start + kStepBytes;
    }
  }
  rows_.shrink_to_fit();
  return true;
}

void PlainLines::AddLine(qint64 start, qint64 end) {
  bool continues = false;
  do {
    const qint64 cut = end - start > kMaxRowBytes ? RowCut(bytes_.constData(), start, end) : end;
    rows_.push_back(Row{start, static_cast<quint32>(cut - start), continues});
    start = cut;
    continues = true;
  } while (start < end);
}

QString PlainLines::RowText(std::size_t row) const {
  const Row& r = rows_[row];
  return QString::fromLocal8Bit(bytes_.constData() + r.start, static_cast<qsizetype>(r.length));
}

}  // namespace sievra
