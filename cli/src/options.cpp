#include "sievra/cli/options.h"

#include <optional>
#include <string_view>

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

  void Input(const std::string& arg) {
    if (inputSeen_) return Fail("only one input file may be given (extra: '" + arg + "')");
    inputSeen_ = true;
    options_.settings.inputPath = arg;
  }

  void LongOption(const std::string& arg) {
    const std::size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    std::optional<std::string> attached;
    if (eq != std::string::npos) attached = arg.substr(eq + 1);
    if (name == "--output") return Output(name, attached);
    if (name == "--call") return Call(name, attached);
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

  // A callsign, a path cut or --no-prefix in a Text run would be ignored without
  // a word (the text filter keeps lines whatever their start); refusing it
  // catches a forgotten --packet.
  void CheckCombination() {
    if (options_.settings.fileType == FileType::Text &&
        (callGiven_ || options_.settings.strip || noPrefixGiven_))
      Fail("--call, --strip and --no-prefix apply to --packet runs only");
    if (inputSeen_ && options_.settings.inputPath.empty()) Fail("the input file name is empty");
  }

  const Args& args_;
  std::size_t i_ = 0;
  bool inputSeen_ = false;
  bool callGiven_ = false;
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
