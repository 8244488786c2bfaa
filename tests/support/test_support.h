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

// A fresh folder per test, removed with what it holds (read-only files too)
// when the test ends. A label starts its name: a test of unusual paths gives
// one with the characters it needs.
class TempDir {
 public:
  explicit TempDir(const std::filesystem::path& base = std::filesystem::temp_directory_path(),
                   const std::filesystem::path& label = "sievra-test");
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

// The one engine rig: run settings with both paths chosen, as after two
// Browse presses, and the last result.
struct EngineRig {
  EngineRig() = default;
  // Paths in any form the system names files in; the settings hold them in UTF-8.
  EngineRig(const std::filesystem::path& input, const std::filesystem::path& output) {
    settings.inputPath = Utf8(input);
    settings.outputPath = Utf8(output);
  }

  RunOutcome Run(FileType type, std::string_view call = "", bool strip = false) {
    settings.fileType = type;
    settings.callsignText = call;
    settings.strip = strip;
    return Run();
  }
  RunOutcome RunText(std::string_view call = "") { return Run(FileType::Text, call); }
  RunOutcome RunPacket(std::string_view call = "", bool strip = false) {
    return Run(FileType::Packet, call, strip);
  }
  // Runs again with the current settings, files and observer.
  RunOutcome Run() {
    result = RunRequest(settings, observer);
    return result.outcome;
  }
  // Forgets the last result, as a user who has clicked OK.
  void Acknowledge() { result = RunResult(); }

  static std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
  }

  RunSettings settings;
  RunObserver observer;
  RunResult result;
};

struct WithTempDir {
  TempDir dir;
};

// The rig on "in.txt" and "out.txt" in a temporary folder of its own (made first).
struct EngineFixture : WithTempDir, EngineRig {
  EngineFixture() : EngineRig(dir / "in.txt", dir / "out.txt") {}

  using EngineRig::Run;
  // Runs with `input` as the input file's bytes.
  RunOutcome Run(std::string_view input, bool packet, std::string_view call = "",
                 bool strip = false) {
    WriteBytes(settings.inputPath, input);
    return RunWith(call, strip, packet ? FileType::Packet : FileType::Text);
  }
  // Runs on the files as they are, with these options.
  RunOutcome RunWith(std::string_view call, bool strip, FileType type) {
    return Run(type, call, strip);
  }
  // Runs again with the current settings and files, followed by `follower`.
  RunOutcome Run(const RunObserver& follower) {
    result = RunRequest(settings, follower);
    return result.outcome;
  }
  std::string Output() const { return ReadBytes(settings.outputPath); }
};

}  // namespace sievra::testing
