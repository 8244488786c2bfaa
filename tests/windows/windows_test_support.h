#pragma once

// Helpers for the tests that run on Windows: scratch folders with any name, file
// access through the wide API only (never the C runtime's text mode or the ANSI
// code page, so they cannot hide what the engine does), and recording fakes for
// the engine's ports.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sievra/engine.h"
#include "sievra/ui_ports.h"

namespace sievra::wintest {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// A fresh folder under the temporary folder, removed with all it holds (read-only
// files too) when the object goes.
class ScratchFolder {
 public:
  explicit ScratchFolder(std::wstring_view name);
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder();

  const std::wstring& Path() const { return path_; }
  std::wstring Child(std::wstring_view name) const { return path_ + L"\\" + std::wstring(name); }
  // Names of the entries in the folder, sorted.
  std::vector<std::wstring> Entries() const;

 private:
  std::wstring path_;
};

// Equal bytes; otherwise says where they first differ, with a short escaped excerpt
// of each side (outputs can be megabytes long).
::testing::AssertionResult SameBytes(std::string_view actual, std::string_view expected);

// Creates or truncates a file and writes exactly these bytes; false on failure.
bool WriteBytes(const std::wstring& path, std::string_view bytes);
// The file's bytes, or nothing when it cannot be opened.
std::optional<std::string> ReadBytes(const std::wstring& path);

class RecordingMessages : public MessageSink {
 public:
  void ShowMessage(std::string_view text) override { shown.emplace_back(text); }
  std::vector<std::string> shown;
};

// Loads files the way the window would: the engine's UTF-8 path through the wide API.
class RecordingResultsBox : public ResultsBox {
 public:
  bool LoadFile(const std::string& path, LoadFileType type) override;
  void Clear() override { text.reset(); }
  float Width() const override { return 7200.0f; }
  void SetRightMargin(float twips) override { rightMargin = twips; }

  std::optional<std::string> text;
  float rightMargin = 0.0f;
};

// An engine with its fakes, set up for one run from `input` to `output`.
struct EngineUnderTest {
  EngineUnderTest(const std::wstring& input, const std::wstring& output) {
    engine.InputPath = Utf8(input);
    engine.OutputPath = Utf8(output);
  }
  RunOutcome RunText() { return engine.RunRequest({"", false, true, false}); }

  RecordingResultsBox results;
  RecordingMessages messages;
  Engine engine{results, messages};
};

}  // namespace sievra::wintest
