// Measures the native Windows window (run it under Wine or on Windows):
//   --startup         process creation to the window painted, in ms;
//   --live LINES DIR  the real window, Start pressed on a Text-mode input of
//                     LINES distinct 61-character lines (written to DIR): the
//                     longest gap between two 10 ms ticks of a timer on the
//                     window's thread until the summary and the first paint of
//                     the result are there, Start to summary, Start to first
//                     paint, and the first paint after the engine returned.
// One measurement per process; bench/run-window-bench.sh repeats and compares.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "frm_main.h"
#include "sievra/presentation/result_lines.h"
#include "text.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The window with the result's first paint and the run's end timed.
class TimedWindow : public sievra::win32::frmMain {
 public:
  using frmMain::frmMain;
  void ShowResult(const sievra::ResultLines& lines, std::size_t firstNewRow) override {
    const auto t0 = Clock::now();
    frmMain::ShowResult(lines, firstNewRow);
    if (std::getenv("SIEVRA_BENCH_TRACE"))
      std::fprintf(stderr, "show from row %zu, %zu rows, %llu bytes: %.1f ms\n", firstNewRow,
                   lines.RowCount(), static_cast<unsigned long long>(lines.ByteCount()),
                   Ms(Clock::now() - t0));
    if (firstNewRow != 0 || firstPaint != Clock::time_point{}) return;
    RedrawWindow(Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    firstPaint = Clock::now();
  }
  void RunFinished() override {
    frmMain::RunFinished();
    summary = Clock::now();
  }
  Clock::time_point firstPaint{};
  Clock::time_point summary{};
};

class NoSettings : public sievra::SettingsStore {
 public:
  std::string Value(std::string_view) const override { return {}; }
  void SetValue(std::string_view, const std::string&) override {}
};

sievra::win32::frmMain::Options BenchOptions(NoSettings& settings) {
  sievra::win32::frmMain::Options options;
  options.settings = &settings;
  options.seams.showMessage = [](HWND, std::string_view text) {
    std::fprintf(stderr, "message: %.*s\n", static_cast<int>(text.size()), text.data());
  };
  return options;
}

int Startup() {
  NoSettings settings;
  TimedWindow window(BenchOptions(settings));
  RedrawWindow(window.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  FILETIME created, exited, kernel, user, now;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimePreciseAsFileTime(&now);
  const auto ticks = [](FILETIME t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  std::printf("%.1f\n", static_cast<double>(ticks(now) - ticks(created)) / 1e4);
  return 0;
}

bool WriteInput(const std::wstring& path, long lines) {
  std::ofstream file(std::filesystem::path(path), std::ios::binary);
  std::string chunk;
  char line[96];
  for (long i = 0; i < lines; ++i) {
    // 61 characters and CR LF, all distinct, so the output is the input again.
    std::snprintf(line, sizeof line, "K%05ld>APRS,WIDE1-1,WIDE2-1:!4903.50N/07201.75W-%013ld\r\n",
                  i % 100000, i);
    chunk += line;
    if (chunk.size() > (1u << 20)) {
      file << chunk;
      chunk.clear();
    }
  }
  file << chunk;
  return static_cast<bool>(file);
}

int Live(long lines, const std::wstring& folder) {
  const std::wstring input = folder + L"\\input.txt", output = folder + L"\\output.txt";
  if (!WriteInput(input, lines)) return 1;
  NoSettings settings;
  TimedWindow window(BenchOptions(settings));
  window.Model().InputChosen(sievra::win32::Utf8(input));
  window.Model().OutputChosen(sievra::win32::Utf8(output));
  SendMessageW(window.ControlHandle("optText"), BM_CLICK, 0, 0);
  RedrawWindow(window.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  std::atomic<std::int64_t> engineDone{0};
  const Clock::time_point start = Clock::now();
  window.Model().Run().SetWorkerHook([&](const sievra::StageProgress& progress) {
    std::int64_t none = 0;
    if (progress.stage == sievra::RunStage::Loading)
      engineDone.compare_exchange_strong(none, (Clock::now() - start).count());
  });
  Clock::time_point lastTick = start;
  Clock::duration longestGap{};
  SetTimer(window.Handle(), 1, 10, nullptr);
  SendMessageW(window.ControlHandle("cmdStart"), BM_CLICK, 0, 0);
  MSG message;
  while ((window.summary == Clock::time_point{} || window.firstPaint == Clock::time_point{}) &&
         GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == window.Handle()) {
      const Clock::time_point now = Clock::now();
      longestGap = std::max(longestGap, now - lastTick);
      lastTick = now;
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  longestGap = std::max(longestGap, Clock::now() - lastTick);
  const double engineMs = Ms(Clock::duration(engineDone.load()));
  std::printf("%.1f %.1f %.1f %.1f\n", Ms(longestGap), Ms(window.summary - start),
              Ms(window.firstPaint - start), Ms(window.firstPaint - start) - engineMs);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"--startup") return Startup();
  if (mode == L"--live" && argc == 4) return Live(std::wcstol(argv[2], nullptr, 10), argv[3]);
  std::fprintf(stderr, "usage: sievra-win32-bench --startup | --live LINES FOLDER\n");
  return 2;
}
