#pragma once

#include <QLocale>
#include <QString>

#include "sievra/engine.h"
#include "sievra/ui/background_run.h"

namespace sievra {

// What the summary line says about a finished run: the engine's one-line
// summary (the command line says the same), with numbers grouped and the
// decimal point as `locale` writes them, and, when the output file was written
// but not shown in full, why not.
QString WindowSummary(const RunSettings& settings, const FinishedRun& run,
                      const QLocale& locale = QLocale());

// What the summary line says while a stage runs.
QString StageText(RunStage stage);

}  // namespace sievra
