// The window bound to a run in the background: its controls during a run,
// Cancel from the window, closing the window mid-run, and the run after a cancel.
// What the window decides for each outcome is the model's, tested beside it.

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "qt_test_support.h"
#include "sievra/presentation/wording.h"
#include "sievra/ui/frm_main.h"
#include "sievra/ui/rich_text_box.h"

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
  void closeDuringRunLeavesNothing();

 private:
  QString Path(const char* name) const { return f_->Path(QString::fromLatin1(name)); }
  // Holds the worker at the start of `stage` until Cancel is asked for.
  void HoldAt(RunStage stage);
  QStringList Listing() const { return f_->Listing(); }

  QByteArray log_;
  std::unique_ptr<WindowFixture> f_;
  sievra::frmMain* window_ = nullptr;
  RecordingSink* sink_ = nullptr;
  std::atomic<bool> held_{false};
};

void tst_frmMainRun::initTestCase() {
  log_ = BigLog();
  // Cancel may be pressed at once; a real user's double-click is tested elsewhere.
  QApplication::setDoubleClickInterval(0);
}

void tst_frmMainRun::init() {
  f_ = std::make_unique<WindowFixture>();
  window_ = f_->window.get();
  sink_ = &f_->sink;
  WriteAll(Path("monitor.txt"), log_);
  f_->ChooseFiles(Path("monitor.txt"), Path("unique.txt"));
  window_->optText->click();
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_));
  held_ = false;
}

void tst_frmMainRun::cleanup() { f_.reset(); }

void tst_frmMainRun::HoldAt(RunStage stage) {
  sievra::RunLifecycle& run = window_->backgroundRun();
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
  // The numbers as the user's locale writes them; the time varies.
  const QLocale locale;
  const QString summary = window_->lblSummary->text();
  const QString counts = "Read " + locale.toString(150'000) + " lines; kept " +
                         locale.toString(100'000) + "; removed " + locale.toString(50'000) +
                         " duplicates in ";
  QVERIFY2(summary.startsWith(counts), qPrintable(summary));
  QVERIFY2(
      QRegularExpression("^\\d+([.,]\\d)? (ms|s)$").match(summary.mid(counts.size())).hasMatch(),
      qPrintable(summary));
  QCOMPARE(window_->rtbResults->Text().count('\n'), 99'999);
  QVERIFY(values.size() >= 2);
  QVERIFY2(std::is_sorted(values.begin(), values.end()), "the bar went back");
  QVERIFY(!window_->prgRun->isVisible());
  QVERIFY(sink_->messages.isEmpty());
}

void tst_frmMainRun::cancelInEachStage_data() {
  QTest::addColumn<RunStage>("stage");
  QTest::addColumn<bool>("olderOutput");
  // Every stage is the model's table; here the window's Cancel and what it
  // shows, once in the engine and once while the result is read back.
  QTest::newRow("robustness: cancel while filtering, older output") << RunStage::Filtering << true;
  QTest::newRow("robustness: cancel while loading the result") << RunStage::Loading << true;
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
        static_cast<QWidget*>(window_->optStripPathNo), static_cast<QWidget*>(window_->cmdOptions)})
    QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
  for (QWidget* control : {window_->cmdStart, window_->cmdHelp, window_->cmdClose})
    QVERIFY(control->isEnabled());
  QVERIFY(window_->prgRun->isVisible());
  QTRY_COMPARE(window_->lblSummary->text(), QString::fromStdString(sievra::StageText(stage)));

  QSignalSpy finished(window_, &sievra::frmMain::runFinished);
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

void tst_frmMainRun::closeDuringRunLeavesNothing() {
  WriteAll(Path("unique.txt"), "older result\r\n");
  HoldAt(RunStage::Writing);
  window_->cmdStart->click();
  QTRY_VERIFY(held_);
  window_->cmdClose->click();  // cancels, and waits for the worker
  QVERIFY(!window_->isVisible());
  QCOMPARE(ReadAll(Path("unique.txt")), QByteArray("older result\r\n"));
  QCOMPARE(Listing(), QStringList({"monitor.txt", "unique.txt"}));
  QVERIFY(sink_->messages.isEmpty());
}

QTEST_MAIN(tst_frmMainRun)
#include "tst_frmmain_run.moc"
