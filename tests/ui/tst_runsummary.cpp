// The summary line's words come from the engine; what the window adds is the
// user's locale for numbers and times, and a word on a result it could not show.

#include <QTest>
#include <chrono>

#include "sievra/ui/run_summary.h"

using sievra::FinishedRun;
using sievra::RunOutcome;

namespace {
enum class Shown { Yes, LoadCancelled, LoadFailed };
}  // namespace

class tst_RunSummary : public QObject {
  Q_OBJECT

 private slots:
  void summary_data();
  void summary();
};

void tst_RunSummary::summary_data() {
  QTest::addColumn<QString>("locale");
  QTest::addColumn<int>("outcome");
  QTest::addColumn<int>("shown");
  QTest::addColumn<QString>("expected");
  const int done = int(RunOutcome::Completed);
  QTest::newRow("nominal: English groups")
      << "en_US" << done << int(Shown::Yes)
      << "Read 10,000,000 lines; kept 6,827,925; removed 3,172,075 duplicates; skipped 1,234 "
         "lines not from N0CALL in 1.9 s";
  QTest::newRow("nominal: German groups and decimal comma")
      << "de_DE" << done << int(Shown::Yes)
      << "Read 10.000.000 lines; kept 6.827.925; removed 3.172.075 duplicates; skipped 1.234 "
         "lines not from N0CALL in 1,9 s";
  QTest::newRow("robustness: Cancel came while the result was read")
      << "en_US" << done << int(Shown::LoadCancelled)
      << "Read 10,000,000 lines; kept 6,827,925; removed 3,172,075 duplicates; skipped 1,234 "
         "lines not from N0CALL in 1.9 s. Loading the result was cancelled.";
  QTest::newRow("robustness: the result could not be read")
      << "en_US" << done << int(Shown::LoadFailed)
      << "Read 10,000,000 lines; kept 6,827,925; removed 3,172,075 duplicates; skipped 1,234 "
         "lines not from N0CALL in 1.9 s. The result cannot be shown.";
  QTest::newRow("robustness: cancelled runs say only so")
      << "en_US" << int(RunOutcome::Cancelled) << int(Shown::LoadFailed)
      << "The run was cancelled; the output file was not changed.";
}

void tst_RunSummary::summary() {
  QFETCH(QString, locale);
  QFETCH(int, outcome);
  QFETCH(int, shown);
  QFETCH(QString, expected);
  sievra::RunSettings settings;
  settings.fileType = sievra::FileType::Packet;
  settings.callsignText = " n0call ";
  FinishedRun run;
  run.result.outcome = RunOutcome(outcome);
  run.result.message = "The run was cancelled; the output file was not changed.";
  run.result.counts.linesRead = 10'000'000;
  run.result.counts.linesKept = 6'827'925;
  run.result.counts.duplicatesRemoved = 3'172'075;
  run.result.counts.linesSkipped = 1'234;
  run.result.elapsed = std::chrono::milliseconds(1900);
  run.loaded = Shown(shown) == Shown::Yes;
  run.loadCancelled = Shown(shown) == Shown::LoadCancelled;
  QCOMPARE(sievra::WindowSummary(settings, run, QLocale(locale)), expected);
}

QTEST_MAIN(tst_RunSummary)
#include "tst_runsummary.moc"
