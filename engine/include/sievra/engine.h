#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

#include "sievra/kept_lines.h"
#include "sievra/ui_ports.h"

namespace sievra {

class InputFile;

// How a run request ended; the window and the benchmark driver act on it.
enum class RunOutcome {
  Completed,      // output written and shown
  NothingKept,    // no line kept: output untouched, results box emptied
  MissingInput,   // no input file chosen
  MissingOutput,  // no output file chosen
  Failed,         // a file could not be read or written; a message said why
};

// The settings the Start button hands over.
struct RunRequestArgs {
  std::string_view callsignText;  // the callsign box's text, in the local 8-bit encoding
  bool stripYes = false;          // "Yes" selected under "Strip Digi Path"
  bool textSelected = false;      // "Text" selected
  bool packetSelected = false;    // "Packet" selected
};

// One duplicate-filter engine: the run state and the procedures that read and
// write it. The window owns one for the life of the process; tests make many.
// Paths are UTF-8.
class Engine {
 public:
  Engine(ResultsBox& results, MessageSink& messages) : results_(results), messages_(messages) {}

  // Checks both paths, captures the settings and runs the whole sequence.
  RunOutcome RunRequest(const RunRequestArgs& args);

  // The run sequence on the current run state: count, filter, show the output.
  void RunDuplicateCheck();
  // Counts the lines that can be kept and sizes KeptLines from it.
  void CountInputLines();
  // Keeps the first occurrence of every distinct line and writes them.
  void FilterTextLines();
  // Keeps the target's frames with a payload not yet kept, optionally path-cut, and writes them.
  void FilterPacketLines();

  // How the last procedure ended.
  RunOutcome LastOutcome() const { return outcome_; }
  // Lines the last filter read and kept (for the benchmark driver and tests).
  std::size_t LinesRead() const { return linesRead_; }
  std::size_t KeptCount() const { return keptCount_; }

  // The run state.
  std::string InputPath;
  std::string InputFolder;
  std::string OutputPath;
  std::string TargetCall;
  std::string TrimmedTarget;
  bool PacketMode = false;
  bool StripPath = false;
  std::string CurrentLine;
  KeptLineTable KeptLines;

 private:
  template <class Policy>
  void FilterLines(const Policy& policy);
  template <class Policy>
  std::error_code FilterBlocks(InputFile& in, const Policy& policy);
  void WriteKeptLines();
  void FailReadingInput(const std::error_code& ec);
  void Fail(std::string message);

  ResultsBox& results_;
  MessageSink& messages_;
  RunOutcome outcome_ = RunOutcome::Completed;
  std::size_t linesRead_ = 0;
  std::size_t keptCount_ = 0;
};

}  // namespace sievra
