#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "sievra/engine.h"
#include "sievra/presentation/wording.h"

namespace sievra {

// What a front end tells the user about how a run ended: the message a window
// shows, or for a cancelled run the line that says so; empty for a completed run.
inline std::string MessageOf(const RunResult& result) {
  return result.outcome == RunOutcome::Cancelled ? RunSummary(result, PlainNumbers())
                                                 : OutcomeMessage(result);
}

}  // namespace sievra

namespace sievra::testing {

// A fresh folder per test, removed with what it holds when the test ends.
class TempDir {
 public:
  explicit TempDir(const std::filesystem::path& base = std::filesystem::temp_directory_path());
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(std::string_view name) const { return (path_ / name).string(); }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }
  const std::filesystem::path& Path() const { return path_; }
  // Names in the folder, sorted, to spot leftover temporary files.
  std::vector<std::string> Listing() const;

 private:
  std::filesystem::path path_;
};

// Creates or truncates the file with exactly these bytes; throws when it cannot.
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);
// The file's bytes; empty when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);

// A run request on files in a temporary folder, as the Start button makes it
// once both files are chosen.
struct EngineFixture {
  TempDir dir;
  RunSettings settings = [this] {
    RunSettings chosen;
    chosen.inputPath = dir.File("in.txt");
    chosen.outputPath = dir.File("out.txt");
    return chosen;
  }();
  RunResult result;

  // Runs with `input` as the input file's bytes.
  RunOutcome Run(std::string_view input, bool packet, std::string_view call = "",
                 bool strip = false) {
    WriteBytes(settings.inputPath, input);
    return RunWith(call, strip, packet ? FileType::Packet : FileType::Text);
  }
  // Runs on the files as they are, with these options.
  RunOutcome RunWith(std::string_view call, bool strip, FileType type) {
    settings.callsignText = call;
    settings.strip = strip;
    settings.fileType = type;
    return Run();
  }
  // Runs again with the current settings and files.
  RunOutcome Run(const RunObserver& observer = {}) {
    result = RunRequest(settings, observer);
    return result.outcome;
  }
  std::string Output() const { return ReadBytes(settings.outputPath); }
};

}  // namespace sievra::testing
