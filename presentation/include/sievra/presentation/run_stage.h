#pragma once

#include <cstdint>
#include <string>

#include "sievra/engine.h"

namespace sievra {

// The steps of a run as a window shows them: the engine's three phases, then
// reading the output file back for the results box.
enum class RunStage { Counting, Filtering, Writing, Loading };

// `done` of `total` bytes of the current stage.
struct StageProgress {
  RunStage stage = RunStage::Counting;
  std::uint64_t done = 0;
  std::uint64_t total = 0;
};

// What a run hands back when it ends.
struct FinishedRun {
  RunResult result;
  // After a completed run: the output file was read back whole (its pieces came
  // through the run's piece callback); false when it could not be, or Cancel came.
  bool loaded = false;
  std::string loadError;       // why the output file could not be read (UTF-8)
  bool loadCancelled = false;  // Cancel came after the output was written
};

}  // namespace sievra
