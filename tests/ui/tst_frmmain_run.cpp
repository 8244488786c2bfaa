// Start runs in the background: the window during a run, Cancel in every
// stage, closing the window mid-run, and the run after a cancel.

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "qt_test_support.h"
#include "sievra/ui/background_run.h"
#include "sievra/ui/frm_main.h"
#include "sievra/ui/rich_text_box.h"
#include "sievra/ui/run_summary.h"

using sievra::RunStage;
using sievra::StageProgress;
using namespace sievra::testing;

namespace {
// Several MiB, so that every stage reports more than once; every third line repeats.
QByteArray BigLog() {
  QByteArray log;
  for (int i = 0; i < 150'000; ++i)
    log += "K1ABC>APRS,WIDE1-1:status " + QByteArray::number(i % 3 == 2 ? i - 1 : i) + "\r\n";
  return log;
}

QByteArray Deduplicated(const QByteArray& log) {
  QByteArray kept;
  QSet<QByteArray> seen;
  for (const QByteArray& line : log.split('\n')) {
    const QByteArray text = line.chopped(line.endsWith('\r') ? 1 : 0);
    if (!text.isEmpty() && !seen.contains(text)) {
      seen.insert(text);
      kept += text + '\n';
    }
  }
  return kept;
}

const QString kCancelled =
    QStringLiteral("The run was cancelled; the output file was not changed.");
}  // namespace

class tst_frmMainRun : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void completedRunShowsProgressAndSummary();
  void cancelInEachStage_data();
  void cancelInEachStage();
  void resultThatCannotBeReadSaysWhy();
  // Last: closing ends the application's event loop for good.
  void closeDuringRunLeavesNothing_data();
  void closeDuringRunLeavesNothing();

 private:
  QString Path(const char* name) const { return dir_->filePath(QString::fromLatin1(name)); }
  // Holds the worker at the start of `stage` until Cancel is asked for.
  void HoldAt(RunStage stage);
  QStringList Listing() const { return QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden); }

  QByteArray log_;
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<FakeChooser> chooser_;
  std::unique_ptr<RecordingSink> sink_;
  std::unique_ptr<sievra::frmMain> window_;
  std::atomic<bool> held_{false};
};

void tst_frmMainRun::initTestCase() {
  log_ = BigLog();
  // Cancel may be pressed at once; a real user's double-click is tested elsewhere.
  QApplication::setDoubleClickInterval(0);
}

void tst_frmMainRun::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  IsolateSettings(dir_->filePath(QStringLiteral("settings")));
  chooser_ = std::make_unique<FakeChooser>();
  sink_ = std::make_unique<RecordingSink>();
  window_ = std::make_unique<sievra::frmMain>(*chooser_, *sink_, Path("help.rtf"));
  WriteAll(Path("monitor.txt"), log_);
  chooser_->answers = {Path("monitor.txt"), Path("unique.txt")};
  window_->cmdBrowseInput->click();
  window_->cmdBrowseOutput->click();
  window_->optText->click();
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  held_ = false;
}

void tst_frmMainRun::cleanup() {
  window_.reset();
  sink_.reset();
  chooser_.reset();
  dir_.reset();
}

