// The summary line's words for every way a run ends, with numbers grouped
// and times written as the user's locale writes them.

#include <QTest>
#include <chrono>

#include "sievra/ui/run_summary.h"

using sievra::FileType;
using sievra::FinishedRun;
using sievra::RunOutcome;

namespace {
enum class Shown { Yes, LoadCancelled, LoadFailed };

struct Row {
  RunOutcome outcome = RunOutcome::Completed;
  FileType type = FileType::Text;
  const char* callsign = "";
  std::uint64_t read = 0, kept = 0, duplicates = 0, skipped = 0;
  std::chrono::milliseconds elapsed{0};
  const char* message = "";
  Shown shown = Shown::Yes;
  const char* locale = "en_US";
};
}  // namespace

Q_DECLARE_METATYPE(Row)

class tst_RunSummary : public QObject {
  Q_OBJECT

 private slots:
  void summary_data();
  void summary();
};

void tst_RunSummary::summary_data() {
  QTest::addColumn<Row>("row");
  QTest::addColumn<QString>("expected");
  using namespace std::chrono_literals;
  const RunOutcome done = RunOutcome::Completed;
  QTest::newRow("nominal: text run")
      << Row{done, FileType::Text, "", 10'000'000, 6'827'925, 3'172'075, 0, 1900ms}
      << "Read 10,000,000 lines; kept 6,827,925; removed "
         "3,172,075 duplicates in 1.9 s";
  QTest::newRow("nominal: German groups and decimal comma")
      << Row{done, FileType::Text, "", 10'000'000, 6'827'925, 3'172'075,
             0,    1900ms,         "", Shown::Yes, "de_DE"}
      << "Read 10.000.000 lines; kept 6.827.925; removed 3.172.075 duplicates in 1,9 s";
  QTest::newRow("nominal: packet, target's frames only")
      << Row{done, FileType::Packet, "N0CALL", 1000, 10, 40, 950, 250ms}
      << "Read 1,000 lines; kept 10; removed 40 duplicates; skipped 950 lines not from N0CALL "
         "in 250 ms";
  QTest::newRow("nominal: packet, every station, a line without payload")
      << Row{done, FileType::Packet, "", 7, 5, 1, 1, 3ms}
      << "Read 7 lines; kept 5; removed 1 duplicate; skipped 1 line without a payload in 3 ms";
  QTest::newRow("nominal: packet that skipped nothing says nothing of it")
      << Row{done, FileType::Packet, "N0CALL", 1, 1, 0, 0, 0ms}
      << "Read 1 line; kept 1; removed 0 duplicates in 0 ms";
  QTest::newRow("nominal: a long run") << Row{done, FileType::Text, "", 5, 5, 0, 0, 125'400ms}
                                       << "Read 5 lines; kept 5; removed 0 duplicates in 2 min 5 s";
  QTest::newRow("nominal: nothing kept")
      << Row{RunOutcome::NothingKept, FileType::Packet, "W1XYZ", 6, 0, 0, 6, 2ms}
      << "Read 6 lines; kept none; skipped 6 lines not from W1XYZ; the output file was not "
         "written.";
  QTest::newRow("robustness: failed")
      << Row{RunOutcome::Failed,
             FileType::Text,
             "",
             0,
             0,
             0,
             0,
             1ms,
             "Cannot read the input file \"/x\": No such file or directory."}
      << "Failed: Cannot read the input file \"/x\": No such file or directory.";
  QTest::newRow("robustness: cancelled")
      << Row{RunOutcome::Cancelled,
             FileType::Text,
             "",
             10,
             0,
             0,
             0,
             1ms,
             "The run was cancelled; the output file was not changed."}
      << "The run was cancelled; the output file was not changed.";
  QTest::newRow("robustness: cancelled while the result was read")
      << Row{done, FileType::Text, "", 2, 1, 1, 0, 1900ms, "", Shown::LoadCancelled}
      << "Read 2 lines; kept 1; removed 1 duplicate in 1.9 s. Loading the result was cancelled.";
  QTest::newRow("robustness: result cannot be read")
      << Row{done, FileType::Text, "", 2, 1, 1, 0, 1900ms, "", Shown::LoadFailed}
      << "Read 2 lines; kept 1; removed 1 duplicate in 1.9 s. The result cannot be shown.";
}

void tst_RunSummary::summary() {
  QFETCH(Row, row);
  QFETCH(QString, expected);
  FinishedRun run;
  run.result.outcome = row.outcome;
  run.result.message = row.message;
  run.result.counts.linesRead = row.read;
  run.result.counts.linesKept = row.kept;
  run.result.counts.duplicatesRemoved = row.duplicates;
  run.result.counts.linesSkipped = row.skipped;
  run.result.elapsed = row.elapsed;
  run.loaded = row.shown == Shown::Yes;
  run.loadCancelled = row.shown == Shown::LoadCancelled;
  QCOMPARE(sievra::RunSummary(run, row.type, QString::fromLatin1(row.callsign),
                              QLocale(QString::fromLatin1(row.locale))),
           expected);
}

QTEST_MAIN(tst_RunSummary)
#include "tst_runsummary.moc"
