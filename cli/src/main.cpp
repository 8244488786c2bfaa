// sievra-cli: the duplicate filter as a Unix filter. Parsing and wording live in
// sievra_cli_options; this file wires them to the streams, signals and exit status.
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <string>

#include "console.h"
#include "sievra/cli/options.h"
#include "sievra/cli/report.h"
#include "sievra/engine.h"

namespace {

using namespace sievra;
using namespace sievra::cli;

void Say(const std::string& text) {
  std::fputs(("sievra-cli: " + text + "\n").c_str(), stderr);
  std::fflush(stderr);
}

// Shows progress on one line: rewritten in place on a terminal, a new line per
// step elsewhere. Prints only when the phase or the whole percent changes.
class ProgressPrinter {
 public:
  explicit ProgressPrinter(bool terminal) : terminal_(terminal) {}

  void Show(const RunProgress& progress) {
    const std::string text = ProgressLine(progress);
    if (text == last_) return;
    last_ = text;
    const std::string line = "sievra-cli: " + text;
    if (terminal_) {
      // Pad over a longer line shown before.
      const std::size_t pad = width_ > line.size() ? width_ - line.size() : 0;
      std::fprintf(stderr, "\r%s%s", line.c_str(), std::string(pad, ' ').c_str());
      width_ = line.size();
    } else {
      std::fprintf(stderr, "%s\n", line.c_str());
    }
    std::fflush(stderr);
  }

  // Leaves the cursor at the start of an empty line for what follows.
  void Clear() {
    if (!terminal_ || width_ == 0) return;
    std::fprintf(stderr, "\r%s\r", std::string(width_, ' ').c_str());
    std::fflush(stderr);
    width_ = 0;
  }

 private:
  bool terminal_;
  std::string last_;
  std::size_t width_ = 0;
};

// Standard input has no size to measure progress against, so by default a run
// that reads it, first or later, shows none.
bool WantProgress(const CliOptions& options) {
  if (options.quiet || options.progress == ProgressMode::Off) return false;
  if (options.progress == ProgressMode::On) return true;
  const RunSettings& settings = options.settings;
  const bool readsStandardInput =
      settings.inputPath == kStandardStream ||
      std::find(settings.moreInputPaths.begin(), settings.moreInputPaths.end(), kStandardStream) !=
          settings.moreInputPaths.end();
  return StandardErrorIsTerminal() && !readsStandardInput;
}

int Run(const CliOptions& options) {
  ProgressPrinter printer(StandardErrorIsTerminal());
  RunObserver observer;
  observer.cancel = &CancelOnInterrupt();
  if (WantProgress(options) && !options.settings.follow)
    observer.onProgress = [&printer](const RunProgress& p) { printer.Show(p); };
  observer.onWaiting = [](const std::string& path) { Say("waiting for '" + path + "' to appear"); };

  const RunResult result = RunRequest(options.settings, observer);
  RunEnded();
  printer.Clear();
  const int status = ExitStatus(result.outcome);
  if (options.stats && !options.quiet && status <= 1) {
    // The window's summary; for a run that kept nothing it says so itself.
    Say(SummaryLine(result));
  } else if (const std::string line = OutcomeLine(result);
             !line.empty() && !(options.quiet && status == 1)) {
    // The nothing-kept note is news, not trouble: --quiet silences it.
    Say(line);
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // The engine upper-cases callsigns under the user's locale, as the window does.
  std::setlocale(LC_ALL, "");
  UseBinaryStandardStreams();
  const CliOptions options = ParseOptions(Utf8Arguments(argc, argv));
  switch (options.action) {
    case Action::ShowHelp:
      std::fputs(HelpText().c_str(), stdout);
      return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 2;
    case Action::ShowVersion:
      std::fputs(VersionText().c_str(), stdout);
      return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 2;
    case Action::BadUsage:
      Say(options.usageError + " (see 'sievra-cli --help')");
      return 2;
    case Action::Run:
      break;
  }
  return Run(options);
}
