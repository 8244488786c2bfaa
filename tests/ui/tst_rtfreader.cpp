#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include "sievra/ui/rtf_reader.h"

using sievra::ReadRtf;

namespace {
QString Read(const QByteArray& rtf) {
  QTextDocument document;
  ReadRtf(rtf, document);
  // Raw text keeps line breaks and hard spaces apart from paragraphs and spaces.
  return document.toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

// The character format of the first fragment whose text contains `needle`.
QTextCharFormat FormatOf(const QTextDocument& document, const QString& needle) {
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      if (it.fragment().text().contains(needle)) return it.fragment().charFormat();
    }
  }
  return {};
}
}  // namespace

class tst_RtfReader : public QObject {
  Q_OBJECT

 private slots:
  void text_data();
  void text();
  void characterFormat_data();
  void characterFormat();
  void paragraphFormat();
  void malformedInputGivesADocument_data();
  void malformedInputGivesADocument();
  void randomBytesNeverCrash();
  void shippedHelpReadsAsAGuide();
};

void tst_RtfReader::text_data() {
  QTest::addColumn<QByteArray>("rtf");
  QTest::addColumn<QString>("expected");
  const auto row = [](const char* name, const char* rtf, const QString& expected) {
    QTest::newRow(name) << QByteArray(rtf) << expected;
  };
  row("nominal: paragraphs", "{\\rtf1 one\\par two\\par}", "one\ntwo");
  row("nominal: source line ends are not text", "{\\rtf1 one\r\ntwo\\par\r\n}", "onetwo");
  row("nominal: line break stays in its paragraph", "{\\rtf1 a\\line b}",
      QString("a") + QChar(0x2028) + "b");
  row("nominal: tab", "{\\rtf1 a\\tab b}", "a\tb");
  row("nominal: escaped specials", "{\\rtf1 \\\\ \\{ \\}}", "\\ { }");
  row("nominal: word delimiter space is eaten", "{\\rtf1 \\b bold\\b0  plain}", "bold plain");
  row("nominal: hex under 1252", "{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\'80 \\'93q\\'94}",
      QString::fromUtf8("café € “q”"));
  row("nominal: hex under UTF-8", "{\\rtf1\\ansicpg65001 \\'c3\\'a9t\\'c3\\'a9}",
      QString::fromUtf8("été"));
  row("nominal: unicode skips one fallback", "{\\rtf1 \\u8364?x}", QString::fromUtf8("€x"));
  row("nominal: unicode negative", "{\\rtf1 \\u-3?}", QString(QChar(0xFFFD)));
  row("nominal: \\uc2 skips two fallbacks", "{\\rtf1\\uc2 \\u233\\'65\\'65x}",
      QString::fromUtf8("éx"));
  row("nominal: \\uc0 skips nothing", "{\\rtf1\\uc0 \\u233 x}", QString::fromUtf8("éx"));
  row("nominal: \\uc is per group", "{\\rtf1 {\\uc0 \\u233 }\\u233?}", QString::fromUtf8("éé"));
  row("nominal: surrogate pair", "{\\rtf1 \\u-10179?\\u-8704?}", QString::fromUtf8("😀"));
  row("nominal: typographic words",
      "{\\rtf1 \\bullet\\endash\\emdash\\lquote\\rquote\\ldblquote\\rdblquote}",
      QString::fromUtf8("•–—‘’“”"));
  row("nominal: hard space and hyphens", "{\\rtf1 a\\~b\\-c\\_d}",
      QString("a") + QChar(0x00A0) + "b" + QChar(0x00AD) + "c" + QChar(0x2011) + "d");
  row("nominal: font and colour tables are not text",
      "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}x}", "x");
  row("nominal: optional destination skipped", "{\\rtf1 a{\\*\\generator Writer 1.0;}b}", "ab");
  row("nominal: unknown optional destination with groups", "{\\rtf1 a{\\*\\x{\\y z}{w}}b}", "ab");
  row("nominal: picture skipped", "{\\rtf1 a{\\pict\\pngblip 89504e47}b}", "ab");
  row("nominal: info and stylesheet skipped",
      "{\\rtf1{\\info{\\title T}}{\\stylesheet{\\s0 Normal;}}x}", "x");
  row("nominal: field shows its result",
      "{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt link}}}", "link");
  row("nominal: unknown words ignored", "{\\rtf1\\viewkind4\\lang1033 x\\nosuchword y}", "xy");
  row("robustness: \\bin data with braces skipped", "{\\rtf1 a{\\bin5 }}{{\\}b}", "ab");
  row("robustness: \\bin longer than the input", "{\\rtf1 a\\bin999999 xyz", "a");
  row("robustness: unbalanced closing braces", "{\\rtf1 a}}}b}", "ab");
  row("robustness: missing closing braces", "{\\rtf1 {\\b a{\\i b", "ab");
  row("robustness: truncated hex", "{\\rtf1 a\\'", "a");
  row("robustness: truncated after backslash", "{\\rtf1 a\\", "a");
  row("robustness: huge numbers",
      "{\\rtf1\\fs99999999999999999999\\li-99999999999999 x\\u99999999999?}",
      QString("x") + QChar(0xFFFD));
  row("robustness: overlong control word",
      QByteArray("{\\rtf1 \\" + QByteArray(5000, 'a') + " x}").constData(), "x");
  row("robustness: not RTF is shown as text", "just text\r\nsecond\rthird",
      "just text\nsecond\nthird");
}

