#pragma once

#include <QLocale>
#include <QString>
#include <chrono>

#include "sievra/ui/background_run.h"

namespace sievra {

// What the summary line says about a finished run, in one line: counts read,
// kept, removed and (Packet) skipped, and the time, numbers grouped as `locale`
// groups them; or why nothing was written. `callsign` is the trimmed target as
// captured (Packet only; empty when every station's frames were taken).
QString RunSummary(const FinishedRun& run, FileType type, const QString& callsign,
                   const QLocale& locale = QLocale());

// What the summary line says while a stage runs.
QString StageText(RunStage stage);

// A run's time as the summary gives it: "40 ms", "1.9 s", "2 min 5 s".
QString DurationText(std::chrono::nanoseconds elapsed, const QLocale& locale = QLocale());

}  // namespace sievra
