#include "sievra/ui/run_summary.h"

#include <QCoreApplication>

#include "sievra/run_summary.h"

namespace sievra {

namespace {
QString Tr(const char* text) { return QCoreApplication::translate("RunSummary", text); }
}  // namespace

QString WindowSummary(const RunSettings& settings, const FinishedRun& run, const QLocale& locale) {
  const NumberFormat numbers{
      [&locale](std::uint64_t value) {
        return locale.toString(static_cast<qulonglong>(value)).toStdString();
      },
      [&locale](double value) { return locale.toString(value, 'f', 1).toStdString(); }};
  QString text = QString::fromStdString(RunSummary(settings, run.result, numbers));
  if (run.result.outcome != RunOutcome::Completed || run.loaded) return text;
  return text + (run.loadCancelled ? Tr(". Loading the result was cancelled.")
                                   : Tr(". The result cannot be shown."));
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

}  // namespace sievra