void tst_RtfReader::text() {
  QFETCH(QByteArray, rtf);
  QFETCH(QString, expected);
  QCOMPARE(Read(rtf), expected);
}

void tst_RtfReader::characterFormat_data() {
  QTest::addColumn<QByteArray>("rtf");
  QTest::addColumn<QString>("needle");
  QTest::addColumn<int>("property");
  QTest::addColumn<QVariant>("expected");
  const auto row = [](const char* name, const char* rtf, const char* needle, int property,
                      const QVariant& expected) {
    QTest::newRow(name) << QByteArray(rtf) << QString(needle) << property << expected;
  };
  row("bold on", "{\\rtf1 a{\\b X}b}", "X", QTextFormat::FontWeight, int(QFont::Bold));
  row("bold ends with its group", "{\\rtf1 {\\b a}X}", "X", QTextFormat::FontWeight,
      int(QFont::Normal));
  row("bold off by \\b0", "{\\rtf1 \\b a\\b0 X}", "X", QTextFormat::FontWeight, int(QFont::Normal));
  row("italic", "{\\rtf1 \\i X}", "X", QTextFormat::FontItalic, true);
  row("underline", "{\\rtf1 \\ul X}", "X", QTextFormat::TextUnderlineStyle,
      int(QTextCharFormat::SingleUnderline));
  row("dotted underline shows as underline", "{\\rtf1 \\uld X}", "X",
      QTextFormat::TextUnderlineStyle, int(QTextCharFormat::SingleUnderline));
  row("underline none", "{\\rtf1 \\ul a\\ulnone X}", "X", QTextFormat::TextUnderlineStyle,
      int(QTextCharFormat::NoUnderline));
  row("strike", "{\\rtf1 \\strike X}", "X", QTextFormat::FontStrikeOut, true);
  row("plain resets", "{\\rtf1 \\b\\i a\\plain X}", "X", QTextFormat::FontItalic, false);
  row("size in half points", "{\\rtf1 \\fs30 X}", "X", QTextFormat::FontPointSize, 15.0);
  row("font from table", "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fmodern Courier New;}}\\f1 X}", "X",
      QTextFormat::FontFamilies, QStringList{"Courier New"});
  row("default font", "{\\rtf1\\deff1{\\fonttbl{\\f0 Arial;}{\\f1 Times;}}X}", "X",
      QTextFormat::FontFamilies, QStringList{"Times"});
  row("font name with hex", "{\\rtf1{\\fonttbl{\\f0 Caf\\'e9;}}\\f0 X}", "X",
      QTextFormat::FontFamilies, QStringList{QString::fromUtf8("Café")});
  row("colour from table", "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\cf1 X}", "X",
      QTextFormat::ForegroundBrush, QBrush(QColor(255, 0, 0)));
  row("highlight", "{\\rtf1{\\colortbl;\\red0\\green0\\blue255;}\\highlight1 X}", "X",
      QTextFormat::BackgroundBrush, QBrush(QColor(0, 0, 255)));
  row("colour index out of range is ignored", "{\\rtf1{\\colortbl;\\red1\\green2\\blue3;}\\cf9 X}",
      "X", QTextFormat::ForegroundBrush, QVariant());
  row("superscript", "{\\rtf1 \\super X}", "X", QTextFormat::TextVerticalAlignment,
      int(QTextCharFormat::AlignSuperScript));
}

void tst_RtfReader::characterFormat() {
  QFETCH(QByteArray, rtf);
  QFETCH(QString, needle);
  QFETCH(int, property);
  QFETCH(QVariant, expected);
  QTextDocument document;
  ReadRtf(rtf, document);
  const QTextCharFormat format = FormatOf(document, needle);
  QVERIFY2(document.toPlainText().contains(needle), qPrintable(document.toPlainText()));
  if (!expected.isValid()) {
    QVERIFY(!format.hasProperty(property));
  } else if (property == QTextFormat::FontWeight && !format.hasProperty(property)) {
    QCOMPARE(int(QFont::Normal), expected.toInt());
  } else {
    QCOMPARE(format.property(property), expected);
  }
}

