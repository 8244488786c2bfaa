// The engine's line reader and both filters, run on real files, against the
// plain models: same kept lines, same order, same bytes, the same count, and
// nothing else touched. With duplicate rules, the ruled run against the ruled
// model: its output, both reports and its counts.
//
// Input layout: one settings byte (bit 0 packet, bit 1 strip, bits 2-4 callsign
// length, bit 5 time stamps and tags read as part of the frame, bit 6 rules
// follow, bit 7 LF line ends), one byte choosing the chunk size for the counter
// and the block reader; with bit 6, a rules byte (bit 0 ignore case, bit 1
// ignore spacing, bits 2-3 the keep rule, bits 4-6 the window, with keep first
// only) and a byte choosing where the file is cut into two inputs (0: one
// input); then the callsign, the file.

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "compare_rules.h"  // engine-internal: the fold the model is given
#include "first_match_reference.h"
#include "fuzz_check.h"
#include "line_block_reader.h"  // engine-internal, fuzzed with a buffer of a few bytes
#include "sievra/engine.h"
#include "sievra/line_counter.h"
#include "sievra/line_scanner.h"
#include "sievra/upper_case.h"

namespace {

namespace fs = std::filesystem;
namespace reference = sievra::reference;
using sievra::fuzz::Require;

constexpr std::string_view kOldOutput = "an older output\r\n";
constexpr std::string_view kOldReport = "an older report\r\n";
constexpr std::uint32_t kWindows[] = {0, 0, 1, 2, 10, 30, 86400, UINT32_MAX};

struct FuzzCase {
  reference::RuledSettings model;
  bool ruled = false;  // rules, both reports and, when cut, two inputs
  std::size_t chunk = 1;
  std::string_view file;
  std::vector<std::string> inputs;  // the file as the run reads it
};

FuzzCase Decode(std::string_view bytes) {
  FuzzCase c;
  auto take = [&bytes] {
    const unsigned byte = bytes.empty() ? 0u : static_cast<unsigned char>(bytes[0]);
    bytes.remove_prefix(std::min<std::size_t>(1, bytes.size()));
    return byte;
  };
  const unsigned settings = take();
  const unsigned chunk = take();
  reference::Settings& base = c.model.base;
  base.packet = (settings & 1u) != 0;
  base.strip = (settings & 2u) != 0;
  base.prefixes = (settings & 32u) == 0;
  c.ruled = (settings & 64u) != 0;
  c.model.lineEnd = (settings & 128u) != 0 ? "\n" : "\r\n";
  unsigned cut = 0;
  if (c.ruled) {
    const unsigned rules = take();
    cut = take();
    c.model.rules.compare = {(rules & 1u) != 0, (rules & 2u) != 0};
    c.model.rules.keep = static_cast<sievra::KeepRule>((rules >> 2) & 3u);
    if (c.model.rules.keep == sievra::KeepRule::First)
      c.model.rules.windowSeconds = kWindows[(rules >> 4) & 7u];
    c.model.fold = sievra::SimpleCaseFold;
  }
  const std::size_t callLength = std::min<std::size_t>((settings >> 2) & 7u, bytes.size());
  base.callsign = std::string(bytes.substr(0, callLength));
  c.chunk = 1 + chunk;
  c.file = bytes.substr(callLength);
  c.inputs = {std::string(c.file)};
  if (cut > 0) {
    const std::size_t at = (cut - 1) * (c.file.size() + 1) / 255;
    c.inputs = {std::string(c.file.substr(0, at)), std::string(c.file.substr(at))};
  }
  return c;
}

// A RAM-backed folder when there is one: every execution writes its files twice.
const fs::path& WorkFolder() {
  static const fs::path folder = [] {
    fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    fs::path f = base / ("sievra-line-filter-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(f);
    return f;
  }();
  return folder;
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  Require(out.good(), "the fuzz target could write its files");
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Joined(const std::vector<std::string>& lines, const std::string& lineEnd) {
  std::string text;
  for (const std::string& line : lines) text += line + lineEnd;
  return text;
}

std::size_t CountInChunks(const FuzzCase& c) {
  const sievra::UpperCaser upper;
  const reference::Settings& base = c.model.base;
  const std::string target = upper.Apply(base.callsign);
  Require(target == reference::Upper(base.callsign),
          "upper-casing agrees with toupper byte by byte");
  sievra::LineCounter counter(upper, target, base.packet && base.prefixes);
  for (std::size_t at = 0; at < c.file.size(); at += c.chunk)
    counter.Feed(c.file.substr(at, c.chunk));
  return counter.Finish();
}

// The filter's block reader with a buffer of a few bytes, so that reads cut
// lines, CR LF pairs and long lines as its 1 MiB reads only do on big logs.
void CheckBlockReader(const FuzzCase& c, std::string_view bytes, const fs::path& input) {
  sievra::InputFile in;
  Require(!in.Open(input.string()), "the input opens");
  sievra::LineBlockReader reader(in, c.chunk);
  std::vector<std::string> lines;
  for (;;) {
    std::string_view block;
    Require(!reader.Next(block), "reading a regular file does not fail");
    if (block.empty()) break;
    sievra::LineScanner scanner(block.data(), block.size());
    for (std::string_view line; scanner.Next(line);) lines.emplace_back(line);
  }
  Require(lines == reference::Lines(bytes), "the blocks hold the file's lines, each whole");
}

struct Paths {
  fs::path output = WorkFolder() / "out.txt";
  fs::path removed = WorkFolder() / "removed.txt";
  fs::path counts = WorkFolder() / "counts.csv";
  std::vector<fs::path> inputs;
};

void RequireNoTemporaryFile(const FuzzCase& c, const Paths& paths) {
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(WorkFolder())) ++files;
  Require(files == paths.inputs.size() + (c.ruled ? 3 : 1),
          "no temporary file is left beside the output");
}

void CheckRun(const FuzzCase& c, const reference::Run& expected, const Paths& paths,
              const sievra::RunResult& result) {
  const std::size_t kept = expected.kept.size();
  Require(result.counts.linesCounted == expected.counted, "the counting pass counts as the model");
  Require(result.counts.linesKept == kept, "as many lines kept as the first-match scan keeps");
  Require(result.counts.linesRead == reference::Lines(c.file).size(), "every line is read");
  const std::string written = ReadFile(paths.output);
  if (kept == 0) {
    Require(result.outcome == sievra::RunOutcome::NothingKept, "nothing kept is reported as such");
    Require(written == kOldOutput, "nothing kept leaves the old output alone");
  } else {
    Require(result.outcome == sievra::RunOutcome::Completed, "a run that kept lines completes");
    Require(written == Joined(expected.kept, c.model.lineEnd),
            "the output holds the kept lines, each with the run's line end");
    Require(result.counts.bytesWritten == written.size(), "bytes written are counted");
  }
  RequireNoTemporaryFile(c, paths);
}

void CheckRuledRun(const FuzzCase& c, const reference::RuledRun& expected, const Paths& paths,
                   const sievra::RunResult& result) {
  const sievra::RunCounts& counts = result.counts;
  Require(counts.linesRead == expected.read, "every line of every input is read");
  Require(counts.linesSkipped == expected.skipped, "the target and header tests skip as the model");
  Require(counts.linesKept == expected.written, "as many lines written as the model writes");
  Require(counts.linesKept + counts.duplicatesRemoved + counts.linesSkipped == counts.linesRead,
          "each line read is kept, removed or skipped");
  if (expected.written == 0) {
    Require(result.outcome == sievra::RunOutcome::NothingKept, "nothing kept is reported as such");
    Require(ReadFile(paths.output) == kOldOutput, "nothing kept leaves the old output alone");
    Require(ReadFile(paths.removed) == kOldReport && ReadFile(paths.counts) == kOldReport,
            "nothing kept leaves the old reports alone");
  } else {
    Require(result.outcome == sievra::RunOutcome::Completed, "a run that kept lines completes");
    Require(ReadFile(paths.output) == expected.output, "the output is the model's");
    Require(ReadFile(paths.removed) == expected.removed, "the removed-lines report is the model's");
    Require(ReadFile(paths.counts) == expected.counts, "the count report is the model's");
    Require(counts.bytesWritten == expected.output.size(), "bytes written are counted");
  }
  RequireNoTemporaryFile(c, paths);
}

sievra::RunResult PressStart(const FuzzCase& c, const Paths& paths) {
  const reference::Settings& base = c.model.base;
  sievra::RunSettings settings;
  settings.inputPath = paths.inputs[0].string();
  for (std::size_t i = 1; i < paths.inputs.size(); ++i)
    settings.moreInputPaths.push_back(paths.inputs[i].string());
  settings.outputPath = paths.output.string();
  settings.fileType = base.packet ? sievra::FileType::Packet : sievra::FileType::Text;
  settings.callsignText = base.callsign;
  settings.strip = base.strip;
  settings.logPrefixes = base.prefixes;
  settings.lineEnd = c.model.lineEnd == "\n" ? sievra::LineEnd::Lf : sievra::LineEnd::CrLf;
  if (c.ruled) {
    settings.rules = c.model.rules;
    settings.reports = {paths.removed.string(), paths.counts.string()};
  }
  return sievra::RunRequest(settings);
}

void WriteOldOutputs(const FuzzCase& c, const Paths& paths) {
  WriteFile(paths.output, kOldOutput);
  if (!c.ruled) return;
  WriteFile(paths.removed, kOldReport);
  WriteFile(paths.counts, kOldReport);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzCase c = Decode(sievra::fuzz::AsText(data, size));
  const reference::Run expected = reference::Filter(c.model.base, c.file);
  Require(CountInChunks(c) == expected.counted, "the counter gives one count whatever the chunks");

  Paths paths;
  for (std::size_t i = 0; i < c.inputs.size(); ++i) {
    paths.inputs.push_back(WorkFolder() / ("in" + std::to_string(i) + ".txt"));
    WriteFile(paths.inputs[i], c.inputs[i]);
  }
  // Inputs of an earlier case that this one does not read.
  for (std::size_t i = c.inputs.size(); i < 2; ++i)
    fs::remove(WorkFolder() / ("in" + std::to_string(i) + ".txt"));
  if (!c.ruled) {
    fs::remove(paths.removed);
    fs::remove(paths.counts);
  }
  for (std::size_t i = 0; i < c.inputs.size(); ++i)
    CheckBlockReader(c, c.inputs[i], paths.inputs[i]);

  const reference::RuledRun ruled =
      c.ruled ? reference::FilterByRules(c.model, c.inputs) : reference::RuledRun{};
  // Start pressed twice on the same files does the same twice.
  for (int press = 0; press < 2; ++press) {
    WriteOldOutputs(c, paths);
    const sievra::RunResult result = PressStart(c, paths);
    if (c.ruled) {
      CheckRuledRun(c, ruled, paths, result);
    } else {
      CheckRun(c, expected, paths, result);
    }
  }
  return 0;
}
