// Headless driver: one run request exactly as the Start button makes it, for
// benchmarks and acceptance runs. Not part of the product.
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "sievra/engine.h"
#include "sievra/paths.h"

namespace {

// Records what it was asked to show instead of reading the file.
class RecordingResultsBox : public sievra::ResultsBox {
 public:
  bool LoadFile(const std::string& path, sievra::LoadFileType) override {
    loaded = path;
    return true;
  }
  void Clear() override { loaded.clear(); }
  float Width() const override { return 8250.0f; }
  void SetRightMargin(float) override {}
  std::string loaded;
};

class StderrMessages : public sievra::MessageSink {
 public:
  void ShowMessage(std::string_view text) override { std::cerr << "message: " << text << '\n'; }
};

int Usage() {
  std::cerr << "usage: sievra-bench --input IN --output OUT (--text|--packet) [--call TEXT] "
               "[--strip]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::string input;
  std::string output;
  std::string call;
  bool text = false;
  bool packet = false;
  bool strip = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--input" && hasValue) {
      input = argv[++i];
    } else if (arg == "--output" && hasValue) {
      output = argv[++i];
    } else if (arg == "--call" && hasValue) {
      call = argv[++i];
    } else if (arg == "--text") {
      text = true;
    } else if (arg == "--packet") {
      packet = true;
    } else if (arg == "--strip") {
      strip = true;
    } else {
      return Usage();
    }
  }
  if (text == packet) return Usage();

  RecordingResultsBox results;
  StderrMessages messages;
  sievra::Engine engine(results, messages);
  // As the choosers store them.
  engine.InputPath = input;
  engine.InputFolder = sievra::FolderOfPath(input);
  engine.OutputPath = output;

  const auto start = std::chrono::steady_clock::now();
  const sievra::RunOutcome outcome = engine.RunRequest({call, strip, text, packet});
  const auto elapsed = std::chrono::steady_clock::now() - start;

  std::cout << "read=" << engine.LinesRead() << " kept=" << engine.KeptCount()
            << " ms=" << std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()
            << '\n';
  return outcome == sievra::RunOutcome::Completed || outcome == sievra::RunOutcome::NothingKept ? 0
                                                                                                : 1;
}