void tst_RtfReader::paragraphFormat() {
  QTextDocument document;
  ReadRtf(
      "{\\rtf1\\pard\\qc centred\\par\\pard\\li720\\fi-360\\ri300\\sb150\\sa75 hang\\par"
      "\\pard plain\\par{\\pard\\qr right\\par}after}",
      document);
  QCOMPARE(document.blockCount(), 5);
  const QTextBlockFormat centred = document.findBlockByNumber(0).blockFormat();
  QCOMPARE(centred.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  const QTextBlockFormat hang = document.findBlockByNumber(1).blockFormat();
  QCOMPARE(hang.leftMargin(), 48.0);   // 720 twips
  QCOMPARE(hang.textIndent(), -24.0);  // -360 twips
  QCOMPARE(hang.rightMargin(), 20.0);
  QCOMPARE(hang.topMargin(), 10.0);
  QCOMPARE(hang.bottomMargin(), 5.0);
  // The first tab reaches the indent: 360 twips on from where the first line starts.
  QCOMPARE(hang.tabPositions().value(0).position, 24.0);
  QTextDocument tabbed;
  ReadRtf("{\\rtf1\\pard\\li360\\tx200\\tx1440 a\\tab b\\par}", tabbed);
  const QList<QTextOption::Tab> stops = tabbed.firstBlock().blockFormat().tabPositions();
  QCOMPARE(stops.size(), 1);  // a stop left of the line's start cannot be reached
  QCOMPARE(stops[0].position, 72.0);
  QCOMPARE(document.findBlockByNumber(2).blockFormat().leftMargin(), 0.0);
  QCOMPARE(document.findBlockByNumber(3).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
           Qt::AlignRight);
  // Paragraph properties belong to the group: after it closes, the outer ones apply.
  QCOMPARE(document.findBlockByNumber(4).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
           Qt::AlignLeft);
}

void tst_RtfReader::malformedInputGivesADocument_data() {
  QTest::addColumn<QByteArray>("rtf");
  QTest::addColumn<QString>("mustContain");
  QTest::newRow("robustness: deep nesting")
      << QByteArray("{\\rtf1 a") + QByteArray(200000, '{') + "deep" + QByteArray(200000, '}') + "b}"
      << "ab";
  QTest::newRow("robustness: deep nesting never closed")
      << QByteArray("{\\rtf1 a") + QByteArray(100000, '{') + "x"
      << "a";
  QTest::newRow("robustness: many fonts") << [] {
    QByteArray rtf("{\\rtf1{\\fonttbl");
    for (int i = 0; i < 20000; ++i) rtf += "{\\f" + QByteArray::number(i) + "\\fswiss F;}";
    return rtf + "}text}";
  }() << "text";
  QTest::newRow("robustness: nul bytes") << QByteArray("{\\rtf1 a\0b}", 11) << "ab";
}

void tst_RtfReader::malformedInputGivesADocument() {
  QFETCH(QByteArray, rtf);
  QFETCH(QString, mustContain);
  QVERIFY(Read(rtf).contains(mustContain));
}

void tst_RtfReader::randomBytesNeverCrash() {
  // Junk after a valid header, with the special characters over-represented.
  QRandomGenerator random(1234);
  const char specials[] = "{}\\'*;0123456789-abfinpu ";
  for (int round = 0; round < 300; ++round) {
    QByteArray rtf("{\\rtf1 ");
    const int length = random.bounded(1, 4000);
    for (int i = 0; i < length; ++i) {
      rtf += random.bounded(2) ? char(random.bounded(256))
                               : specials[random.bounded(int(sizeof(specials) - 1))];
    }
    QTextDocument document;
    ReadRtf(rtf, document);
    QTextDocument again;
    ReadRtf(rtf, again);
    // Every character shown comes from at least one byte, and the same bytes
    // always read the same.
    const QString text = document.toPlainText();
    QVERIFY(text.size() < rtf.size());
    QCOMPARE(again.toPlainText(), text);
  }
}

void tst_RtfReader::shippedHelpReadsAsAGuide() {
  QFile file(QStringLiteral(SIEVRA_HELP_RTF));
  QVERIFY(file.open(QIODevice::ReadOnly));
  QTextDocument document;
  ReadRtf(file.readAll(), document);
  const QString text = document.toPlainText();
  for (const char* topic : {"Input File", "Output File", "Text", "Packet", "Target Callsign",
                            "Strip Digi Path", "Must specify an input file", "payload"}) {
    QVERIFY2(text.contains(QLatin1String(topic)), topic);
  }
  QVERIFY2(!text.contains('\\') && !text.contains('{') && !text.contains('}'),
           "RTF syntax leaked into the text");
  QCOMPARE(FormatOf(document, "Strip Digi Path").fontWeight(), int(QFont::Bold));
  QCOMPARE(document.firstBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
           Qt::AlignHCenter);
}

QTEST_MAIN(tst_RtfReader)
#include "tst_rtfreader.moc"
