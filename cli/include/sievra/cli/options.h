#pragma once

#include <string>
#include <vector>

#include "sievra/engine.h"

namespace sievra::cli {

enum class Action { Run, ShowHelp, ShowVersion, BadUsage };

// Whether a progress line goes to standard error.
enum class ProgressMode { Auto, On, Off };

// What the command line asks for. Paths are UTF-8; "-" is a standard stream.
struct CliOptions {
  Action action = Action::Run;
  RunSettings settings;
  bool stats = false;
  ProgressMode progress = ProgressMode::Auto;
  bool quiet = false;
  std::string usageError;  // set for BadUsage: what was wrong, without the program name
};

// Parses the arguments after the program name. Options and INPUTs may come in any
// order; "--" ends the options. The first INPUT becomes settings.inputPath, the
// rest settings.moreInputPaths. --help and --version win over what follows.
CliOptions ParseOptions(const std::vector<std::string>& args);

// The --help text: what the program does, every option, the exit status and examples.
std::string HelpText();
// The --version text: the version and, when the build knew it, its commit.
std::string VersionText();

}  // namespace sievra::cli
