#pragma once

#include "sievra/engine.h"

namespace sievra {

// What a run may use beyond its settings; no user chooses it. RunRequest gives
// the machine's figures; tests give their own, to take every path anywhere.
struct RunOptions {
  // Threads the run may use: with one, every step runs on the caller's thread;
  // with more, counting in parts, scanning ahead and writing early run where
  // they pay, whatever the cores.
  unsigned threads = 1;
};

// RunRequest with the options given instead of found.
RunResult RunRequest(const RunSettings& settings, const RunObserver& observer,
                     const RunOptions& options);

}  // namespace sievra
