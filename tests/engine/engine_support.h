#pragma once

#include <string_view>

#include "run_options.h"
#include "test_support.h"

// Runs on a chosen number of threads, so that every engine path is tested on
// any machine, one core or many.
namespace sievra::testing {

// The rows a test of both ways of running takes: every step on the caller's
// thread, then on as many threads as the engine uses where they pay.
inline constexpr unsigned kThreadRows[] = {1, 4};

inline const char* ThreadsName(unsigned threads) { return threads == 1 ? "one thread" : "threads"; }

// Runs the rig's settings and observer on `threads` threads.
inline RunOutcome RunOnThreads(EngineRig& rig, unsigned threads) {
  rig.result = RunRequest(rig.settings, rig.observer, RunOptions{threads});
  return rig.result.outcome;
}

// Runs on `threads` threads with `input` as the input file's bytes.
inline RunOutcome RunOnThreads(EngineFixture& f, unsigned threads, std::string_view input,
                               bool packet, std::string_view call = "", bool strip = false) {
  WriteBytes(f.settings.inputPath, input);
  f.settings.fileType = packet ? FileType::Packet : FileType::Text;
  f.settings.callsignText = call;
  f.settings.strip = strip;
  return RunOnThreads(f, threads);
}

}  // namespace sievra::testing
