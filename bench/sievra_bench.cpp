// Headless driver: one run request exactly as the Start button makes it, for
// benchmarks and acceptance runs. Not part of the product.
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "sievra/engine.h"

namespace {

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

  sievra::RunSettings settings;
  settings.inputPath = input;
  settings.outputPath = output;
  settings.fileType = packet ? sievra::FileType::Packet : sievra::FileType::Text;
  settings.callsignText = call;
  settings.strip = strip;
  const sievra::RunResult result = sievra::RunRequest(settings);
  if (!result.message.empty()) std::cerr << "message: " << result.message << '\n';

  std::cout << "read=" << result.counts.linesRead << " kept=" << result.counts.linesKept << " ms="
            << std::chrono::duration_cast<std::chrono::milliseconds>(result.elapsed).count()
            << '\n';
  return result.outcome == sievra::RunOutcome::Completed ||
                 result.outcome == sievra::RunOutcome::NothingKept
             ? 0
             : 1;
}
