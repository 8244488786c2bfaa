// A help document edited by hand, cut short, replaced by a binary or grown
// huge: the help window still opens, shows what it can and stays responsive.

#include <QFile>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include "qt_test_support.h"
#include "sievra/ui/frm_help.h"
#include "sievra/ui/rich_text_box.h"
#include "sievra/ui/twips.h"

namespace {

using sievra::testing::WriteAll;

QByteArray RandomBytes(qsizetype size, quint32 seed) {
  QByteArray bytes(size, Qt::Uninitialized);
  QRandomGenerator random(seed);
  random.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
  return bytes;
}

QByteArray Repeated(const QByteArray& piece, qsizetype totalBytes) {
  QByteArray bytes = piece;
  while (bytes.size() < totalBytes) bytes += bytes;
  bytes.truncate(totalBytes);
  return bytes;
}

QByteArray RealHelp() {
  QFile file(QStringLiteral(SIEVRA_HELP_RTF));
  if (!file.open(QIODevice::ReadOnly)) qFatal("no help.rtf to cut");
  return file.readAll();
}

constexpr qsizetype kHuge = 50 << 20;

}  // namespace

class tst_robustnessHelp : public QObject {
  Q_OBJECT

 private slots:
  void hostileDocumentStillOpens_data();
  void hostileDocumentStillOpens();

 private:
  QTemporaryDir dir_;
};

void tst_robustnessHelp::hostileDocumentStillOpens_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("shows");  // a piece of text the box must show; empty: any document
  const QByteArray help = RealHelp();
  QTest::newRow("robustness: empty file") << QByteArray() << "";
  QTest::newRow("robustness: binary") << RandomBytes(1 << 16, 1) << "";
  QTest::newRow("robustness: binary after an RTF header")
      << "{\\rtf1 " + RandomBytes(1 << 16, 2) << "";
  QTest::newRow("robustness: cut in half") << help.left(help.size() / 2) << "What Sievra does";
  QTest::newRow("robustness: cut inside an escape") << QByteArray("{\\rtf1 caf\\'e") << "caf";
  QTest::newRow("robustness: cut inside a control word") << QByteArray("{\\rtf1 A\\pa") << "A";
  QTest::newRow("robustness: a million groups never closed")
      << "{\\rtf1 deep" + QByteArray(1'000'000, '{') << "deep";
  QTest::newRow("robustness: a million stray closing braces")
      << "{\\rtf1 flat" + QByteArray(1'000'000, '}') << "flat";
  QTest::newRow("robustness: binary data longer than the file")
      << QByteArray("{\\rtf1 before\\bin2000000000 xyz}") << "before";
  QTest::newRow("robustness: numbers beyond any range")
      << QByteArray("{\\rtf1\\fs99999999999999 big\\u-99999999999 \\li-2147483649 end}") << "end";
  // Far beyond any help document: reading and laying one out froze the window
  // for minutes, so the window says so instead.
  QTest::newRow("robustness: 50 MB of paragraphs")
      << "{\\rtf1 " + Repeated("Sievra help, one more paragraph.\\par\n", kHuge) + "}"
      << "too large";
  QTest::newRow("robustness: 50 MB of one paragraph") << "{\\rtf1 " + Repeated("word ", kHuge) + "}"
                                                      << "too large";
  QTest::newRow("robustness: 50 MB binary") << RandomBytes(kHuge, 3) << "too large";
  QTest::newRow("nominal: a long document just under the limit")
      << "{\\rtf1 " + Repeated("Sievra help, one more paragraph.\\par\n", (1 << 20) - 8) + "}"
      << "one more paragraph";
}

void tst_robustnessHelp::hostileDocumentStillOpens() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, shows);
  const QString path = dir_.filePath(QStringLiteral("help.rtf"));
  WriteAll(path, bytes);
  sievra::frmHelp help(path);
  help.show();
  QVERIFY(QTest::qWaitForWindowExposed(&help));
  const QString text = help.RichTextBox1->Text();
  if (shows.isEmpty()) {
    // Readable and under the limit: shown as a document, whatever it holds, and
    // never more text than there were bytes.
    QVERIFY2(!text.startsWith("Help is not available"), qPrintable(text.left(200)));
    QVERIFY(text.size() <= bytes.size());
  } else {
    QVERIFY2(text.contains(shows), qPrintable(text.left(200)));
  }

  // Responsive: events keep flowing, the box follows the window, and the view
  // scrolls to the end of whatever was read.
  bool timerFired = false;
  QTimer::singleShot(0, &help, [&timerFired] { timerFired = true; });
  QTRY_VERIFY(timerFired);
  help.resize(help.size() + QSize(40, 30));
  QTRY_COMPARE(help.RichTextBox1->width(),
               sievra::TwipsToPixels(sievra::PixelsToTwips(help.frameGeometry().width()) - 200));
  if (auto* view = qobject_cast<QTextEdit*>(help.RichTextBox1->CurrentView())) {
    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(bar->maximum());
    QCOMPARE(bar->value(), bar->maximum());
  }
}

QTEST_MAIN(tst_robustnessHelp)
#include "tst_robustness_help.moc"
