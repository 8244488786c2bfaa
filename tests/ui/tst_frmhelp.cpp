#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include "qt_test_support.h"
#include "sievra/ui/frm_help.h"
#include "sievra/ui/frm_main.h"
#include "sievra/ui/rich_text_box.h"
#include "sievra/ui/twips.h"

using sievra::frmHelp;

using sievra::TwipsToPixels;
using sievra::testing::FakeChooser;
using sievra::testing::RecordingSink;
using sievra::testing::WriteAll;

class tst_frmHelp : public QObject {
  Q_OBJECT

 private slots:
  void loadsTheDocument();
  void unreadableDocumentIsExplained_data();
  void unreadableDocumentIsExplained();
  void resizeFitsTheBox_data();
  void resizeFitsTheBox();
  void helpWindowIsSingleAndReloadsAfterClose();
  void closeEndsWithHelpWindow();

 private:
  QTemporaryDir dir_;
};

void tst_frmHelp::loadsTheDocument() {
  const QString path = dir_.filePath(QStringLiteral("help.rtf"));
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("{\\rtf1 {\\b Sievra} guide\\par}");
  file.close();
  frmHelp help(path);
  QCOMPARE(help.windowTitle(), QStringLiteral("Help"));
  QCOMPARE(help.size(), QSize(TwipsToPixels(5625), TwipsToPixels(4140)));
  QVERIFY(help.testAttribute(Qt::WA_DeleteOnClose));
  QCOMPARE(help.parentWidget(), nullptr);
  QCOMPARE(help.RichTextBox1->Text(), QStringLiteral("Sievra guide"));
  QVERIFY(help.RichTextBox1->Document() != nullptr);
}

void tst_frmHelp::unreadableDocumentIsExplained_data() {
  QTest::addColumn<QString>("name");
  QTest::newRow("robustness: missing file") << "missing.rtf";
  QTest::newRow("robustness: a folder of that name") << "folder.rtf";
}

void tst_frmHelp::unreadableDocumentIsExplained() {
  QFETCH(QString, name);
  QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("folder.rtf")));
  const QString path = dir_.filePath(name);
  frmHelp help(path);
  const QString text = help.RichTextBox1->Text();
  QVERIFY2(text.contains(QStringLiteral("could not be read")), qPrintable(text));
  QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
}

void tst_frmHelp::resizeFitsTheBox_data() {
  QTest::addColumn<QSize>("outerTwips");  // frame and title bar included
  QTest::addColumn<QRect>("boxTwips");
  QTest::newRow("nominal: about the design size") << QSize(6000, 4500) << QRect(50, 50, 5800, 3900);
  QTest::newRow("nominal: larger") << QSize(12000, 9000) << QRect(50, 50, 11800, 8400);
  QTest::newRow("edge: narrower than 200 twips") << QSize(150, 4500) << QRect(50, 50, 0, 3900);
  QTest::newRow("edge: lower than 600 twips") << QSize(6000, 450) << QRect(50, 50, 5800, 0);
}

void tst_frmHelp::resizeFitsTheBox() {
  QFETCH(QSize, outerTwips);
  QFETCH(QRect, boxTwips);
  frmHelp help(dir_.filePath(QStringLiteral("missing.rtf")));
  help.show();
  QVERIFY(QTest::qWaitForWindowExposed(&help));
  const QSize frame = help.frameGeometry().size() - help.size();
  const QSize client =
      QSize(TwipsToPixels(outerTwips.width()), TwipsToPixels(outerTwips.height())) - frame;
  help.resize(client);
  QTRY_COMPARE(help.size(), client);
  const QRect expected =
      sievra::TwipsRect(boxTwips.x(), boxTwips.y(), boxTwips.width(), boxTwips.height());
  QCOMPARE(help.RichTextBox1->geometry(), expected);
}

void tst_frmHelp::helpWindowIsSingleAndReloadsAfterClose() {
  const QString helpPath = dir_.filePath(QStringLiteral("help.rtf"));
  WriteAll(helpPath, "{\\rtf1 first}");
  FakeChooser chooser;
  RecordingSink sink;
  sievra::frmMain main(chooser, sink, helpPath);
  main.cmdHelp->click();
  QPointer<sievra::frmHelp> help = main.helpWindow();
  QVERIFY(help && help->isVisible());
  QCOMPARE(help->parentWidget(), nullptr);
  QCOMPARE(help->RichTextBox1->Text(), QStringLiteral("first"));
  WriteAll(helpPath, "{\\rtf1 second}");
  main.cmdHelp->click();
  QCOMPARE(main.helpWindow(), help.data());
  QCOMPARE(help->RichTextBox1->Text(), QStringLiteral("first"));  // brought forward, not reloaded
  const auto helpWindows = [] {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
      n += qobject_cast<sievra::frmHelp*>(w) != nullptr;
    return n;
  };
  QCOMPARE(helpWindows(), 1);
  QVERIFY(main.isEnabled());  // not modal
  help->close();
  QTRY_VERIFY(help.isNull());
  QCOMPARE(main.helpWindow(), nullptr);
  main.cmdHelp->click();
  QVERIFY(main.helpWindow());
  QCOMPARE(main.helpWindow()->RichTextBox1->Text(), QStringLiteral("second"));
}

void tst_frmHelp::closeEndsWithHelpWindow() {
  FakeChooser chooser;
  RecordingSink sink;
  sievra::frmMain main(chooser, sink, dir_.filePath(QStringLiteral("help.rtf")));
  main.show();
  QVERIFY(QTest::qWaitForWindowExposed(&main));
  main.cmdHelp->click();
  QPointer<sievra::frmHelp> help = main.helpWindow();
  QVERIFY(help);
  main.cmdClose->click();
  QVERIFY(!main.isVisible());
  QVERIFY(help.isNull());
  QVERIFY(sink.messages.isEmpty());  // no question asked
}

QTEST_MAIN(tst_frmHelp)
#include "tst_frmhelp.moc"
