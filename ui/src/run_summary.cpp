#include "sievra/ui/run_summary.h"

#include <QCoreApplication>

namespace sievra {

namespace {
QString Tr(const char* text) { return QCoreApplication::translate("RunSummary", text); }

QString Number(std::uint64_t value, const QLocale& locale) {
  return locale.toString(static_cast<qulonglong>(value));
}

QString Lines(std::uint64_t count, const QLocale& locale) {
  return (count == 1 ? Tr("%1 line") : Tr("%1 lines")).arg(Number(count, locale));
}

// "; skipped 12 lines not from N0CALL" for a Packet run that skipped any.
QString Skipped(const RunCounts& counts, FileType type, const QString& callsign,
                const QLocale& locale) {
  if (type != FileType::Packet || counts.linesSkipped == 0) return QString();
  const QString lines = Lines(counts.linesSkipped, locale);
  return callsign.isEmpty() ? Tr("; skipped %1 without a payload").arg(lines)
                            : Tr("; skipped %1 not from %2").arg(lines, callsign);
}

QString Completed(const FinishedRun& run, FileType type, const QString& callsign,
                  const QLocale& locale) {
  const RunCounts& counts = run.result.counts;
  const QString removed =
      counts.duplicatesRemoved == 1 ? Tr("removed %1 duplicate") : Tr("removed %1 duplicates");
  QString text =
      Tr("Read %1; kept %2; %3%4 in %5")
          .arg(Lines(counts.linesRead, locale), Number(counts.linesKept, locale),
               removed.arg(Number(counts.duplicatesRemoved, locale)),
               Skipped(counts, type, callsign, locale), DurationText(run.result.elapsed, locale));
  if (run.loadCancelled) return text + Tr(". Loading the result was cancelled.");
  if (!run.loaded) return text + Tr(". The result cannot be shown.");
  return text;
}
}  // namespace

QString RunSummary(const FinishedRun& run, FileType type, const QString& callsign,
                   const QLocale& locale) {
  const RunResult& result = run.result;
  switch (result.outcome) {
    case RunOutcome::Completed:
      return Completed(run, type, callsign, locale);
    case RunOutcome::NothingKept:
      return Tr("Read %1; kept none%2; the output file was not written.")
          .arg(Lines(result.counts.linesRead, locale),
               Skipped(result.counts, type, callsign, locale));
    case RunOutcome::Failed:
      return Tr("Failed: %1").arg(QString::fromStdString(result.message));
    case RunOutcome::Cancelled:
    case RunOutcome::MissingInput:
    case RunOutcome::MissingOutput:
      break;
  }
  return QString::fromStdString(result.message);
}

QString StageText(RunStage stage) {
  switch (stage) {
    case RunStage::Counting:
      return Tr("Counting lines…");
    case RunStage::Filtering:
      return Tr("Removing duplicates…");
    case RunStage::Writing:
      return Tr("Writing the output file…");
    case RunStage::Loading:
      break;
  }
  return Tr("Loading the result…");
}

QString DurationText(std::chrono::nanoseconds elapsed, const QLocale& locale) {
  const double seconds = std::chrono::duration<double>(elapsed).count();
  if (seconds < 1)
    return Tr("%1 ms").arg(
        locale.toString(std::chrono::round<std::chrono::milliseconds>(elapsed).count()));
  if (seconds < 60) return Tr("%1 s").arg(locale.toString(seconds, 'f', 1));
  const auto whole = static_cast<qlonglong>(seconds + 0.5);
  return Tr("%1 min %2 s").arg(locale.toString(whole / 60), locale.toString(whole % 60));
}

}  // namespace sievra
