// Start pressed again and again, after errors of every kind: each press shows
// its message exactly once, changes nothing it should not, and once the trouble
// is gone the next press runs normally.

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "qt_test_support.h"
#include "sievra/ui/frm_main.h"
#include "sievra/ui/rich_text_box.h"

namespace {

using sievra::testing::FakeChooser;
using sievra::testing::PressStartAndWait;
using sievra::testing::ReadAll;
using sievra::testing::RecordingSink;
using sievra::testing::WriteAll;

const QByteArray kLog = "A>B:one\r\nC>D:two\r\nA>B:one\r\n";
const QByteArray kKept = "A>B:one\r\nC>D:two\r\n";
const QString kShown = QStringLiteral("A>B:one\nC>D:two");

}  // namespace

class tst_robustnessMain : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void troubleRepeatsOncePerPressThenClears_data();
  void troubleRepeatsOncePerPressThenClears();
  void quickPressesShowOneMessageEach();

 private:
  void ChooseFiles(const QString& input, const QString& output);
  QString Path(const char* name) const { return dir_->filePath(QString::fromLatin1(name)); }

  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<FakeChooser> chooser_;
  std::unique_ptr<RecordingSink> sink_;
  std::unique_ptr<sievra::frmMain> window_;
};

void tst_robustnessMain::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  sievra::testing::IsolateSettings(Path("settings"));
  chooser_ = std::make_unique<FakeChooser>();
  sink_ = std::make_unique<RecordingSink>();
  window_ = std::make_unique<sievra::frmMain>(*chooser_, *sink_, Path("help.rtf"));
  WriteAll(Path("monitor.txt"), kLog);
  QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("folder")));
  // A first run that works, so that there is an output and a shown result to keep.
  ChooseFiles(Path("monitor.txt"), Path("unique.txt"));
  QVERIFY(PressStartAndWait(*window_));
  QCOMPARE(sink_->messages, QStringList());
  QCOMPARE(window_->rtbResults->Text(), kShown);
}

void tst_robustnessMain::cleanup() {
  window_.reset();
  sink_.reset();
  chooser_.reset();
  dir_.reset();
}

void tst_robustnessMain::ChooseFiles(const QString& input, const QString& output) {
  chooser_->answers = {QDir::toNativeSeparators(input), QDir::toNativeSeparators(output)};
  window_->cmdBrowseInput->click();
  window_->cmdBrowseOutput->click();
}

void tst_robustnessMain::troubleRepeatsOncePerPressThenClears_data() {
  QTest::addColumn<QString>("input");
  QTest::addColumn<QString>("output");
  QTest::addColumn<QString>("callsign");
  QTest::addColumn<QString>("message");  // how the message starts
  QTest::newRow("robustness: input missing") << "absent.txt"
                                             << "unique.txt"
                                             << ""
                                             << "Cannot read the input file";
  QTest::newRow("robustness: input is a folder") << "folder"
                                                 << "unique.txt"
                                                 << ""
                                                 << "Cannot read the input file";
  QTest::newRow("robustness: output folder missing") << "monitor.txt"
                                                     << "absent/unique.txt"
                                                     << ""
                                                     << "Cannot write the output file";
  QTest::newRow("robustness: output is a folder") << "monitor.txt"
                                                  << "folder"
                                                  << ""
                                                  << "Cannot write the output file";
  QTest::newRow("robustness: nothing kept") << "monitor.txt"
                                            << "unique.txt"
                                            << "W1XYZ"
                                            << "No lines were kept";
}

void tst_robustnessMain::troubleRepeatsOncePerPressThenClears() {
  QFETCH(QString, input);
  QFETCH(QString, output);
  QFETCH(QString, callsign);
  QFETCH(QString, message);
  ChooseFiles(Path(qPrintable(input)), Path(qPrintable(output)));
  window_->txtKeyPhrase->setText(callsign);
  for (int press = 1; press <= 3; ++press) {
    QVERIFY(PressStartAndWait(*window_));
    QCOMPARE(sink_->messages.size(), press);
    QVERIFY2(sink_->messages.last().startsWith(message), qPrintable(sink_->messages.last()));
    QCOMPARE(sink_->messages.last(), sink_->messages.first());
    QCOMPARE(ReadAll(Path("unique.txt")), kKept);
    // The earlier result is not passed off as this run's.
    QVERIFY(window_->rtbResults->Text().isEmpty());
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList({"monitor.txt", "unique.txt"}));
  }
  sink_->messages.clear();
  ChooseFiles(Path("monitor.txt"), Path("again.txt"));
  window_->txtKeyPhrase->clear();
  QVERIFY(PressStartAndWait(*window_));
  QCOMPARE(sink_->messages, QStringList());
  QCOMPARE(ReadAll(Path("again.txt")), kKept);
  QCOMPARE(window_->rtbResults->Text(), kShown);
}

void tst_robustnessMain::quickPressesShowOneMessageEach() {
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  ChooseFiles(Path("absent.txt"), Path("unique.txt"));
  QSignalSpy presses(window_->cmdStart, &QPushButton::clicked);
  QSignalSpy runs(window_.get(), &sievra::frmMain::runFinished);
  // Two presses with the mouse and one with the keyboard, with no pause between:
  // one run, as a double-click on Start is not taken for Cancel.
  for (int round = 1; round <= 2; ++round) {
    QTest::mouseClick(window_->cmdStart, Qt::LeftButton);
    QTest::mouseClick(window_->cmdStart, Qt::LeftButton);
    window_->cmdStart->setFocus();
    QTest::keyClick(window_->cmdStart, Qt::Key_Space);
    QTRY_COMPARE(runs.count(), round);
    QCOMPARE(presses.count(), 3 * round);
    QCOMPARE(sink_->messages.size(), round);
    QVERIFY2(sink_->messages.last().startsWith("Cannot read the input file"),
             qPrintable(sink_->messages.last()));
    QCOMPARE(window_->cmdStart->text(), QStringLiteral("Start"));
  }
}

QTEST_MAIN(tst_robustnessMain)
#include "tst_robustness_main.moc"
