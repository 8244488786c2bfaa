// A file read in pieces of any size shows the same lines as read whole: line
// ends, characters and long lines are never cut apart at a piece's edge.

#include <QTemporaryDir>
#include <QTest>

#include "qt_test_support.h"
#include "sievra/ui/plain_lines.h"

using sievra::PlainLines;
using sievra::PlainLinesReader;

namespace {
// The lines as shown: rows joined where a row continues a line.
QStringList LinesOf(const PlainLines& lines) {
  QStringList shown;
  for (std::size_t row = 0; row < lines.RowCount(); ++row) {
    if (lines.RowAt(row).continuesLine() && !shown.isEmpty()) {
      shown.last() += lines.RowText(row);
    } else {
      shown << lines.RowText(row);
    }
  }
  return shown;
}
}  // namespace

class tst_PlainLines : public QObject {
  Q_OBJECT

 private slots:
  void piecesReadAsTheWhole_data();
  void piecesReadAsTheWhole();
  void missingFileSaysWhy();
};

void tst_PlainLines::piecesReadAsTheWhole_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QStringList>("lines");
  QTest::newRow("nominal: CR LF lines") << QByteArray("ab\r\ncd\r\n") << QStringList{"ab", "cd"};
  QTest::newRow("nominal: every kind of line end")
      << QByteArray("a\rb\nc\r\nd") << QStringList{"a", "b", "c", "d"};
  QTest::newRow("nominal: empty lines")
      << QByteArray("\r\n\r\n\n\r") << QStringList{"", "", "", ""};
  QTest::newRow("nominal: UTF-8 letters")
      << QByteArray("\xC3\xA9t\xC3\xA9\r\n\xE2\x82\xAC\xF0\x9F\x93\xA1\r\n")
      << QStringList{QString::fromUtf8("été"), QString::fromUtf8("€📡")};
  QTest::newRow("robustness: a line longer than a piece or a row")
      << QByteArray(70'000, 'x') + "\r\ny" << QStringList{QString(70'000, 'x'), "y"};
  QTest::newRow("robustness: no line end at all")
      << QByteArray(300, 'z') << QStringList{QString(300, 'z')};
  QTest::newRow("robustness: empty file") << QByteArray() << QStringList();
}

void tst_PlainLines::piecesReadAsTheWhole() {
  QFETCH(QByteArray, bytes);
  QFETCH(QStringList, lines);
  QCOMPARE(LinesOf(PlainLines(bytes)), lines);
  QTemporaryDir dir;
  const QString path = dir.filePath("result.txt");
  sievra::testing::WriteAll(path, bytes);
  for (qint64 pieceBytes : {1, 2, 3, 5, 7, 64, 1 << 16}) {
    PlainLinesReader reader;
    QString error;
    QVERIFY(reader.Open(path, error));
    PlainLines whole;
    for (;;) {
      PlainLines piece;
      QCOMPARE(reader.Next(pieceBytes, piece, error), PlainLines::ReadStatus::Read);
      if (piece.RowCount() == 0) break;
      whole.Append(std::move(piece));
    }
    QCOMPARE(whole.ByteCount(), bytes.size());
    QVERIFY2(LinesOf(whole) == lines, qPrintable(QString::number(pieceBytes)));
  }
}

void tst_PlainLines::missingFileSaysWhy() {
  PlainLines lines(QByteArray("kept\r\n"));
  QString error;
  QCOMPARE(PlainLines::Read("/nonexistent/result.txt", lines, error),
           PlainLines::ReadStatus::Failed);
  QCOMPARE(error, QStringLiteral("No such file or directory"));
  QCOMPARE(LinesOf(lines), QStringList{"kept"});
}

QTEST_MAIN(tst_PlainLines)
#include "tst_plainlines.moc"
