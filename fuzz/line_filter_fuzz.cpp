// The engine's line reader and both filters, run on real files, against the
// plain first-match model: same kept lines, same order, same bytes, the same
// count, and nothing else touched.
//
// Input layout: one settings byte (bit 0 packet, bit 1 strip, bits 2-4 callsign
// length), one byte choosing the chunk size for the counter and the block
// reader, the callsign, the file.

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

struct FuzzCase {
  reference::Settings settings;
  std::size_t chunk = 1;
  std::string_view file;
};

FuzzCase Decode(std::string_view bytes) {
  FuzzCase c;
  const unsigned settings = bytes.empty() ? 0u : static_cast<unsigned char>(bytes[0]);
  const unsigned chunk = bytes.size() < 2 ? 0u : static_cast<unsigned char>(bytes[1]);
  bytes.remove_prefix(std::min<std::size_t>(2, bytes.size()));
  c.settings.packet = (settings & 1u) != 0;
  c.settings.strip = (settings & 2u) != 0;
  const std::size_t callLength = std::min<std::size_t>((settings >> 2) & 7u, bytes.size());
  c.settings.callsign = std::string(bytes.substr(0, callLength));
  c.chunk = 1 + chunk;
  c.file = bytes.substr(callLength);
  return c;
}

// A RAM-backed folder when there is one: every execution writes two files.
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

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::size_t CountInChunks(const FuzzCase& c) {
  const sievra::UpperCaser upper;
  const std::string target = upper.Apply(c.settings.callsign);
  Require(target == reference::Upper(c.settings.callsign),
          "upper-casing agrees with toupper byte by byte");
  sievra::LineCounter counter(upper, target);
  for (std::size_t at = 0; at < c.file.size(); at += c.chunk)
    counter.Feed(c.file.substr(at, c.chunk));
  return counter.Finish();
}

// The filter's block reader with a buffer of a few bytes, so that reads cut
// lines, CR LF pairs and long lines as its 1 MiB reads only do on big logs.
void CheckBlockReader(const FuzzCase& c, const fs::path& input) {
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
  Require(lines == reference::Lines(c.file), "the blocks hold the file's lines, each whole");
}

void CheckRun(const FuzzCase& c, const reference::Run& expected, const fs::path& output,
              const sievra::RunResult& result) {
  const std::size_t kept = expected.kept.size();
  Require(result.counts.linesCounted == expected.counted, "the counting pass counts as the model");
  Require(result.counts.linesKept == kept, "as many lines kept as the first-match scan keeps");
  Require(result.counts.linesRead == reference::Lines(c.file).size(), "every line is read");
  const std::string written = ReadFile(output);
  if (kept == 0) {
    Require(result.outcome == sievra::RunOutcome::NothingKept, "nothing kept is reported as such");
    Require(written == kOldOutput, "nothing kept leaves the old output alone");
  } else {
    Require(result.outcome == sievra::RunOutcome::Completed, "a run that kept lines completes");
    Require(written == Joined(expected.kept), "the output holds the kept lines, CR LF ended");
    Require(result.counts.bytesWritten == written.size(), "bytes written are counted");
  }
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(WorkFolder())) ++files;
  Require(files == 2, "no temporary file is left beside the output");
}

sievra::RunResult PressStart(const FuzzCase& c, const fs::path& input, const fs::path& output) {
  sievra::RunSettings settings;
  settings.inputPath = input.string();
  settings.outputPath = output.string();
  settings.fileType = c.settings.packet ? sievra::FileType::Packet : sievra::FileType::Text;
  settings.callsignText = c.settings.callsign;
  settings.strip = c.settings.strip;
  return sievra::RunRequest(settings);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzCase c = Decode(sievra::fuzz::AsText(data, size));
  const reference::Run expected = reference::Filter(c.settings, c.file);
  Require(CountInChunks(c) == expected.counted, "the counter gives one count whatever the chunks");

  const fs::path input = WorkFolder() / "in.txt";
  const fs::path output = WorkFolder() / "out.txt";
  WriteFile(input, c.file);
  WriteFile(output, kOldOutput);
  CheckBlockReader(c, input);

  CheckRun(c, expected, output, PressStart(c, input, output));

  // Start pressed again does the same again.
  WriteFile(output, kOldOutput);
  CheckRun(c, expected, output, PressStart(c, input, output));
  return 0;
}
