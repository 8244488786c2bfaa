#include "sievra/cli/options.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

#include "sievra/presentation/main_window_model.h"

namespace sievra::cli {

namespace {

using Args = std::vector<std::string>;

// Sets `to` to the option's value: the text after "=" (long) or after the letter
// (short), else the next argument. False when there is none.
bool TakeValue(const Args& args, std::size_t& i, std::optional<std::string> attached,
               std::string& to) {
  if (attached) {
    to = *attached;
    return true;
  }
  if (i + 1 >= args.size()) return false;
  to = args[++i];
  return true;
}

class Parser {
 public:
  explicit Parser(const Args& args) : args_(args) {}

  CliOptions Parse() {
    bool optionsEnded = false;
    for (i_ = 0; i_ < args_.size() && options_.action == Action::Run; ++i_) {
      const std::string& arg = args_[i_];
      if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
        Input(arg);
      } else if (arg == "--") {
        optionsEnded = true;
      } else if (arg.starts_with("--")) {
        LongOption(arg);
      } else {
        ShortOption(arg);
      }
    }
    if (options_.action == Action::Run) CheckCombination();
    return options_;
  }

 private:
  void Fail(std::string why) {
    options_.action = Action::BadUsage;
    options_.usageError = std::move(why);
  }

  void Input(const std::string& arg) { inputs_.push_back(arg); }

  void LongOption(const std::string& arg) {
    const std::size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    std::optional<std::string> attached;
    if (eq != std::string::npos) attached = arg.substr(eq + 1);
    if (name == "--output") return Output(name, attached);
    if (name == "--call") return Call(name, attached);
    if (name == "--keep") return Keep(name, attached);
    if (name == "--window") return Window(name, attached);
    if (name == "--removed") return Report(name, attached, options_.settings.reports.removedPath);
    if (name == "--counts") return Report(name, attached, options_.settings.reports.countsPath);
    if (attached) return Fail("option '" + name + "' takes no value");
    if (!Flag(name)) Fail("unknown option '" + arg + "'");
  }

  void ShortOption(const std::string& arg) {
    if (arg.starts_with("-o")) {
      std::optional<std::string> attached;
      if (arg.size() > 2) attached = arg.substr(2);
      return Output("-o", attached);
    }
    if (arg == "-q") return void(Flag("--quiet"));
    if (arg == "-h") return void(Flag("--help"));
    Fail("unknown option '" + arg + "'");
  }

  void Output(const std::string& name, const std::optional<std::string>& attached) {
    std::string path;
    if (!TakeValue(args_, i_, attached, path))
      return Fail("option '" + name + "' needs a file name");
    if (path.empty()) return Fail("option '" + name + "' was given an empty file name");
    options_.settings.outputPath = path;
  }

  void Call(const std::string& name, const std::optional<std::string>& attached) {
    if (!TakeValue(args_, i_, attached, options_.settings.callsignText))
      return Fail("option '" + name + "' needs a callsign");
    callGiven_ = true;
  }

  void Keep(const std::string& name, const std::optional<std::string>& attached) {
    std::string rule;
    if (!TakeValue(args_, i_, attached, rule))
      return Fail("option '" + name + "' needs first, last, once or repeated");
    const std::optional<KeepRule> keep = KeepRuleNamed(rule);
    if (!keep)
      return Fail("option '" + name + "' takes first, last, once or repeated, not '" + rule + "'");
    options_.settings.rules.keep = *keep;
  }

