#pragma once

#include <string>
#include <vector>

#include "sievra/engine.h"

// What differs between POSIX and Windows consoles, behind one small interface.
namespace sievra::cli {

// The arguments after the program name, in UTF-8. On Windows they are taken from
// the UTF-16 command line, since argv is in the ANSI code page and loses any
// character outside it.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Standard input and output carry bytes as they are: no CR LF translation on Windows.
void UseBinaryStandardStreams();

bool StandardErrorIsTerminal();

// From now on Ctrl-C and SIGTERM (console close and Ctrl-Break on Windows) cancel
// the returned token, which lives as long as the process: a signal that comes
// after the run, while the program ends, finds it still there. A second Ctrl-C
// on POSIX ends the process at once, for a run stuck on a silent pipe.
const CancelToken& CancelOnInterrupt();

// The run has ended and its files are written: a console that is closing
// (Windows) may end the process now.
void RunEnded();

}  // namespace sievra::cli
