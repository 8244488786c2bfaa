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
#include "sievra/ui_ports.h"

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

// Records what a run asked the results box to do.
class FakeResultsBox : public ResultsBox {
 public:
  bool LoadFile(const std::string& path, LoadFileType type) override {
    loadedPath = path;
    loadedType = type;
    shown = ReadBytes(path);
    ++loads;
    return std::filesystem::exists(path);
  }
  void Clear() override {
    shown.clear();
    ++clears;
  }
  float Width() const override { return width; }
  void SetRightMargin(float twips) override { rightMargin = twips; }

  float width = 8250.0f;
  float rightMargin = 0.0f;
  std::string loadedPath;
  LoadFileType loadedType = LoadFileType::RichText;
  std::string shown;
  int loads = 0;
  int clears = 0;
};

class RecordingMessages : public MessageSink {
 public:
  void ShowMessage(std::string_view text) override { shown.emplace_back(text); }
  std::vector<std::string> shown;
};

// An engine with recording fakes and files in a temporary folder.
struct EngineFixture {
  TempDir dir;
  FakeResultsBox results;
  RecordingMessages messages;
  Engine engine{results, messages};

  // Runs the request as the Start button would, with `input` as the input file's bytes.
  RunOutcome Run(std::string_view input, bool packet, std::string_view call = "",
                 bool strip = false) {
    engine.InputPath = dir.File("in.txt");
    engine.OutputPath = dir.File("out.txt");
    WriteBytes(engine.InputPath, input);
    return engine.RunRequest({call, strip, !packet, packet});
  }
  std::string Output() const { return ReadBytes(engine.OutputPath); }
};

}  // namespace sievra::testing
