#include "console.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cstdio>

namespace sievra::cli {

namespace {
// Static, not the caller's: the handler may run at any time until the process ends.
constinit CancelToken g_interrupted;
constinit std::atomic<bool> g_runEnded{false};
}  // namespace

void RunEnded() { g_runEnded.store(true); }

#ifdef _WIN32

namespace {
std::string ToUtf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(static_cast<std::size_t>(size - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

BOOL WINAPI OnConsoleControl(DWORD event) {
  g_interrupted.Cancel();
  // Closing the console (or logging off, shutting down) ends the process as
  // soon as this returns: wait, within the system's five seconds, for the run
  // to write what it kept. Ctrl-C and Ctrl-Break leave the run to end itself.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    for (int waited = 0; waited < 4500 && !g_runEnded.load(); waited += 50) Sleep(50);
  }
  return TRUE;  // handled: the run ends itself
}
}  // namespace

std::vector<std::string> Utf8Arguments(int, char**) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide && i < count; ++i) args.push_back(ToUtf8(wide[i]));
  LocalFree(wide);
  return args;
}

void UseBinaryStandardStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

bool StandardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

const CancelToken& CancelOnInterrupt() {
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  return g_interrupted;
}

#else

namespace {
void OnInterrupt(int) {
  // Only an atomic store: safe in a signal handler.
  g_interrupted.Cancel();
}
}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void UseBinaryStandardStreams() {}

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) != 0; }

const CancelToken& CancelOnInterrupt() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // Restart interrupted reads and writes (the run sees the token at its next
  // check instead of failing on EINTR); the second signal takes the default.
  action.sa_flags = static_cast<int>(SA_RESTART | SA_RESETHAND);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  return g_interrupted;
}

#endif

}  // namespace sievra::cli
