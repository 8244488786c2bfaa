#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "sievra/engine.h"

namespace sievra::testing {

// A fresh folder per test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::random_device seed;
    path_ = std::filesystem::temp_directory_path() /
            ("sievra-test-" + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::all, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(std::string_view name) const { return (path_ / name).string(); }
  const std::filesystem::path& Path() const { return path_; }
  // Names in the folder, sorted, to spot leftover temporary files.
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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
