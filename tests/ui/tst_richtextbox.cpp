#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include "sievra/ui/plain_lines_view.h"
#include "sievra/ui/rich_text_box.h"
#include "sievra/ui/twips.h"

using sievra::LoadFileType;
using sievra::RichTextBox;

class tst_RichTextBox : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void twipsHelper_data();
  void twipsHelper();
  void plainLoad_data();
  void plainLoad();
  void overlongLineIsKeptWhole();
  void unreadableFileKeepsContent_data();
  void unreadableFileKeepsContent();
  void rightMarginWrapsBeyondTheVisibleEdge();
  void richLoadReplacesPlainContent();
  void geometryInTwips();
  void readOnlyOnWindowBackground();
  void selectAndCopy();

 private:
  std::string Write(const QByteArray& bytes);

  QTemporaryDir dir_;
  int files_ = 0;
  QWidget* window_ = nullptr;
  RichTextBox* box_ = nullptr;
};

std::string tst_RichTextBox::Write(const QByteArray& bytes) {
  const QString path = dir_.filePath(QStringLiteral("f%1.txt").arg(++files_));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("cannot write");
  return path.toStdString();
}

void tst_RichTextBox::init() {
  window_ = new QWidget;
  window_->resize(700, 400);
  box_ = new RichTextBox(window_);
  box_->SetTwipsGeometry(0, 0, 8250, 4245);
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_));
}

void tst_RichTextBox::cleanup() {
  delete window_;
  window_ = nullptr;
  box_ = nullptr;
}

void tst_RichTextBox::twipsHelper_data() {
  QTest::addColumn<double>("twips");
  QTest::addColumn<int>("pixels");
  QTest::newRow("one pixel") << 15.0 << 1;
  QTest::newRow("main window width") << 9615.0 << 641;
  QTest::newRow("rounds down below half") << 97.0 << 6;
  QTest::newRow("rounds up from half") << 7.5 << 1;
  QTest::newRow("negative") << -600.0 << -40;
}

void tst_RichTextBox::twipsHelper() {
  QFETCH(double, twips);
  QFETCH(int, pixels);
  QCOMPARE(sievra::TwipsToPixels(twips), pixels);
  QCOMPARE(sievra::PixelsToTwips(641), 9615.0f);
}

void tst_RichTextBox::plainLoad_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<int>("lines");
  QTest::newRow("nominal: CR LF lines") << QByteArray("a\r\nb\r\n") << "a\nb" << 2;
  QTest::newRow("nominal: bare LF lines") << QByteArray("a\nb\n") << "a\nb" << 2;
  QTest::newRow("nominal: bare CR lines") << QByteArray("a\rb") << "a\nb" << 2;
  QTest::newRow("nominal: mixed ends") << QByteArray("a\r\nb\nc\rd") << "a\nb\nc\nd" << 4;
  QTest::newRow("nominal: blank lines kept") << QByteArray("a\r\n\r\n\r\nb\r\n") << "a\n\n\nb" << 4;
  QTest::newRow("nominal: LF CR is two ends") << QByteArray("a\n\rb") << "a\n\nb" << 3;
  QTest::newRow("nominal: tabs and spaces as stored") << QByteArray(" a\tb ") << " a\tb " << 1;
  QTest::newRow("nominal: 8-bit text decoded")
      << QByteArray("caf\xc3\xa9\r\n") << QString::fromUtf8("café") << 1;
  QTest::newRow("edge: empty file") << QByteArray() << QString() << 0;
  QTest::newRow("edge: only a line end") << QByteArray("\r\n") << QString() << 1;
}

void tst_RichTextBox::plainLoad() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, shown);
  QFETCH(int, lines);
  box_->SetText(QStringLiteral("older content"));
  QVERIFY(box_->LoadFile(Write(bytes), LoadFileType::PlainText));
  QCOMPARE(box_->Text(), shown);
  QCOMPARE(box_->PlainView()->LineCount(), qsizetype(lines));
  QCOMPARE(box_->Document(), nullptr);
}

void tst_RichTextBox::overlongLineIsKeptWhole() {
  QByteArray line;
  for (int i = 0; line.size() < 300000; ++i) line += "word" + QByteArray::number(i) + " \xc3\xa9 ";
  QVERIFY(box_->LoadFile(Write(line + "\r\nnext\r\n"), LoadFileType::PlainText));
  QCOMPARE(box_->PlainView()->LineCount(), qsizetype(2));
  QCOMPARE(box_->Text(), QString::fromUtf8(line) + "\nnext");
}

void tst_RichTextBox::unreadableFileKeepsContent_data() {
  QTest::addColumn<int>("type");
  QTest::newRow("plain") << int(LoadFileType::PlainText);
  QTest::newRow("rich") << int(LoadFileType::RichText);
}