void tst_frmMainRun::HoldAt(RunStage stage) {
  sievra::BackgroundRun& run = window_->backgroundRun();
  run.SetWorkerHook([this, &run, stage](const StageProgress& progress) {
    if (progress.stage != stage) return;
    held_ = true;
    while (!run.CancelRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
}

void tst_frmMainRun::completedRunShowsProgressAndSummary() {
  QList<int> values;
  connect(window_->prgRun, &QProgressBar::valueChanged, this, [&values](int v) { values << v; });
  QVERIFY(PressStartAndWait(*window_));
  QCOMPARE(ReadAll(Path("unique.txt")).replace("\r\n", "\n"), Deduplicated(log_));
  QCOMPARE(window_->lblSummary->text(),
           QStringLiteral("Read 150,000 lines; kept 100,000; removed 50,000 duplicates in ")
                   .replace(',', QLocale().groupSeparator()) +
               window_->lblSummary->text().section(" in ", 1));
  QCOMPARE(window_->rtbResults->Text().count('\n'), 99'999);
  QVERIFY(values.size() >= 2);
  QVERIFY2(std::is_sorted(values.begin(), values.end()), "the bar went back");
  QVERIFY(!window_->prgRun->isVisible());
  QVERIFY(sink_->messages.isEmpty());
}

void tst_frmMainRun::cancelInEachStage_data() {
  QTest::addColumn<RunStage>("stage");
  QTest::addColumn<bool>("olderOutput");
  const std::pair<const char*, RunStage> stages[] = {{"counting", RunStage::Counting},
                                                     {"filtering", RunStage::Filtering},
                                                     {"writing", RunStage::Writing},
                                                     {"loading the result", RunStage::Loading}};
  for (const auto& [name, stage] : stages) {
    QTest::addRow("robustness: cancel while %s, no output yet", name) << stage << false;
    QTest::addRow("robustness: cancel while %s, older output", name) << stage << true;
  }
}

void tst_frmMainRun::cancelInEachStage() {
  QFETCH(RunStage, stage);
  QFETCH(bool, olderOutput);
  if (olderOutput) WriteAll(Path("unique.txt"), "older result\r\n");
  const QStringList before = Listing();
  HoldAt(stage);
  window_->cmdStart->click();
  QTRY_VERIFY(held_);
  // The window during the run: only Cancel, Help, Close and the results respond.
  QCOMPARE(window_->cmdStart->text(), QStringLiteral("Cancel"));
  for (QWidget* control :
       {static_cast<QWidget*>(window_->cmdBrowseInput),
        static_cast<QWidget*>(window_->cmdBrowseOutput),
        static_cast<QWidget*>(window_->txtKeyPhrase), static_cast<QWidget*>(window_->optPacket),
        static_cast<QWidget*>(window_->optText), static_cast<QWidget*>(window_->optStripPathYes),
        static_cast<QWidget*>(window_->optStripPathNo)})
    QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
  for (QWidget* control : {window_->cmdStart, window_->cmdHelp, window_->cmdClose})
    QVERIFY(control->isEnabled());
  QVERIFY(window_->prgRun->isVisible());
  QTRY_COMPARE(window_->lblSummary->text(), sievra::StageText(stage));

  QSignalSpy finished(window_.get(), &sievra::frmMain::runFinished);
  window_->cmdStart->click();
  QVERIFY(finished.wait());
  if (stage == RunStage::Loading) {
    QCOMPARE(ReadAll(Path("unique.txt")).replace("\r\n", "\n"), Deduplicated(log_));
    QVERIFY2(window_->lblSummary->text().endsWith("Loading the result was cancelled."),
             qPrintable(window_->lblSummary->text()));
  } else {
    QCOMPARE(ReadAll(Path("unique.txt")),
             olderOutput ? QByteArray("older result\r\n") : QByteArray("<missing>"));
    QCOMPARE(window_->lblSummary->text(), kCancelled);
    QCOMPARE(Listing(), before);  // no temporary file left
  }
  QVERIFY2(sink_->messages.isEmpty(), qPrintable(sink_->messages.join('|')));
  QVERIFY(window_->rtbResults->Text().isEmpty());
  QCOMPARE(window_->cmdStart->text(), QStringLiteral("Start"));
  QVERIFY(window_->cmdBrowseInput->isEnabled() && window_->optText->isEnabled());
  QVERIFY(!window_->prgRun->isVisible());

  // The next Start runs normally.
  window_->backgroundRun().SetWorkerHook({});
  QVERIFY(PressStartAndWait(*window_));
  QCOMPARE(ReadAll(Path("unique.txt")).replace("\r\n", "\n"), Deduplicated(log_));
  QCOMPARE(window_->rtbResults->Text().count('\n'), 99'999);
  QVERIFY(window_->lblSummary->text().startsWith("Read "));
}

void tst_frmMainRun::closeDuringRunLeavesNothing_data() {
  QTest::addColumn<RunStage>("stage");
  QTest::newRow("robustness: close while counting") << RunStage::Counting;
  QTest::newRow("robustness: close while filtering") << RunStage::Filtering;
  QTest::newRow("robustness: close while writing") << RunStage::Writing;
}

void tst_frmMainRun::closeDuringRunLeavesNothing() {
  QFETCH(RunStage, stage);
  WriteAll(Path("unique.txt"), "older result\r\n");
  HoldAt(stage);
  window_->cmdStart->click();
  QTRY_VERIFY(held_);
  window_->cmdClose->click();  // cancels, and waits for the worker
  QVERIFY(!window_->backgroundRun().IsRunning());
  QVERIFY(!window_->isVisible());
  QCOMPARE(ReadAll(Path("unique.txt")), QByteArray("older result\r\n"));
  QCOMPARE(Listing(), QStringList({"monitor.txt", "unique.txt"}));
  QVERIFY(sink_->messages.isEmpty());
}

void tst_frmMainRun::resultThatCannotBeReadSaysWhy() {
  // Another program takes the output away between writing and showing it.
  window_->backgroundRun().SetWorkerHook([this](const StageProgress& progress) {
    if (progress.stage == RunStage::Loading && progress.total == 0)
      QFile::remove(Path("unique.txt"));
  });
  QVERIFY(PressStartAndWait(*window_));
  const QString path = Path("unique.txt");
  QCOMPARE(sink_->messages, QStringList{"The output file \"" + path +
                                        "\" was written but cannot be shown: No such file "
                                        "or directory."});
  QVERIFY(window_->rtbResults->Text().isEmpty());
  QVERIFY(window_->lblSummary->text().endsWith("The result cannot be shown."));
}

QTEST_MAIN(tst_frmMainRun)
#include "tst_frmmain_run.moc"
