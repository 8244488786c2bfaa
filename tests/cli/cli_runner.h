#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sievra::testing {

// What one run of the real sievra-cli program gave.
struct CliRun {
  int status = -1;  // exit status; 128 + the signal's number when a signal ended it
  std::string out;  // standard output, bytes as written
  std::string err;  // standard error
};

// Runs sievra-cli with `args` (UTF-8) and `input` on its standard input, and waits.
CliRun RunCli(const std::vector<std::string>& args, std::string_view input = {});

#ifdef _WIN32
// The command line that starts sievra-cli with `args` (UTF-8), for CreateProcessW.
std::wstring CliCommandLine(const std::vector<std::string>& args);
#endif

}  // namespace sievra::testing