void tst_RichTextBox::unreadableFileKeepsContent() {
  QFETCH(int, type);
  QVERIFY(box_->LoadFile(Write("kept\r\n"), LoadFileType::PlainText));
  const std::string missing = dir_.filePath(QStringLiteral("missing.txt")).toStdString();
  QVERIFY(!box_->LoadFile(missing, LoadFileType(type)));
  QVERIFY(!box_->LoadFile(dir_.path().toStdString(), LoadFileType(type)));  // a folder
  QCOMPARE(box_->Text(), QStringLiteral("kept"));
}

void tst_RichTextBox::rightMarginWrapsBeyondTheVisibleEdge() {
  QByteArray words;
  for (int i = 0; i < 600; ++i) words += "frame ";
  QVERIFY(box_->LoadFile(Write(words + "\r\nshort\r\n"), LoadFileType::PlainText));
  const sievra::PlainLinesView* view = box_->PlainView();
  const int atVisibleEdge = view->ScreenLinesOf(0);
  QCOMPARE(box_->Width(), 8250.0f);
  box_->SetRightMargin(box_->Width() + 10000);
  QCOMPARE(box_->RightMargin(), 18250.0f);
  const int atMargin = view->ScreenLinesOf(0);
  QVERIFY2(atMargin > 1 && atMargin * 2 < atVisibleEdge,
           qPrintable(QStringLiteral("%1 vs %2").arg(atMargin).arg(atVisibleEdge)));
  QCOMPARE(view->ScreenLinesOf(1), 1);
  // The text beyond the visible edge is reached by scrolling sideways.
  QCOMPARE(view->horizontalScrollBar()->maximum(),
           sievra::TwipsToPixels(18250) + 8 - view->viewport()->width());
}

void tst_RichTextBox::richLoadReplacesPlainContent() {
  QVERIFY(box_->LoadFile(Write("plain\r\n"), LoadFileType::PlainText));
  QVERIFY(box_->LoadFile(Write("{\\rtf1 {\\b rich} text\\par}"), LoadFileType::RichText));
  QVERIFY(box_->Document() != nullptr);
  QCOMPARE(box_->Text(), QStringLiteral("rich text"));
  QCOMPARE(box_->PlainView()->LineCount(), qsizetype(0));
  box_->Clear();
  QCOMPARE(box_->Text(), QString());
}

void tst_RichTextBox::geometryInTwips() {
  box_->SetTwipsGeometry(50, 50, 4515, 3030);
  QCOMPARE(box_->geometry(), QRect(3, 3, 301, 202));
  box_->SetTwipsGeometry(50, 50, -200, -600);
  QCOMPARE(box_->size(), QSize(0, 0));
}

void tst_RichTextBox::readOnlyOnWindowBackground() {
  QVERIFY(box_->LoadFile(Write("x\r\n"), LoadFileType::PlainText));
  QWidget* view = box_->CurrentView();
  QCOMPARE(view->backgroundRole(), QPalette::Base);
  view->setFocus();
  QTest::keyClicks(view, "typed");
  QCOMPARE(box_->Text(), QStringLiteral("x"));
  QVERIFY(box_->LoadFile(Write("{\\rtf1 y}"), LoadFileType::RichText));
  QTest::keyClicks(box_->CurrentView(), "typed");
  QCOMPARE(box_->Text(), QStringLiteral("y"));
}

void tst_RichTextBox::selectAndCopy() {
  QVERIFY(box_->LoadFile(Write("alpha\r\nbeta gamma\r\nlast\r\n"), LoadFileType::PlainText));
  auto* view = const_cast<sievra::PlainLinesView*>(box_->PlainView());
  QWidget* viewport = view->viewport();
  const int lineHeight = view->fontMetrics().lineSpacing();
  const QPoint firstLineStart(1, 4 + lineHeight / 2);
  // Dragging from the start of the first line to the far right of the second.
  QTest::mousePress(viewport, Qt::LeftButton, {}, firstLineStart);
  QTest::mouseMove(viewport, QPoint(viewport->width() - 2, 4 + lineHeight * 3 / 2));
  QTest::mouseRelease(viewport, Qt::LeftButton, {},
                      QPoint(viewport->width() - 2, 4 + lineHeight * 3 / 2));
  QCOMPARE(view->SelectedText(), QStringLiteral("alpha\nbeta gamma"));
  view->setFocus();
  QTest::keySequence(view, QKeySequence::Copy);
  QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("alpha\nbeta gamma"));
  QTest::keySequence(view, QKeySequence::SelectAll);
  QCOMPARE(view->SelectedText(), QStringLiteral("alpha\nbeta gamma\nlast"));
  QTest::mouseClick(viewport, Qt::LeftButton, {}, firstLineStart);  // a click clears it
  QCOMPARE(view->SelectedText(), QString());
  QVERIFY(box_->LoadFile(Write("new\r\n"), LoadFileType::PlainText));
  QCOMPARE(view->SelectedText(), QString());
}

QTEST_MAIN(tst_RichTextBox)
#include "tst_richtextbox.moc"