  // Digits only: a sign, a fraction or a unit would be a guess at what was meant.
  void Window(const std::string& name, const std::optional<std::string>& attached) {
    std::string text;
    if (!TakeValue(args_, i_, attached, text))
      return Fail("option '" + name + "' needs a number of seconds");
    const bool digits = !text.empty() && std::all_of(text.begin(), text.end(),
                                                     [](char c) { return c >= '0' && c <= '9'; });
    if (!digits)
      return Fail("option '" + name + "' takes a whole number of seconds, not '" + text + "'");
    std::uint32_t seconds = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), seconds).ec != std::errc())
      return Fail("option '" + name + "' takes at most " +
                  std::to_string(std::numeric_limits<std::uint32_t>::max()) + " seconds, not '" +
                  text + "'");
    options_.settings.rules.windowSeconds = seconds;
    windowGiven_ = true;
  }

  // A report is always a file: on standard output it would be mixed into the kept lines.
  void Report(const std::string& name, const std::optional<std::string>& attached,
              std::string& path) {
    if (!TakeValue(args_, i_, attached, path))
      return Fail("option '" + name + "' needs a file name");
    if (path.empty()) return Fail("option '" + name + "' was given an empty file name");
    if (path == kStandardStream) return Fail("option '" + name + "' needs a file name, not '-'");
  }

  bool Flag(std::string_view name) {
    if (name == "--text") {
      options_.settings.fileType = FileType::Text;
    } else if (name == "--packet") {
      options_.settings.fileType = FileType::Packet;
    } else if (name == "--strip") {
      options_.settings.strip = true;
    } else if (name == "--no-prefix") {
      options_.settings.logPrefixes = false;
      noPrefixGiven_ = true;
    } else if (name == "--ignore-case") {
      options_.settings.rules.compare.ignoreCase = true;
    } else if (name == "--ignore-spacing") {
      options_.settings.rules.compare.ignoreSpacing = true;
    } else if (name == "--follow") {
      options_.settings.follow = true;
    } else if (name == "--lf") {
      options_.settings.lineEnd = LineEnd::Lf;
    } else if (name == "--stats") {
      options_.stats = true;
    } else if (name == "--progress") {
      options_.progress = ProgressMode::On;
    } else if (name == "--quiet") {
      options_.quiet = true;
    } else if (name == "--help") {
      options_.action = Action::ShowHelp;
    } else if (name == "--version") {
      options_.action = Action::ShowVersion;
    } else {
      return false;
    }
    return true;
  }

  // Checked once every option is read, as options come in any order. The first
  // fault found is the one reported.
  void CheckCombination() {
    const RunSettings& settings = options_.settings;
    // A callsign, a path cut, --no-prefix or a window in a Text run would be
    // ignored without a word (text lines have no frame and no time stamp);
    // refusing it catches a forgotten --packet.
    if (settings.fileType == FileType::Text &&
        (callGiven_ || settings.strip || noPrefixGiven_ || windowGiven_))
      return Fail("--call, --strip, --no-prefix and --window apply to --packet runs only");
    if (!RulesAgree(settings.rules))
      return Fail("--window works only with --keep first, not --keep " +
                  std::string(KeepRuleName(settings.rules.keep)));
    if (!inputs_.empty()) TakeInputs();
    if (options_.action == Action::Run) CheckReports();
    if (options_.action == Action::Run && settings.follow) CheckFollow();
  }

  // Following waits for lines that come later: standard input has no file to
  // watch, and the keep rules that need the whole input would never write.
  void CheckFollow() {
    const RunSettings& settings = options_.settings;
    const std::string& followed =
        settings.moreInputPaths.empty() ? settings.inputPath : settings.moreInputPaths.back();
    if (followed == kStandardStream)
      return Fail("--follow needs an input file: standard input ('-') cannot be followed");
    if (settings.rules.keep != KeepRule::First)
      return Fail("--follow works only with --keep first, not --keep " +
                  std::string(KeepRuleName(settings.rules.keep)));
  }

  // The first input is the one the window would name; the rest follow it as one input.
  void TakeInputs() {
    if (std::find(inputs_.begin(), inputs_.end(), "") != inputs_.end())
      return Fail("the input file name is empty");
    if (std::count(inputs_.begin(), inputs_.end(), kStandardStream) > 1)
      return Fail("standard input ('-') may be given only once");
    options_.settings.inputPath = inputs_.front();
    options_.settings.moreInputPaths.assign(inputs_.begin() + 1, inputs_.end());
  }

  // A report named as the output or an input would overwrite what the run writes or
  // reads. Compared as given: another spelling of the same file is not caught.
  void CheckReports() {
    const RunSettings& settings = options_.settings;
    const std::string& removed = settings.reports.removedPath;
    const std::string& counts = settings.reports.countsPath;
    if (!removed.empty() && removed == counts)
      return Fail("--removed and --counts name the same file '" + removed + "'");
    for (const std::string* report : {&removed, &counts}) {
      if (report->empty()) continue;
      if (*report == settings.outputPath)
        return Fail("the report file '" + *report + "' is also the output file");
      if (std::find(inputs_.begin(), inputs_.end(), *report) != inputs_.end())
        return Fail("the report file '" + *report + "' is also an input file");
    }
  }

  const Args& args_;
  std::size_t i_ = 0;
  std::vector<std::string> inputs_;
  bool callGiven_ = false;
  bool windowGiven_ = false;
  bool noPrefixGiven_ = false;
  CliOptions options_ = Defaults();

  static CliOptions Defaults() {
    CliOptions options;
    options.settings.inputPath = std::string(kStandardStream);
    options.settings.outputPath = std::string(kStandardStream);
    options.settings.fileType = FileType::Text;
    options.settings.acceptStreams = true;  // "-", pipes and devices, read once
    return options;
  }
};

}  // namespace

CliOptions ParseOptions(const std::vector<std::string>& args) { return Parser(args).Parse(); }

std::string VersionText() {
  std::string text = "sievra-cli 1.00";
  if (const std::string_view commit = SIEVRA_COMMIT; !commit.empty())
    text += " (commit " + std::string(commit) + ")";
  return text + "\n";
}

}  // namespace sievra::cli
